#include "catalogue/scan.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "catalogue/approval.h"
#include "catalogue/command_line.h"
#include "catalogue/location.h"
#include "catalogue/places/registry_value.h"
#include "catalogue/places/scheduled_task.h"
#include "catalogue/places/service.h"
#include "catalogue/places/startup_file.h"
#include "catalogue/places/value_item.h"
#include "catalogue/places/win_ini_word.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

StartupScan::StartupScan(StartupList& rows) : list(rows) {}
StartupScan::~StartupScan() = default;

TLMDShellLink& StartupScan::ShellLink() {
  if (!shell_link_) shell_link_ = std::make_unique<TLMDShellLink>();
  return *shell_link_;
}

void StartupScan::Add(std::wstring name, std::wstring file_name, std::wstring parameters,
                      const std::wstring& location, EntrySource source) {
  StartupEntry entry;
  // A program whose file is gone runs from nowhere, whatever runs under its name.
  entry.running =
      ProgramFileExists(file_name) && TWindowsAPI::Instance().FindProcessFile(file_name) != -1;
  entry.name = std::move(name);
  entry.file_name = std::move(file_name);
  entry.parameters = std::move(parameters);
  entry.location = location;
  entry.source = std::move(source);
  list.push_back(std::move(entry));
}

std::wstring ResolveProgramFile(const std::wstring& name) {
  return ProgramFileExists(name) ? name : SearchFileOnPath(name).path;
}

void ScanStartupList(StartupList& list) {
  TWindowsAPI::Instance().InvalidateProcessList();
  list.clear();
  std::future<TasksAndServices> system = ListTasksAndServices();
  SearchScope searches;
  StartupScan scan{list};
  TRegistry reg;
  for (const StartupLocation& location : ScannedRegistryLocations()) {
    ListRegistryKey(location, reg, scan);
  }
  // The three Shell Folders values are read only now, after the keys, so a
  // failing read there keeps every registry row. Two values may name one
  // folder (the default user's is the user's own under some systems): it is
  // listed once, at its first place.
  std::vector<std::wstring> scanned;
  for (const StartupLocation& location : StartupFolderLocations()) {
    if (location.path.empty() || !FolderExists(location.path)) continue;
    const std::wstring folder = IncludeTrailingBackslash(location.path);
    if (std::any_of(scanned.begin(), scanned.end(),
                    [&folder](const std::wstring& seen) { return SameText(seen, folder); })) {
      continue;
    }
    scanned.push_back(folder);
    ListStartupFolder(folder, scan);
  }
  if (FileExists(WinIniPath())) {
    for (const StartupLocation& location : WinIniLocations()) ListWinIniKey(location, scan);
  }
  ListValuePlaces(scan);
  const TasksAndServices listed = system.get();
  ListScheduledTasks(listed.tasks, scan);
  ListServices(listed.services, scan);
  ReadApprovals(list);
  std::wstring unread;
  if (!listed.tasks_unread.empty()) {
    unread = L"The Task Scheduler could not be read: " + listed.tasks_unread;
  }
  if (!listed.services_unread.empty()) {
    unread += (unread.empty() ? L"" : L" ") +
              (L"The services could not be read: " + listed.services_unread);
  }
  if (!unread.empty()) throw SourcesUnread(unread + L" Their entries are not listed.");
}

}  // namespace korvane
