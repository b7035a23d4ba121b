#pragma once
// Splitting a startup command into its program file and parameters, and the
// file searches behind it.
#include <array>
#include <string>

namespace korvane {

// Tried in this order on a program name without extension.
extern const std::array<const wchar_t*, 10> ProgramExtensions;

struct FileSearch {
  bool found = false;
  std::wstring path;  // the full path found; otherwise as each search says
};

// SearchPath in the system's search order. Not found: the name unchanged
// (empty for an empty name).
FileSearch SearchFileOnPath(const std::wstring& name);

// Finds a program: a name with an extension as it stands; a name without one
// with the extension of its associated program, then each of
// ProgramExtensions, then bare. A name with wildcards, or one beyond the
// path limit (FitsPathLimit), is never found.
FileSearch FindProgramFile(const std::wstring& name);

struct SplitCommand {
  std::wstring file_name;  // as the command spells it, extension completed
  std::wstring parameters;
};

// A quoted program runs to the closing quote; an unquoted one ends at the
// first blank before which a program can be found (or at the first blank when
// none can). A missing extension is completed from the program found.
SplitCommand SplitCommandLine(const std::wstring& command);

}  // namespace korvane
