#pragma once
// The file system as the catalogue needs it. Relative names are taken
// relative to the current directory, as the platform does.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The longest names the system's file functions take: fewer than MAX_PATH
// characters, or fewer than 32,767 for a name that starts with "\\?\". A
// longer name names no file here and is never handed to the system, whose
// shell functions overrun their own buffers on such names.
constexpr size_t kMaxPath = 260;
bool FitsPathLimit(std::wstring_view name);

// True unless the system refuses this program's rights to make and delete
// files in the folder (the all-users Startup folder without administrator
// rights, say). A folder that is not there is no question of rights.
bool MayChangeFolder(const std::wstring& folder);

bool FileExists(const std::wstring& path);    // exists and is no folder
bool FolderExists(const std::wstring& path);  // exists and is a folder
bool RemoveFile(const std::wstring& path);    // true when deleted

// What changes when a file is written or replaced.
struct FileStamp {
  uint64_t size = 0;
  uint64_t write_time = 0;
  bool operator==(const FileStamp&) const = default;
};
// Nothing when the path names no file (or a folder).
std::optional<FileStamp> ReadFileStamp(const std::wstring& path);

// True when a file or folder is named `path` or `path` with an extension
// added ("C:\Program" for "C:\Program.exe"): without one, no search for
// `path` can find anything. `path` is a fully qualified name.
bool AnyItemWithStem(const std::wstring& path);
// Moves a file to another name or folder, also across drives; never replaces
// a file that is there. True when moved.
bool MoveFileTo(const std::wstring& from, const std::wstring& to);

struct FolderItem {
  std::wstring name;
  bool is_folder = false;
  bool is_reparse_point = false;  // junction or symbolic link
  uint64_t size = 0;              // a file's, in bytes
};
// Items of a folder (pattern "*.*", hidden and system items included), in the
// platform's order; "." and ".." come as the platform gives them. Empty when
// the folder cannot be listed.
std::vector<FolderItem> ListFolder(const std::wstring& folder);

// SearchPath with the system's search order; the full path, or nothing.
// Names beyond the path limit are not searched.
std::optional<std::wstring> SearchPathFor(const std::wstring& name);
// FindExecutable for a file in a directory (empty: none); the program's path
// when the call succeeds (result above 32), or nothing. The shell takes no
// file or directory of kMaxPath characters or more, "\\?\" or not.
std::optional<std::wstring> FindExecutableFor(const std::wstring& file,
                                              const std::wstring& directory);

// The text with its environment references ("%windir%") replaced by their
// values, as the system does when it starts a REG_EXPAND_SZ command;
// references to unknown variables stay as written.
std::wstring ExpandEnvironment(const std::wstring& text);

std::wstring WindowsDirectory();   // without a trailing backslash unless a root
std::wstring OwnExecutablePath();  // the running program's own .exe
// The shell's Startup folder of the current user or of all users; empty when
// the shell knows none.
std::wstring KnownStartupFolder(bool all_users);

// Writes text to a file in the ANSI code page, replacing it whole (as
// ReplaceFileBytes). Throws on failure.
void WriteAnsiTextFile(const std::wstring& path, const std::wstring& text);
// Writes the bytes to a file, replacing it in place: a reader may see half of
// it meanwhile (tests and temporary files only). Throws on failure.
void WriteFileBytes(const std::wstring& path, std::string_view bytes);
// Writes the bytes under a temporary name beside `path`, flushed, and moves
// that over `path`: a reader sees the old file or the new one, never half of
// one. Throws on failure, leaving `path` as it was.
void ReplaceFileBytes(const std::wstring& path, std::string_view bytes);
// The same for a file that must be new: false, writing nothing, when `path`
// names a file already (another writer took the name first). Throws on
// every other failure.
bool CreateFileWhole(const std::wstring& path, std::string_view bytes);
// A file's bytes, whole; nothing when it can't be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// What a file carries beside its bytes: its attributes and its three times
// (FILETIME values).
struct FileTimes {
  uint32_t attributes = 0;
  uint64_t created = 0, accessed = 0, written = 0;
  bool operator==(const FileTimes&) const = default;
};
std::optional<FileTimes> ReadFileTimes(const std::wstring& path);
// Sets the times, then the attributes; false when either could not be set.
bool WriteFileTimes(const std::wstring& path, const FileTimes& times);

// Makes one folder; true when it exists afterwards.
bool CreateFolder(const std::wstring& path);
// The current user's local application data folder: the one set by
// UseLocalAppDataFolder, else the shell's; empty when the shell knows none.
std::wstring LocalAppDataFolder();
std::wstring ShellLocalAppDataFolder();
// An elevated korvanec works for the user who started it, whose folder may
// not be its own account's: `path` stands in for the shell's until it is
// set back to empty.
void UseLocalAppDataFolder(const std::wstring& path);

// How many SearchPath and FindExecutable calls this process has made.
uint64_t FileSearchCalls();

// Platform family as GetVersionEx reports it: 1 = Windows 95 family, 2 = NT.
uint32_t PlatformId();
// True on Windows 8 and later, which keep whether each Run value and
// Startup folder item may start (the StartupApproved keys) and honour it.
bool StartupApprovalsHonoured();
// The time now as a FILETIME: 100-nanosecond steps since 1601, UTC.
uint64_t FileTimeNow();

}  // namespace korvane
