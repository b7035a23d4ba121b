#pragma once
// What the new entries dialog does to its rows, without the window.
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "monitor/snapshot.h"

namespace korvane {

// Removes the entries of the selected rows from their locations, each kept
// in the undo store first (each row exactly once; a running program is
// terminated) and drops those rows from `rows`, whether or not the removal
// worked: the rescan shows what is left. `selected` holds row indices in any
// order; duplicates and indices past the end count once or not at all.
// Returns the message for the entries that were not removed; empty when
// every one was.
std::wstring DeleteNewEntries(StartupList& rows, const std::vector<size_t>& selected);

// Switches the entries of the selected rows off without deleting them
// (monitor/switching.h) and drops the rows that were switched off from
// `rows`. Returns the message for the rows that could not be; empty when
// every one was.
std::wstring DisableNewEntries(StartupList& rows, const std::vector<size_t>& selected);

// Puts the selected rows' file names on the blacklist (when its key opens),
// then deletes them as above; the same message.
std::wstring BlacklistNewEntries(StartupList& rows, const std::vector<size_t>& selected);

// After one of the actions above changed `rows` (a copy of the entries'
// rows): keeps the entries whose rows are left, in the rows' order.
void KeepReportedRows(ReportedEntries& entries, const StartupList& rows);

// What the dialog's memo says of an entry: its command, and what it was
// before (the earlier command, the place it moved from, that it was off).
std::wstring ChangeDescription(const ReportedEntry& entry);

// Whether the dialog offers "Undo change" for an entry: a changed registry
// value or shortcut whose command the snapshot holds.
bool CanUndoChange(const ReportedEntry& entry);

// "Undo change": writes the command the snapshot held back into the entry's
// place (a value with the type and data it had, a shortcut with its target,
// arguments and working folder), after the entry as it stands now has been
// recorded in the undo store. Nothing is written when the record cannot be.
// False with the reason when it was not done.
bool UndoEntryChange(const ReportedEntry& entry, std::wstring& reason);

// Undoes the change of each selected entry that offers it and drops those
// undone; the others stay. The message for the entries that could not be
// undone; empty when every one was.
std::wstring UndoNewEntryChanges(ReportedEntries& entries, const std::vector<size_t>& selected);

}  // namespace korvane
