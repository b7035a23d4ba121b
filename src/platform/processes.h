#pragma once
// The process service: which programs run now, and ending them. One shared
// instance keeps a snapshot of the running processes until it is invalidated.
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

enum class EndMode { Close, Terminate };

class TWindowsAPI {
 public:
  static TWindowsAPI& Instance();

  // Executable paths of the running processes, in the platform's order; the
  // snapshot is taken when none is held.
  const std::vector<std::wstring>& GetProcessFileNames();
  // Index of the process whose path equals `path` (blanks and control
  // characters at either end ignored, letter case ignored), or -1.
  int FindProcessFile(const std::wstring& path);
  void InvalidateProcessList();
  // Ends processes of `path`, from the last listed to the first; with `all`
  // clear only the first match. Returns how many were acted on.
  int EndProcessByFileName(const std::wstring& path, bool all, EndMode mode);

 private:
  void Build();
  std::vector<std::wstring> paths_;
  std::vector<uint32_t> ids_;
  std::vector<std::wstring> bare_names_;
  bool paths_valid_ = false;
  bool bare_names_valid_ = false;
};

// The comparison of every lookup in the process lists.
bool SameProcessPath(std::wstring_view a, std::wstring_view b);

// What the backends provide underneath TWindowsAPI.
struct ProcessRecord {
  uint32_t id = 0;
  std::wstring path;
};
// Throws PlatformError when the processes cannot be listed.
std::vector<ProcessRecord> EnumerateProcesses();
void TerminateProcessById(uint32_t id);
// Posts WM_CLOSE to the process's first visible parentless top-level window,
// else to its first top-level window; nothing when it has none.
void RequestProcessClose(uint32_t id);

// Makes the calling thread yield to the program's others (and its file reads
// to theirs): work that nobody waits for.
void RunThisThreadInBackground();

// Turns a module path of the NT family into the path shown: "[System Process]"
// and "System" for the unreadable ids 0 and 2/4/8, "\??\" removed,
// "\SystemRoot\" replaced by the Windows directory.
std::wstring NormaliseModulePath(const std::wstring& path, uint32_t id,
                                 const std::wstring& windows_directory);

}  // namespace korvane
