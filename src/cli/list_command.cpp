#include "cli/list_command.h"

#include "cli/verbs.h"
#include "monitor/switching.h"
#include "platform/error.h"

namespace korvane {

namespace {

// Columns that came later stand at the end, where scripts that count
// columns do not meet them.
const std::vector<TableColumn> kListColumns = {
    {L"Name", "name"},          {L"Running", "running", L"Yes", L"No"},
    {L"File name", "fileName"}, {L"Parameters", "parameters"},
    {L"Location", "location"},  {L"Startup", "enabled", L"Enabled", L"Disabled"},
};

}  // namespace

std::string FormatStartupList(const StartupList& list, ListFormat format) {
  std::vector<TableRow> rows;
  for (const StartupEntry& e : list) {
    rows.push_back({e.name, e.running ? L"1" : L"0", e.file_name, e.parameters, e.location,
                    e.enabled ? L"1" : L"0"});
  }
  return FormatTable(kListColumns, rows, format);
}

CommandResult RunListVerb(const Arguments& args) {
  StartupList list;
  try {
    ScanStartupListWithParked(list);
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  return {kExitDone, FormatStartupList(list, args.Format()), {}};
}

}  // namespace korvane
