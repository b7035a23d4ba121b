#include "platform/files.h"

namespace korvane {

namespace {

std::wstring& ChosenFolder() {
  static std::wstring folder;
  return folder;
}

}  // namespace

std::wstring LocalAppDataFolder() {
  return ChosenFolder().empty() ? ShellLocalAppDataFolder() : ChosenFolder();
}

void UseLocalAppDataFolder(const std::wstring& path) {
  ChosenFolder() = path;
}

}  // namespace korvane
