// The entry commands from the main window, on the prefix's real registry,
// folders and processes; the helper plays the startup program.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/scan.h"
#include "catalogue/shortcuts.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "support/programs.h"
#include "support/windows.h"
#include "support/world.h"
#include "platform/files.h"
#include "ui/list_rules.h"
#include "ui/win32/command_bars.h"
#include "ui/win32/main_form.h"

namespace korvane {
namespace {

using korvane::testing::MessageBoxAnswerer;
using korvane::testing::PumpMessages;
using korvane::testing::StartedProgram;

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class EntryCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    TRegistry reg;
    reg.SetRootKey(RootKey::LocalMachine);
    if (reg.OpenKey(kRun, false)) {
      for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
    }
    test::PutFile(tool_);
    form_.Settings = AppSettings{};
  }
  void Refresh() { RefreshStartupList(form_); }
  void Select(std::initializer_list<int> rows) {
    ListView_SetItemState(form_.ListView1(), -1, 0, LVIS_SELECTED);
    for (int row : rows)
      ListView_SetItemState(form_.ListView1(), row, LVIS_SELECTED, LVIS_SELECTED);
  }
  void Command(UINT id) { SendMessageW(form_.Handle(), WM_COMMAND, id, 0); }
  // A key pressed in the list, as the user presses it there.
  void Key(UINT key) {
    SetFocus(form_.ListView1());
    SendMessageW(form_.ListView1(), WM_KEYDOWN, key, 0);
    PumpMessages();
  }
  std::wstring Names() {
    std::wstring names;
    for (const StartupEntry& row : form_.Rows()) names += row.name + L";";
    return names;
  }
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring user_ = test::kRoot + L"\\Startup";
  const std::wstring common_ = test::kRoot + L"\\Common Startup";
  test::WorldReset reset_;
  TMainForm form_;
};

TEST_F(EntryCommands, DeleteAsksOnceAndEmptiesEveryKindOfLocation) {
  test::SetString(RootKey::CurrentUser, kRun, L"User value", tool_);
  test::SetString(RootKey::LocalMachine, kRun, L"Machine value", tool_ + L" -m");
  test::PutShortcut(user_ + L"\\User link.lnk", test::LinkTo(tool_, L"-u"));
  test::PutShortcut(common_ + L"\\Common link.lnk", test::LinkTo(tool_, L"-c"));
  test::SetWinIni(L"load", tool_);
  Refresh();
  ASSERT_EQ(form_.Rows().size(), 5u) << ToUtf8(Names());
  Select({0, 1, 2, 3, 4});
  form_.Settings.multiple_deletion = true;
  {
    MessageBoxAnswerer no(IDNO);
    Command(Deletestartupentry1);
    ASSERT_EQ(no.Boxes().size(), 1u);
    EXPECT_EQ(no.Boxes()[0].caption, L"Please, confirm deletion");
    EXPECT_EQ(no.Boxes()[0].text, L"Are you really want to remove 5 entries?");
  }
  EXPECT_EQ(form_.SelectedRows().size(), 5u);  // No changes nothing, the list included
  {
    MessageBoxAnswerer yes(IDYES);
    Command(Deletestartupentry1);
    EXPECT_EQ(yes.Boxes().size(), 1u);
  }
  EXPECT_TRUE(form_.Rows().empty()) << ToUtf8(Names());
  StartupList left;
  ScanStartupList(left);
  EXPECT_TRUE(left.empty());
}

