#include "cli/list_command.h"

#include "catalogue/places/place_kind.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "catalogue/signers.h"
#include "cli/verbs.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "ui/list_rules.h"

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

// The kind of place is given by the word scripts match on.
TableRow BaseRow(const StartupEntry& e) {
  const PlaceKind& kind = PlaceOf(e);
  return {e.name,     e.running ? L"1" : L"0", e.file_name,  e.parameters,
          e.location, e.enabled ? L"1" : L"0", kind.Word(e), kind.OwnName(e)};
}

}  // namespace

std::string FormatStartupList(const StartupList& list, ListFormat format,
                              const std::vector<FileFacts>& facts, bool signatures) {
  std::vector<TableColumn> columns = kListColumns;
  columns.push_back({L"Publisher", "publisher"});
  columns.push_back({L"Description", "description"});
  if (signatures) columns.push_back({L"Signature", "signature"});
  columns.push_back({L"Needs administrator", "needsAdministrator", L"Yes", L"No"});
  columns.push_back({L"Windows", "windows", L"Yes", L"No"});
  std::vector<TableRow> rows;
  for (size_t i = 0; i < list.size(); ++i) {
    const StartupEntry& e = list[i];
    const FileFacts* known = i < facts.size() ? &facts[i] : nullptr;
    rows.push_back(BaseRow(e));
    rows.back().push_back(CellText(e, ListColumn::Publisher, known));
    rows.back().push_back(CellText(e, ListColumn::Description, known));
    if (signatures) rows.back().push_back(CellText(e, ListColumn::Signature, known));
    rows.back().push_back(NeedsAdministrator(e) ? L"1" : L"0");
    rows.back().push_back(IsWindowsEntry(e) ? L"1" : L"0");
  }
  return FormatTable(columns, rows, format);
}

std::string FormatStartupList(const StartupList& list, ListFormat format) {
  std::vector<TableRow> rows;
  for (const StartupEntry& e : list) rows.push_back(BaseRow(e));
  return FormatTable(kListColumns, rows, format);
}

CommandResult RunListVerb(const Arguments& args) {
  StartupList list;
  std::wstring unread;
  try {
    ScanStartupListWithParked(list);
  } catch (const SourcesUnread& error) {
    unread = error.Text();
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  // Windows' own entries are told by their signatures, which reads each
  // program file whole once; the signature's text only when asked for.
  SignRows(list, true);
  if (args.Has(L"--hide-windows")) {
    std::erase_if(list, [](const StartupEntry& e) { return IsWindowsEntry(e); });
  }
  const bool signatures = args.Has(L"--verify");
  std::vector<FileFacts> facts;
  facts.reserve(list.size());
  for (const StartupEntry& e : list) facts.push_back(ReadFileFacts(e.file_name, signatures));
  CommandResult result{kExitDone, FormatStartupList(list, args.Format(), facts, signatures), {}};
  if (!unread.empty()) {
    result.exit_code = kExitPartial;
    result.err = ErrorLine(unread);
  }
  return result;
}

}  // namespace korvane
