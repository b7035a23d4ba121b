#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/registry.h"
#include "platform/services.h"

namespace korvane {

// Where a registry entry came from: its value exactly as the scan read it.
struct RegistrySource {
  RootKey root = RootKey::CurrentUser;
  RegistryView view = RegistryView::Bits64;
  std::wstring key_path;  // with a leading backslash, as the accessor opens it
  std::wstring value_name;
  RegistryValue value;
};

// A file in a Startup folder (or one of its subfolders); for a shortcut also
// what it starts, as stored.
struct FolderSource {
  std::wstring path;  // the file's full path
  bool shortcut = false;
  std::wstring target, arguments, working_folder;
};

// A word of win.ini's "run" or "load" list.
struct WinIniSource {
  std::wstring ini_path;
  std::wstring key;  // "run" or "load"
  std::wstring word;
  size_t position = 0;    // the word's index in the list
  size_t occurrence = 0;  // how many equal words stand before it
};

// A program action of a scheduled task that starts at logon or boot.
struct TaskSource {
  std::wstring path;            // the task's path, "\Vendor\Updater"
  size_t action = 0;            // which of its program actions
  std::wstring working_folder;  // the action's, references expanded
};

// A service of a program that starts on its own.
struct ServiceSource {
  std::wstring name;  // the service's own name, not the one it shows
  // How it starts when on: its type now, or the one Korvane keeps for a
  // service it switched off.
  ServiceStart start = ServiceStart::Automatic;
  bool delayed = false;
};

// How a value beyond the Run keys holds its programs.
enum class ItemList {
  Whole,        // the value is one command
  Commas,       // a list of commands separated by commas (Winlogon's Userinit, Shell)
  Blanks,       // a list of DLLs separated by blanks or commas (AppInit_DLLs)
  MultiString,  // one command per string of a REG_MULTI_SZ (BootExecute)
};

// An item of a registry value that Windows reads as programs to start: the
// value exactly as the scan read it, and which of its items the row is.
struct ValueItemSource {
  RegistrySource value;
  ItemList list = ItemList::Whole;
  std::wstring item;      // as written, blanks kept
  size_t position = 0;    // the item's index among the value's items
  size_t occurrence = 0;  // how many equal items stand before it
};

// The place of a file, or of a registry value in the 64-bit view, without
// what it holds: enough to find what belongs to it (its approval).
inline FolderSource FileSource(std::wstring path) {
  FolderSource source;
  source.path = std::move(path);
  return source;
}
inline RegistrySource ValueSource(RootKey root, std::wstring key_path, std::wstring value_name) {
  RegistrySource source;
  source.root = root;
  source.key_path = std::move(key_path);
  source.value_name = std::move(value_name);
  return source;
}

using EntrySource = std::variant<std::monostate, RegistrySource, FolderSource, WinIniSource,
                                 TaskSource, ServiceSource, ValueItemSource>;

// One row of the startup list: the five texts the list shows, and where the
// entry came from. Commands act on the source; the texts are what the user
// sees.
struct StartupEntry {
  std::wstring name;
  bool running = false;
  std::wstring file_name;
  std::wstring parameters;
  std::wstring location;  // the location text
  EntrySource source;
  // Whether Windows starts it: false when its approval says off, or when
  // Korvane has moved it aside.
  bool enabled = true;
  // The verified signer of the program's file (catalogue/signers.h): empty
  // when it is not signed or does not verify; nothing while not known.
  std::optional<std::wstring> signer;
};

using StartupList = std::vector<StartupEntry>;

// What finds the same entry again after a rescan: its location and its place
// there (the value name, the file, the win.ini word and how many equal words
// stand before it), in one letter case where the system ignores case. Rows
// without a source are told by their location and name.
std::wstring EntryIdentity(const StartupEntry& entry);
// The place part of the identity, as it stands (letter case kept): what
// korvanec --exact takes beside the location to name one entry.
std::wstring EntryPlace(const StartupEntry& entry);

// True when both rows were read from the same place: the same value of the
// same key and view, the same file, the same win.ini word at the same
// position (two Startup folder values naming one folder list a file twice).
bool SamePlace(const StartupEntry& a, const StartupEntry& b);

}  // namespace korvane
