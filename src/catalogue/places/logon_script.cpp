#include "catalogue/places/logon_script.h"

namespace korvane {

std::vector<ValuePlace> LogonScriptPlaces() {
  return {{L"logonscript", RootKey::CurrentUser, L"\\Environment", L"UserInitMprLogonScript"}};
}

}  // namespace korvane
