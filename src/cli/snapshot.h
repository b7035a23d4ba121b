#pragma once
// Snapshots of the startup list: every entry with its source, written as
// JSON by `korvanec export` and read back by `korvanec compare`. A snapshot
// file comes from anywhere (another machine, a share, an attacker), so the
// reader takes nothing on trust: it bounds the size, the nesting and the
// number of entries, checks every field's type, and answers one line of
// reason instead of a snapshot when anything is off.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/entry.h"
#include "cli/command.h"

namespace korvane {

inline constexpr char kSnapshotSchema[] = "korvane-snapshot";
inline constexpr int kSnapshotSchemaVersion = 1;
inline constexpr size_t kMaxSnapshotBytes = 16u * 1024 * 1024;
inline constexpr size_t kMaxSnapshotValues = 4000000;
inline constexpr size_t kMaxSnapshotEntries = 50000;
inline constexpr size_t kMaxSnapshotDepth = 8;

struct Snapshot {
  int schema_version = kSnapshotSchemaVersion;
  std::wstring korvane_version;
  std::wstring machine, user;
  std::wstring time;  // UTC, "2026-12-10T03:30:00Z"
  StartupList entries;
};

// The snapshot as JSON text (UTF-8), ending in a newline.
std::string SnapshotJson(const Snapshot& snapshot);
// Nothing, with a one-line reason in `error`, for text that is not a whole,
// well-formed snapshot of a schema version this program reads.
std::optional<Snapshot> ReadSnapshot(std::string_view text, std::wstring& error);

struct EntryChange {
  // Updated: added or changed, and a program's own update
  // (catalogue/signers.h) against the programs of the snapshot.
  enum Kind { Added, Removed, Changed, StateChanged, Updated } kind = Changed;
  StartupEntry entry;               // now; for a removed entry, as it was
  std::vector<std::string> fields;  // Changed: what differs, as the JSON names it
};

// What differs between the entries of a snapshot and the entries now: an
// entry is the same entry when its location and its place there are (the
// value, the file, the win.ini word). Its program's running state is not
// compared. Removed entries first in the snapshot's order, then added,
// changed and switched ones in the order of `now`; an added or changed one
// that is a program's own update is Updated.
std::vector<EntryChange> CompareEntries(const StartupList& before, const StartupList& now);

std::string FormatChanges(const std::vector<EntryChange>& changes, ListFormat format);

// "2026-12-10T03:30:00Z" for a FILETIME-free clock: seconds since 1970.
std::wstring IsoTimeUtc(long long unix_seconds);

}  // namespace korvane
