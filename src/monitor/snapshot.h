#pragma once
// The snapshot of the entries themselves, kept beside the saved list of file
// names: each row's place, name, command and state as the last refresh left
// them, in %LOCALAPPDATA%\Korvane\snapshot.txt. Against it a refresh tells a
// new entry from a changed, moved or re-enabled one.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

// The snapshot file's full path; empty when the user has no local
// application data folder.
std::wstring SnapshotPath();

// The file's text: a JSON document whose "format" is "Korvane snapshot 2"
// and whose "entries" are the rows in the one format of an entry
// (catalogue/entry_format.h), without their running state.
std::string SnapshotText(const StartupList& rows);
// The rows of a snapshot's text, in this format or the first one
// (snapshot_v1.h); nothing for text that is not a whole snapshot. Rows carry
// their source with the command as it stood (a value's type and data, a
// shortcut's target and arguments).
std::optional<StartupList> ParseSnapshot(const std::string& text);

// The file's text as it stands; nothing when there is none, it is too large
// to be ours, or it cannot be read.
std::optional<std::string> ReadSnapshotText();
// The snapshot's rows; nothing when there is no readable snapshot.
std::optional<StartupList> ReadEntrySnapshot();

// Writes `rows` as the snapshot, unless `stored` (the text read before)
// holds them already: an unchanged refresh writes nothing. The file is
// replaced whole. Throws PlatformError when it cannot be written.
void SaveSnapshot(const StartupList& rows, const std::optional<std::string>& stored);
void SaveSnapshot(const StartupList& rows);
// Takes rows that Korvane itself has just put in place (restored entries)
// into the snapshot, each in place of what it held for that place, so that
// they are not reported. Nothing when there is no readable snapshot (the
// saved list speaks for them then). Throws PlatformError when it cannot be
// written.
void AddToSnapshot(const StartupList& rows);
// The same for the rows of a fresh scan that `placed` picks: what korvanec
// itself wrote is not reported by the window's next refresh. Quiet when the
// list or the snapshot cannot be read or written.
void AcceptPlacedEntries(const std::function<bool(const StartupEntry&)>& placed);

// What a refresh reports about an entry.
enum class ChangeKind {
  New,           // a place the snapshot does not hold
  Changed,       // the place holds another program or other parameters
  Moved,         // the command stood in another place that no longer holds it
  EnabledAgain,  // switched off in the snapshot, on now
};

// "New", "Changed", "Moved", "Enabled again": the text of the "Change" column.
std::wstring ChangeKindText(ChangeKind change);

struct ReportedEntry {
  StartupEntry row;  // as it stands now
  ChangeKind change = ChangeKind::New;
  // Changed, Moved, Enabled again: the entry as the snapshot held it.
  std::optional<StartupEntry> before;
};
using ReportedEntries = std::vector<ReportedEntry>;

// The rows of a list, and the reported entries as they were at first.
StartupList RowsOf(const ReportedEntries& entries);

// The command a row starts: a registry value's text as written, else its
// file name (in quotes when it holds a blank) and its parameters after a
// blank.
std::wstring CommandText(const StartupEntry& row);

// The entries of `rows` to report against the snapshot, in row order. File
// names and parameters are compared without regard to letter case. With no
// snapshot (the first start after an update), what NewEntriesWithoutSnapshot
// finds is new. Rows that match
// `accepted` (entries Korvane itself has just written, moved or switched on:
// the same place, or the same command in a place the snapshot does not hold)
// are not reported.
ReportedEntries DetectEntryChanges(const StartupList& rows,
                                   const std::optional<StartupList>& snapshot,
                                   const std::vector<std::wstring>& saved,
                                   const StartupList& accepted = {});
// The same against the snapshot's text as read (nothing: no snapshot). Rows
// that read as that very text have nothing to report, and are not parsed.
ReportedEntries DetectEntryChanges(const StartupList& rows,
                                   const std::optional<std::string>& snapshot_text,
                                   const std::vector<std::wstring>& saved,
                                   const StartupList& accepted = {});

}  // namespace korvane
