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
  // Restored programs that are on the blacklist: the next refresh would
  // remove them again.
  std::vector<std::wstring> blacklisted;
};

// Restores the records in the given order. For a record whose place another
// entry of that name holds, `when_taken` chooses (nothing: leave that one).
// The restored entries' programs are added to the saved list, so that they
// are not reported as new.
RestoreReport RestoreRemoved(
    const std::vector<RemovedEntry>& entries,
    const std::function<std::optional<RestoreTaken>(const RemovedEntry&)>& when_taken);

// The question asked when the record's place is taken: "Yes" replaces the
// other entry, "No" restores beside it under a free name.
std::wstring TakenPlaceQuestion(const RemovedEntry& entry);
// The question that offers to take the restored programs off the blacklist.
std::wstring BlacklistedQuestion(const std::vector<std::wstring>& file_names);

}  // namespace korvane
