#include "cli/command.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "catalogue/rights.h"
#include "platform/text.h"

namespace korvane {

std::optional<std::wstring> Arguments::Value(const std::wstring& name) const {
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

ListFormat Arguments::Format() const {
  const std::optional<std::wstring> format = Value(L"--format");
  if (format == L"csv") return ListFormat::Csv;
  if (format == L"json") return ListFormat::Json;
  return ListFormat::Text;
}

std::optional<Arguments> ParseArguments(const std::vector<std::wstring>& args,
                                        const VerbOptions& options, std::wstring& error) {
  Arguments parsed;
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (!options_end && arg == L"--") {
      options_end = true;
    } else if (!options_end && arg.size() > 1 && arg[0] == L'-') {
      if (options.switches.count(arg)) {
        parsed.switches.insert(arg);
      } else if (options.with_value.count(arg)) {
        if (i + 1 >= args.size()) {
          error = arg + L" needs a value";
          return std::nullopt;
        }
        if (parsed.values.count(arg)) {
          error = arg + L" is given twice";
          return std::nullopt;
        }
        parsed.values[arg] = args[++i];
      } else {
        error = L"unknown option " + arg;
        return std::nullopt;
      }
    } else {
      parsed.words.push_back(arg);
    }
  }
  if (parsed.words.size() < options.min_words) {
    error = L"too few arguments";
    return std::nullopt;
  }
  if (parsed.words.size() > options.max_words) {
    error = L"unexpected argument \"" + parsed.words[options.max_words] + L"\"";
    return std::nullopt;
  }
  for (const std::wstring& name : options.required) {
    if (!parsed.Value(name)) {
      error = name + L" is required";
      return std::nullopt;
    }
  }
  if (const auto format = parsed.Value(L"--format");
      format && *format != L"text" && *format != L"csv" && *format != L"json") {
    error = L"--format takes text, csv or json, not \"" + *format + L"\"";
    return std::nullopt;
  }
  return parsed;
}

std::string TextField(const std::wstring& field) {
  // Text columns are TAB-separated and read on a terminal, so no control
  // character of a name or command reaches it raw: a row could break the
  // table or hide itself with escape sequences. A backslash stays a backslash.
  std::string out;
  for (char c : ToUtf8(field)) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    }
  }
  return out;
}

