#include "catalogue/placement.h"

#include "catalogue/approval.h"
#include "catalogue/location.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

const wchar_t kWinIniSpacesMessage[] =
    L"Spaces are not allowed in win.ini keys. Please, choose another location for this entry, "
    L"for example, Start menu or System Registry";

std::wstring RegistryCommand(const std::wstring& file_name, const std::wstring& parameters) {
  if (parameters.empty() && !Contains(file_name, L" ")) return file_name;
  std::wstring command = L"\"" + file_name + L"\"";
  if (!parameters.empty()) command += L" " + parameters;
  return command;
}

bool PlaceRegistryEntry(RootKey root, const std::wstring& key_path, const std::wstring& title,
                        const std::wstring& file_name, const std::wstring& parameters) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKey(key_path, true)) return false;
  reg.WriteString(title, RegistryCommand(file_name, parameters));
  // A new entry starts switched on, whatever an earlier one of its name left.
  StartupEntry placed;
  placed.source = ValueSource(root, key_path, title);
  ClearApproval(placed);
  return true;
}

void PlaceStartupFolderEntry(bool current_user, const std::wstring& title,
                             const std::wstring& file_name, const std::wstring& parameters) {
  std::wstring folder =
      StartupFolderPath(current_user ? StartupFolder::CurrentUser : StartupFolder::AllUsers);
  if (folder.empty()) {
    throw PlatformError(current_user ? L"The current user's Startup folder is not known."
                                     : L"The all users' Startup folder is not known.");
  }
  const std::wstring shortcut = IncludeTrailingBackslash(folder) + title + L".lnk";
  CreateStartupShortcut(file_name, shortcut, L"", parameters);
  StartupEntry placed;
  placed.source = FileSource(shortcut);
  ClearApproval(placed);
}

bool PlaceWinIniEntry(bool load_key, const std::wstring& file_name) {
  if (Contains(file_name, L" ")) return false;
  const wchar_t* key = load_key ? L"load" : L"run";
  TIniFile ini(WinIniPath());
  ini.WriteString(L"windows", key, ini.ReadStringForUpdate(L"Windows", key) + L" " + file_name);
  return true;
}

}  // namespace korvane
