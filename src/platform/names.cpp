// Names built the same way whatever the backend.
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

const wchar_t* RootKeyName(RootKey root) {
  switch (root) {
    case RootKey::LocalMachine:
      return L"HKEY_LOCAL_MACHINE";
    case RootKey::Users:
      return L"HKEY_USERS";
    case RootKey::CurrentUser:
      break;
  }
  return L"HKEY_CURRENT_USER";
}

bool FitsPathLimit(std::wstring_view name) {
  constexpr size_t kLongPath = 32767;
  return name.size() < (StartsWith(name, L"\\\\?\\") ? kLongPath : kMaxPath);
}

std::wstring WinIniPath() {
  return IncludeTrailingBackslash(WindowsDirectory()) + L"win.ini";
}

}  // namespace korvane
