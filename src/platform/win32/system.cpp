#include "platform/win32/system.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane::win32 {

std::wstring SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  LocalMemory owner(text);
  if (length == 0) return L"error " + std::to_wstring(error);
  std::wstring message(text, length);
  while (!message.empty() &&
         (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  return message;
}

void ThrowCallError(const wchar_t* call, const std::wstring& subject, DWORD error) {
  std::wstring text = call;
  text += L" failed";
  if (!subject.empty()) text += L" for " + subject;
  text += L": " + SystemMessage(error);
  throw PlatformError(std::move(text));
}

std::wstring SystemDirectory() {
  return ReadGrowing(
      [](wchar_t* buffer, DWORD capacity) { return GetSystemDirectoryW(buffer, capacity); });
}

std::wstring InSixtyFourBitSystemFolder(const std::wstring& path) {
#ifdef _WIN64
  (void)path;
  return {};
#else
  if (!RegistryHasViews()) return {};
  static const std::wstring system = IncludeTrailingBackslash(SystemDirectory());
  static const std::wstring native = IncludeTrailingBackslash(WindowsDirectory()) + L"Sysnative\\";
  if (path.size() <= system.size() || !SameText(path.substr(0, system.size()), system)) return {};
  return native + path.substr(system.size());
#endif
}

std::wstring NativeSystemDirectory() {
  const std::wstring system = SystemDirectory();
  const std::wstring native = InSixtyFourBitSystemFolder(system + L"\\x");
  return native.empty() ? system : native.substr(0, native.size() - 2);
}

void LoadLibrariesFromSystemFolderOnly() {
  using SetDirectoriesFn = BOOL(WINAPI*)(DWORD);
  FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (proc) {
    reinterpret_cast<SetDirectoriesFn>(reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
}

Module LoadSystemLibrary(const wchar_t* name) {
  Module module(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  // Systems without the search flags refuse it as an invalid parameter; they
  // get the library by its full path in the system folder instead.
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
    std::wstring folder = SystemDirectory();
    if (!folder.empty()) {
      module.reset(
          LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    }
  }
  return module;
}

}  // namespace korvane::win32
