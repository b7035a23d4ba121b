#pragma once
// The shell's and the common dialogs' libraries, loaded from the system folder
// at their first use instead of at start: the program shows its list before
// it needs either, and mapping them (with what they load in turn) would hold
// up every start. Their functions are called through these tables only; a
// direct call would bind the library at start again.
#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace korvane::win32 {

struct Shell32 {
  decltype(&::FindExecutableW) FindExecutableW;
  decltype(&::SHGetFileInfoW) SHGetFileInfoW;
  decltype(&::SHGetFolderPathW) SHGetFolderPathW;
  decltype(&::ShellExecuteW) ShellExecuteW;
  decltype(&::ShellExecuteExW) ShellExecuteExW;
  decltype(&::Shell_NotifyIconW) Shell_NotifyIconW;
};

struct Comdlg32 {
  decltype(&::ChooseColorW) ChooseColorW;
  decltype(&::ChooseFontW) ChooseFontW;
  decltype(&::CommDlgExtendedError) CommDlgExtendedError;
  decltype(&::GetOpenFileNameW) GetOpenFileNameW;
};

// Loaded at the first call, on any thread, and kept until the program ends;
// throws PlatformError, naming the library or function, where that fails.
const Shell32& Shell();
const Comdlg32& CommonDialogs();

}  // namespace korvane::win32
