#include "catalogue/places/winlogon.h"

namespace korvane {

namespace {

constexpr wchar_t kWinlogon[] = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kShellRisk[] =
    L"Windows starts it as the desktop shell at every logon, in place of Explorer or beside it.";

}  // namespace

std::vector<ValuePlace> WinlogonPlaces() {
  ValuePlace userinit{L"winlogon", RootKey::LocalMachine, kWinlogon, L"Userinit"};
  userinit.list = ItemList::Commas;
  userinit.windows_own = {L"userinit.exe"};
  userinit.risk = L"Windows starts it at every logon, before the desktop, for every user.";
  ValuePlace shell{L"winlogon", RootKey::LocalMachine, kWinlogon, L"Shell"};
  shell.list = ItemList::Commas;
  shell.windows_own = {L"explorer.exe"};
  shell.risk = kShellRisk;
  ValuePlace taskman{L"winlogon", RootKey::LocalMachine, kWinlogon, L"Taskman"};
  taskman.risk = L"Windows starts it in place of the Task Manager.";
  ValuePlace app_setup{L"winlogon", RootKey::LocalMachine, kWinlogon, L"AppSetup"};
  ValuePlace user_shell = shell;
  user_shell.root = RootKey::CurrentUser;
  return {userinit, shell, taskman, app_setup, user_shell};
}

}  // namespace korvane
