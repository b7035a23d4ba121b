#pragma once
#include <memory>
#include <string>

#include "catalogue/entry.h"
#include "platform/error.h"

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

 private:
  std::unique_ptr<TLMDShellLink> shell_link_;
};

// A program's file as written, else what the search path gives for it.
std::wstring ResolveProgramFile(const std::wstring& name);

// Empties `list` and refills it from the 27 locations in scan order. When the
// platform layer throws, the rows added so far stay in `list` and the error
// goes on to the caller.
void ScanStartupList(StartupList& list);

// Thrown by the scan, after every other row is in the list, when the Task
// Scheduler or the service manager could not be read: their rows are
// missing. The text names each and says why.
class SourcesUnread : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

}  // namespace korvane
