#include "ui/new_entry.h"

#include "catalogue/location.h"
#include "catalogue/placement.h"
#include "catalogue/places/place_kind.h"
#include "catalogue/undo_store.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

const std::vector<NewEntryLocation>& NewEntryLocations() {
  using enum NewEntryLocationKind;
  using enum RootKey;
  static const std::vector<NewEntryLocation> locations = {
      {L"RadioButton1", L"Registry, current user, Run", 0, Registry, CurrentUser,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {L"RadioButton2", L"Registry, current user, RunOnce", 0, Registry, CurrentUser,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
      {L"RadioButton3", L"Registry, current user, RunOnceSetup", 0, Registry, CurrentUser,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceSetup"},
      {L"RadioButton4", L"Registry, all users, Run", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {L"RadioButton5", L"Registry, all users, RunServices", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
      {L"RadioButton10", L"Registry, all users, UserInit", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit"},
      {L"RadioButton6", L"Registry, all users, RunOnce", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
      {L"RadioButton7", L"Registry, all users, RunOnceSetup", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceSetup"},
      {L"RadioButton8", L"Registry, all users, RunOnceEx", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
      {L"RadioButton9", L"Registry, all users, RunServicesOnce", 1, Registry, LocalMachine,
       L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
      {L"RadioButton12", L"Start menu, current user", 2, StartupFolder, CurrentUser, L"", true},
      {L"RadioButton13", L"Start menu, all users", 2, StartupFolder, LocalMachine, L"", false},
      {L"RadioButton14", L"Win.ini, run", 3, WinIni, CurrentUser, L"", false, false},
      {L"RadioButton15", L"Win.ini, load", 3, WinIni, CurrentUser, L"", false, true},
  };
  return locations;
}

bool WinIniLocationsEnabled(const std::wstring& file_name, const std::wstring& parameters) {
  return !Contains(file_name, L" ") && parameters.empty();
}

namespace {

std::wstring ShortcutFolder(bool current_user) {
  return StartupFolderPath(current_user ? StartupFolder::CurrentUser : StartupFolder::AllUsers);
}

NewEntryCheck Refuse(std::wstring text) {
  return {NewEntryVerdict::Refuse, std::move(text), {}};
}

}  // namespace

NewEntryCheck CheckNewEntry(const NewEntry& typed) {
  using enum NewEntryLocationKind;
  const NewEntryLocation& location = NewEntryLocations().at(typed.location);
  // A file name of blanks starts nothing either.
  if (typed.file_name.find_first_not_of(L' ') == std::wstring::npos) {
    return Refuse(L"Please enter the file name of the program to start.");
  }
  if (location.kind == WinIni && Contains(typed.file_name, L" ")) {
    return Refuse(kWinIniSpacesMessage);
  }
  NewEntryCheck check{NewEntryVerdict::Place, L"", typed};
  NewEntry& entry = check.entry;
  if (entry.title.empty()) entry.title = ExtractFileTitle(entry.file_name);

  if (location.kind == Registry) {
    TRegistry reg;
    reg.SetRootKey(location.root);
    if (reg.OpenKeyReadOnly(location.key_path) && reg.ValueExists(entry.title)) {
      check.verdict = NewEntryVerdict::AskReplace;
      check.text = L"Replace the existing entry \"" + entry.title + L"\" in " +
                   RootKeyName(location.root) + location.key_path + L"?";
    }
  } else if (location.kind == StartupFolder) {
    // The title becomes the shortcut's file name: a folder part would put it
    // outside the Startup folder.
    if (entry.title.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
      return Refuse(
          L"A shortcut's title cannot contain any of these characters: \\ / : * ? \" < > |");
    }
    const std::wstring folder = ShortcutFolder(location.current_user);
    const std::wstring shortcut = entry.title + L".lnk";
    if (!folder.empty() && FileExists(IncludeTrailingBackslash(folder) + shortcut)) {
      check.verdict = NewEntryVerdict::AskReplace;
      check.text = L"Replace the existing shortcut \"" + shortcut + L"\" in " +
                   ExcludeTrailingBackslash(folder) + L"?";
    }
  }
  return check;
}

void PlaceNewEntry(const NewEntry& entry) {
  const NewEntryLocation& location = NewEntryLocations().at(entry.location);
  // An entry of that name that the new one writes over is kept first.
  StartupEntry existing;
  if (location.kind == NewEntryLocationKind::Registry) {
    existing.source = ValueSource(location.root, location.key_path, entry.title);
  } else if (location.kind == NewEntryLocationKind::StartupFolder) {
    const std::wstring folder = ShortcutFolder(location.current_user);
    if (!folder.empty()) {
      existing.source = FileSource(IncludeTrailingBackslash(folder) + entry.title + L".lnk");
    }
  }
  std::wstring reason;
  std::optional<EntryCopy> there = CaptureEntry(existing, reason);
  // An entry that is there but could not be read is not written over: it
  // would be lost without its copy.
  if (!there && PlaceOf(existing).Occupied(existing)) {
    throw PlatformError(L"The existing entry was not replaced: " + reason);
  }
  if (there && !RecordBeforeOverwrite(EntryInPlaceOf(existing), RemovalWay::Replaced, reason)) {
    throw PlatformError(L"The existing entry was not replaced: " + reason);
  }
  switch (location.kind) {
    case NewEntryLocationKind::Registry:
      if (!PlaceRegistryEntry(location.root, location.key_path, entry.title, entry.file_name,
                              entry.parameters)) {
        throw PlatformError(L"Failed to open the registry key " +
                            std::wstring(RootKeyName(location.root)) + location.key_path +
                            L" for writing.");
      }
      break;
    case NewEntryLocationKind::StartupFolder:
      PlaceStartupFolderEntry(location.current_user, entry.title, entry.file_name,
                              entry.parameters);
      break;
    case NewEntryLocationKind::WinIni:
      if (!PlaceWinIniEntry(location.load_key, entry.file_name)) {
        throw PlatformError(kWinIniSpacesMessage);
      }
      break;
  }
}

FileInformation DescribeFile(const std::wstring& file_name) {
  FileInformation info;
  info.running = TWindowsAPI::Instance().FindProcessFile(file_name) >= 0;
  info.lines.push_back(info.running ? L"Process status: running" : L"Process status: not running");
  TLMDVersionInfo version;
  version.SetRetrieveFilename(file_name);
  info.lines.push_back(L"Description: " + (version.FileDescription.empty()
                                               ? std::wstring(L"not available")
                                               : version.FileDescription));
  const std::pair<const wchar_t*, const std::wstring*> lines[] = {
      {L"Company name: ", &version.CompanyName},
      {L"Version: ", &version.ProductVersion},
      {L"Language: ", &version.Language},
      {L"Product name: ", &version.ProductName},
      {L"File version: ", &version.FileVersion},
      {L"Original filename: ", &version.OriginalFilename},
      {L"Internal filename: ", &version.InternalFilename},
      {L"Legal copyright: ", &version.LegalCopyright},
      {L"Legal trademarks: ", &version.LegalTrademarks},
  };
  for (const auto& [label, value] : lines) info.lines.push_back(label + *value);
  return info;
}

void StartNewEntry(const NewEntry& entry) {
  ShellOpen(entry.file_name, entry.parameters, ExtractFilePath(entry.file_name));
}

}  // namespace korvane
