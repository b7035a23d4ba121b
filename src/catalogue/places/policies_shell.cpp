#include "catalogue/places/policies_shell.h"

namespace korvane {

std::vector<ValuePlace> PoliciesShellPlaces() {
  ValuePlace user{L"policy", RootKey::CurrentUser,
                  L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"Shell"};
  user.risk = L"Windows starts it as the desktop shell at every logon, in place of Explorer.";
  ValuePlace machine = user;
  machine.root = RootKey::LocalMachine;
  return {user, machine};
}

}  // namespace korvane
