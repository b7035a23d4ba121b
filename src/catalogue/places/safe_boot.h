#pragma once
// The shell of Safe Mode with Command Prompt: SafeBoot's AlternateShell.
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> SafeBootPlaces();

}  // namespace korvane