TEST_F(EntryCommands, DelAndEnterActOnTheSelectedRowsInTheList) {
  const std::wstring report = test::kRoot + L"\\run-report.txt";
  const std::wstring program = testing::HelperProgram(L"korvane_startup_program.exe");
  test::SetString(RootKey::CurrentUser, kRun, L"A helper",
                  L"\"" + program + L"\" /exit-after 20 /report \"" + report + L"\"");
  test::SetString(RootKey::CurrentUser, kRun, L"B tool", tool_);
  Refresh();
  ASSERT_EQ(form_.Rows().size(), 2u);

  Select({0});
  Key(VK_RETURN);
  for (int tries = 0; tries < 200 && !FileExists(report); ++tries) Sleep(50);
  EXPECT_TRUE(FileExists(report)) << "Enter did not run the entry";
  TWindowsAPI::Instance().InvalidateProcessList();
  TWindowsAPI::Instance().EndProcessByFileName(program, true, EndMode::Terminate);

  // A double-click on the row runs it too.
  std::filesystem::remove(report);
  Select({0});
  RECT place;
  ListView_GetItemRect(form_.ListView1(), 0, &place, LVIR_LABEL);
  SendMessageW(form_.ListView1(), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(place.left + 4, (place.top + place.bottom) / 2));
  PumpMessages();
  for (int tries = 0; tries < 200 && !FileExists(report); ++tries) Sleep(50);
  EXPECT_TRUE(FileExists(report)) << "a double-click did not run the entry";
  TWindowsAPI::Instance().InvalidateProcessList();
  TWindowsAPI::Instance().EndProcessByFileName(program, true, EndMode::Terminate);

  Refresh();
  Select({1});
  Key(VK_DELETE);
  ASSERT_EQ(form_.Rows().size(), 1u);
  EXPECT_EQ(form_.Rows()[0].name, L"A helper");
}

TEST_F(EntryCommands, StopEndsOneCopyAndTheRowStillRuns) {
  StartedProgram first(L"/exit-after 60");
  StartedProgram second(L"/exit-after 60");
  test::SetString(RootKey::CurrentUser, kRun, L"Helper", L"\"" + first.Path() + L"\"");
  Refresh();
  ASSERT_EQ(form_.Rows().size(), 1u);
  Select({0});
  form_.Settings.single_stopping = true;
  MessageBoxAnswerer yes(IDYES);
  Command(Stop1);
  ASSERT_EQ(yes.Boxes().size(), 1u);
  EXPECT_EQ(yes.Boxes()[0].text, L"Are you really want to stop this entry?");
  EXPECT_TRUE(first.WaitForExit(5000) || second.WaitForExit(5000));
  EXPECT_NE(first.Running(), second.Running());
  ASSERT_EQ(form_.Rows().size(), 1u);
  EXPECT_TRUE(form_.Rows()[0].running);
}

TEST_F(EntryCommands, AMoveAsksReportsWhatStayedAndRefreshes) {
  test::PutFile(user_ + L"\\job.bat", "@echo job\r\n");
  test::SetString(RootKey::LocalMachine, kRun, L"Tool", tool_ + L" -t");
  Refresh();
  ASSERT_EQ(form_.Rows().size(), 2u);
  Select({0, 1});
  form_.Settings.multiple_movement = true;
  MessageBoxAnswerer yes(IDYES);
  Command(Registrycurrentuser1);
  ASSERT_EQ(yes.Boxes().size(), 2u);
  EXPECT_EQ(yes.Boxes()[0].caption, L"Korvane");
  EXPECT_EQ(yes.Boxes()[0].text, L"Are you really want to move 2 entries?");
  EXPECT_TRUE(Contains(yes.Boxes()[1].text, L"\"job.bat\"")) << ToUtf8(yes.Boxes()[1].text);
  EXPECT_TRUE(IsWindowEnabled(form_.ListView1()));
  const StartupList rows = form_.Rows();
  ASSERT_EQ(rows.size(), 2u) << ToUtf8(Names());
  EXPECT_EQ(rows[0].location, L"HKEY_CURRENT_USER" + kRun);
  EXPECT_EQ(rows[0].parameters, L"-t");
  EXPECT_EQ(rows[1].name, L"job.bat");

  // The file moves between the folders, from the context menu's twin.
  Select({1});
  Command(Startmenuallusers1);
  ASSERT_EQ(form_.Rows().size(), 2u);
  EXPECT_TRUE(SameText(form_.Rows()[1].location, common_));
}

