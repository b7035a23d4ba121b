#pragma once
// Scheduled tasks for the Wine tests. The scheduler keeps each task's
// definition as a file of that name under system32\\Tasks. Wine's scheduler
// drops triggers and actions from a definition registered through its
// interface (schtasks /xml included), so the tests write the file as Windows
// keeps it.
#include <string>

#include "support/world.h"

namespace korvane::test {

inline void PutTaskFile(const std::wstring& path, const std::wstring& triggers,
                        const std::wstring& actions, bool enabled = true) {
  const std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      L"  <RegistrationInfo><Description>Korvane test</Description></RegistrationInfo>\r\n"
      L"  <Triggers>" +
      triggers +
      L"</Triggers>\r\n"
      L"  <Settings><Enabled>" +
      std::wstring(enabled ? L"true" : L"false") +
      L"</Enabled></Settings>\r\n"
      L"  <Actions Context=\"Author\">" +
      actions +
      L"</Actions>\r\n"
      L"</Task>\r\n";
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : xml) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  PutFile(TaskStoreFolder() + path, bytes);
}

inline std::wstring TaskExec(const std::wstring& command, const std::wstring& arguments = L"") {
  return L"<Exec><Command>" + command + L"</Command><Arguments>" + arguments +
         L"</Arguments><WorkingDirectory>C:\\windows</WorkingDirectory></Exec>";
}

inline constexpr wchar_t kLogonTrigger[] = L"<LogonTrigger><Enabled>true</Enabled></LogonTrigger>";
inline constexpr wchar_t kBootTrigger[] = L"<BootTrigger/>";

}  // namespace korvane::test
