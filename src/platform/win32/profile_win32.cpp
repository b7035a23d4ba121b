#include <windows.h>
#include "platform/win32/write_hook.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

struct ProfileRead {
  std::wstring value;
  DWORD error = ERROR_SUCCESS;  // the call's last error when it gave the default
};

ProfileRead Read(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                 const std::wstring& default_value) {
  // The call cuts a long value to the buffer without saying so; a result that
  // leaves less than two characters spare may have been cut, so read again.
  ProfileRead read;
  for (DWORD capacity = 2048;; capacity *= 2) {
    read.value.assign(capacity, L'\0');
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), default_value.c_str(),
                                            read.value.data(), capacity, file.c_str());
    if (length < capacity - 2) {
      read.value.resize(length);
      if (read.value == default_value) read.error = GetLastError();
      return read;
    }
  }
}

}  // namespace

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& default_value) {
  return Read(file_name_, section, key, default_value).value;
}

std::wstring TIniFile::ReadStringForUpdate(const std::wstring& section, const std::wstring& key) {
  ProfileRead read = Read(file_name_, section, key, L"");
  // The call answers a file it could not open with the default; only the
  // last error tells that apart from a missing file or key.
  switch (read.error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      win32::ThrowCallError(L"GetPrivateProfileStringW", L"the file \"" + file_name_ + L"\"",
                            read.error);
  }
  return read.value;
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) {
  if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                  file_name_.c_str())) {
    win32::ThrowCallError(L"WritePrivateProfileStringW", L"the file \"" + file_name_ + L"\"",
                          GetLastError());
  }
  KORVANE_WRITE_DONE();
}

}  // namespace korvane
