// The refresh cycle as the main window runs it: at the first activation, from
// the one-second timer, and when asked again while the new entries dialog
// is open.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

#include "gui/controls.h"
#include "gui/list_view.h"
#include "monitor/blacklist.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/programs.h"
#include "support/task_files.h"
#include "support/windows.h"
#include "support/world.h"
#include "ui/settings.h"
#include "ui/win32/main_form.h"
#include "ui/win32/new_entries_dialog.h"

namespace korvane {
namespace {

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

using korvane::testing::HelperProgram;

// Counts the new entries dialogs shown; each one is closed as soon as it is
// active, after `while_open` ran (once) from inside its modal loop. Also
// when the first was made: Wine without a window manager takes its time over
// showing one.
class NewEntriesWatch {
 public:
  explicit NewEntriesWatch(std::function<void()> while_open = nullptr) {
    watch_ = this;
    while_open_ = std::move(while_open);
    hook_ = SetWindowsHookExW(WH_CBT, &NewEntriesWatch::Hook, nullptr, GetCurrentThreadId());
  }
  ~NewEntriesWatch() {
    UnhookWindowsHookEx(hook_);
    watch_ = nullptr;
  }
  int Shown() const { return shown_; }
  ULONGLONG FirstMadeAt() const { return made_at_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND && watch_ && !watch_->made_at_) {
      const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lparam);
      if (!IS_INTRESOURCE(create->lpcs->lpszClass) &&
          lstrcmpW(create->lpcs->lpszClass, L"TNewEntriesForm") == 0) {
        watch_->made_at_ = GetTickCount64();
      }
    }
    if (code == HCBT_ACTIVATE && watch_) {
      auto window = reinterpret_cast<HWND>(wparam);
      wchar_t name[64] = {};
      GetClassNameW(window, name, 64);
      if (lstrcmpW(name, L"TNewEntriesForm") == 0) {
        ++watch_->shown_;
        if (auto run = std::exchange(watch_->while_open_, nullptr)) run();
        PostMessageW(window, WM_CLOSE, 0, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline NewEntriesWatch* watch_ = nullptr;
  std::function<void()> while_open_;
  HHOOK hook_ = nullptr;
  int shown_ = 0;
  ULONGLONG made_at_ = 0;
};

// The small-icon list the list view has when it first paints.
struct FirstPaint {
  bool painted = false;
  HIMAGELIST icons = nullptr;
};

LRESULT CALLBACK RecordFirstPaint(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                  DWORD_PTR data) {
  auto& paint = *reinterpret_cast<FirstPaint*>(data);
  if (message == WM_PAINT && !std::exchange(paint.painted, true)) {
    paint.icons = ListView_GetImageList(window, LVSIL_SMALL);
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

std::vector<std::wstring> SavedNames() {
  TRegistry reg;
  return reg.OpenKey(kSavedListKey, false) ? reg.GetValueNames() : std::vector<std::wstring>{};
}

class RefreshCycleWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    Clean();
    test::PutFile(tool_);
    test::PutFile(other_);
  }
  void TearDown() override { Clean(); }
  static void Clean() {
    TRegistry reg;
    reg.DeleteKey(kBlacklistKey);
    reg.DeleteKey(kSavedListKey);
    reg.SetRootKey(RootKey::LocalMachine);
    if (reg.OpenKey(kRun, false)) {
      for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
    }
  }
  static void Activate(TMainForm& form) {
    ShowWindow(form.Handle(), SW_SHOW);
    SetForegroundWindow(form.Handle());
    korvane::testing::PumpMessages();
  }
  static std::wstring Names(const TMainForm& form) {
    std::wstring names;
    for (const StartupEntry& row : form.Rows()) names += row.name + L";";
    return names;
  }
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring other_ = test::kRoot + L"\\Tools\\other.exe";
};

TEST_F(RefreshCycleWindow, AtTheFirstStartEveryEntryIsNewOnceAndThenSaved) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  test::SetString(RootKey::CurrentUser, kRun, L"Other", other_ + L" -x");
  NewEntriesWatch watch;
  TMainForm form;
  Activate(form);
  EXPECT_EQ(watch.Shown(), 1);
  EXPECT_EQ(form.Rows().size(), 2u) << ToUtf8(Names(form));
  std::vector<std::wstring> saved = SavedNames();
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved, (std::vector<std::wstring>{other_, tool_}));

  // Nothing changed: the next cycle shows no dialog; a new program does.
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_EQ(watch.Shown(), 1);
  const std::wstring third = test::kRoot + L"\\Tools\\third.exe";
  test::PutFile(third);
  test::SetString(RootKey::LocalMachine, kRun, L"Kv Third", third);
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_EQ(watch.Shown(), 2);
}

TEST_F(RefreshCycleWindow, AChangedCommandIsReportedWithItsChangeUnlessTheSwitchIsOff) {
  for (bool on : {true, false}) {
    SetUp();
    {
      TRegistry settings;
      ASSERT_TRUE(settings.OpenKey(kSettingsKey, true));
      settings.WriteInteger(L"report_changes", on ? 1 : 0);
    }
    test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_ + L" /a");
    TMainForm form;
    Activate(form);  // the first start: the entry is new
    // Another program gives the same entry other parameters.
    test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_ + L" /b");
    int columns = 0;
    std::wstring change;
    NewEntriesWatch watch([&] {
      HWND list = GetDlgItem(FindWindowW(L"TNewEntriesForm", nullptr), new_entries::ListView1);
      columns = Header_GetItemCount(ListView_GetHeader(list));
      change = ListItemText(list, 0, 3);
    });
    SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
    EXPECT_EQ(watch.Shown(), on ? 1 : 0);
    if (on) {
      EXPECT_EQ(columns, 4);
      EXPECT_EQ(change, L"Changed");
    }
  }
  // The next window writes the switch as it is by default, on.
  TRegistry settings;
  settings.OpenKey(kSettingsKey, false);
  settings.DeleteValue(L"report_changes");
}

