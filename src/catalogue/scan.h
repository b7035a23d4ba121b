#pragma once
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "platform/error.h"
#include "platform/processes.h"

namespace korvane {

class TLMDShellLink;

// What the places of one scan share: the list they add to, and the shell
// link object that reads shortcuts (made when the first one is read).
struct StartupScan {
  explicit StartupScan(StartupList& rows);
  ~StartupScan();
  TLMDShellLink& ShellLink();
  // Adds a row, running when a process of its file runs.
  void Add(std::wstring name, std::wstring file_name, std::wstring parameters,
           const std::wstring& location, EntrySource source);

  StartupList& list;
  // Which programs run, as the scan found them: its own snapshot, as a scan
  // may run beside the window's commands.
  TWindowsAPI processes;

 private:
  std::unique_ptr<TLMDShellLink> shell_link_;
};

// A program's file as written, else what the search path gives for it.
std::wstring ResolveProgramFile(const std::wstring& name);

// Empties `list` and refills it from the 27 locations in scan order. When the
// platform layer throws, the rows added so far stay in `list` and the error
// goes on to the caller.
void ScanStartupList(StartupList& list);

// Where the rows of each part of a scan are: a registry key, the Startup
// folders, win.ini, a value place, the tasks, the services. A part's rows
// follow one another, in scan order; `end` is one past its last row.
struct ScanPart {
  std::wstring name;
  size_t end = 0;
  bool operator==(const ScanPart&) const = default;
};
using ScanParts = std::vector<ScanPart>;

// The part names of the scan's places.
extern const wchar_t kStartupFoldersPart[];
extern const wchar_t kWinIniPart[];
std::wstring ValuePlacePart(RootKey root, const std::wstring& key, const std::wstring& value);

// An earlier scan, and the parts that changed since.
struct EarlierScan {
  const StartupList& rows;
  const ScanParts& parts;
  const std::set<std::wstring>& changed;
};

// ScanStartupList, telling where each part's rows are. With `earlier`, only
// the parts that changed (and any part the earlier scan did not have) are
// read again; the others keep their earlier rows, whose running state and
// approvals are found again.
void ScanStartupList(StartupList& list, ScanParts& parts, const EarlierScan* earlier = nullptr);

// Thrown by the scan, after every other row is in the list, when the Task
// Scheduler or the service manager could not be read: their rows are
// missing. The text names each and says why.
class SourcesUnread : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

}  // namespace korvane
