#pragma once
// Splitting a startup command into its program file and parameters, and the
// file searches behind it.
#include <array>
#include <memory>
#include <string>

namespace korvane {

// Tried in this order on a program name without extension.
extern const std::array<const wchar_t*, 10> ProgramExtensions;

// For its own length, remembers every file search and file test made here:
// one scan names the same programs, and the same dead ends ("C:\Program" of
// each unquoted "C:\Program Files\..."), many times over. Only for work that
// changes no file; outside a scope every search goes to the platform. A scope
// within another uses the outer one's memory.
class SearchScope {
 public:
  SearchScope();
  ~SearchScope();
  SearchScope(const SearchScope&) = delete;
  SearchScope& operator=(const SearchScope&) = delete;
  struct Memory;

 private:
  std::unique_ptr<Memory> memory_;  // null for a scope within another
};

// FileExists, remembered within a SearchScope.
bool ProgramFileExists(const std::wstring& path);

struct FileSearch {
  bool found = false;
  std::wstring path;  // the full path found; otherwise as each search says
};

// SearchPath in the system's search order, for files only: a folder of that
// name is not found. Not found: the name unchanged (empty for an empty name).
FileSearch SearchFileOnPath(const std::wstring& name);

// Finds a program: a name with an extension as it stands; a name without one
// with the extension of its associated program, then each of
// ProgramExtensions, then bare. A name with wildcards, or one beyond the
// path limit (FitsPathLimit), is never found; nor is a full path where no
// file or folder has its name (with an extension added, for a name without
// one), which the shell is then not asked about.
FileSearch FindProgramFile(const std::wstring& name);

struct SplitCommand {
  std::wstring file_name;  // as the command spells it, extension completed
  std::wstring parameters;
};

// A quoted program runs to the closing quote; an unquoted one ends at the
// first blank before which a program can be found (or at the first blank when
// none can). A missing extension is completed from the program found.
SplitCommand SplitCommandLine(const std::wstring& command);

struct TaskAction;
struct ServiceRecord;

// A task's program action as a command: its program and arguments, each with
// its references expanded, split as a command of a Run key.
SplitCommand SplitTaskAction(const TaskAction& action);
// A service's image path as a command ("\SystemRoot\" and "\??\" forms and
// references resolved). A shared-process service (svchost.exe) that names its
// DLL shows the DLL as its program, with the host's parameters.
SplitCommand SplitServiceImage(const ServiceRecord& service);

}  // namespace korvane
