#include "cli/removed_command.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "catalogue/undo_store.h"
#include "cli/snapshot.h"
#include "cli/verbs.h"
#include "monitor/restored.h"
#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

namespace {

std::string Line(const std::wstring& text) {
  return ErrorLine(text);
}

const std::vector<TableColumn> kRemovedColumns = {{L"Id", "id"},
                                                  {L"When", "when"},
                                                  {L"Name", "name"},
                                                  {L"File name", "fileName"},
                                                  {L"Parameters", "parameters"},
                                                  {L"Location", "location"},
                                                  {L"How", "how"}};

}  // namespace

std::wstring UtcTimeText(uint64_t file_time) {
  // A FILETIME counts 100 ns from 1601-01-01, the Unix clock seconds from 1970.
  constexpr int64_t kSeconds1601To1970 = 11644473600;
  return IsoTimeUtc(static_cast<int64_t>(file_time / 10000000) - kSeconds1601To1970);
}

CommandResult RunRemovedVerb(const Arguments& args) {
  std::vector<TableRow> rows;
  for (const RemovedEntry& entry : ReadRemovedEntries()) {
    const StartupEntry& row = entry.record.row;
    rows.push_back({entry.id, UtcTimeText(entry.record.when), row.name, row.file_name,
                    row.parameters, row.location, RemovalWayText(entry.record)});
  }
  return {0, FormatTable(kRemovedColumns, rows, args.Format()), {}};
}

CommandResult RunRestoreVerb(const Arguments& args) {
  if (args.Has(L"--replace") && args.Has(L"--rename")) {
    return Failure(kExitUsage, L"--replace and --rename exclude each other");
  }
  const RestoreTaken taken = args.Has(L"--replace")  ? RestoreTaken::Replace
                             : args.Has(L"--rename") ? RestoreTaken::Rename
                                                     : RestoreTaken::Ask;
  const std::vector<std::wstring>& ids = args.words;
  CommandResult result;
  std::vector<RemovedEntry> chosen;
  try {
    const std::vector<RemovedEntry> kept = ReadRemovedEntries();
    for (const std::wstring& id : ids) {
      auto found = std::find_if(kept.begin(), kept.end(),
                                [&](const RemovedEntry& entry) { return entry.id == id; });
      if (found != kept.end()) {
        chosen.push_back(*found);
      } else {
        result.exit_code = 1;
        result.err += Line(id + L": no such record.");
      }
    }
    if (args.Has(L"--dry-run")) {
      std::vector<Action> actions;
      for (const RemovedEntry& entry : chosen) {
        actions.push_back({L"restore", &entry.record.row, kDryRun, entry.id});
      }
      CommandResult dry = ActionResult(actions, args.Format());
      dry.exit_code = result.exit_code;
      dry.err = result.err;
      return dry;
    }
    const RestoreReport report = RestoreRemoved(chosen, [&](const RemovedEntry&) {
      return taken == RestoreTaken::Ask ? std::nullopt : std::optional(taken);
    });
    if (report.restored.size() + report.errors.size() < chosen.size()) {
      result.exit_code = 3;
      result.err += Line(
          L"an entry's place is taken by another entry of that name: use --replace "
          L"to write over it or --rename to restore it beside it.");
    }
    for (const std::wstring& error : report.errors) {
      result.exit_code = 3;
      result.err += Line(error);
    }
    for (const StartupEntry& row : report.blacklisted) {
      result.err += Line(L"warning: " + EntryInItsPlace(row) +
                         L" starts a program on the blacklist; the next refresh removes it again.");
    }
  } catch (const PlatformError& error) {
    result.exit_code = 3;
    result.err += Line(error.Text());
  }
  return result;
}

}  // namespace korvane
