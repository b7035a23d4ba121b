// korvanec blacklist list, add and remove.
#include "cli/verbs.h"
#include "monitor/blacklist.h"
#include "monitor/blacklist_rows.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

CommandResult KeyUnavailable() {
  return Failure(kExitFailed,
                 std::wstring(L"cannot open the registry key HKEY_CURRENT_USER") + kBlacklistKey);
}

}  // namespace

CommandResult RunBlacklistListVerb(const Arguments& args) {
  static const std::vector<TableColumn> columns = {{L"File name", "fileName"},
                                                   {L"Found", "found", L"Yes", L"No"}};
  try {
    const std::optional<std::vector<std::wstring>> names = ReadBlacklist();
    if (!names) return KeyUnavailable();
    std::vector<TableRow> rows;
    for (const std::wstring& name : *names) {
      rows.push_back({name, FileExists(name) ? L"1" : L"0"});
    }
    return {kExitDone, FormatTable(columns, rows, args.Format()), {}};
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
}

CommandResult RunBlacklistAddVerb(const Arguments& args) {
  const Selection selection = ScanAndSelect(args);
  if (selection.error) return *selection.error;
  const StartupList& rows = selection.rows;
  std::vector<Action> actions;
  if (args.Has(L"--dry-run")) {
    for (const StartupEntry& row : rows) {
      actions.push_back({L"blacklist", &row, kDryRun, L"on the blacklist, removed from startup"});
    }
    return ActionResult(actions, args.Format());
  }
  try {
    std::vector<std::wstring> names;
    for (const StartupEntry& row : rows) names.push_back(row.file_name);
    if (!AddToBlacklist(names)) return KeyUnavailable();
    // As the window's refresh does next: every entry of a program now on the
    // blacklist leaves startup, and removed.txt lists them.
    const std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist();
    if (!blacklist) return KeyUnavailable();
    StartupList list;
    ScanStartupListWithParked(list);
    RemovalFailures failures;
    const Enforcement enforcement = RemoveBlacklisted(list, *blacklist, failures);
    if (!enforcement.removed.empty()) {
      try {
        WriteRemovedFile(enforcement.removed);
      } catch (const PlatformError&) {
        // The list of removed programs is a convenience; the removal stands.
      }
    }
    StartupList after;
    ScanStartupListWithParked(after);
    for (const StartupEntry& row : rows) {
      bool stays = false;
      for (const StartupEntry& now : after) {
        stays = stays || EntryIdentity(now) == EntryIdentity(row);
      }
      actions.push_back({L"blacklist", &row, stays ? kFailed : kDone,
                         stays ? L"on the blacklist, but the entry could not be removed"
                               : L"on the blacklist, removed from startup"});
    }
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  return ActionResult(actions, args.Format());
}

CommandResult RunBlacklistRemoveVerb(const Arguments& args) {
  try {
    const std::optional<std::vector<std::wstring>> names = ReadBlacklist();
    if (!names) return KeyUnavailable();
    std::vector<StartupEntry> rows;
    std::vector<std::wstring> stored;
    std::string missing;
    for (const std::wstring& word : args.words) {
      bool found = false;
      for (const std::wstring& name : *names) {
        if (SameText(name, word)) {
          StartupEntry row;
          row.file_name = name;
          rows.push_back(row);
          stored.push_back(name);
          found = true;
        }
      }
      if (!found) missing += ErrorLine(L"\"" + word + L"\" is not on the blacklist.");
    }
    if (rows.empty()) return {kExitNothingMatched, {}, missing};
    if (!args.Has(L"--dry-run")) RemoveFromBlacklist(stored);
    std::vector<Action> actions;
    for (const StartupEntry& row : rows) {
      actions.push_back({L"unblacklist", &row, args.Has(L"--dry-run") ? kDryRun : kDone, {}});
    }
    CommandResult result = ActionResult(actions, args.Format());
    result.err = missing + result.err;
    return result;
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
}

}  // namespace korvane
