#pragma once
// The shell that a policy sets for the user or the machine: Windows starts
// it at logon in place of the one Winlogon names.
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> PoliciesShellPlaces();

}  // namespace korvane
