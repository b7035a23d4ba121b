#pragma once
// korvanec's commands, apart from the console: arguments in, UTF-8 text and
// an exit code out.
#include <string>
#include <vector>

#include "cli/command.h"

namespace korvane {

// `korvanec --help`: every verb and the exit codes.
std::string KorvanecUsage();

// Runs the verb that `args` (without the program's name) names.
CommandResult RunKorvanec(const std::vector<std::wstring>& args);

}  // namespace korvane
