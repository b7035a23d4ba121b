#pragma once
// korvanec removed and restore: the undo store from the command line.
#include <string>
#include <vector>

#include "cli/list_command.h"

namespace korvane {

// `args` is "removed" and optionally --format text|csv|json.
CommandResult RunRemovedCommand(const std::vector<std::wstring>& args);
// `args` is "restore", then one or more record ids as `removed` lists them,
// and optionally --replace or --rename for an entry whose place is taken.
CommandResult RunRestoreCommand(const std::vector<std::wstring>& args);

// A FILETIME as UTC in ISO 8601, "2026-12-10T03:35:13Z".
std::wstring UtcTimeText(uint64_t file_time);

}  // namespace korvane
