// korvanec delete, run, stop, move and add: the window's commands on
// entries, with the same logic behind them.
#include "catalogue/location.h"
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "catalogue/system_entries.h"
#include "cli/verbs.h"
#include "monitor/parked.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "ui/entry_actions.h"
#include "ui/new_entry.h"

namespace korvane {

namespace {

inline const wchar_t kSkipped[] = L"skipped";

// Each selected row in turn. `act` changes the action where the outcome is
// not plainly done (or, with --dry-run, to be done); a platform error it
// throws fails that row alone.
template <typename Act>
CommandResult ForEachRow(const Arguments& args, const std::wstring& verb, Act act) {
  const Selection selection = ScanAndSelect(args);
  if (selection.error) return *selection.error;
  std::vector<Action> actions;
  for (const StartupEntry& row : selection.rows) {
    Action action{verb, &row, args.Has(L"--dry-run") ? kDryRun : kDone, {}};
    try {
      act(row, action, args.Has(L"--dry-run"));
    } catch (const PlatformError& error) {
      action.outcome = kFailed;
      action.detail = error.Text();
    }
    actions.push_back(action);
  }
  return ActionResult(actions, args.Format());
}

std::optional<MoveTarget> FindMoveTarget(const std::wstring& text) {
  for (MoveTarget target : kMoveTargets) {
    const StartupLocation location = MoveTargetLocation(target);
    if (!location.path.empty() && SameText(LocationText(location), text)) return target;
  }
  return std::nullopt;
}

std::wstring MoveTargetList() {
  std::wstring list;
  for (MoveTarget target : kMoveTargets) {
    const StartupLocation location = MoveTargetLocation(target);
    if (!location.path.empty()) list += (list.empty() ? L"" : L"; ") + LocationText(location);
  }
  return list;
}

// The Location column's text of a new entry's location, as the scan lists it.
std::wstring NewEntryLocationText(const NewEntryLocation& location) {
  switch (location.kind) {
    case NewEntryLocationKind::Registry:
      return std::wstring(RootKeyName(location.root)) + location.key_path;
    case NewEntryLocationKind::StartupFolder:
      return ExcludeTrailingBackslash(StartupFolderPath(
          location.current_user ? StartupFolder::CurrentUser : StartupFolder::AllUsers));
    case NewEntryLocationKind::WinIni:
      return LocationText(WinIniLocations().at(location.load_key ? 1 : 0));
  }
  return {};
}

// The location a caption ("Registry, current user, Run") or a location text
// names.
std::optional<size_t> FindNewEntryLocation(const std::wstring& text) {
  const std::vector<NewEntryLocation>& locations = NewEntryLocations();
  for (size_t i = 0; i < locations.size(); ++i) {
    if (SameText(locations[i].caption, text) ||
        SameText(NewEntryLocationText(locations[i]), text)) {
      return i;
    }
  }
  return std::nullopt;
}

}  // namespace

CommandResult RunDeleteVerb(const Arguments& args) {
  return ForEachRow(args, L"delete", [](const StartupEntry& row, Action& action, bool dry_run) {
    if (dry_run) return;
    const RemovalResult removed = DeleteListedEntry(row, RemovalSource::MainList);
    if (!removed) {
      action.outcome = kFailed;
      action.detail = removed.reason;
    }
  });
}

CommandResult RunRunVerb(const Arguments& args) {
  return ForEachRow(args, L"run", [](const StartupEntry& row, Action& action, bool dry_run) {
    if (!IsSystemEntry(row) && !FileExists(row.file_name)) {
      action.outcome = kSkipped;
      action.detail = L"the program file does not exist";
    } else if (!dry_run) {
      RunEntries({row});
    }
  });
}

CommandResult RunStopVerb(const Arguments& args) {
  return ForEachRow(args, L"stop", [](const StartupEntry& row, Action& action, bool dry_run) {
    if (!row.running) {
      action.outcome = kSkipped;
      action.detail = L"the program is not running";
    } else if (!dry_run) {
      StopEntries({row});
    }
  });
}

CommandResult RunMoveVerb(const Arguments& args) {
  const std::wstring to = *args.Value(L"--to");
  const std::optional<MoveTarget> target = FindMoveTarget(to);
  if (!target) {
    return Failure(kExitUsage, L"--to takes one of these locations: " + MoveTargetList());
  }
  const Selection selection = ScanAndSelect(args);
  if (selection.error) return *selection.error;
  const StartupList& rows = selection.rows;
  const std::wstring target_text = LocationText(MoveTargetLocation(*target));

  std::vector<Action> actions;
  try {
    // A move keeps every entry whole unless told otherwise, as the window's
    // question does.
    const std::wstring loss = MoveLossQuestion(rows, *target);
    if (!loss.empty() && !args.Has(L"--allow-loss")) {
      CommandResult refused = Failure(kExitFailed,
                                      L"the move would lose what the target cannot hold; "
                                      L"nothing was moved (--allow-loss moves anyway):");
      size_t start = 0;
      while (start < loss.size()) {
        size_t end = loss.find(L'\n', start);
        if (end == std::wstring::npos) end = loss.size();
        std::wstring line = loss.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (!line.empty()) refused.err += "  " + TextField(line) + "\n";
        start = end + 1;
      }
      return refused;
    }
    if (args.Has(L"--dry-run")) {
      for (const StartupEntry& row : rows) {
        const bool there = row.location == target_text;
        actions.push_back({L"move", &row, there ? kUnchanged : kDryRun, there ? L"" : target_text});
      }
      return ActionResult(actions, args.Format());
    }
    const MoveResult result = MoveStartupEntries(rows, *target);
    FollowMovedEntries(rows, result, *target);
    // What the move wrote is the user's own doing, not a new entry to report.
    const std::vector<std::wstring> moved = MovedFileNames(rows, result);
    AddToSavedList(moved);
    AcceptPlacedEntries([&](const StartupEntry& row) {
      return row.location == target_text &&
             std::any_of(moved.begin(), moved.end(),
                         [&](const std::wstring& name) { return SameText(name, row.file_name); });
    });
    for (size_t i = 0; i < rows.size() && i < result.size(); ++i) {
      const RowMove& move = result[i];
      switch (move.outcome) {
        case MoveOutcome::AlreadyThere:
          actions.push_back({L"move", &rows[i], kUnchanged, {}});
          break;
        case MoveOutcome::Moved:
          actions.push_back({L"move", &rows[i], kDone, move.written});
          break;
        case MoveOutcome::NotMoved:
          actions.push_back({L"move", &rows[i], kFailed, move.reason});
          break;
        case MoveOutcome::OldKept:
          actions.push_back(
              {L"move", &rows[i], kFailed,
               L"written to " + move.written + L", but the old entry stays: " + move.reason});
          break;
      }
    }
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  return ActionResult(actions, args.Format());
}

CommandResult RunAddVerb(const Arguments& args) {
  const std::wstring where = *args.Value(L"--location");
  const std::optional<size_t> index = FindNewEntryLocation(where);
  if (!index) {
    std::wstring captions;
    for (const NewEntryLocation& l : NewEntryLocations()) {
      captions += (captions.empty() ? L"\"" : L", \"") + std::wstring(l.caption) + L"\"";
    }
    return Failure(kExitUsage, L"--location takes a location as listed, or one of " + captions);
  }
  NewEntry typed{args.words.at(0), args.words.at(1), args.Value(L"--parameters").value_or(L""),
                 *index};
  const NewEntryLocation& location = NewEntryLocations()[*index];
  if (location.kind == NewEntryLocationKind::WinIni && !typed.parameters.empty()) {
    return Failure(kExitUsage, L"win.ini takes one file name without parameters");
  }
  try {
    const NewEntryCheck check = CheckNewEntry(typed);
    if (check.verdict == NewEntryVerdict::Refuse) return Failure(kExitUsage, check.text);
    const NewEntry& entry = check.entry;
    StartupEntry row{
        entry.title, false, entry.file_name, entry.parameters, NewEntryLocationText(location),
        {},          true,  std::nullopt};
    std::wstring detail;
    if (check.verdict == NewEntryVerdict::AskReplace) {
      if (!args.Has(L"--replace")) {
        return Failure(kExitFailed, L"an entry \"" + entry.title + L"\" exists already in " +
                                        row.location + L"; --replace writes over it");
      }
      // PlaceNewEntry keeps the old entry in the undo store before it writes,
      // and writes nothing when it can't.
      detail = L"replaces the entry of that name";
    }
    if (args.Has(L"--dry-run"))
      return ActionResult({{L"add", &row, kDryRun, detail}}, args.Format());
    PlaceNewEntry(entry);
    // Added here on purpose: the window does not report it as new.
    AddToSavedList({entry.file_name});
    AcceptPlacedEntries([&](const StartupEntry& placed) {
      return placed.location == row.location && SameText(placed.file_name, entry.file_name);
    });
    // As "Start after addition": a program that runs already is not started twice.
    if (args.Has(L"--start") && TWindowsAPI::Instance().FindProcessFile(entry.file_name) < 0) {
      StartNewEntry(entry);
    }
    return ActionResult({{L"add", &row, kDone, detail}}, args.Format());
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
}

}  // namespace korvane