TEST_F(RefreshCycleWindow, TheWindowShowsWithItsRowsAndEveryCycleScans) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  NewEntriesWatch watch;
  TMainForm form;
  // Scanned while the window was built: the rows are in before it shows, and
  // the shell's icons before the list first paints.
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(Names(form), L"Tool;");

  korvane::testing::ScanCounter scans(form.StatusBar2());
  FirstPaint paint;
  SetWindowSubclass(form.ListView1(), RecordFirstPaint, 1, reinterpret_cast<DWORD_PTR>(&paint));
  Activate(form);
  RemoveWindowSubclass(form.ListView1(), RecordFirstPaint, 1);
  EXPECT_TRUE(paint.painted);
  EXPECT_EQ(paint.icons, SystemSmallIcons());
  // The first cycle scans again, as every cycle does, and keeps the rows.
  EXPECT_EQ(scans.Scans(), 1);
  EXPECT_EQ(Names(form), L"Tool;");
  EXPECT_EQ(watch.Shown(), 1);
  EXPECT_EQ(SavedNames(), (std::vector<std::wstring>{tool_}));
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_EQ(scans.Scans(), 2);
}

TEST_F(RefreshCycleWindow, AfterACommandOrATickTheFirstCycleScansAgain) {
  for (bool tick : {false, true}) {
    SetUp();
    test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
    NewEntriesWatch watch;
    TMainForm form;
    ASSERT_EQ(Names(form), L"Tool;");
    // The rows scanned at creation may no longer stand.
    test::SetString(RootKey::CurrentUser, kRun, L"Other", other_);
    if (tick) {
      SendMessageW(form.Handle(), WM_TIMER, TMainForm::kTimer1, 0);
    } else {
      SendMessageW(form.Handle(), WM_COMMAND, Showgridlines1, 0);
    }
    Activate(form);
    EXPECT_EQ(form.Rows().size(), 2u) << ToUtf8(Names(form)) << (tick ? " after a tick" : "");
  }
}

TEST_F(RefreshCycleWindow, ABlacklistedEntryIsGoneAtStartAndRemovedTxtNamesIt) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  test::SetString(RootKey::CurrentUser, kRun, L"Other", other_);
  // Spelled in other letters than the entry: the match ignores case.
  ASSERT_TRUE(AddToBlacklist({AsciiUpper(tool_)}));
  NewEntriesWatch watch;
  TMainForm form;
  Activate(form);
  EXPECT_EQ(Names(form), L"Other;");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRun, false));
  EXPECT_FALSE(reg.ValueExists(L"Tool"));
  EXPECT_TRUE(reg.ValueExists(L"Other"));
  ASSERT_TRUE(form.Cycle().RemovedFileWritten().has_value());
  std::ifstream removed(std::filesystem::path(*form.Cycle().RemovedFileWritten()),
                        std::ios::binary);
  std::stringstream text;
  text << removed.rdbuf();
  EXPECT_EQ(text.str(), ToUtf8(tool_) + "\r\n");
  // The removed entry is not reported as new; the one left is.
  EXPECT_EQ(watch.Shown(), 1);
  EXPECT_EQ(SavedNames(), (std::vector<std::wstring>{other_}));
}

