#pragma once
// The world a test arranges, on either backend: the in-memory world natively,
// the Wine prefix's own registry and disk on Windows. Files, folders, keys and
// win.ini are arranged through the platform calls that both backends define;
// only the few steps the platform does not offer (emptying the world, reading
// a file's bytes back, the current folder, the temporary folder) are switched
// on the backend, here and nowhere else in the suites' shared setup.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/location.h"
#include "catalogue/signers.h"
#include "catalogue/places/value_item.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>

#include <filesystem>
#include <stdexcept>
#include <fstream>
#include <iterator>

#include "platform/win32/system.h"
#else
#include "platform/memory/arrange.h"
#endif

namespace korvane::test {

// Everything a test makes on disk lives under this folder.
inline const std::wstring kRoot = L"C:\\kvtest";

inline std::wstring SystemFolder() {
  return WindowsDirectory() + L"\\system32";
}

#ifdef _WIN32
// Where the Task Scheduler keeps its definitions as files, past the 32-bit
// build's redirection of system32.
inline std::wstring TaskStoreFolder() {
  return win32::NativeSystemDirectory() + L"\\Tasks";
}
#endif

// Makes a folder and the folders on the way to it.
inline void MakeFolder(const std::wstring& path) {
  const std::wstring folder = ExcludeTrailingBackslash(path);
  if (folder.size() <= 3 || FolderExists(folder)) return;  // a drive's root, or made already
  MakeFolder(ExtractFilePath(folder));
  CreateFolder(folder);
}

// A file of `content`, replacing one of that name, in a folder made for it.
inline void PutFile(const std::wstring& path, const std::string& content = "x") {
  MakeFolder(ExtractFilePath(path));
  WriteFileBytes(path, content);
}

inline std::string FileContent(const std::wstring& path) {
#ifdef _WIN32
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
#else
  return memory::FileContent(path);
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

inline const std::wstring kRunKey = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

inline std::vector<std::wstring> ValueNames(const std::wstring& key) {
  TRegistry reg;
  if (!reg.OpenKey(key, false)) return {};
  return reg.GetValueNames();
}

// The two places of the removed-entries file.
inline std::wstring RemovedBesideProgram() {
  return ExtractFilePath(OwnExecutablePath()) + L"removed.txt";
}
inline std::wstring RemovedInLocalAppData() {
  return IncludeTrailingBackslash(LocalAppDataFolder()) + L"Korvane\\removed.txt";
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
  // The prefix's own Winlogon shell, boot check and the like are listed too:
  // a test lists only what it made.
  for (const ValuePlace& place : ValuePlaces()) {
    for (const std::wstring& key : ValuePlaceKeys(place)) {
      TRegistry reg;
      reg.SetRootKey(place.root);
      if (!reg.OpenKey(key, false)) continue;
      if (!place.value.empty()) {
        reg.DeleteValue(place.value);
        continue;
      }
      for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
    }
  }
  // Approvals left by earlier tests would switch the entries of this one off.
  for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
    TRegistry reg;
    reg.SetRootKey(root);
    reg.DeleteKey(L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved");
  }
  std::error_code ignored;
  std::filesystem::remove_all(kRoot, ignored);
  // Entries an earlier test switched off or moved aside.
  {
    TRegistry reg;
    reg.DeleteKey(L"\\Software\\Korvane\\KeptOff");
  }
  std::filesystem::remove_all(LocalAppDataFolder() + L"\\Korvane\\Parked", ignored);
  // The snapshot of entries an earlier test's refresh left.
  std::filesystem::remove(LocalAppDataFolder() + L"\\Korvane\\snapshot.txt", ignored);
  std::filesystem::remove_all(LocalAppDataFolder() + L"\\Korvane\\Removed", ignored);
  std::filesystem::remove(SystemFolder() + L"\\kvprobe.exe", ignored);
  // Tasks and services are listed too: the tests' own tasks go, and the
  // prefix's own services that start on their own (Wine's event log, Plug
  // and Play, Task Scheduler) start on demand instead, so that a test lists
  // only what it made. They run on: only their start type changes.
  std::filesystem::remove_all(TaskStoreFolder() + L"\\KvTest", ignored);
  if (SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
    TRegistry services;
    services.SetRootKey(RootKey::LocalMachine);
    if (services.OpenKey(L"\\SYSTEM\\CurrentControlSet\\Services", false)) {
      for (const std::wstring& name : services.GetKeyNames()) {
        TRegistry reg;
        reg.SetRootKey(RootKey::LocalMachine);
        if (!reg.OpenKey(L"\\SYSTEM\\CurrentControlSet\\Services\\" + name, false)) continue;
        std::optional<RegistryValue> start = reg.ReadValue(L"Start");
        if (!start || start->data.empty() || start->data[0] != SERVICE_AUTO_START) continue;
        if (SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_CHANGE_CONFIG)) {
          ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
          CloseServiceHandle(service);
        }
      }
    }
    CloseServiceHandle(manager);
  }
#else
  memory::Reset();
#endif
  ForgetCheckedSignatures();
  SetWinIni(L"run", L"");
  SetWinIni(L"load", L"");
  MakeFolder(kRoot);
  // Startup folders of the test's own, so that the prefix's are left alone.
  SetStartupFolder(StartupFolder::CurrentUser, kRoot + L"\\Startup");
  SetStartupFolder(StartupFolder::AllUsers, kRoot + L"\\Common Startup");
  SetStartupFolder(StartupFolder::DefaultUser, kRoot + L"\\Default Startup");
}

// Declared before a fixture's window, so that the world is reset before the
// window's watch opens its folders: a folder held open is only marked for
// deletion, and no file can be made in it until the handle is closed.
struct WorldReset {
  WorldReset() { ResetWorld(); }
};

// Gives a machine key the rights that a user without administrator rights
// has on Windows, read for everyone and nothing more (its new subkeys
// inherit them), until the guard goes; the key is made when missing.
class ReadOnlyMachineKey {
 public:
  explicit ReadOnlyMachineKey(const std::wstring& path, RegistryView view = RegistryView::Bits64)
      : path_(path.substr(path.front() == L'\\' ? 1 : 0)) {
#ifdef _WIN32
    view_ = view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0,
                        READ_CONTROL | WRITE_DAC | view_, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("the machine key cannot be opened to set its rights");
    }
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    const bool kept =
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data(), &size) == ERROR_SUCCESS;
    PSECURITY_DESCRIPTOR read_only = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;CI;KR;;;WD)", SDDL_REVISION_1,
                                                         &read_only, nullptr);
    const bool set =
        kept && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_only) == ERROR_SUCCESS;
    LocalFree(read_only);
    RegCloseKey(key);
    if (!set) throw std::runtime_error("the machine key's rights cannot be set");