std::string CsvField(const std::wstring& field) {
  std::string text = ToUtf8(field);
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string ErrorLine(const std::wstring& text) {
  return "korvanec: " + TextField(text) + "\n";
}

CommandResult Failure(int exit_code, const std::wstring& text) {
  return {exit_code, {}, ErrorLine(text)};
}

namespace {

std::string Delimited(const std::vector<TableColumn>& columns, const std::vector<TableRow>& rows,
                      std::string (*field)(const std::wstring&), const char* separator,
                      const char* end) {
  std::string out;
  auto add = [&](size_t i, const std::wstring& text) {
    if (i) out += separator;
    out += field(text);
  };
  for (size_t i = 0; i < columns.size(); ++i) add(i, columns[i].header);
  out += end;
  for (const TableRow& row : rows) {
    for (size_t i = 0; i < columns.size(); ++i) {
      const std::wstring& cell = i < row.size() ? row[i] : std::wstring();
      if (columns[i].yes) {
        add(i, cell == L"1" ? columns[i].yes : columns[i].no);
      } else {
        add(i, cell);
      }
    }
    out += end;
  }
  return out;
}

}  // namespace

std::string FormatTable(const std::vector<TableColumn>& columns, const std::vector<TableRow>& rows,
                        ListFormat format) {
  switch (format) {
    case ListFormat::Text:
      return Delimited(columns, rows, TextField, "\t", "\n");
    case ListFormat::Csv:
      return Delimited(columns, rows, CsvField, ",", "\r\n");
    case ListFormat::Json:
      break;
  }
  // One object a line: a script can read it whole, a person can read it too.
  std::string out = "[";
  for (size_t r = 0; r < rows.size(); ++r) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (size_t i = 0; i < columns.size(); ++i) {
      const std::wstring& cell = i < rows[r].size() ? rows[r][i] : std::wstring();
      if (columns[i].yes) {
        object[columns[i].key] = cell == L"1";
      } else {
        object[columns[i].key] = ToUtf8(cell);
      }
    }
    out += r ? ",\n  " : "\n  ";
    out += object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
  return out + (rows.empty() ? "]\n" : "\n]\n");
}

namespace {

// Each LOCATION PLACE pair names one entry exactly; every pair must find its
// entry, or nothing is done (the list changed since the pairs were taken).
Selection SelectExactRows(const StartupList& list, const Arguments& args) {
  Selection selection;
  if (args.words.size() % 2 != 0 || args.Value(L"--location") || args.Has(L"--all")) {
    selection.error = Failure(kExitUsage,
                              L"--exact takes pairs of LOCATION PLACE, and neither "
                              L"--location nor --all");
    return selection;
  }
  for (size_t i = 0; i < args.words.size(); i += 2) {
    const std::wstring identity = AsciiUpper(args.words[i] + L"\n" + args.words[i + 1]);
    const auto found = std::find_if(list.begin(), list.end(), [&](const StartupEntry& row) {
      return EntryIdentity(row) == identity;
    });
    if (found == list.end()) {
      selection.error = Failure(kExitNothingMatched, L"no startup entry " + args.words[i + 1] +
                                                         L" in " + args.words[i] + L" was found.");
      return selection;
    }
    selection.rows.push_back(*found);
  }
  return selection;
}

}  // namespace

Selection SelectRows(const StartupList& list, const Arguments& args) {
  if (args.Has(L"--exact")) return SelectExactRows(list, args);
  Selection selection;
  if (args.words.size() != 1) {
    selection.error = Failure(kExitUsage, L"unexpected argument \"" + args.words.at(1) + L"\"");
    return selection;
  }
  const std::wstring& name = args.words.at(0);
  const std::optional<std::wstring> location = args.Value(L"--location");
  for (const StartupEntry& row : list) {
    if (SameText(row.name, name) && (!location || SameText(row.location, *location))) {
      selection.rows.push_back(row);
    }
  }
  if (selection.rows.empty()) {
    std::wstring text = L"no startup entry \"" + name + L"\"";
    if (location) text += L" in " + *location;
    selection.error = Failure(kExitNothingMatched, text + L" was found.");
  } else if (selection.rows.size() > 1 && !args.Has(L"--all")) {
    CommandResult error = Failure(kExitUsage, L"several startup entries are named \"" + name +
                                                  L"\"; choose one with --location, or all "
                                                  L"with --all:");
    for (const StartupEntry& row : selection.rows) {
      error.err += "  " + TextField(row.location) + "\n";
    }
    selection.error = error;
  }
  return selection;
}

CommandResult ActionResult(const std::vector<Action>& actions, ListFormat format) {
  static const std::vector<TableColumn> columns = {
      {L"Action", "action"},     {L"Name", "name"},       {L"File name", "fileName"},
      {L"Location", "location"}, {L"Outcome", "outcome"}, {L"Detail", "detail"}};
  CommandResult result;
  std::vector<TableRow> rows;
  for (const Action& action : actions) {
    const StartupEntry empty;
    const StartupEntry& row = action.row ? *action.row : empty;
    rows.push_back(
        {action.verb, row.name, row.file_name, row.location, action.outcome, action.detail});
    if (action.outcome == kFailed) {
      result.exit_code = kExitFailed;
      std::wstring line =
          action.verb + L" \"" + row.name + L"\" (" + row.location + L") failed: " + action.detail;
      if (action.detail == kNeedsAdministrator) {
        line += L" Run korvanec again from a command prompt opened with \"Run as administrator\".";
      }
      result.err += ErrorLine(line);
    }
  }
  result.out = FormatTable(columns, rows, format);
  return result;
}

}  // namespace korvane
