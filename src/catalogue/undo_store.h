#pragma once
// Every entry Korvane removes or writes over is first written down whole in
// %LOCALAPPDATA%\Korvane\Removed, so that it can be put back byte for byte.
// A record is on disk before the entry leaves its place; when it cannot be
// written, nothing is removed. The store keeps at most kMaxRemovedRecords
// records and kMaxRemovedBytes bytes; the oldest go first.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/entry_record.h"

namespace korvane {

inline constexpr size_t kMaxRemovedRecords = 1000;
inline constexpr uint64_t kMaxRemovedBytes = 50ull * 1024 * 1024;

// How an entry left its place.
enum class RemovalWay {
  Deleted,       // "Delete startup entry" in the window or korvanec
  Blacklisted,   // removed by the blacklist at a refresh
  Moved,         // the old entry of a move; `moved_to` names the target
  Replaced,      // written over by a new entry or a restore of that name
  DeletedAsNew,  // "Delete" in the new entries dialog
  Changed,       // written over by "Undo change"
};

struct RemovalResult {
  bool done = false;
  std::wstring reason;  // when not done: why, in one line
  explicit operator bool() const { return done; }
};

// Writes the entry's record as it stands in its place now, then removes it
// (RemoveStartupEntry). Not done, with the reason, when the record cannot be
// written (nothing is removed) or the entry cannot be removed (the record
// goes again). An entry whose same content the store holds already (the
// blacklist removes it at every refresh) leaves one record, with the newest
// time.
RemovalResult RecordAndRemove(const StartupEntry& row, RemovalWay way,
                              const std::wstring& moved_to = {});

// Writes the entry's record as it stands now, without removing it: its place
// is about to be written over (or its file moved away). The record's id, or
// nothing with the reason.
std::optional<std::wstring> RecordBeforeOverwrite(const StartupEntry& row, RemovalWay way,
                                                  std::wstring& reason,
                                                  const std::wstring& moved_to = {});

// Writes a copy kept elsewhere (a parked entry's) as the record of its
// removal. The record's id, or nothing with the reason.
std::optional<std::wstring> RecordRemovedCopy(EntryCopy copy, RemovalWay way,
                                              std::wstring& reason);

struct RemovedEntry {
  std::wstring id;  // the record's name in the store; sorts by time
  EntryRecord record;
};

// Every readable record, newest first.
std::vector<RemovedEntry> ReadRemovedEntries();

// The "How" text of a record: "Deleted", "Blacklisted", "Moved to <place>",
// "Replaced", "Deleted as new", "Changed".
std::wstring RemovalWayText(const EntryRecord& record);

// When a restore finds another entry of that name in the place.
enum class RestoreTaken {
  Ask,      // restore nothing; the result says Taken
  Replace,  // record the other entry (Replaced), then write over it
  Rename,   // restore under a free name, "Name (2)"
};

struct RestoreResult {
  enum Outcome { Restored, Taken, Failed } outcome = Failed;
  std::wstring reason;  // Taken, Failed: why
  StartupEntry row;     // Restored: the entry as it now stands in its place
};

// Puts the record's entry back exactly (type and bytes; the file with its
// bytes, attributes and times; the word at its place; its approval), then
// forgets the record.
RestoreResult RestoreRemovedEntry(const std::wstring& id, RestoreTaken taken);

// The entry that holds the place of `place` now, with its texts, as a scan
// lists it: what a record of an entry about to be written over should say.
// `place` itself when the scan finds none there.
StartupEntry EntryInPlaceOf(const StartupEntry& place);

// Forgets the records; false when one of them could not be deleted.
bool ForgetRemovedEntries(const std::vector<std::wstring>& ids);

}  // namespace korvane
