#include "catalogue/places/safe_boot.h"

namespace korvane {

std::vector<ValuePlace> SafeBootPlaces() {
  ValuePlace place{L"safeboot", RootKey::LocalMachine,
                   L"\\System\\CurrentControlSet\\Control\\SafeBoot", L"AlternateShell"};
  place.windows_own = {L"cmd.exe"};
  place.risk = L"Windows starts it as the shell of Safe Mode with Command Prompt.";
  return {place};
}

}  // namespace korvane
