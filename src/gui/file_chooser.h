#pragma once
// The open-file dialog, in its wide-character form so that any folder or file
// name comes back intact.
#include <windows.h>

#include <string>
#include <vector>

namespace korvane {

// The filter of the choosers that pick a program.
inline constexpr wchar_t kExecutablesFilter[] =
    L"Executables (*.exe, *.com, *.bat)|*.exe;*.com;*.bat;*.js;*.vbs|All files(*.*)|*.*";

struct FileChoice {
  // "Label|patterns|Label|patterns", as the choosers' filters are written.
  std::wstring filter;
  bool several = false;    // more than one file may be chosen
  std::wstring file_name;  // shown at the start; the chosen file afterwards
};

// Shows the dialog over `owner`; the chosen files' full paths, first to last,
// or none when the user cancels. However many files are chosen, none is cut
// off: the buffer grows with the choice. The current directory is kept.
std::vector<std::wstring> ChooseFiles(HWND owner, FileChoice& choice);

}  // namespace korvane
