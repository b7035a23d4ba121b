#pragma once
// BootExecute: the native programs that the Session Manager runs at boot,
// before anyone logs on, one per string; Windows' own checks the disks.
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> BootExecutePlaces();

}  // namespace korvane
