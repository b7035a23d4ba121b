#pragma once
// korvanec disable and enable: one entry switched off or on.
#include <string>
#include <vector>

#include "cli/list_command.h"

namespace korvane {

// `args` is "disable" or "enable", NAME, and optionally --location TEXT.
CommandResult RunSwitchCommand(const std::vector<std::wstring>& args);

}  // namespace korvane
