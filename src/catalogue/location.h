#pragma once
// The 27 startup locations, their location texts, and telling a location
// from its text.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace korvane {

enum class StartupLocationKind { RegistryKeyLocation, StartupFolderLocation, WinIniLocation };

struct StartupLocation {
  StartupLocationKind kind = StartupLocationKind::RegistryKeyLocation;
  RootKey root = RootKey::CurrentUser;  // registry keys and Startup folders
  std::wstring path;                    // key path as in the table; folder; or win.ini's full path
  std::wstring key;                     // win.ini: "run" or "load"
};

// The 22 registry keys, in scan order, with their paths as written (leading
// backslash).
const std::vector<StartupLocation>& RegistryStartupLocations();

// The 32-bit programs' own copy of a machine key under Software, as the
// location "HKEY_LOCAL_MACHINE\Software\Wow6432Node\..." (a path that the
// registry accessor's 64-bit view opens as it stands); nothing when the
// system shows 32-bit programs that key itself (a shared key, 32-bit
// Windows) or has no such copy. Asked of the system each time.
std::optional<StartupLocation> ThirtyTwoBitTwin(const StartupLocation& location);

// The registry keys that the scan reads, in its order: the 22 of the table,
// each followed by its 32-bit twin where the system keeps one.
std::vector<StartupLocation> ScannedRegistryLocations();

// The text of a value of the open key; nothing when the value is missing or
// holds no string (a number or binary data names no program or folder).
std::optional<std::wstring> ReadStringValue(TRegistry& reg, const std::wstring& name);

// The three Startup folders, in scan order.
enum class StartupFolder { CurrentUser, AllUsers, DefaultUser };
// The folder named by the Shell Folders value, without changes. The current
// user's and the all-users folder fall back to the shell's known folder when
// the value is missing, empty or not a string; empty when neither is known.
std::wstring StartupFolderPath(StartupFolder folder);

// The three Startup folders (their Shell Folders values read now) and the
// two win.ini keys, in scan order. A folder that is not known has an empty path.
std::vector<StartupLocation> StartupFolderLocations();
std::vector<StartupLocation> WinIniLocations();
// All locations in scan order (the 27, and the 32-bit twins the system
// keeps), the twins, folders and win.ini resolved now.
std::vector<StartupLocation> StartupLocations();

// A name that stands for a file directly inside a folder: not empty, not "."
// or "..", and with no backslash, slash or colon that could lead elsewhere.
bool IsPlainFileName(const std::wstring& name);

// The words of a win.ini "run" or "load" list: each is the text before the
// next blank, and the blank after it belongs to it (two blanks in a row give
// an empty word). `words[i].first` is where word i starts, `.second` its length.
std::vector<std::pair<size_t, size_t>> WinIniWords(const std::wstring& list);

// The n-th name for an entry whose name is taken: `base` and `extension` for
// the first, "base (2)" and the extension for the second, and so on.
std::wstring NumberedName(const std::wstring& base, int n, const std::wstring& extension);
// A file name without its extension.
std::wstring WithoutExtension(const std::wstring& name);

// The location texts of the two kinds beyond the 27: the program actions of
// scheduled tasks that start at logon or boot, and services that start on
// their own.
extern const wchar_t kTaskSchedulerLocation[];  // "Task Scheduler"
extern const wchar_t kServicesLocation[];       // "Services"

// The text of the Location column: "HKEY_CURRENT_USER\Software\...", the
// folder without a trailing backslash, or "C:\WINDOWS\win.ini, run".
std::wstring LocationText(const StartupLocation& location);

// Tells a location from its text alone: a text starting with a root's name
// is a registry key; then an existing folder, a text naming "win.ini, run" or
// "win.ini, load" (a win.ini key, its file there or not), an existing file (a
// win.ini key); else a registry key. Folders and files are only ever named by
// absolute paths: nothing is taken relative to the current folder.
StartupLocation RecogniseLocation(const std::wstring& text);

}  // namespace korvane
