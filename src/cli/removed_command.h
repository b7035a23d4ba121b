#pragma once
// korvanec removed and restore: the undo store from the command line
// (RunRemovedVerb and RunRestoreVerb in cli/verbs.h).
#include <cstdint>
#include <string>

namespace korvane {

// A FILETIME as UTC in ISO 8601, "2026-12-10T03:35:13Z".
std::wstring UtcTimeText(uint64_t file_time);

}  // namespace korvane
