#include "catalogue/scan.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "catalogue/approval.h"
#include "catalogue/command_line.h"
#include "catalogue/location.h"
#include "catalogue/system_entries.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

// What a shortcut starts, as last read from a file of that stamp.
struct ReadShortcut {
  std::optional<FileStamp> stamp;
  bool loaded = false;
  std::wstring target, arguments, working_folder;
};

// What the locations of one scan share.
struct StartupScan {
  StartupList& list;
  std::unique_ptr<TLMDShellLink> shell_link;  // made when the first shortcut is read

  // Loading a shortcut costs the shell far more than a look at the file's
  // stamp: an unchanged shortcut is read once for as long as the program runs.
  const ReadShortcut& Shortcut(const std::wstring& path) {
    static std::unordered_map<std::wstring, ReadShortcut> read;
    std::optional<FileStamp> stamp = ReadFileStamp(path);
    auto [found, added] = read.try_emplace(path);
    ReadShortcut& shortcut = found->second;
    if (added || !stamp || shortcut.stamp != stamp) {
      if (!shell_link) shell_link = std::make_unique<TLMDShellLink>();
      shortcut = {stamp, shell_link->LoadShellLink(path, 0),
                  shell_link->Path + shell_link->FileName, shell_link->Arguments,
                  shell_link->WorkingDirectory};
      // A target kept with its environment references starts where they lead.
      if (shortcut.loaded && !shell_link->ExpandableTarget.empty()) {
        shortcut.target = ExpandEnvironment(shell_link->ExpandableTarget);
      }
    }
    return shortcut;
  }

