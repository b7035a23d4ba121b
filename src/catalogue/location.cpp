#include "catalogue/location.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace korvane {

const wchar_t kTaskSchedulerLocation[] = L"Task Scheduler";
const wchar_t kServicesLocation[] = L"Services";

namespace {

constexpr wchar_t kShellFolders[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kDefaultShellFolders[] =
    L".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

StartupLocation Key(RootKey root, const wchar_t* path) {
  return {StartupLocationKind::RegistryKeyLocation, root, path, {}};
}

std::wstring ReadShellFolder(RootKey root, const wchar_t* key_path, const wchar_t* value) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKeyReadOnly(key_path)) return {};
  return ReadStringValue(reg, value).value_or(L"");
}

bool IsBlank(const std::wstring& text) {
  return text.find_first_not_of(L' ') == std::wstring::npos;
}

}  // namespace

std::optional<std::wstring> ReadStringValue(TRegistry& reg, const std::wstring& name) {
  RegistryDataType type = reg.GetDataType(name);
  if (type != RegistryDataType::String && type != RegistryDataType::ExpandString) return {};
  return reg.ReadString(name);
}

const std::vector<StartupLocation>& RegistryStartupLocations() {
  using enum RootKey;
  static const std::vector<StartupLocation> table = {
      Key(CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
      Key(CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"),
      Key(CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceSetup"),
      Key(CurrentUser, L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\load"),
      Key(CurrentUser, L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows\\run"),
      Key(CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"),
      Key(CurrentUser, L"\\Software\\Mirabilis\\ICQ\\Agent\\Apps\\Run"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceSetup"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Shell"),
      Key(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run"),
      Key(LocalMachine, L"\\System\\CurrentControlSet\\Control\\Session Manager\\BootExecute"),
      Key(LocalMachine, L"\\System\\CurrentControlSet\\Services"),
      Key(LocalMachine, L"\\System\\CurrentControlSet\\Services\\VxD"),
      Key(Users, L"\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
      Key(Users, L"\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"),
      Key(Users, L"\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceSetup"),
  };
  return table;
}

std::optional<StartupLocation> ThirtyTwoBitTwin(const StartupLocation& location) {
  const std::wstring path = AsciiUpper(location.path);
  if (location.kind != StartupLocationKind::RegistryKeyLocation ||
      location.root != RootKey::LocalMachine || !StartsWith(path, L"\\SOFTWARE\\") ||
      StartsWith(path, L"\\SOFTWARE\\WOW6432NODE\\") || !RegistryHasViews()) {
    return std::nullopt;
  }
  StartupLocation twin = location;
  twin.path = L"\\Software\\Wow6432Node" + location.path.substr(std::size(L"\\Software") - 1);
  // Without such a key there is no copy, shared or not; and a look in the
  // 64-bit view costs the system one step, the 32-bit view one per level.
  TRegistry native;
  native.SetRootKey(RootKey::LocalMachine);
  if (!native.KeyExists(twin.path)) return std::nullopt;
  // Which keys are redirected differs between versions of the system; the
  // name of the key that the 32-bit view opens tells.
  TRegistry reg(RegistryView::Bits32);
  reg.SetRootKey(RootKey::LocalMachine);
  if (!reg.OpenKeyReadOnly(location.path) ||
      !StartsWith(AsciiUpper(reg.SystemKeyName()),
                  L"\\REGISTRY\\MACHINE\\SOFTWARE\\WOW6432NODE\\")) {
    return std::nullopt;
  }
  return twin;
}

std::vector<StartupLocation> ScannedRegistryLocations() {
  std::vector<StartupLocation> locations;
  for (const StartupLocation& location : RegistryStartupLocations()) {
    locations.push_back(location);
    if (auto twin = ThirtyTwoBitTwin(location)) locations.push_back(*twin);
  }
  return locations;
}

std::wstring StartupFolderPath(StartupFolder folder) {
  switch (folder) {
    case StartupFolder::CurrentUser:
    case StartupFolder::AllUsers: {
      bool all_users = folder == StartupFolder::AllUsers;
      std::wstring path =
          all_users ? ReadShellFolder(RootKey::LocalMachine, kShellFolders, L"Common Startup")
                    : ReadShellFolder(RootKey::CurrentUser, kShellFolders, L"Startup");
      return IsBlank(path) ? KnownStartupFolder(all_users) : path;
    }
    case StartupFolder::DefaultUser:
      // Written without the leading backslash; it is opened from the root all the same.
      return ReadShellFolder(RootKey::Users, kDefaultShellFolders, L"Startup");
  }
  return {};
}

std::vector<StartupLocation> StartupFolderLocations() {
  std::vector<StartupLocation> folders;
  const std::pair<StartupFolder, RootKey> order[] = {
      {StartupFolder::CurrentUser, RootKey::CurrentUser},
      {StartupFolder::AllUsers, RootKey::LocalMachine},
      {StartupFolder::DefaultUser, RootKey::Users}};
  for (auto [folder, root] : order) {
    folders.push_back(
        {StartupLocationKind::StartupFolderLocation, root, StartupFolderPath(folder), {}});
  }
  return folders;
}

std::vector<StartupLocation> WinIniLocations() {
  std::wstring win_ini = WinIniPath();
  return {{StartupLocationKind::WinIniLocation, RootKey::CurrentUser, win_ini, L"run"},
          {StartupLocationKind::WinIniLocation, RootKey::CurrentUser, win_ini, L"load"}};
}

std::vector<StartupLocation> StartupLocations() {
  std::vector<StartupLocation> all = ScannedRegistryLocations();
  for (auto part : {StartupFolderLocations(), WinIniLocations()}) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

bool IsPlainFileName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(L"\\/:") == std::wstring::npos;
}

std::vector<std::pair<size_t, size_t>> WinIniWords(const std::wstring& list) {
  std::vector<std::pair<size_t, size_t>> words;
  for (size_t start = 0; start < list.size();) {
    size_t end = std::min(list.find(L' ', start), list.size());
    words.emplace_back(start, end - start);
    start = end + 1;
  }
  return words;
}

std::wstring LocationText(const StartupLocation& location) {
  switch (location.kind) {
    case StartupLocationKind::RegistryKeyLocation: {
      std::wstring_view path = location.path;
      if (StartsWith(path, L"\\")) path.remove_prefix(1);
      return std::wstring(RootKeyName(location.root)) + L"\\" + std::wstring(path);
    }
    case StartupLocationKind::StartupFolderLocation:
      return ExcludeTrailingBackslash(location.path);
    case StartupLocationKind::WinIniLocation:
      return location.path + L", " + location.key;
  }
  return {};
}

StartupLocation RecogniseLocation(const std::wstring& text) {
  StartupLocation location;
  // A text that starts with a root's name is a key, whatever the disk holds.
  for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users}) {
    std::wstring_view name = RootKeyName(root);
    if (StartsWith(text, name)) {
      location.root = root;
      location.path = text.substr(name.size());
      return location;
    }
  }
  std::wstring cut = text;
  for (const wchar_t* key : {L"run", L"load"}) {
    if (Contains(text, std::wstring(L"win.ini, ") + key)) {
      cut = text.substr(0, text.find(std::wstring(L", ") + key));
      location.key = key;
      break;
    }
  }
  // Folders and files are named by full paths only: a relative text would be
  // taken against whatever the current folder happens to be.
  const bool absolute = IsAbsolutePath(cut);
  if (absolute && FolderExists(cut)) {
    location.kind = StartupLocationKind::StartupFolderLocation;
    location.path = cut;
    location.key.clear();
    return location;
  }
  // A win.ini key stays one when its file is missing: the system may keep
  // the key elsewhere (the NT family maps it to the registry).
  if (!location.key.empty() || (absolute && FileExists(cut))) {
    location.kind = StartupLocationKind::WinIniLocation;
    location.path = cut;
    if (location.key.empty() && Contains(text, L", run")) location.key = L"run";
    if (location.key.empty() && Contains(text, L", load")) location.key = L"load";
    return location;
  }
  // Location texts of registry keys start with the root's full name.
  struct Root {
    RootKey root;
    size_t length;
  };
  Root root = Contains(text, L"HKEY_CURRENT_USER")    ? Root{RootKey::CurrentUser, 17}
              : Contains(text, L"HKEY_LOCAL_MACHINE") ? Root{RootKey::LocalMachine, 18}
                                                      : Root{RootKey::Users, 10};
  location.root = root.root;
  location.path = text.size() > root.length ? text.substr(root.length) : std::wstring();
  return location;
}

std::wstring NumberedName(const std::wstring& base, int n, const std::wstring& extension) {
  if (n == 1) return base + extension;
  std::wstring number = L"(" + std::to_wstring(n) + L")";
  return (base.empty() ? number : base + L" " + number) + extension;
}

std::wstring WithoutExtension(const std::wstring& name) {
  return name.substr(0, name.size() - ExtractFileExt(name).size());
}

}  // namespace korvane
