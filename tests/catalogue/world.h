#pragma once
// A startup configuration built from a test on either backend: the in-memory
// world natively, the Wine prefix's own registry and disk on Windows.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/location.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include "platform/memory/arrange.h"
#endif

namespace korvane::test {

// Everything a test makes on disk lives under this folder.
inline const std::wstring kRoot = L"C:\\kvtest";

inline std::wstring SystemFolder() {
  return WindowsDirectory() + L"\\system32";
}

inline void MakeFolder(const std::wstring& path) {
#ifdef _WIN32
  std::filesystem::create_directories(path);
#else
  memory::MakeFolder(path);
#endif
}

inline void PutFile(const std::wstring& path, const std::string& content = "x") {
#ifdef _WIN32
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(std::filesystem::path(path), std::ios::binary) << content;
#else
  memory::PutFile(path, content);
#endif
}

inline void SetString(RootKey root, const std::wstring& key, const std::wstring& name,
                      const std::wstring& value) {
  TRegistry reg;
  reg.SetRootKey(root);
  reg.OpenKey(key, true);
  reg.WriteString(name, value);
}

inline const wchar_t kShellFolders[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct ShellFolderValue {
  RootKey root;
  std::wstring key, name;
};

inline ShellFolderValue ShellFolderOf(StartupFolder folder) {
  switch (folder) {
    case StartupFolder::CurrentUser:
      return {RootKey::CurrentUser, kShellFolders, L"Startup"};
    case StartupFolder::AllUsers:
      return {RootKey::LocalMachine, kShellFolders, L"Common Startup"};
    case StartupFolder::DefaultUser:
      break;
  }
  return {RootKey::Users, std::wstring(L"\\.Default") + kShellFolders, L"Startup"};
}

// Points the Shell Folders value of a Startup folder at `path` and makes it.
inline void SetStartupFolder(StartupFolder folder, const std::wstring& path) {
  ShellFolderValue value = ShellFolderOf(folder);
  SetString(value.root, value.key, value.name, path);
  MakeFolder(path);
}

inline void SetWinIni(const std::wstring& key, const std::wstring& words) {
  TIniFile(WinIniPath()).WriteString(L"windows", key, words);
}

// An empty startup configuration: no values in the listed keys, nothing in
// the test's Startup folders, empty win.ini keys, no test files.
inline void ResetWorld() {
#ifdef _WIN32
  for (const StartupLocation& location : RegistryStartupLocations()) {
    TRegistry reg;
    reg.SetRootKey(location.root);
    if (!reg.OpenKey(location.path, false)) continue;
    for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
  }
  std::error_code ignored;
  std::filesystem::remove_all(kRoot, ignored);
  std::filesystem::remove(SystemFolder() + L"\\kvprobe.exe", ignored);
#else
  memory::Reset();
#endif
  SetWinIni(L"run", L"");
  SetWinIni(L"load", L"");
  MakeFolder(kRoot);
  // Startup folders of the test's own, so that the prefix's are left alone.
  SetStartupFolder(StartupFolder::CurrentUser, kRoot + L"\\Startup");
  SetStartupFolder(StartupFolder::AllUsers, kRoot + L"\\Common Startup");
  SetStartupFolder(StartupFolder::DefaultUser, kRoot + L"\\Default Startup");
}

#ifdef _WIN32
// The Wine prefix is shared with the other suites: the Startup folders and
// win.ini keys are put back as they were, and the test's files removed.
class RestoreStartupConfiguration : public ::testing::Environment {
 public:
  void SetUp() override {
    for (StartupFolder folder : kFolders) {
      ShellFolderValue value = ShellFolderOf(folder);
      TRegistry reg;
      reg.SetRootKey(value.root);
      saved_folders_.push_back(reg.OpenKey(value.key, false) ? ReadStringValue(reg, value.name)
                                                             : std::nullopt);
    }
    for (const wchar_t* key : {L"run", L"load"}) {
      saved_words_.push_back(TIniFile(WinIniPath()).ReadString(L"Windows", key, L""));
    }
  }
  void TearDown() override {
    ResetWorld();
    for (size_t i = 0; i < std::size(kFolders); ++i) {
      ShellFolderValue value = ShellFolderOf(kFolders[i]);
      TRegistry reg;
      reg.SetRootKey(value.root);
      if (!reg.OpenKey(value.key, false)) continue;
      if (saved_folders_[i]) {
        reg.WriteString(value.name, *saved_folders_[i]);
      } else {
        reg.DeleteValue(value.name);
      }
    }
    SetWinIni(L"run", saved_words_[0]);
    SetWinIni(L"load", saved_words_[1]);
    std::error_code ignored;
    std::filesystem::remove_all(kRoot, ignored);
  }

 private:
  static constexpr StartupFolder kFolders[] = {StartupFolder::CurrentUser, StartupFolder::AllUsers,
                                               StartupFolder::DefaultUser};
  std::vector<std::optional<std::wstring>> saved_folders_;
  std::vector<std::wstring> saved_words_;
};
inline ::testing::Environment* const kRestoreStartupConfiguration =
    ::testing::AddGlobalTestEnvironment(new RestoreStartupConfiguration);
#endif

}  // namespace korvane::test
