#pragma once
// Image hijacks: the Debugger value of a program's key under Image File
// Execution Options, which Windows starts instead of that program, whenever
// anyone starts it (for both registry views).
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> ImageHijackPlaces();

}  // namespace korvane
