#include "catalogue/scan.h"

#include <memory>
#include <unordered_map>

#include "catalogue/command_line.h"
#include "catalogue/location.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

// What the locations of one scan share.
struct StartupScan {
  StartupList& list;
  std::unique_ptr<TLMDShellLink> shell_link;  // made when the first folder is read
  // The shell's icon lookup costs far more than the rest of an entry, and
  // the same program is often started from several places.
  std::unordered_map<std::wstring, int> icons;

  void Add(std::wstring name, std::wstring file_name, std::wstring parameters,
           const std::wstring& location) {
    StartupEntry entry;
    entry.running = TWindowsAPI::Instance().FindProcessFile(file_name) != -1;
    auto icon = icons.find(file_name);
    if (icon == icons.end()) icon = icons.emplace(file_name, SystemIconIndex(file_name)).first;
    entry.icon = icon->second;
    entry.name = std::move(name);
    entry.file_name = std::move(file_name);
    entry.parameters = std::move(parameters);
    entry.location = location;
    list.push_back(std::move(entry));
  }
};

namespace {

// A name as written, else what the search path gives for it.
std::wstring ResolveFile(const std::wstring& name) {
  return FileExists(name) ? name : SearchFileOnPath(name).path;
}

void ScanRegistryKey(const StartupLocation& location, TRegistry& reg, StartupScan& scan) {
  reg.SetRootKey(location.root);
  if (!reg.OpenKey(location.path, false)) return;
  std::wstring text = LocationText(location);
  for (const std::wstring& name : reg.GetValueNames()) {
    // A value that holds no string starts nothing; it must not hide the rest.
    std::optional<std::wstring> value = ReadStringValue(reg, name);
    if (!value) continue;
    // The system expands such a command before it starts it.
    if (reg.GetDataType(name) == RegistryDataType::ExpandString) value = ExpandEnvironment(*value);
    SplitCommand command = SplitCommandLine(*value);
    std::wstring file = ResolveFile(command.file_name);
    if (FileExists(file)) scan.Add(name, std::move(file), std::move(command.parameters), text);
  }
  reg.CloseKey();
}

void ScanWinIniKey(const StartupLocation& location, StartupScan& scan) {
  std::wstring words = TIniFile(location.path).ReadString(L"Windows", location.key, L"");
  std::wstring text = LocationText(location);
  for (auto [start, length] : WinIniWords(words)) {
    std::wstring word = words.substr(start, length);
    if (word.empty() || !FileExists(word)) continue;
    std::wstring name = ExtractFileTitle(word);
    scan.Add(std::move(name), std::move(word), L"", text);
  }
}

}  // namespace

std::wstring ReadInternetShortcut(const std::wstring& file) {
  return TIniFile(file).ReadString(L"InternetShortcut", L"URL", L"");
}

void ScanStartupFolder(const std::wstring& folder, StartupScan& scan) {
  if (!scan.shell_link) scan.shell_link = std::make_unique<TLMDShellLink>();
  TLMDShellLink& shell_link = *scan.shell_link;
  std::wstring location = ExcludeTrailingBackslash(folder);
  for (const FolderItem& item : ListFolder(folder)) {
    const std::wstring& name = item.name;
    if (item.is_folder) {
      // A junction may lead back up the tree: only real subfolders are entered.
      if (name != L"." && name != L".." && !item.is_reparse_point) {
        ScanStartupFolder(folder + name + L"\\", scan);
      }
      continue;
    }
    std::wstring extension = ExtractFileExt(name);
    if (extension == L".lnk") {
      if (!shell_link.LoadShellLink(folder + name, 0)) continue;
      std::wstring target = ResolveFile(shell_link.Path + shell_link.FileName);
      if (FileExists(target)) scan.Add(name, std::move(target), shell_link.Arguments, location);
    } else if (extension == L".url") {
      scan.Add(name, ResolveFile(ReadInternetShortcut(folder + name)), L"", location);
    } else if (name != L"desktop.ini" && name != L"thumbs.db") {
      scan.Add(name, folder + name, L"", location);
    }
  }
}

void ScanStartupList(StartupList& list) {
  TWindowsAPI::Instance().InvalidateProcessList();
  list.clear();
  StartupScan scan{list, nullptr, {}};
  TRegistry reg;
  for (const StartupLocation& location : ScannedRegistryLocations()) {
    ScanRegistryKey(location, reg, scan);
  }
  // The three Shell Folders values are read only now, after the keys, so a
  // failing read there keeps every registry row.
  for (const StartupLocation& location : StartupFolderLocations()) {
    if (location.path.empty() || !FolderExists(location.path)) continue;
    ScanStartupFolder(IncludeTrailingBackslash(location.path), scan);
  }
  if (!FileExists(WinIniPath())) return;
  for (const StartupLocation& location : WinIniLocations()) ScanWinIniKey(location, scan);
}

}  // namespace korvane