// Counts the new entries dialogs that become active (the suite's closer
// closes them).
class CountNewEntriesDialogs {
 public:
  CountNewEntriesDialogs() {
    count_ = 0;
    hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
  }
  ~CountNewEntriesDialogs() { UnhookWindowsHookEx(hook_); }
  int Count() const { return count_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    wchar_t name[64] = {};
    if (code == HCBT_ACTIVATE && GetClassNameW(reinterpret_cast<HWND>(wparam), name, 64) &&
        lstrcmpW(name, L"TNewEntriesForm") == 0) {
      ++count_;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline int count_ = 0;
  HHOOK hook_ = nullptr;
};

TEST_F(EntryCommands, WhatTheWindowSwitchesOnOrMovesIsNotReportedAsAChange) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_ + L" -t");
  form_.Cycle().SetReportChanges(true);
  Command(Refreshlist1);  // the entry is seen
  ASSERT_EQ(form_.Rows().size(), 1u);
  CountNewEntriesDialogs dialogs;
  Select({0});
  Command(Disablestartupentry1);
  Select({0});
  Command(Enablestartupentry1);
  ASSERT_EQ(form_.Rows().size(), 1u) << ToUtf8(Names());
  EXPECT_TRUE(form_.Rows()[0].enabled);
  Select({0});
  Command(Registryallusers1);
  ASSERT_EQ(form_.Rows().size(), 1u) << ToUtf8(Names());
  EXPECT_EQ(form_.Rows()[0].location, L"HKEY_LOCAL_MACHINE" + kRun);
  EXPECT_EQ(dialogs.Count(), 0);
  // Another program's change to the same entry is reported.
  test::SetString(RootKey::LocalMachine, kRun, L"Tool", tool_ + L" -evil");
  Command(Refreshlist1);
  EXPECT_EQ(dialogs.Count(), 1);
}

TEST_F(EntryCommands, AddToBlacklistNamesTheFileAndTheCycleRemovesItsEntry) {
  const std::wstring blacklist = L"\\Software\\Korvane\\blacklist";
  TRegistry reg;
  reg.DeleteKey(blacklist);
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  Refresh();
  Select({0});
  form_.Settings.single_addition = true;
  {
    MessageBoxAnswerer yes(IDYES);
    Command(Addtoblacklist1);
    ASSERT_EQ(yes.Boxes().size(), 1u);
    EXPECT_EQ(yes.Boxes()[0].caption, L"Korvane");
    EXPECT_EQ(yes.Boxes()[0].text, L"Are you really want to add this entry into blacklist?");
  }
  ASSERT_TRUE(reg.OpenKey(blacklist, false));
  EXPECT_EQ(reg.GetDataType(tool_), RegistryDataType::String);
  EXPECT_EQ(reg.ReadString(tool_), L"");
  reg.CloseKey();
  // The refresh after the command enforces the blacklist at once: the entry
  // is gone from its key and from the list, and removed.txt names it.
  EXPECT_TRUE(form_.Rows().empty()) << ToUtf8(Names());
  reg.SetRootKey(RootKey::CurrentUser);
  ASSERT_TRUE(reg.OpenKey(kRun, false));
  EXPECT_FALSE(reg.ValueExists(L"Tool"));
  reg.CloseKey();
  ASSERT_TRUE(form_.Cycle().RemovedFileWritten().has_value());
  std::ifstream removed(std::filesystem::path(*form_.Cycle().RemovedFileWritten()),
                        std::ios::binary);
  std::stringstream text;
  text << removed.rdbuf();
  EXPECT_EQ(text.str(), ToUtf8(tool_) + "\r\n");
  reg.DeleteKey(blacklist);
}

TEST_F(EntryCommands, NothingSelectedDoesNothing) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  Refresh();
  form_.Settings =
      AppSettings{true, true, true, true, true, true, true, true, true, true, true, true, true, 1};
  MessageBoxAnswerer yes(IDYES);
  for (UINT id : {Run1, Stop1, Deletestartupentry1, Addtoblacklist1, Registryallusers1,
                  Startmenucurrentuser1}) {
    Command(id);
  }
  EXPECT_TRUE(yes.Boxes().empty());
  EXPECT_EQ(form_.Rows().size(), 1u);
}