#else
    // The 32-bit view of a key under Software lies under Software\Wow6432Node.
    if (view == RegistryView::Bits32 && RegistryHasViews()) {
      path_.insert(std::wstring(L"Software").size(), L"\\Wow6432Node");
    }
    memory::MakeKeyReadOnly(RootKey::LocalMachine, path_);
#endif
  }
  ~ReadOnlyMachineKey() {
#ifdef _WIN32
    // The owner may always set the rights again.
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, WRITE_DAC | view_, &key) ==
        ERROR_SUCCESS) {
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, saved_.data());
      RegCloseKey(key);
    }
#else
    memory::MakeKeyReadOnly(RootKey::LocalMachine, path_, false);
#endif
  }
  ReadOnlyMachineKey(const ReadOnlyMachineKey&) = delete;
  ReadOnlyMachineKey& operator=(const ReadOnlyMachineKey&) = delete;

 private:
  std::wstring path_;
#ifdef _WIN32
  REGSAM view_ = 0;
  std::vector<uint8_t> saved_;
#endif
};

// A clean place for the platform's own tests: the scratch key
// HKCU\Software\KorvaneTest and a scratch folder, both emptied. The memory
// world starts from its defaults; Wine keeps its own registry and disk.
inline const std::wstring kScratchKey = L"\\Software\\KorvaneTest";

// Empties the scratch key and makes the scratch folder afresh; its path.
inline std::wstring ResetScratch() {
#ifdef _WIN32
  const std::wstring folder =
      IncludeTrailingBackslash(std::filesystem::temp_directory_path().wstring()) + L"KorvaneTest";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
#else
  memory::Reset();
  const std::wstring folder = L"C:\\Temp\\KorvaneTest";
#endif
  MakeFolder(folder);
  TRegistry().DeleteKey(kScratchKey);
  return folder;
}

// Takes the scratch key, and on Windows the scratch folder, away again.
inline void ClearScratch(const std::wstring& folder) {
#ifdef _WIN32
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
#else
  (void)folder;  // the next Reset empties the memory world
#endif
  TRegistry().DeleteKey(kScratchKey);
}

}  // namespace korvane::test
