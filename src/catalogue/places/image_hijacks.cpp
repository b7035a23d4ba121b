#include "catalogue/places/image_hijacks.h"

namespace korvane {

std::vector<ValuePlace> ImageHijackPlaces() {
  ValuePlace place{
      L"hijack", RootKey::LocalMachine,
      L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
      L"Debugger"};
  place.subkeys = true;
  place.both_views = true;
  place.risk =
      L"Windows starts it instead of the program that its key is named after, each time that "
      L"program is started.";
  return {place};
}

}  // namespace korvane
