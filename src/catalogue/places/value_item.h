#pragma once
// An item of a registry value beyond the Run keys that Windows reads as
// programs to start: Winlogon's Userinit and Shell, an image's Debugger,
// AppInit_DLLs, BootExecute and the like. Each such place is a unit of its
// own (a ValuePlace); what they share is here: how their values are split
// into items, and how one item is captured, removed and put back while the
// value's other items and separators stay exactly as Windows reads them.
#include <string>
#include <vector>

#include "catalogue/command_line.h"
#include "catalogue/places/place_kind.h"

namespace korvane {

struct StartupScan;

struct ValuePlace {
  ValuePlace(const wchar_t* word, RootKey root, std::wstring key, std::wstring value)
      : word(word), root(root), key(std::move(key)), value(std::move(value)) {}

  const wchar_t* word = L"";  // the kind korvanec gives its rows
  RootKey root = RootKey::LocalMachine;
  std::wstring key;         // with a leading backslash
  std::wstring value;       // empty: every value of the key is an entry
  bool subkeys = false;     // the value stands in each subkey of `key`
  bool both_views = false;  // and in the 32-bit programs' copy (Wow6432Node)
  ItemList list = ItemList::Whole;
  // Windows' own items: the file name of the program, or the item as written.
  std::vector<std::wstring> windows_own;
  // What an item here does, said when one is new or changed; empty for none.
  std::wstring risk;
  // How an item names its program; a command line when null.
  SplitCommand (*split)(const std::wstring& item) = nullptr;
  // A DWORD value of the key that switches the whole place off when it is 0.
  std::wstring switch_value;
};

// Every value place, in scan order: after the 27 locations, before tasks
// and services.
const std::vector<ValuePlace>& ValuePlaces();

// The keys that hold the place's values: its key, or each of its subkeys;
// in the 64-bit view, and the 32-bit programs' copy where Windows keeps one.
std::vector<std::wstring> ValuePlaceKeys(const ValuePlace& place);
// The key and its 32-bit programs' copy where Windows keeps one: where the
// keys of ValuePlaceKeys are.
std::vector<std::wstring> ValuePlaceParents(const ValuePlace& place);

const PlaceKind& ValueItemPlace();

// Adds the rows of one value place.
void ListValuePlace(const ValuePlace& place, StartupScan& scan);

}  // namespace korvane
