#pragma once
// The user's logon script, which Windows runs at each logon: the
// UserInitMprLogonScript value of the user's environment.
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> LogonScriptPlaces();

}  // namespace korvane
