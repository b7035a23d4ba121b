#pragma once
// The 27 startup locations, their location texts, and telling a location
// from its text.
#include <array>
#include <string>

#include "platform/registry.h"

namespace korvane {

enum class StartupLocationKind { RegistryKeyLocation, StartupFolderLocation, WinIniLocation };

struct StartupLocation {
  StartupLocationKind kind = StartupLocationKind::RegistryKeyLocation;
  RootKey root = RootKey::CurrentUser;  // registry keys and Startup folders
  std::wstring path;  // key path as in the table; folder; or win.ini's full path
  std::wstring key;   // win.ini: "run" or "load"
};

}  // namespace korvane
