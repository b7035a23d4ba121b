#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cwchar>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

// Lets us open the processes of other users and of the system, where the
// account holds the privilege at all; without it those processes stay in
// the list with an empty path. Asked once: the privilege stays with the
// program's token.
void EnableDebugPrivilege() {
  static bool asked = false;
  if (asked) return;
  asked = true;
  win32::KernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId()));
  if (!process) return;
  win32::KernelHandle token;
  if (!OpenProcessToken(process.get(), TOKEN_ADJUST_PRIVILEGES, token.put())) return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return;
  AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

// The process functions of psapi.dll, loaded from the system folder on first use.
struct Psapi {
  using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
  using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, wchar_t*, DWORD);
  win32::Module library;
  EnumProcessesFn enum_processes = nullptr;
  GetModuleFileNameExFn module_file_name = nullptr;
};

const Psapi& LoadPsapi() {
  static Psapi psapi;
  if (!psapi.library) {
    win32::Module library = win32::LoadSystemLibrary(L"psapi.dll");
    if (!library) win32::ThrowCallError(L"LoadLibraryExW", L"psapi.dll", GetLastError());
    psapi.enum_processes = win32::Export<Psapi::EnumProcessesFn>(library.get(), "EnumProcesses");
    psapi.module_file_name =
        win32::Export<Psapi::GetModuleFileNameExFn>(library.get(), "GetModuleFileNameExW");
    psapi.library = std::move(library);
  }
  return psapi;
}

// A 32-bit program on 64-bit Windows cannot read the modules of 64-bit
// processes; the system still names their image, as it does for processes
// that only allow a limited query.
std::wstring ImagePath(win32::KernelHandle& process, DWORD id) {
  using QueryImageFn = BOOL(WINAPI*)(HANDLE, DWORD, wchar_t*, DWORD*);
  static const auto query = reinterpret_cast<QueryImageFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
  if (!query) return {};
  if (!process) process.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) return {};
  return win32::ReadGrowing([&](wchar_t* buffer, DWORD capacity) -> DWORD {
    DWORD size = capacity;
    if (query(process.get(), 0, buffer, &size)) return size;
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? capacity : 0;
  });
}

std::vector<ProcessRecord> NtProcesses() {
  EnableDebugPrivilege();
  const Psapi& psapi = LoadPsapi();
  std::vector<DWORD> ids(4096 / sizeof(DWORD));
  DWORD bytes = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(ids.size() * sizeof(DWORD));
    if (!psapi.enum_processes(ids.data(), size, &bytes)) {
      win32::ThrowCallError(L"EnumProcesses", {}, GetLastError());
    }
    // A full buffer may have cut the list: grow by half and ask again.
    if (bytes < size) break;
    ids.resize(ids.size() * 3 / 2);
  }
  ids.resize(bytes / sizeof(DWORD));

  const std::wstring windows_directory = WindowsDirectory();
  std::vector<ProcessRecord> records;
  records.reserve(ids.size());
  for (DWORD id : ids) {
    std::wstring path;
    win32::KernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (process) {
      path = win32::ReadGrowing([&](wchar_t* buffer, DWORD capacity) {
        return psapi.module_file_name(process.get(), nullptr, buffer, capacity);
      });
    }
    if (path.empty()) path = ImagePath(process, id);
    records.push_back({id, NormaliseModulePath(path, id, windows_directory)});
  }
  return records;
}

// The Windows 95 family has no psapi: its processes come from a Toolhelp snapshot.
std::vector<ProcessRecord> ToolhelpProcesses() {
  win32::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) win32::ThrowCallError(L"CreateToolhelp32Snapshot", {}, GetLastError());
  std::vector<ProcessRecord> records;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  const wchar_t* call = L"Process32FirstW";
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    call = L"Process32NextW";
    // Older systems fill less of the record than was asked for: take only
    // the fields that its size covers.
    if (entry.dwSize > 8) {
      ProcessRecord record{entry.th32ProcessID, {}};
      if (entry.dwSize > offsetof(PROCESSENTRY32W, szExeFile)) {
        record.path.assign(entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH));
      }
      records.push_back(std::move(record));
    }
    entry.dwSize = sizeof(entry);
  }
  if (DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) {
    win32::ThrowCallError(call, {}, error);
  }
  return records;
}

struct WindowSearch {
  DWORD id;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->id) return TRUE;
  // No exception may cross the system's call back into us.
  try {
    search->windows.push_back(window);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<ProcessRecord> EnumerateProcesses() {
  return PlatformId() == VER_PLATFORM_WIN32_NT ? NtProcesses() : ToolhelpProcesses();
}

void TerminateProcessById(uint32_t id) {
  win32::KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
  if (process) TerminateProcess(process.get(), 0);
}

void RequestProcessClose(uint32_t id) {
  WindowSearch search{id, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  if (search.windows.empty()) return;
  HWND target = search.windows.front();
  for (HWND window : search.windows) {
    if (IsWindowVisible(window) && !GetParent(window)) {
      target = window;
      break;
    }
  }
  PostMessageW(target, WM_CLOSE, 0, 0);
}

void RunThisThreadInBackground() {
  // Background mode lowers the thread's processor and disk priority alike;
  // systems before Vista refuse it and take a lower priority.
  if (!SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN)) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  }
}

}  // namespace korvane
