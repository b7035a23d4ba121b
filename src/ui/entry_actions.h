#pragma once
// What the commands on the selected rows do, row by row, from the row texts
// alone, and the Service menu's tools; Open folder and Properties also for
// the file names the blacklist and new entries dialogs pass. The windows ask
// first and refresh afterwards; nothing here touches a window.
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/places/place_kind.h"

namespace korvane {

// Starts each row's program whose file exists, with its parameters, in the
// program's own folder. A file that is missing (or a URL) is passed over.
// A scheduled task is run by the Task Scheduler, a service started by the
// service control manager; those refused are named, one line each, in the
// PlatformError thrown once every row was acted on.
void RunEntries(const StartupList& rows);
// Ends one process of each row's program that runs now, by a process list
// taken afresh; the program is terminated, not asked. A task's instances are
// ended and a service stopped, refusals thrown as above.
void StopEntries(const StartupList& rows);
// Opens the folder of each file that exists, first to last, one window per
// file (also for a folder that two files share). A file that is missing (or
// a URL) is passed over.
void OpenFolders(const std::vector<std::wstring>& files);
// Shows the shell's properties sheet of each file that exists, owned by the
// window `owner` (none when null).
void ShowProperties(const std::vector<std::wstring>& files, void* owner = nullptr);
// The same for the rows' files.
void OpenEntryFolders(const StartupList& rows);
void ShowEntryProperties(const StartupList& rows);

// Where "Jump to entry" shows a row: the registry editor at its key, Explorer
// with its file selected, or win.ini in the text editor.
JumpPlace JumpPlaceOf(const StartupEntry& row);

// The registry editor opens at the key its LastKey value names, the key path
// after the name the editor gives the computer ("Computer\HKEY_..."). The
// text for `key`, with the computer's name taken from the value as `stored`
// (the editor's own word, in the system's language), "Computer" when there
// is none.
std::wstring RegistryEditorLastKey(const std::wstring& key, const std::wstring& stored);
extern const wchar_t kRegistryEditorKey[];  // under HKEY_CURRENT_USER

// Shows the row in its place; nothing for a row that has none.
void JumpToEntry(const StartupEntry& row);

enum class ServiceTool { SystemRegistry, CurrentUserStartup, AllUsersStartup, WinIni };
// Opens the registry editor, a Startup folder or win.ini in the shell. A
// Startup folder that neither Shell Folders nor the shell knows opens nothing.
void OpenServiceTool(ServiceTool tool);

}  // namespace korvane
