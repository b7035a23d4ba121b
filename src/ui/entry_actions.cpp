#include "ui/entry_actions.h"

#include "catalogue/location.h"
#include "catalogue/system_entries.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
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

const wchar_t kRegistryEditorKey[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

JumpPlace JumpPlaceOf(const StartupEntry& row) {
  return PlaceOf(row).Jump(row);
}

std::wstring RegistryEditorLastKey(const std::wstring& key, const std::wstring& stored) {
  std::wstring computer = L"Computer";
  const size_t slash = stored.find(L'\\');
  const std::wstring first = stored.substr(0, slash);
  if (!first.empty() && !StartsWith(AsciiUpper(first), L"HKEY_")) computer = first;
  // An editor that keeps no computer's name keeps none.
  if (!stored.empty() && StartsWith(AsciiUpper(stored), L"HKEY_")) return key;
  return computer + L"\\" + key;
}

void JumpToEntry(const StartupEntry& row) {
  const JumpPlace place = JumpPlaceOf(row);
  switch (place.kind) {
    case JumpPlace::Kind::RegistryKey: {
      TRegistry registry;
      if (registry.OpenKey(kRegistryEditorKey, true)) {
        const std::wstring stored = registry.GetDataType(L"LastKey") == RegistryDataType::String
                                        ? registry.ReadString(L"LastKey")
                                        : L"";
        registry.WriteString(L"LastKey", RegistryEditorLastKey(place.target, stored));
      }
      return ShellOpen(L"regedit.exe", L"", L"");
    }
    case JumpPlace::Kind::FolderItem:
      return ShellOpen(L"explorer.exe", L"/select,\"" + place.target + L"\"", L"");
    case JumpPlace::Kind::WinIni:
      return ShellOpen(L"notepad.exe", L"\"" + place.target + L"\"", L"");
    case JumpPlace::Kind::None:
      return;
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
