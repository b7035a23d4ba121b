#include "platform/win32/write_hook.h"

#ifdef KORVANE_KILL_HOOK
#include <windows.h>

#include <cstdlib>
#include <string>

namespace korvane::win32 {

void WriteDone() {
  static unsigned long count = 0;
  static const unsigned long kill_at = [] {
    const wchar_t* text = _wgetenv(L"KORVANE_KILL_AT_WRITE");
    return text ? std::wcstoul(text, nullptr, 10) : 0ul;
  }();
  static const wchar_t* count_file = _wgetenv(L"KORVANE_COUNT_WRITES");
  ++count;
  if (count_file) {
    // Straight through the system, so that the count is not a write it counts.
    const std::string text = std::to_string(count);
    HANDLE file = CreateFileW(count_file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  if (count == kill_at) TerminateProcess(GetCurrentProcess(), 0xDEAD);
}

}  // namespace korvane::win32
#endif
