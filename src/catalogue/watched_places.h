#pragma once
// What the system is asked to watch so that a change to a startup place is
// seen the moment it is made, and which parts of the scan each place holds.
#include <string>
#include <vector>

#include "platform/changes.h"

namespace korvane {

struct WatchedParts {
  WatchedPlace place;
  std::vector<std::wstring> parts;  // ScanPart names
};

// Every startup place that can be watched, each once; where the places are
// is read now (the Startup folders, the 32-bit programs' keys).
std::vector<WatchedParts> WatchedStartupPlaces();

// The part a change to the approvals of the Run keys and Startup folders
// touches: no part of its own, but every scan reads the approvals anew.
extern const wchar_t kApprovalsPart[];

}  // namespace korvane
