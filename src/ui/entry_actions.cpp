#include "ui/entry_actions.h"

#include "catalogue/location.h"
#include "catalogue/system_entries.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

namespace {

// Acts on the task or service of the row; a refusal is kept for the end, so
// that the other rows are acted on all the same.
void OnSystemEntry(void (*act)(const StartupEntry&), const StartupEntry& row,
                   std::wstring& failures) {
  try {
    act(row);
  } catch (const PlatformError& error) {
    failures += (failures.empty() ? L"" : L"\n") + row.name + L": " + error.Text();
  }
}

}  // namespace

void RunEntries(const StartupList& rows) {
  std::wstring failures;
  for (const StartupEntry& row : rows) {
    if (IsSystemEntry(row)) {
      OnSystemEntry(RunSystemEntry, row, failures);
    } else if (FileExists(row.file_name)) {
      ShellOpen(row.file_name, row.parameters, ExtractFilePath(row.file_name));
    }
  }
  if (!failures.empty()) throw PlatformError(failures);
}

void StopEntries(const StartupList& rows) {
  TWindowsAPI& processes = TWindowsAPI::Instance();
  processes.InvalidateProcessList();
  std::wstring failures;
  for (const StartupEntry& row : rows) {
    if (IsSystemEntry(row)) {
      OnSystemEntry(StopSystemEntry, row, failures);
    } else if (processes.FindProcessFile(row.file_name) != -1) {
      processes.EndProcessByFileName(row.file_name, false, EndMode::Terminate);
    }
  }
  if (!failures.empty()) throw PlatformError(failures);
}

void OpenFolders(const std::vector<std::wstring>& files) {
  for (const std::wstring& file : files) {
    if (FileExists(file)) ShellOpen(ExtractFilePath(file), L"", L"");
  }
}

void ShowProperties(const std::vector<std::wstring>& files, void* owner) {
  for (const std::wstring& file : files) {
    if (!FileExists(file)) continue;
    TLMDShellObjectPropertiesDialog sheet;
    sheet.ObjectName = file;
    if (owner) {
      sheet.OwnerHandle = OwnerWindow::OwnerForm;
      sheet.owner_form = owner;
    }
    sheet.Execute();
  }
}

namespace {

std::vector<std::wstring> FileNames(const StartupList& rows) {
  std::vector<std::wstring> files;
  files.reserve(rows.size());
  for (const StartupEntry& row : rows) files.push_back(row.file_name);
  return files;
}

}  // namespace

void OpenEntryFolders(const StartupList& rows) {
  OpenFolders(FileNames(rows));
}

void ShowEntryProperties(const StartupList& rows) {
  ShowProperties(FileNames(rows));
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