  void Add(std::wstring name, std::wstring file_name, std::wstring parameters,
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
};

namespace {

// A name as written, else what the search path gives for it.
std::wstring ResolveFile(const std::wstring& name) {
  return ProgramFileExists(name) ? name : SearchFileOnPath(name).path;
}

void ScanRegistryKey(const StartupLocation& location, TRegistry& reg, StartupScan& scan) {
  reg.SetRootKey(location.root);
  if (!reg.OpenKeyReadOnly(location.path)) return;
  std::wstring text = LocationText(location);
  for (auto& [name, data] : reg.GetValues()) {
    // A value that holds no string starts nothing; it must not hide the rest.
    std::optional<std::wstring> value = RegistryText(data);
    if (!value) continue;
    // The system expands such a command before it starts it.
    if (data.type == RegistryDataType::ExpandString) value = ExpandEnvironment(*value);
    SplitCommand command = SplitCommandLine(*value);
    // An entry whose program is gone is listed all the same: the system still
    // tries to start it at every logon, and the user can only clean what he sees.
    std::wstring file = ResolveFile(command.file_name);
    if (!file.empty()) {
      RegistrySource source{location.root, reg.GetView(), location.path, name, std::move(data)};
      scan.Add(std::move(name), std::move(file), std::move(command.parameters), text,
               std::move(source));
    }
  }
  reg.CloseKey();
}

void ScanWinIniKey(const StartupLocation& location, StartupScan& scan) {
  std::wstring words = TIniFile(location.path).ReadString(L"Windows", location.key, L"");
  std::wstring text = LocationText(location);
  const auto places = WinIniWords(words);
  for (size_t i = 0; i < places.size(); ++i) {
    std::wstring word = words.substr(places[i].first, places[i].second);
    if (word.empty()) continue;
    size_t occurrence = 0;
    for (size_t j = 0; j < i; ++j) {
      if (words.compare(places[j].first, places[j].second, word) == 0) ++occurrence;
    }
    std::wstring name = ExtractFileTitle(word);
    scan.Add(std::move(name), word, L"", text,
             WinIniSource{location.path, location.key, word, i, occurrence});
  }
}

// One row for each program action of each task that starts at logon or boot.
void ScanScheduledTasks(const std::vector<ScheduledTask>& tasks, StartupScan& scan) {
  for (const ScheduledTask& task : tasks) {
    if (!task.at_logon_or_boot) continue;
    for (size_t i = 0; i < task.actions.size(); ++i) {
      SplitCommand command = SplitTaskAction(task.actions[i]);
      std::wstring file = ResolveFile(command.file_name);
      if (file.empty()) continue;
      scan.Add(task.path, std::move(file), std::move(command.parameters), kTaskSchedulerLocation,
               TaskSource{task.path, i, ExpandEnvironment(task.actions[i].working_folder)});
      StartupEntry& row = scan.list.back();
      row.running = row.running || task.running;
      row.enabled = task.enabled;
    }
  }
}

// The services that start on their own, and those that Korvane switched off.
void ScanServices(const std::vector<ServiceRecord>& services, StartupScan& scan) {
  const std::map<std::wstring, KeptStart> switched_off = ServicesSwitchedOff();
  for (const ServiceRecord& service : services) {
    auto kept = switched_off.find(AsciiUpper(service.name));
    const bool off = service.start == ServiceStart::Disabled && kept != switched_off.end();
    if (service.start != ServiceStart::Automatic && !off) continue;
    SplitCommand command = SplitServiceImage(service);
    std::wstring file = ResolveFile(command.file_name);
    if (file.empty()) continue;
    ServiceSource source{service.name, off ? kept->second.start : service.start,
                         off ? kept->second.delayed : service.delayed};
    scan.Add(service.display_name.empty() ? service.name : service.display_name, std::move(file),
             std::move(command.parameters), kServicesLocation, std::move(source));
    StartupEntry& row = scan.list.back();
    row.running = service.running;
    row.enabled = !off;
  }
}

}  // namespace

std::wstring ReadInternetShortcut(const std::wstring& file) {
  return TIniFile(file).ReadString(L"InternetShortcut", L"URL", L"");
}

void ScanStartupFolder(const std::wstring& folder, StartupScan& scan) {
  std::wstring location = ExcludeTrailingBackslash(folder);
  for (const FolderItem& item : ListFolder(folder)) {
    const std::wstring& name = item.name;
    if (item.is_folder) {
      // A junction may lead back up the tree: only real subfolders are entered.
      if (name != L"." && name != L".." && !item.is_reparse_point) {
        ScanStartupFolder(folder + name + L"\\", scan);
      }
      continue;
    }
    std::wstring extension = ExtractFileExt(name);
    if (extension == L".lnk") {
      const ReadShortcut& shortcut = scan.Shortcut(folder + name);
      if (!shortcut.loaded) continue;
      // A target that is gone is listed as the shortcut names it.
      std::wstring target = ResolveFile(shortcut.target);
      if (!target.empty()) {
        FolderSource source{folder + name, true, shortcut.target, shortcut.arguments,
                            shortcut.working_folder};
        scan.Add(name, std::move(target), shortcut.arguments, location, std::move(source));
      }
    } else if (extension == L".url") {
      scan.Add(name, ResolveFile(ReadInternetShortcut(folder + name)), L"", location,
               FileSource(folder + name));
    } else if (name != L"desktop.ini" && name != L"thumbs.db") {
      scan.Add(name, folder + name, L"", location, FileSource(folder + name));
    }
  }
}

void ScanStartupList(StartupList& list) {
  TWindowsAPI::Instance().InvalidateProcessList();
  list.clear();
  std::future<TasksAndServices> system = ListTasksAndServices();
  SearchScope searches;
  StartupScan scan{list, nullptr};
  TRegistry reg;
  for (const StartupLocation& location : ScannedRegistryLocations()) {
    ScanRegistryKey(location, reg, scan);
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
    ScanStartupFolder(folder, scan);
  }
  if (FileExists(WinIniPath())) {
    for (const StartupLocation& location : WinIniLocations()) ScanWinIniKey(location, scan);
  }
  const TasksAndServices listed = system.get();
  ScanScheduledTasks(listed.tasks, scan);
  ScanServices(listed.services, scan);
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
