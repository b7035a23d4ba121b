#pragma once
#include "catalogue/entry.h"

namespace korvane {

// Empties `list` and refills it from the 27 locations in scan order. When the
// platform layer throws, the rows added so far stay in `list` and the error
// goes on to the caller.
void ScanStartupList(StartupList& list);

}  // namespace korvane
