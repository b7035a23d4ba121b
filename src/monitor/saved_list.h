#pragma once
// The saved list: the file names of the startup list as it was last seen,
// kept as empty REG_SZ values of one key, and what counts as new against it.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

extern const wchar_t kSavedListKey[];

// Stores the file names of `rows` as the saved list, one value per distinct
// name (the first spelling in row order). The key is updated in place: the
// current names are written before the names no longer listed are deleted,
// so a failure half-way never leaves the list empty. Nothing is stored when
// the key cannot be opened; a failed write throws.
void SaveStartupList(const StartupList& rows);
// The same, given the names the key holds (as ReadSavedList gave them).
void SaveStartupList(const StartupList& rows, const std::vector<std::wstring>& stored);

// Adds names to the saved list (those it holds already, in any letter case,
// are left as they are), so that entries the program wrote itself are not
// reported as new. Nothing when the key cannot be opened.
void AddToSavedList(const std::vector<std::wstring>& file_names);

// The names the saved list holds; nothing when the key cannot be opened (a
// missing key is made empty).
std::optional<std::vector<std::wstring>> ReadSavedList();

// The rows whose file name is not in the saved list (without regard to
// letter case), in row order. Nothing is new when the key cannot be opened;
// a missing key is made empty, so at the first run every row is new.
StartupList FindNewEntries(const StartupList& rows);
// The same against names already read.
StartupList NewEntriesIn(const StartupList& rows, const std::vector<std::wstring>& saved);
// The same at a start with no snapshot yet. A saved list that holds names
// was written by a version that listed no tasks and services, so those count
// as seen; an empty one is the first start of all, where every row is new.
StartupList NewEntriesWithoutSnapshot(const StartupList& rows,
                                      const std::vector<std::wstring>& saved);

}  // namespace korvane
