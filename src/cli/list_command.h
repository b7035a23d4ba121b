#pragma once
// korvanec's commands, apart from the console: arguments in, UTF-8 text and
// an exit code out.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

enum class ListFormat { Text, Csv, Json };

// The list as `korvanec list` prints it, header included (none for JSON).
std::string FormatStartupList(const StartupList& list, ListFormat format);

// A column of a table that korvanec prints: its title in text and csv, its
// key in json.
struct Column {
  const wchar_t* title;
  const char* key;
};
// Rows of texts as a table: a header line and TAB-separated escaped fields
// (text), RFC 4180 fields (csv), or an array of objects of strings (json).
std::string FormatTable(const std::vector<Column>& columns,
                        const std::vector<std::vector<std::wstring>>& rows, ListFormat format);
// "text", "csv" or "json"; nothing for any other name.
std::optional<ListFormat> ParseListFormat(const std::wstring& name);

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
