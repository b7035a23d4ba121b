#include "ui/entry_actions.h"

#include "catalogue/location.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

void RunEntries(const StartupList& rows) {
  for (const StartupEntry& row : rows) {
    if (FileExists(row.file_name)) {
      ShellOpen(row.file_name, row.parameters, ExtractFilePath(row.file_name));
    }
  }
}

void StopEntries(const StartupList& rows) {
  TWindowsAPI& processes = TWindowsAPI::Instance();
  processes.InvalidateProcessList();
  for (const StartupEntry& row : rows) {
    if (processes.FindProcessFile(row.file_name) != -1) {
      processes.EndProcessByFileName(row.file_name, false, EndMode::Terminate);
    }
  }
}

void OpenEntryFolders(const StartupList& rows) {
  for (const StartupEntry& row : rows) {
    if (FileExists(row.file_name)) ShellOpen(ExtractFilePath(row.file_name), L"", L"");
  }
}

void ShowEntryProperties(const StartupList& rows) {
  for (const StartupEntry& row : rows) {
    if (!FileExists(row.file_name)) continue;
    TLMDShellObjectPropertiesDialog sheet;
    sheet.ObjectName = row.file_name;
    sheet.Execute();
  }
}

void OpenServiceTool(ServiceTool tool) {
  switch (tool) {
    case ServiceTool::SystemRegistry:
      return ShellOpen(L"regedit.exe", L"", L"");
    case ServiceTool::WinIni:
      // The bare name: the shell finds it and opens it with the .ini program.
      return ShellOpen(L"win.ini", L"", L"");
    case ServiceTool::CurrentUserStartup:
    case ServiceTool::AllUsersStartup: {
      std::wstring folder =
          StartupFolderPath(tool == ServiceTool::AllUsersStartup ? StartupFolder::AllUsers
                                                                 : StartupFolder::CurrentUser);
      if (!folder.empty()) ShellOpen(folder, L"", L"");
      return;
    }
  }
}

}  // namespace korvane
