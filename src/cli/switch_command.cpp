// korvanec disable and enable: entries switched off or on without deleting them.
#include "cli/verbs.h"
#include <algorithm>

#include "monitor/snapshot.h"
#include "monitor/switching.h"
#include "platform/error.h"

namespace korvane {

Selection ScanAndSelect(const Arguments& args) {
  StartupList list;
  try {
    ScanStartupListWithParked(list);
  } catch (const PlatformError& error) {
    return {{}, Failure(kExitFailed, error.Text())};
  }
  return SelectRows(list, args);
}

CommandResult RunSwitchVerb(const Arguments& args, bool on) {
  const Selection selection = ScanAndSelect(args);
  if (selection.error) return *selection.error;
  const std::wstring verb = on ? L"enable" : L"disable";
  std::vector<Action> actions;
  StartupList to_switch;
  for (const StartupEntry& row : selection.rows) {
    actions.push_back({verb, &row, row.enabled == on ? kUnchanged : kDryRun, {}});
    if (row.enabled != on) to_switch.push_back(row);
  }
  if (!args.Has(L"--dry-run")) {
    try {
      const std::vector<SwitchFailure> failures = SwitchStartupEntries(to_switch, on);
      // What korvanec switched on is not "enabled again" in the window.
      if (on) {
        std::vector<std::wstring> switched;
        for (const StartupEntry& row : to_switch) switched.push_back(EntryIdentity(row));
        AcceptPlacedEntries([&](const StartupEntry& row) {
          return row.enabled &&
                 std::find(switched.begin(), switched.end(), EntryIdentity(row)) != switched.end();
        });
      }
      for (Action& action : actions) {
        if (action.outcome == kUnchanged) continue;
        action.outcome = kDone;
        for (const SwitchFailure& failure : failures) {
          if (failure.name == action.row->name && failure.location == action.row->location) {
            action.outcome = kFailed;
            action.detail = failure.reason;
          }
        }
      }
    } catch (const PlatformError& error) {
      for (Action& action : actions) {
        if (action.outcome == kUnchanged) continue;
        action.outcome = kFailed;
        action.detail = error.Text();
      }
    }
  }
  return ActionResult(actions, args.Format());
}

}  // namespace korvane