TEST_F(EntryCommands, DisableAndEnableSwitchRowsWithoutAQuestionAndGiveThemBackWhole) {
  test::SetString(RootKey::CurrentUser, kRun, L"User value", tool_ + L" -v");
  test::PutShortcut(user_ + L"\\User link.lnk", test::LinkTo(tool_, L"-u"));
  const std::string link_bytes = *ReadFileBytes(user_ + L"\\User link.lnk");
  Refresh();
  ASSERT_EQ(form_.Rows().size(), 2u) << ToUtf8(Names());
  const StartupList before = form_.Rows();
  Select({0, 1});
  const std::vector<ToolButton> on = ToolButtons(SelectionOf(form_.SelectedRows()));
  {
    MessageBoxAnswerer none(IDNO);
    Command(Disablestartupentry1);
    EXPECT_TRUE(none.Boxes().empty());
  }
  // Still listed, in their places, switched off, and still selected.
  ASSERT_EQ(form_.Rows().size(), 2u) << ToUtf8(Names());
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(form_.Rows()[i].location, before[i].location);
    EXPECT_FALSE(form_.Rows()[i].enabled) << i;
  }
  EXPECT_EQ(form_.SelectedRows().size(), 2u);
  // The toolbar's one button now enables.
  const std::vector<ToolButton> off = ToolButtons(SelectionOf(form_.SelectedRows()));
  ASSERT_EQ(on.size(), off.size());
  for (size_t i = 0; i < on.size(); ++i) {
    if (on[i].id == Disablestartupentry1) {
      EXPECT_EQ(off[i].id, Enablestartupentry1);
    }
  }
  if (!StartupApprovalsHonoured()) {
    // Windows 7: moved aside.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kRun, false));
    EXPECT_FALSE(reg.ValueExists(L"User value"));
    EXPECT_FALSE(FileExists(user_ + L"\\User link.lnk"));
  }

  Command(Enablestartupentry1);
  ASSERT_EQ(form_.Rows().size(), 2u) << ToUtf8(Names());
  for (const StartupEntry& row : form_.Rows()) EXPECT_TRUE(row.enabled) << ToUtf8(row.name);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRun, false));
  EXPECT_EQ(reg.ReadString(L"User value"), tool_ + L" -v");
  EXPECT_EQ(ReadFileBytes(user_ + L"\\User link.lnk"), link_bytes);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST_F(EntryCommands, AMoveThatLosesWhatTheTargetCannotHoldAsksFirst) {
  test::Shortcut keyed = test::LinkTo(tool_, L"-k", test::kRoot);
  keyed.hot_key = 0x0641;
  test::PutShortcut(user_ + L"\\Keyed.lnk", keyed);
  Refresh();
  ASSERT_EQ(form_.Rows().size(), 1u);
  Select({0});
  form_.Settings.single_movement = false;
  {
    MessageBoxAnswerer no(IDNO);
    Command(Registrycurrentuser1);
    ASSERT_EQ(no.Boxes().size(), 1u);
    EXPECT_TRUE(Contains(no.Boxes()[0].text, L"\"Keyed.lnk\"")) << ToUtf8(no.Boxes()[0].text);
    EXPECT_TRUE(Contains(no.Boxes()[0].text, L"hot key")) << ToUtf8(no.Boxes()[0].text);
  }
  EXPECT_TRUE(FileExists(user_ + L"\\Keyed.lnk"));
  ASSERT_EQ(form_.Rows().size(), 1u);
  Select({0});
  {
    MessageBoxAnswerer yes(IDYES);
    Command(Registrycurrentuser1);
    EXPECT_EQ(yes.Boxes().size(), 1u);
  }
  EXPECT_FALSE(FileExists(user_ + L"\\Keyed.lnk"));
  ASSERT_EQ(form_.Rows().size(), 1u);
  EXPECT_EQ(form_.Rows()[0].location, L"HKEY_CURRENT_USER" + kRun);
}

}  // namespace
}  // namespace korvane