TEST_F(RefreshCycleWindow, TheTimerRunsTheCycleAfterTheMonitoringInterval) {
  NewEntriesWatch watch;
  TMainForm form;
  Activate(form);
  // The window's own timer ticks once a second.
  const int ticks = form.Cycle().Ticks();
  const ULONGLONG until = GetTickCount64() + 1500;
  while (GetTickCount64() < until && form.Cycle().Ticks() == ticks) {
    korvane::testing::PumpMessages();
    Sleep(50);
  }
  EXPECT_GT(form.Cycle().Ticks(), ticks);

  // A Run value added while the program runs shows at the next timed cycle.
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  form.Cycle().SetMonitoring(1);
  auto tick = [&] { SendMessageW(form.Handle(), WM_TIMER, TMainForm::kTimer1, 0); };
  while (form.Cycle().Ticks() < 59) tick();
  EXPECT_TRUE(form.Rows().empty()) << ToUtf8(Names(form));
  tick();
  EXPECT_EQ(Names(form), L"Tool;");
  EXPECT_EQ(form.Cycle().Ticks(), 0);
  EXPECT_EQ(watch.Shown(), 1);
}

TEST_F(RefreshCycleWindow, ARefreshAskedForWhileTheDialogIsOpenRunsAfterIt) {
  TMainForm form;
  Activate(form);
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  // The dialog's loop takes the request; the cycle that showed it must not
  // run a second one inside it.
  NewEntriesWatch watch([&] {
    PostMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
    test::SetString(RootKey::CurrentUser, kRun, L"Other", other_);
  });
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_FALSE(form.Cycle().Running());
  // The second cycle, after the first, found the entry added meanwhile.
  EXPECT_EQ(watch.Shown(), 2);
  EXPECT_EQ(form.Rows().size(), 2u) << ToUtf8(Names(form));
  std::vector<std::wstring> saved = SavedNames();
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved, (std::vector<std::wstring>{other_, tool_}));
}

TEST_F(RefreshCycleWindow, AChangeAnotherProgramMakesIsHandledAtOnceAndABurstIsOneReport) {
  const std::wstring batch = test::kRoot + L"\\Startup\\kv.bat";
  struct Case {
    const char* what;
    std::function<void()> write;
    std::function<bool()> removed;  // a blacklisted entry's; null: reported
  } cases[] = {
      {"a Run value", [&] { test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_); },
       nullptr},
      {"a file in the Startup folder", [&] { test::PutFile(batch, "@echo off"); }, nullptr},
      {"eleven Run values at once",
       [&] {
         for (int i = 0; i < 10; ++i) {
           test::SetString(RootKey::CurrentUser, kRun, L"Tool " + std::to_wstring(i),
                           tool_ + L" /" + std::to_wstring(i));
         }
         test::SetString(RootKey::CurrentUser, kRun, L"Other", other_);
       },
       nullptr},
      {"a blacklisted program's Run value",
       [&] {
         ASSERT_TRUE(AddToBlacklist({tool_}));
         test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
       },
       [] {
         TRegistry reg;
         return reg.OpenKeyReadOnly(kRun) && !reg.ValueExists(L"Tool");
       }},
  };
  const auto pump_until = [](ULONGLONG until, const std::function<bool()>& done) {
    while (GetTickCount64() < until && !(done && done())) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      korvane::testing::PumpMessages();
    }
  };
  for (const Case& c : cases) {
    SetUp();
    RemoveFile(batch);
    TMainForm form;
    Activate(form);
    NewEntriesWatch watch;
    const ULONGLONG start = GetTickCount64();
    c.write();
    // Reported, or removed, well within the timer's minute; the benchmark
    // measures how fast. Whatever else a burst brings comes within the quiet
    // time: the window waits a little longer and sees no second report.
    ULONGLONG removed = 0;
    pump_until(start + 4000, [&] {
      if (c.removed && !removed && c.removed()) removed = GetTickCount64();
      return false;
    });
    const ULONGLONG handled = c.removed ? removed : watch.FirstMadeAt();
    EXPECT_GT(handled, 0u) << c.what;
    EXPECT_LT(handled - start, 1500u) << c.what;
    EXPECT_EQ(watch.Shown(), c.removed ? 0 : 1) << c.what;
    EXPECT_FALSE(form.Cycle().Running()) << c.what;
  }
  RemoveFile(batch);
}

