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

namespace {

bool RunsNow(const std::wstring& file_name, TWindowsAPI& processes) {
  // A program whose file is gone runs from nowhere, whatever runs under its name.
  return ProgramFileExists(file_name) && processes.FindProcessFile(file_name) != -1;
}

}  // namespace

StartupScan::StartupScan(StartupList& rows) : list(rows) {}
StartupScan::~StartupScan() = default;

TLMDShellLink& StartupScan::ShellLink() {
  if (!shell_link_) shell_link_ = std::make_unique<TLMDShellLink>();
  return *shell_link_;
}

void StartupScan::Add(std::wstring name, std::wstring file_name, std::wstring parameters,
                      const std::wstring& location, EntrySource source) {
  StartupEntry entry;
  entry.running = RunsNow(file_name, processes);
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

const wchar_t kStartupFoldersPart[] = L"Startup folders";
const wchar_t kWinIniPart[] = L"win.ini";

std::wstring ValuePlacePart(RootKey root, const std::wstring& key, const std::wstring& value) {
  return std::wstring(RootKeyName(root)) + key + L", " + value;
}

namespace {

// The scan part by part: a part that has not changed since the earlier scan
// is copied from it instead of read.
class PartScan {
 public:
  PartScan(StartupScan& scan, ScanParts& parts, const EarlierScan* earlier)
      : scan_(scan), parts_(parts), earlier_(earlier) {}

  bool MustRead(const std::wstring& name) const {
    return !earlier_ || earlier_->changed.count(name) || !EarlierPart(name);
  }

  // Ends the part `name`: read (its rows have just been added) or copied.
  template <typename Read>
  void Part(const std::wstring& name, Read read) {
    if (MustRead(name)) {
      read();
    } else {
      const auto [begin, end] = *EarlierPart(name);
      for (size_t i = begin; i < end; ++i) {
        scan_.list.push_back(earlier_->rows[i]);
        scan_.list.back().running = RunsNow(scan_.list.back().file_name, scan_.processes);
      }
    }
    parts_.push_back({name, scan_.list.size()});
  }

 private:
  std::optional<std::pair<size_t, size_t>> EarlierPart(const std::wstring& name) const {
    size_t begin = 0;
    for (const ScanPart& part : earlier_->parts) {
      if (part.name == name) {
        if (part.end < begin || part.end > earlier_->rows.size()) return std::nullopt;
        return std::pair{begin, part.end};
      }
      begin = part.end;
    }
    return std::nullopt;
  }

  StartupScan& scan_;
  ScanParts& parts_;
  const EarlierScan* earlier_;
};

}  // namespace

void ScanStartupList(StartupList& list) {
  ScanParts parts;
  ScanStartupList(list, parts);
}

void ScanStartupList(StartupList& list, ScanParts& parts, const EarlierScan* earlier) {
  list.clear();
  parts.clear();
  StartupScan scan{list};
  PartScan part_scan{scan, parts, earlier};
  const bool read_tasks = part_scan.MustRead(kTaskSchedulerLocation);
  const bool read_services = part_scan.MustRead(kServicesLocation);
  std::future<TasksAndServices> system;
  if (read_tasks || read_services) system = ListTasksAndServices();
  SearchScope searches;
  TRegistry reg;
  for (const StartupLocation& location : ScannedRegistryLocations()) {
    part_scan.Part(LocationText(location), [&] { ListRegistryKey(location, reg, scan); });
  }
  part_scan.Part(kStartupFoldersPart, [&] {
    // The three Shell Folders values are read only now, after the keys, so a
    // failing read there keeps every registry row. Two values may name one
    // folder (the default user's is the user's own under some systems): it
    // is listed once, at its first place.
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
  });
  part_scan.Part(kWinIniPart, [&] {
    if (FileExists(WinIniPath())) {
      for (const StartupLocation& location : WinIniLocations()) ListWinIniKey(location, scan);
    }
  });
  for (const ValuePlace& place : ValuePlaces()) {
    part_scan.Part(ValuePlacePart(place.root, place.key, place.value),
                   [&] { ListValuePlace(place, scan); });
  }
  const TasksAndServices listed = system.valid() ? system.get() : TasksAndServices{};
  part_scan.Part(kTaskSchedulerLocation, [&] { ListScheduledTasks(listed.tasks, scan); });
  part_scan.Part(kServicesLocation, [&] { ListServices(listed.services, scan); });
  ReadApprovals(list);
  std::wstring unread;
  if (read_tasks && !listed.tasks_unread.empty()) {
    unread = L"The Task Scheduler could not be read: " + listed.tasks_unread;
  }
  if (read_services && !listed.services_unread.empty()) {
    unread += (unread.empty() ? L"" : L" ") +
              (L"The services could not be read: " + listed.services_unread);
  }
  if (!unread.empty()) throw SourcesUnread(unread + L" Their entries are not listed.");
}

}  // namespace korvane
