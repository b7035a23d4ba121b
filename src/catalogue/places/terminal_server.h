#pragma once
// The Terminal Server install keys: Windows starts their Run, RunOnce and
// RunOnceEx values at logon as it does the machine's own.
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> TerminalServerPlaces();

}  // namespace korvane
