#include <windows.h>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/win32/system.h"

namespace korvane {

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& default_value) {
  // The call cuts a long value to the buffer without saying so; a result that
  // leaves less than two characters spare may have been cut, so read again.
  std::wstring buffer;
  for (DWORD capacity = 2048;; capacity *= 2) {
    buffer.assign(capacity, L'\0');
    DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), default_value.c_str(),
                                            buffer.data(), capacity, file_name_.c_str());
    if (length < capacity - 2) {
      buffer.resize(length);
      return buffer;
    }
  }
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) {
  if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                  file_name_.c_str())) {
    win32::ThrowCallError(L"WritePrivateProfileStringW", L"the file \"" + file_name_ + L"\"",
                          GetLastError());
  }
}

}  // namespace korvane
