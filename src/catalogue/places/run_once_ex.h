#pragma once
// The sections of RunOnceEx (RunOnceEx\0001 ...): Windows runs each value of
// each section once, in order, either a command or "||DLL|function|arguments";
// a section's unnamed value is its title.
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> RunOnceExPlaces();

}  // namespace korvane
