#pragma once
// The blacklist: file names kept as empty REG_SZ values of one key, and the
// enforcement step of the refresh cycle that removes their startup entries.
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

extern const wchar_t kBlacklistKey[];

// Every name on the blacklist; nothing when its key cannot be opened (it is
// made when missing).
std::optional<std::vector<std::wstring>> ReadBlacklist();
// Adds the names (one value each, an existing name in any case stays one).
// False when the key cannot be opened; a failed write throws.
bool AddToBlacklist(const std::vector<std::wstring>& names);
// Whole text, without regard to letter case.
bool IsBlacklisted(const std::wstring& file_name, const std::vector<std::wstring>& blacklist);

// What one enforcement did.
struct Enforcement {
  std::vector<std::wstring> removed;  // file names, in row order, one per removed row
  // Of those, the names of the tasks deleted and of the services switched off.
  std::vector<std::wstring> tasks_deleted, services_switched_off;
  int newly_failed = 0;  // rows that could not be removed, first time this run
  // Of those, the rows whose removal needs administrator rights here.
  StartupList needs_administrator;
};

// Entries whose removal failed once in this run: they are tried again at every
// enforcement, but reported only the first time.
using RemovalFailures = std::set<std::tuple<std::wstring, std::wstring, std::wstring>>;

// Removes every row of `rows` whose file name is on `blacklist`, in row order,
// without asking; a running program is asked to close. `failures` carries
// the entries that could not be removed from one enforcement to the next.
Enforcement RemoveBlacklisted(const StartupList& rows, const std::vector<std::wstring>& blacklist,
                              RemovalFailures& failures);

extern const wchar_t kBlacklistBalloonTitle[];
// The balloon's text: how many entries were removed and, when some could
// not be, how many and why. Empty when there is nothing to tell.
std::wstring BlacklistBalloonText(const Enforcement& enforcement);

// removed.txt as bytes: one line per name, each ending in CR LF; in the ANSI
// code page when every name has its exact form there, else UTF-8 with a
// byte-order mark.
std::string RemovedFileBytes(const std::vector<std::wstring>& names);
// Writes removed.txt beside the program, or, when that folder can't be
// written, in the user's local application data folder. Returns the path
// written; throws the platform's error when neither place takes it.
std::wstring WriteRemovedFile(const std::vector<std::wstring>& names);
// The removed.txt a balloon click opens: the one written last in this run,
// else an existing one from an earlier run; nothing when there is none.
std::optional<std::wstring> RemovedFileToOpen(const std::optional<std::wstring>& written_last);

}  // namespace korvane
