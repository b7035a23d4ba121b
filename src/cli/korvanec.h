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

// Where a verb that runs until it is stopped (watch) writes as it goes; the
// console's program sets both. Without them what it writes is kept in its
// result, as every other verb's is.
using LiveWriter = void (*)(const std::string& bytes);
void SetLiveOutput(LiveWriter out, LiveWriter err);
void WriteOutput(CommandResult& result, const std::string& text);
void WriteError(CommandResult& result, const std::wstring& text);

}  // namespace korvane
