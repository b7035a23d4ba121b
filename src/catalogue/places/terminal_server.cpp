#include "catalogue/places/terminal_server.h"

namespace korvane {

std::vector<ValuePlace> TerminalServerPlaces() {
  const std::wstring install =
      L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\Software\\"
      L"Microsoft\\Windows\\CurrentVersion\\";
  std::vector<ValuePlace> places;
  for (const wchar_t* key : {L"Run", L"RunOnce", L"RunOnceEx"}) {
    places.push_back({L"terminalserver", RootKey::LocalMachine, install + key, L""});
  }
  return places;
}

}  // namespace korvane
