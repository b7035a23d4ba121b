#pragma once
// What a kind of startup place knows of its entries: a Run key's value, a
// Startup folder's file, a word of win.ini, a scheduled task, a service. The
// scan, the stores, the commands and the windows ask the entry's kind; only
// the kinds themselves look inside a source.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

struct ApprovalPlace;
struct EntryCopy;
struct GovernedFolders;
struct PutBackResult;
struct StartupLocation;
enum class TakenPlace;

// Where "Jump to entry" goes: the key in the registry editor, the file in its
// folder, win.ini in the editor.
struct JumpPlace {
  enum class Kind { None, RegistryKey, FolderItem, WinIni } kind = Kind::None;
  std::wstring target;  // the key as the registry editor names it, or the file
};

class PlaceKind {
 public:
  virtual ~PlaceKind() = default;

  // The word korvanec gives the row's kind of place ("registry", "folder", ...).
  virtual const wchar_t* Word(const StartupEntry& row) const = 0;

  // The entry's place in its location, the second half of its identity: a
  // letter for the kind, then where (the value name, the file, ...).
  virtual std::wstring Place(const StartupEntry& row) const = 0;
  // Whether two rows of this kind were read from the same place.
  virtual bool SamePlace(const StartupEntry& a, const StartupEntry& b) const = 0;

  // Whether the place still holds something of the entry (any data).
  virtual bool StillThere(const StartupEntry& row) const = 0;
  // Whether the place holds the entry as the row was read.
  virtual bool StandsAsRead(const StartupEntry& row) const { return StillThere(row); }
  // Whether something of that name stands at the row's place: a new entry
  // written there would take another's place.
  virtual bool Occupied(const StartupEntry& row) const { return StillThere(row); }

  // Fills the copy (whose row is the entry) with what the place holds now:
  // the value's data, the file's bytes. False, with the reason, when the
  // place no longer holds it or can't be read. Throws PlatformError. Kinds
  // without records (a service, a row of texts) keep nothing: false, with
  // why the entry is not deleted.
  virtual bool Capture(EntryCopy& copy, std::wstring& reason) const;
  // The bytes that tell the entry's content from another's at its place.
  virtual std::string Content(const EntryCopy& copy) const;
  // Whether the entry's bytes lie beside its record (a file, a task).
  virtual bool KeepsBytes() const { return false; }
  // Whether the copy's place holds this very entry now.
  virtual bool StandsInPlace(const EntryCopy& copy) const;
  // Removes the entry from its place; true when it is gone. Throws PlatformError.
  virtual bool Remove(const StartupEntry& row) const;
  // Writes the copy back at its place. Throws PlatformError.
  virtual PutBackResult PutBack(const EntryCopy& copy, TakenPlace taken) const;
  // Whether a record's row names a place among `places` (or of a kind that
  // needs none): a record that names another key or file is not put back.
  virtual bool NamesStartupPlace(const StartupEntry& row,
                                 const std::vector<StartupLocation>& places) const;

  // Whether a record's row (read back from a file any program may write)
  // holds what can be put back as it was.
  virtual bool Restorable(const StartupEntry&) const { return false; }

  // Where the entry's on/off state is kept in the system's own approvals;
  // `folders` are the Startup folders that keep one, read now when null.
  virtual std::optional<ApprovalPlace> Approval(const StartupEntry& row,
                                                const GovernedFolders* folders) const;
  // Whether changing the entry needs rights that Korvane lacks now.
  virtual bool NeedsAdministrator(const StartupEntry&) const { return false; }
  // What one question of rights answers for: the location for most kinds.
  virtual std::wstring RightsScope(const StartupEntry& row) const;

  // Kinds that the system itself switches, runs and stops (tasks and
  // services) say so and do it; the others are switched by Korvane.
  virtual bool SwitchedBySystem() const { return false; }
  // Why the entry could not be switched; empty when it was.
  virtual std::wstring Switch(const StartupEntry& row, bool on) const;
  virtual void Run(const StartupEntry&) const {}
  virtual void Stop(const StartupEntry&) const {}

  // Why an entry of this kind is never deleted / moved; empty when it may be.
  virtual std::wstring WhyNotDeleted() const { return {}; }
  virtual std::wstring WhyNotMoved() const { return {}; }

  virtual JumpPlace Jump(const StartupEntry&) const { return {}; }
  // The command as written in its place, where it is kept as one text.
  virtual std::optional<std::wstring> WrittenCommand(const StartupEntry&) const {
    return std::nullopt;
  }
  // Whether the entry is one of Windows' own defaults, without which Windows
  // may not log on (Winlogon's userinit.exe, explorer.exe as the shell).
  virtual bool WindowsOwn(const StartupEntry&) const { return false; }
  // What an entry of this place can do, for the question about a new or
  // changed one; empty when it is a plain program started at logon.
  virtual std::wstring Risk(const StartupEntry&) const { return {}; }
  // Whether the entry opens a web page rather than starting a program.
  virtual bool OpensPage(const StartupEntry&) const { return false; }
  // The name the system knows the entry by, where it shows another (a
  // service's own name).
  virtual std::wstring OwnName(const StartupEntry&) const { return {}; }

  // Whether the entry's earlier command (as `before`, read from the same
  // place, of this kind as `now` is) can be written back over `now`; and
  // writing it back. Throws PlatformError.
  virtual bool CanWriteBack(const StartupEntry&, const StartupEntry&) const { return false; }
  virtual void WriteBack(const StartupEntry&, const StartupEntry&) const {}
};

// Whether a value of this type can be written back as it was read.
bool WritableValue(const RegistryValue& value);

// The kind of the entry's place.
const PlaceKind& PlaceOf(const EntrySource& source);
inline const PlaceKind& PlaceOf(const StartupEntry& row) {
  return PlaceOf(row.source);
}

}  // namespace korvane
