#pragma once
// korvanec list: the startup list as the window shows it.
#include <string>

#include "catalogue/entry.h"
#include "cli/command.h"

namespace korvane {

// The list as `korvanec list` prints it, header included (none for JSON).
std::string FormatStartupList(const StartupList& list, ListFormat format);

}  // namespace korvane
