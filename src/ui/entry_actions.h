#pragma once
// What the commands on the selected rows do, row by row, from the row texts
// alone, and the Service menu's tools; Open folder and Properties also for
// the file names the blacklist and new entries dialogs pass. The windows ask
// first and refresh afterwards; nothing here touches a window.
#include <string>
#include <vector>

#include "catalogue/entry.h"

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

enum class ServiceTool { SystemRegistry, CurrentUserStartup, AllUsersStartup, WinIni };
// Opens the registry editor, a Startup folder or win.ini in the shell. A
// Startup folder that neither Shell Folders nor the shell knows opens nothing.
void OpenServiceTool(ServiceTool tool);

}  // namespace korvane
