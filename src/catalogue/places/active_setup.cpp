#include "catalogue/places/active_setup.h"

namespace korvane {

std::vector<ValuePlace> ActiveSetupPlaces() {
  ValuePlace place{L"activesetup", RootKey::LocalMachine,
                   L"\\Software\\Microsoft\\Active Setup\\Installed Components", L"StubPath"};
  place.subkeys = true;
  place.both_views = true;
  return {place};
}

}  // namespace korvane
