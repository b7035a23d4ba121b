#pragma once
// The shape every korvanec verb shares: its command line (positional words,
// options with a value, switches), how it names startup entries, its output
// in text, csv or json, and its exit code.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

// The same for every verb; `korvanec --help` and the README list them.
enum ExitCode {
  kExitDone = 0,
  kExitNothingMatched = 1,  // for compare: differences were found
  kExitUsage = 2,           // a bad command line, or input that can't be read
  kExitFailed = 3,          // the change (or reading the system) failed
  kExitPartial = 4,         // listed, but the scheduler or the service manager could not be read
};

struct CommandResult {
  int exit_code = 0;
  std::string out;  // standard output
  std::string err;  // standard error
};

enum class ListFormat { Text, Csv, Json };

// What a verb accepts beside its words.
struct VerbOptions {
  std::set<std::wstring> with_value;  // "--location", "--format", ...
  std::set<std::wstring> switches;    // "--all", "--dry-run", ...
  size_t min_words = 0, max_words = 0;
  std::set<std::wstring> required;  // options with a value that must be given
};

struct Arguments {
  std::vector<std::wstring> words;  // positional, in order
  std::map<std::wstring, std::wstring> values;
  std::set<std::wstring> switches;

  bool Has(const std::wstring& name) const { return switches.count(name) != 0; }
  std::optional<std::wstring> Value(const std::wstring& name) const;
  ListFormat Format() const;  // --format, text by default (checked by ParseArguments)
};

// Parses what follows the verb. "--" ends the options, so that a NAME may
// start with a dash. Nothing, with the reason in `error`, for a word or
// option the verb does not take.
std::optional<Arguments> ParseArguments(const std::vector<std::wstring>& args,
                                        const VerbOptions& options, std::wstring& error);

// One error line: "korvanec: TEXT\n", its control characters escaped.
std::string ErrorLine(const std::wstring& text);
CommandResult Failure(int exit_code, const std::wstring& text);

// A field of the text form (control characters as \t, \r, \n, \xHH; a
// backslash stays one), and of the csv form (quoted when it must be).
std::string TextField(const std::wstring& field);
std::string CsvField(const std::wstring& field);

// A table in one of the three forms: text and csv with a header row, json as
// an array of objects keyed by `keys`. A cell is text, or a truth value that
// text and csv show as `yes` / `no` words of its column.
struct TableColumn {
  const wchar_t* header;
  const char* key;
  const wchar_t* yes = nullptr;  // set for a column of truth values
  const wchar_t* no = nullptr;
};
using TableRow = std::vector<std::wstring>;  // truth values as L"1" / L"0"
std::string FormatTable(const std::vector<TableColumn>& columns, const std::vector<TableRow>& rows,
                        ListFormat format);

// The rows that NAME (with --location TEXT) names, in scan order: every row
// when --all is given, else exactly one. An error result when none matches
// (exit 1) or several do without --all (exit 2, the rows on standard error).
struct Selection {
  StartupList rows;
  std::optional<CommandResult> error;
};
Selection SelectRows(const StartupList& list, const Arguments& args);

// What a changing verb did (or, with --dry-run, would do) to each row.
struct Action {
  std::wstring verb;  // "delete", "move", ...
  const StartupEntry* row = nullptr;
  std::wstring outcome;  // "done", "dry run", "unchanged", "failed"
  std::wstring detail;   // where to, or why
};
// The actions as a table; exit 3 and one error line per failed action when
// any failed, else 0.
CommandResult ActionResult(const std::vector<Action>& actions, ListFormat format);

inline const wchar_t kDone[] = L"done";
inline const wchar_t kDryRun[] = L"dry run";
inline const wchar_t kUnchanged[] = L"unchanged";
inline const wchar_t kFailed[] = L"failed";

}  // namespace korvane
