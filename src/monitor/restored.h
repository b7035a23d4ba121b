#pragma once
// Entries coming back from the undo store, as the window and korvanec both
// restore them.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/undo_store.h"

namespace korvane {

struct RestoreReport {
  StartupList restored;              // the entries as they now stand
  std::vector<std::wstring> errors;  // one line each: the entry and why
  // Restored entries whose programs are on the blacklist: the next refresh
  // would remove them again.
  StartupList blacklisted;
};

// Restores the records in the given order. For a record whose place another
// entry of that name holds, `when_taken` chooses (nothing: leave that one).
// The restored entries' programs are added to the saved list, and the
// entries to the snapshot, so that they are not reported as new.
RestoreReport RestoreRemoved(
    const std::vector<RemovedEntry>& entries,
    const std::function<std::optional<RestoreTaken>(const RemovedEntry&)>& when_taken);

// The question asked when the record's place is taken: "Yes" replaces the
// other entry, "No" restores beside it under a free name.
std::wstring TakenPlaceQuestion(const RemovedEntry& entry);
// The question that offers to take the programs of the restored entries off
// the blacklist, one line for each entry with its place.
std::wstring BlacklistedQuestion(const StartupList& rows);
// Those programs, each once.
std::vector<std::wstring> BlacklistedPrograms(const StartupList& rows);
// "\"Tool\" in HKEY_CURRENT_USER\...\Run (C:\Tools\tool.exe)"
std::wstring EntryInItsPlace(const StartupEntry& row);

}  // namespace korvane
