#pragma once
#include "catalogue/entry.h"
#include "catalogue/undo_store.h"

namespace korvane {

// Who removes the row: the main list and the blacklist ask a running program
// to close, the new-entries list terminates it. The undo store's record says
// which it was.
enum class RemovalSource { MainList, NewEntriesList, Blacklist };

// Removes the entry from the place the scan found it (its source); its
// program is left alone. A row without a source removes nothing. True when the location
// no longer holds the entry (removed now, or gone already); false when it
// still does or may: a key that cannot be opened for writing, a delete that
// was refused, a win.ini list that could not be read or written back. A
// failed removal is reported only by the result, on every platform.
bool RemoveStartupEntry(const StartupEntry& row);

// The way the undo store's record names a removal by `source`.
RemovalWay RemovalWayOf(RemovalSource source);

// Ends the entry's program if it runs: closed, or terminated for the new
// entries list. Throws when the running programs cannot be listed or ended.
void EndEntryProgram(const StartupEntry& row, RemovalSource source);

// Records the entry in the undo store and removes it (RecordAndRemove), then
// ends the entry's program if it runs, even when the entry could not be
// removed. Throws only when the running programs cannot be listed or ended.
RemovalResult DeleteStartupEntry(const StartupEntry& row, RemovalSource source);

}  // namespace korvane
