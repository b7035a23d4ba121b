#include "cli/list_command.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "catalogue/scan.h"
#include "cli/removed_command.h"
#include "cli/switch_command.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

const char kKorvanecUsage[] =
    "usage: korvanec list [--format text|csv|json]\n"
    "  Lists the programs that Windows starts, in the order it finds them.\n"
    "  The text form shows control characters as escapes (\\t, \\r, \\n, \\xHH)\n"
    "  and keeps backslashes as they are: take exact values from csv or json.\n"
    "       korvanec disable NAME [--location TEXT]\n"
    "       korvanec enable NAME [--location TEXT]\n"
    "  Switches the entry named NAME off or on without deleting it (an empty\n"
    "  NAME is the unnamed default value); --location takes the location as\n"
    "  listed and picks one entry when several share the name.\n"
    "       korvanec removed [--format text|csv|json]\n"
    "  Lists the entries Korvane removed and keeps for restoring, newest\n"
    "  first, each with its id (times in UTC).\n"
    "       korvanec restore ID... [--replace | --rename]\n"
    "  Puts the removed entries back exactly as they were. When another entry\n"
    "  took the name, --replace writes over it (keeping it for restoring) and\n"
    "  --rename restores beside it as \"Name (2)\".\n"
    "exit codes: 0 done; 1 no such entry or record; 2 usage error, or several entries\n"
    "  match (listed on standard error); 3 the change failed (the reason on\n"
    "  standard error).\n";

namespace {

// Text columns are TAB-separated and read on a terminal, so no control
// character of a name or command reaches it raw: a row could break the table
// or hide itself with escape sequences. A backslash stays a backslash.
std::string TextField(const std::wstring& field) {
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

std::string JsonString(const std::wstring& field) {
  std::string out = "\"";
  for (char c : ToUtf8(field)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string Row(const std::vector<std::string>& fields, const char* separator, const char* end) {
  std::string row;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) row += separator;
    row += fields[i];
  }
  return row + end;
}

std::vector<std::wstring> Columns(const StartupEntry& e) {
  return {e.name,     e.running ? L"Yes" : L"No",          e.file_name, e.parameters,
          e.location, e.enabled ? L"Enabled" : L"Disabled"};
}

// Columns that came later stand at the end, where scripts that count
// columns do not meet them.
const std::vector<Column> kListColumns = {{L"Name", "name"},          {L"Running", "running"},
                                          {L"File name", "fileName"}, {L"Parameters", "parameters"},
                                          {L"Location", "location"},  {L"Startup", "enabled"}};

std::string Json(const StartupList& list) {
  std::string out = "[";
  for (size_t i = 0; i < list.size(); ++i) {
    const StartupEntry& e = list[i];
    out += i ? ",\n  " : "\n  ";
    out += "{\"name\": " + JsonString(e.name) + ", \"running\": " + (e.running ? "true" : "false") +
           ", \"fileName\": " + JsonString(e.file_name) +
           ", \"parameters\": " + JsonString(e.parameters) +
           ", \"location\": " + JsonString(e.location) +
           ", \"enabled\": " + (e.enabled ? "true" : "false") + "}";
  }
  return out + (list.empty() ? "]\n" : "\n]\n");
}

}  // namespace

std::string FormatTable(const std::vector<Column>& columns,
                        const std::vector<std::vector<std::wstring>>& rows, ListFormat format) {
  if (format == ListFormat::Json) {
    std::string out = "[";
    for (size_t i = 0; i < rows.size(); ++i) {
      out += i ? ",\n  {" : "\n  {";
      for (size_t c = 0; c < columns.size() && c < rows[i].size(); ++c) {
        out += (c ? ", \"" : "\"") + std::string(columns[c].key) + "\": " + JsonString(rows[i][c]);
      }
      out += "}";
    }
    return out + (rows.empty() ? "]\n" : "\n]\n");
  }
  const bool csv = format == ListFormat::Csv;
  auto line = [&](const std::vector<std::wstring>& cells) {
    std::vector<std::string> fields;
    for (const std::wstring& cell : cells) fields.push_back(csv ? CsvField(cell) : TextField(cell));
    return Row(fields, csv ? "," : "\t", csv ? "\r\n" : "\n");
  };
  std::vector<std::wstring> header;
  for (const Column& column : columns) header.push_back(column.title);
  std::string out = line(header);
  for (const auto& row : rows) out += line(row);
  return out;
}

std::optional<ListFormat> ParseListFormat(const std::wstring& name) {
  if (name == L"text") return ListFormat::Text;
  if (name == L"csv") return ListFormat::Csv;
  if (name == L"json") return ListFormat::Json;
  return std::nullopt;
}

std::string FormatStartupList(const StartupList& list, ListFormat format) {
  if (format == ListFormat::Json) return Json(list);
  std::vector<std::vector<std::wstring>> rows;
  for (const StartupEntry& e : list) rows.push_back(Columns(e));
  return FormatTable(kListColumns, rows, format);
}

CommandResult RunKorvanec(const std::vector<std::wstring>& args) {
  if (args.size() == 1 && (args[0] == L"--help" || args[0] == L"-h" || args[0] == L"/?")) {
    return {0, kKorvanecUsage, {}};
  }
  if (!args.empty() && (args[0] == L"disable" || args[0] == L"enable")) {
    return RunSwitchCommand(args);
  }
  if (!args.empty() && args[0] == L"removed") return RunRemovedCommand(args);
  if (!args.empty() && args[0] == L"restore") return RunRestoreCommand(args);
  std::optional<ListFormat> format = ListFormat::Text;
  if (args.empty() || args[0] != L"list") format.reset();
  if (args.size() == 3 && args[1] == L"--format") {
    format = format ? ParseListFormat(args[2]) : std::nullopt;
  } else if (args.size() != 1) {
    format.reset();
  }
  if (!format) return {2, {}, kKorvanecUsage};

  StartupList list;
  try {
    ScanStartupListWithParked(list);
  } catch (const PlatformError& error) {
    return {1, {}, "korvanec: " + ToUtf8(error.Text()) + "\n"};
  } catch (const std::exception& error) {
    return {1, {}, std::string("korvanec: ") + error.what() + "\n"};
  }
  return {0, FormatStartupList(list, *format), {}};
}

}  // namespace korvane
