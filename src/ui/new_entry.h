#pragma once
// The rules of the new startup entry dialog: its fourteen locations, the
// title taken from a file, when win.ini may take the entry, what "OK" checks
// before it writes, the placement, and the file information it shows.
#include <string>
#include <vector>

#include "platform/registry.h"

namespace korvane {

enum class NewEntryLocationKind { Registry, StartupFolder, WinIni };

struct NewEntryLocation {
  const wchar_t* component;  // the radio button's name
  const wchar_t* caption;
  int block;  // the dialog draws a line between blocks
  NewEntryLocationKind kind;
  RootKey root = RootKey::CurrentUser;  // registry
  const wchar_t* key_path = L"";        // registry: also the button's hint
  bool current_user = false;            // Startup folder
  bool load_key = false;                // win.ini: "load", else "run"
};

// The fourteen locations, top to bottom as the dialog shows them; the first
// is checked at start.
const std::vector<NewEntryLocation>& NewEntryLocations();

// What the user typed, and the index of the checked location.
struct NewEntry {
  std::wstring title, file_name, parameters;
  size_t location = 0;
};

// The win.ini locations take one word without parameters.
bool WinIniLocationsEnabled(const std::wstring& file_name, const std::wstring& parameters);

// What "OK" does with an entry, decided before anything is written.
enum class NewEntryVerdict {
  Refuse,      // show `text` as an error; the dialog stays open
  AskReplace,  // ask `text` (Yes/No); Yes places the entry
  Place,
};
struct NewEntryCheck {
  NewEntryVerdict verdict = NewEntryVerdict::Place;
  std::wstring text;
  NewEntry entry;  // the entry to place: an empty title is taken from the file
};
// Checks, in this order: a file name is given; win.ini takes no blank in it;
// a shortcut title names a file in the Startup folder itself; the title does
// not name an entry the location already holds.
NewEntryCheck CheckNewEntry(const NewEntry& entry);

// Writes the entry into its location. Throws PlatformError when the location
// cannot take it.
void PlaceNewEntry(const NewEntry& entry);

// The "File Information" memo of a file: the process status from the process
// list as it stands (not rebuilt), then ten lines of version information.
struct FileInformation {
  bool running = false;
  std::vector<std::wstring> lines;
};
FileInformation DescribeFile(const std::wstring& file_name);

// Starts the entry's program through the shell in its own folder.
void StartNewEntry(const NewEntry& entry);

}  // namespace korvane
