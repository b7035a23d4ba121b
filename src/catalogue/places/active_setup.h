#pragma once
// Active Setup: each installed component's StubPath, which Windows runs once
// for each user at logon, before the desktop (for both registry views).
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> ActiveSetupPlaces();

}  // namespace korvane
