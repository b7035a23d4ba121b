#include "catalogue/places/appinit_dlls.h"

namespace korvane {

namespace {

// Each item is a DLL's path: blanks part the items, so there are no parameters.
SplitCommand DllItem(const std::wstring& item) {
  return {item, L""};
}

}  // namespace

std::vector<ValuePlace> AppInitDllPlaces() {
  ValuePlace place{L"appinit", RootKey::LocalMachine,
                   L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"AppInit_DLLs"};
  place.both_views = true;
  place.list = ItemList::Blanks;
  place.split = DllItem;
  place.switch_value = L"LoadAppInit_DLLs";
  place.risk = L"Windows loads it into every program that shows a window.";
  return {place};
}

}  // namespace korvane
