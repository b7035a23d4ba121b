#pragma once
// What the new entries dialog does to its rows, without the window.
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/entry.h"

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

}  // namespace korvane
