#pragma once
// The entries Korvane switched off by moving them aside, where Windows keeps
// no on/off state of its own: one record per entry in
// %LOCALAPPDATA%\Korvane\Parked, written whole before the entry leaves its
// place, and the way back, byte for byte.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/removal.h"
#include "platform/files.h"

namespace korvane {

struct ParkedEntry {
  std::wstring id;   // the record's file name, without extension; sorts by time
  StartupEntry row;  // as the scan gave it, with its source
};

struct ParkResult {
  bool done = false;
  std::wstring reason;  // when not done: why, in one line
};

// Writes the entry's record (for a file also its bytes, attributes and
// times) and only then removes the entry from its place. When the record
// can't be written nothing is removed; when the entry can't be removed the
// record goes again. Either way the result says why.
ParkResult ParkEntry(const StartupEntry& row);

// Every readable record, oldest first. Records are files that any program
// may write: one that is not whole and well formed is passed over, and never
// leads to a change.
std::vector<ParkedEntry> ReadParkedEntries();
// The rows of the parked entries, oldest first, switched off.
StartupList ParkedRows();

// The record of a listed row that is aside: the one of its place, program
// and parameters (several entries of one place can be aside); nothing for a
// row that is not.
std::optional<ParkedEntry> ParkedEntryOf(const StartupEntry& row);

// Deletes a listed row as DeleteStartupEntry does. A row switched off by
// parking has its entry in its record, not in its place: the record goes to
// the undo store first (from where Restore puts the entry back in its place)
// and only then leaves the parked ones; an entry that took the place
// meanwhile is left alone.
RemovalResult DeleteListedEntry(const StartupEntry& row, RemovalSource source);

// Puts the entry back exactly as it was (the same value type and data; the
// file with its bytes, attributes and times; the word at its place) and then
// forgets the record. A place that another entry took meanwhile is left
// alone and the record kept; one that already holds this very entry counts
// as restored.
ParkResult RestoreParkedEntry(const ParkedEntry& entry);

}  // namespace korvane