TEST_F(RefreshCycleWindow, KorvanesOwnDeleteIsNotReportedByTheWatch) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  test::SetString(RootKey::CurrentUser, kRun, L"Other", other_);
  TMainForm form;
  Activate(form);  // the first start reports both
  NewEntriesWatch watch;
  ListView_SetItemState(form.ListView1(), form.ListItemOf(0), LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  form.Settings.single_deletion = false;
  SendMessageW(form.Handle(), WM_COMMAND, Deletestartupentry1, 0);
  const ULONGLONG until = GetTickCount64() + 1500;
  while (GetTickCount64() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    korvane::testing::PumpMessages();
  }
  EXPECT_EQ(form.Rows().size(), 1u) << ToUtf8(Names(form));
  EXPECT_EQ(watch.Shown(), 0);
}

// A machine as it looks with Windows' own entries beside the user's: a Run
// value and a logon task of programs signed "Microsoft Windows", a vendor's
// signed program and an unsigned one. Wine's WinVerifyTrust asks for no
// trusted root, so the test certificates verify as Windows' own would.
TEST_F(RefreshCycleWindow, WindowsOwnEntriesAndAProgramsOwnUpdateOpenNoDialog) {
  if (!FileExists(HelperProgram(L"korvane_windows_program.exe"))) {
    GTEST_SKIP() << "no osslsigncode: the programs are not signed";
  }
  auto copy = [](const wchar_t* helper, const std::wstring& to) {
    test::MakeFolder(ExtractFilePath(to));
    EXPECT_TRUE(CopyFileW(HelperProgram(helper).c_str(), to.c_str(), FALSE)) << ToUtf8(to);
  };
  const std::wstring own = test::kRoot + L"\\Windows\\kvown.exe";
  const std::wstring vendor = test::kRoot + L"\\Vendor\\1.0\\vendor.exe";
  const std::wstring next = test::kRoot + L"\\Vendor\\1.1\\vendor.exe";
  copy(L"korvane_windows_program.exe", own);
  copy(L"korvane_vendor_program.exe", vendor);
  copy(L"korvane_vendor_program.exe", next);
  test::SetString(RootKey::CurrentUser, kRun, L"Own", own);
  test::SetString(RootKey::CurrentUser, kRun, L"Vendor", vendor);
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  test::PutTaskFile(L"\\KvTest\\Own logon", test::kLogonTrigger, test::TaskExec(own));
  {
    TRegistry settings;
    ASSERT_TRUE(settings.OpenKey(kSettingsKey, true));
    settings.WriteInteger(L"report_changes", 1);
    settings.WriteInteger(L"report_windows", 0);
  }
  std::vector<std::wstring> first;
  NewEntriesWatch watch([&first] {
    HWND list = FindWindowExW(GetActiveWindow(), nullptr, WC_LISTVIEWW, nullptr);
    for (int i = 0; i < ListView_GetItemCount(list); ++i) first.push_back(ListItemText(list, i, 0));
  });
  TMainForm form;
  Activate(form);
  // The first start's dialog lists only the user's programs; the list holds
  // Windows' own too.
  ASSERT_EQ(watch.Shown(), 1);
  EXPECT_NE(Names(form).find(L"Own logon"), std::wstring::npos) << ToUtf8(Names(form));
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, (std::vector<std::wstring>{L"Tool", L"Vendor"}));

  // The vendor's next version in a folder of its own, and a new logon task
  // of Windows' own: recorded, no dialog; the list shows the new command.
  test::SetString(RootKey::CurrentUser, kRun, L"Vendor", next + L" /quiet");
  test::PutTaskFile(L"\\KvTest\\Windows Update", test::kLogonTrigger, test::TaskExec(own));
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_EQ(watch.Shown(), 1);
  bool listed = false;
  for (const StartupEntry& row : form.Rows()) {
    if (row.name == L"Vendor") listed = SameText(row.file_name, next);
  }
  EXPECT_TRUE(listed) << ToUtf8(Names(form));
  const std::optional<StartupList> recorded = ReadEntrySnapshot();
  ASSERT_TRUE(recorded);
  EXPECT_NE(SnapshotText(*recorded).find(ToUtf8(L"Windows Update")), std::string::npos);

  // A change to an unsigned program is reported as ever.
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", other_);
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_EQ(watch.Shown(), 2);
}

}  // namespace
}  // namespace korvane
