#include "platform/win32/lazy_libraries.h"

#include <type_traits>

#include "platform/win32/system.h"

namespace korvane::win32 {

namespace {

// The library, never freed: the tables keep pointing into it.
HMODULE LoadForGood(const wchar_t* name) {
  HMODULE module = LoadSystemLibrary(name).release();
  if (!module) ThrowCallError(L"LoadLibrary", name, GetLastError());
  return module;
}

template <typename Fn>
void Bind(HMODULE module, Fn& function, const char* name) {
  function = Export<std::remove_reference_t<Fn>>(module, name);
}

}  // namespace

const Shell32& Shell() {
  static const Shell32 table = [] {
    const HMODULE module = LoadForGood(L"shell32.dll");
    Shell32 t;
    Bind(module, t.FindExecutableW, "FindExecutableW");
    Bind(module, t.SHGetFileInfoW, "SHGetFileInfoW");
    Bind(module, t.SHGetFolderPathW, "SHGetFolderPathW");
    Bind(module, t.ShellExecuteW, "ShellExecuteW");
    Bind(module, t.ShellExecuteExW, "ShellExecuteExW");
    Bind(module, t.Shell_NotifyIconW, "Shell_NotifyIconW");
    return t;
  }();
  return table;
}

const Comdlg32& CommonDialogs() {
  static const Comdlg32 table = [] {
    const HMODULE module = LoadForGood(L"comdlg32.dll");
    Comdlg32 t;
    Bind(module, t.ChooseColorW, "ChooseColorW");
    Bind(module, t.ChooseFontW, "ChooseFontW");
    Bind(module, t.CommDlgExtendedError, "CommDlgExtendedError");
    Bind(module, t.GetOpenFileNameW, "GetOpenFileNameW");
    return t;
  }();
  return table;
}

}  // namespace korvane::win32
