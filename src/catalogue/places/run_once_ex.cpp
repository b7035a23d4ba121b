#include "catalogue/places/run_once_ex.h"

namespace korvane {

namespace {

// "DLL|function|arguments" after two bars calls the function of the DLL.
SplitCommand RunOnceExItem(const std::wstring& item) {
  if (item.rfind(L"||", 0) != 0) return SplitCommandLine(item);
  const std::wstring rest = item.substr(2);
  const size_t bar = rest.find(L'|');
  if (bar == std::wstring::npos) return {rest, L""};
  std::wstring parameters = rest.substr(bar + 1);
  for (wchar_t& c : parameters) {
    if (c == L'|') c = L' ';
  }
  return {rest.substr(0, bar), parameters};
}

}  // namespace

std::vector<ValuePlace> RunOnceExPlaces() {
  std::vector<ValuePlace> places;
  for (const wchar_t* key :
       {L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
        L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\Software\\"
        L"Microsoft\\Windows\\CurrentVersion\\RunOnceEx"}) {
    ValuePlace place{L"runonceex", RootKey::LocalMachine, key, L""};
    place.subkeys = true;
    place.split = RunOnceExItem;
    places.push_back(place);
  }
  return places;
}

}  // namespace korvane
