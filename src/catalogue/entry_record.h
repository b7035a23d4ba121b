#pragma once
// A startup entry written down whole, so that it can be put back byte for
// byte: the row's texts, its source with the value's type and data, and for
// a Startup folder file its attributes and times (its bytes lie beside the
// record). Records are JSON files in a folder of Korvane's under
// %LOCALAPPDATA%\Korvane; any program may write there, so a record that is
// not whole and well formed is passed over and never leads to a change.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/entry.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace korvane {

struct EntryRecord {
  StartupEntry row;
  FileTimes times;  // a Startup folder file's
  // Written by the undo store only; empty or zero in other stores.
  uint64_t when = 0;                      // FILETIME of the removal
  std::wstring how;                       // how the entry was removed
  std::wstring moved_to;                  // a move's target location
  std::optional<RegistryValue> approval;  // the entry's approval value, if it had one
};

// A record with the bytes of its Startup folder file (empty for the others).
struct EntryCopy {
  EntryRecord record;
  std::string bytes;
};

// The record as a JSON document (UTF-8) whose "format" names the store's
// kind of record ("Korvane removed entry") and the format's version, and
// back: nothing for text that is not a whole, well-formed record of that
// kind, in this format or the first one (entry_format_v1.h).
std::string EntryRecordText(const EntryRecord& record, std::string_view kind);
std::optional<EntryRecord> ParseEntryRecord(const std::string& text, std::string_view kind);

// The entry as it stands in its place now: the value's type and data, the
// file's bytes, attributes and times, the win.ini word. Nothing, with the
// reason, when the place no longer holds it or it cannot be read.
std::optional<EntryCopy> CaptureEntry(const StartupEntry& row, std::wstring& reason);

// Whether the copy's place holds this very entry now: a value of the same
// type and data, a file of the same bytes, the word in its list.
bool StandsInPlace(const EntryCopy& copy);

// True when both copies hold the same entry: the same place and the same
// value data, file bytes or word.
bool SameEntryContent(const EntryCopy& a, const EntryCopy& b);

// One folder of records: `<id>.txt` for each record and `<id>.bin` for a
// Startup folder file's bytes. Ids begin with the time of writing in hex, so
// that they sort by time.
class RecordStore {
 public:
  // `kind` names its records, "Korvane removed entry".
  RecordStore(std::wstring folder_name, std::string kind);

  // The folder with a trailing backslash; empty when the user has no local
  // application data folder.
  std::wstring Folder() const;
  // Writes the copy whole (bytes first) and returns its id; `tag` ends the id.
  // Throws PlatformError, leaving nothing behind, when it cannot be written.
  std::wstring Write(const EntryCopy& copy, const std::wstring& tag = L"");
  // The ids of the records in the folder, oldest first.
  std::vector<std::wstring> Ids() const;
  // Every readable record with its id, oldest first.
  std::vector<std::pair<std::wstring, EntryRecord>> ReadAll() const;
  // One record with its bytes; nothing when it is gone or not readable.
  std::optional<EntryCopy> Read(const std::wstring& id) const;
  // The ids, oldest first, each with the size of its record and bytes.
  std::vector<std::pair<std::wstring, uint64_t>> Sizes() const;
  // Deletes the record and its bytes.
  void Forget(const std::wstring& id) const;

 private:
  std::wstring RecordPath(const std::wstring& id) const;
  std::wstring BytesPath(const std::wstring& id) const;

  std::wstring folder_name_;
  std::string kind_;
};

// How PutEntryBack treats a place that holds another entry of that name.
enum class TakenPlace {
  Refuse,   // leave it, and say so
  Replace,  // write over it
  Rename,   // put the entry back beside it under a free name, "Name (2)"
};

struct PutBackResult {
  enum Outcome { Done, Taken, Failed } outcome = Failed;
  std::wstring reason;  // Taken, Failed: why, in one line
  StartupEntry row;     // Done: the entry in its place, as a scan would list its source
};

// Puts the entry back exactly as it was: the same value type and data (and
// its approval value); the file with its bytes, attributes and times; the
// word at its place. A place that already holds this very entry counts as
// done.
PutBackResult PutEntryBack(const EntryCopy& copy, TakenPlace taken);

}  // namespace korvane
