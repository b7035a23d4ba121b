#pragma once
// korvanec's commands, apart from the console: arguments in, UTF-8 text and
// an exit code out.
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

enum class ListFormat { Text, Csv, Json };

// The list as `korvanec list` prints it, header included (none for JSON).
std::string FormatStartupList(const StartupList& list, ListFormat format);

extern const char kKorvanecUsage[];

struct CommandResult {
  int exit_code = 0;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the command that `args` (without the program's name) asks for:
// 0 on success, 1 when the platform layer fails, 2 for a bad command line.
CommandResult RunKorvanec(const std::vector<std::wstring>& args);

}  // namespace korvane
