#pragma once
// A startup configuration built from a test on either backend: the in-memory
// world natively, the Wine prefix's own registry and disk on Windows.
#include <string>
#include <vector>

#include "catalogue/location.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"

#ifdef _WIN32
#include <windows.h>

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

// Makes `path` the current directory while it lives.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& path) {
#ifdef _WIN32
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(path);
#else
    memory::SetCurrentDirectory(path);
#endif
  }
  ~CurrentFolder() {
#ifdef _WIN32
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
#else
    memory::SetCurrentDirectory(L"C:\\");
#endif
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
#ifdef _WIN32
  std::filesystem::path saved_;
#endif
};

inline void SetString(RootKey root, const std::wstring& key, const std::wstring& name,
                      const std::wstring& value) {
  TRegistry reg;
  reg.SetRootKey(root);
  reg.OpenKey(key, true);
  reg.WriteString(name, value);
}

// A REG_EXPAND_SZ value, as installers write commands that hold environment
// references.
inline void SetExpandString(RootKey root, const std::wstring& key, const std::wstring& name,
                            const std::wstring& value) {
  RegistryValue stored{RegistryDataType::ExpandString, {}};
  for (wchar_t c : value + L'\0') {
    stored.data.push_back(static_cast<uint8_t>(c));
    stored.data.push_back(static_cast<uint8_t>(c >> 8));
  }
  TRegistry reg;  // the view the rows name, as SetString writes
  reg.SetRootKey(root);
  reg.OpenKey(key, true);
  reg.WriteValue(name, stored);
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
  for (const StartupLocation& location : ScannedRegistryLocations()) {
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

}  // namespace korvane::test
