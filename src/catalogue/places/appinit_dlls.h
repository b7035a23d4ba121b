#pragma once
// AppInit_DLLs: DLLs that Windows loads into every program that uses
// user32.dll, unless LoadAppInit_DLLs is 0 (for both registry views).
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> AppInitDllPlaces();

}  // namespace korvane
