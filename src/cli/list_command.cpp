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
    {L"Kind", "kind"},          {L"Service", "service"},
};

// What kind of place the entry is in, by the word scripts match on.
std::wstring KindOf(const EntrySource& source) {
  static const wchar_t* const kKinds[] = {L"", L"registry", L"folder", L"ini", L"task", L"service"};
  return kKinds[source.index()];
}

}  // namespace

std::string FormatStartupList(const StartupList& list, ListFormat format) {
  std::vector<TableRow> rows;
  for (const StartupEntry& e : list) {
    const auto* service = std::get_if<ServiceSource>(&e.source);
    rows.push_back({e.name, e.running ? L"1" : L"0", e.file_name, e.parameters, e.location,
                    e.enabled ? L"1" : L"0", KindOf(e.source), service ? service->name : L""});
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
