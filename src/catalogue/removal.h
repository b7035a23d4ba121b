#pragma once
#include "catalogue/entry.h"

namespace korvane {

// Which list the row comes from: the main list asks a running program to
// close, the new-entries list terminates it.
enum class RemovalSource { MainList, NewEntriesList };

// Removes the entry from the place the scan found it (its source); its
// program is left alone. A row without a source removes nothing. True when the location
// no longer holds the entry (removed now, or gone already); false when it
// still does or may: a key that cannot be opened for writing, a delete that
// was refused, a win.ini list that could not be read or written back. A
// failed removal is reported only by the result, on every platform.
bool RemoveStartupEntry(const StartupEntry& row);

// RemoveStartupEntry, then ends the entry's program if it runs, even when
// the entry could not be removed. Returns what RemoveStartupEntry returned;
// throws only when the running programs cannot be listed or ended.
bool DeleteStartupEntry(const StartupEntry& row, RemovalSource source);

}  // namespace korvane
