#pragma once
// Moving startup entries to another location without losing or changing any.
//
// A move is two passes over the rows. The first writes each row's entry into
// the target; the second removes the old entry of every row that now exists
// in the target. A row whose write failed keeps its old entry.
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/location.h"

namespace korvane {

// The places "Move to" offers, in menu order.
enum class MoveTarget {
  CurrentUserRun,
  CurrentUserRunOnce,
  AllUsersRun,
  AllUsersRunServices,
  AllUsersRunOnce,
  AllUsersRunServicesOnce,
  CurrentUserStartup,
  AllUsersStartup,
};

inline constexpr MoveTarget kMoveTargets[] = {
    MoveTarget::CurrentUserRun,     MoveTarget::CurrentUserRunOnce,
    MoveTarget::AllUsersRun,        MoveTarget::AllUsersRunServices,
    MoveTarget::AllUsersRunOnce,    MoveTarget::AllUsersRunServicesOnce,
    MoveTarget::CurrentUserStartup, MoveTarget::AllUsersStartup,
};

// The target as a location: a registry key (its path with a leading
// backslash), or a Startup folder read now from Shell Folders, else the
// shell's known folder (an empty path when neither is known).
StartupLocation MoveTargetLocation(MoveTarget target);
// True when writing to the target needs administrator rights here.
bool MoveTargetNeedsAdministrator(MoveTarget target);

enum class MoveOutcome {
  AlreadyThere,  // the row lies in the target: nothing written, nothing removed
  Moved,         // the entry is in the target and its old entry is gone
  NotMoved,      // nothing written; the old entry stays (see `reason`)
  OldKept,       // written to the target, but the old entry could not be removed
};

struct RowMove {
  MoveOutcome outcome = MoveOutcome::NotMoved;
  // Moved, OldKept: the value name in the target key, or the file's full path.
  std::wstring written;
  // Moved: the target held this very entry already, so nothing was written.
  bool same_entry = false;
  std::wstring reason;  // NotMoved, OldKept: why
};

// One RowMove per row, in the rows' order.
using MoveResult = std::vector<RowMove>;

// Moves every row to the target. Between registry keys the value is copied
// with its type and data; between Startup folders the file itself moves.
// Across kinds the new entry is built from the row's texts. The target's
// entries are never replaced: a name that is taken by other data gets a
// number ("Tool (2)"). Errors of the platform layer are caught per row and
// end up in its `reason`.
MoveResult MoveStartupEntries(const StartupList& rows, MoveTarget target);

// The file names the moved rows' entries have in their new place, as the
// next scan lists them: a program file that moved between the Startup
// folders is named by its new path; every other entry keeps its file name.
std::vector<std::wstring> MovedFileNames(const StartupList& rows, const MoveResult& result);

// The question asked before a move to `target` when some rows would lose
// what the target cannot hold: a shortcut's working folder (unless it is
// the program's own folder), icon, hot key, window state and description
// in a registry key; in a shortcut, the environment references of an
// expandable command's parameters (those of its program's name the shortcut
// keeps). Names each such row and what it loses; empty when every row moves
// whole.
std::wstring MoveLossQuestion(const StartupList& rows, MoveTarget target);

// The message after a move: every row that was not moved (or whose old entry
// stayed) with its reason, once for rows read twice from one place and not
// at all for a row whose entry moved through its twin; empty when there is
// nothing to tell.
std::wstring MoveReport(const StartupList& rows, const MoveResult& result);

}  // namespace korvane
