#include <gtest/gtest.h>

#include <windows.h>

#include "catalogue/world.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/registry.h"
#include "ui/win32/main_form.h"
#include "ui/win32/parameters_form.h"
#include "ui/win32/windows.h"

namespace korvane {
namespace {

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A fresh settings key and startup configuration, before any window reads them.
struct CleanWorld {
  CleanWorld() {
    test::ResetWorld();
    TRegistry registry;
    registry.DeleteKey(kSettingsKey);
  }
};

class ParametersDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    key_.OpenKey(kSettingsKey, true);
    dialog_ = application_.ParametersForm.get();
    main_ = application_.MainForm.get();
  }
  CleanWorld clean_;
  TRegistry key_;
  TApplication application_;
  TParametersForm* dialog_ = nullptr;
  TMainForm* main_ = nullptr;
};

TEST_F(ParametersDialog, ShowsTheStoredValuesEachTime) {
  key_.WriteInteger(L"monitoring", 120);
  key_.WriteInteger(L"confirm_exit", 5);
  key_.WriteInteger(L"close_to_tray", 0);
  key_.DeleteValue(L"single_addition");
  dialog_->SetChecked(CheckBox4, true);  // ticked at the last showing, never stored
  dialog_->FormActivate();
  EXPECT_EQ(dialog_->SpinValue(), 60);
  EXPECT_EQ(key_.ReadInteger(L"monitoring"), 120);
  EXPECT_TRUE(dialog_->Checked(CheckBox5));
  EXPECT_EQ(key_.ReadInteger(L"confirm_exit"), 5);
  EXPECT_FALSE(dialog_->Checked(CheckBox4));
  EXPECT_TRUE(dialog_->Checked(CheckBox14));
  EXPECT_EQ(key_.ReadInteger(L"single_addition"), 1);
  EXPECT_FALSE(dialog_->Checked(CheckBox1));

  // A value of another type stops the filling there; later boxes keep their state.
  key_.WriteString(L"single_deletion", L"1");
  dialog_->SetChecked(CheckBox7, false);
  key_.WriteInteger(L"min_to_tray", 0);
  EXPECT_THROW(dialog_->FormActivate(), PlatformError);
  EXPECT_FALSE(dialog_->Checked(CheckBox3));
  EXPECT_FALSE(dialog_->Checked(CheckBox7));
}

TEST_F(ParametersDialog, RunOnWindowsStartupReflectsTheListWithTheExactPath) {
  const std::wstring own = OwnExecutablePath();
  struct Case {
    std::wstring file_name;
    bool checked;
  } cases[] = {{own, true}, {AsciiUpper(own), false}, {test::kRoot + L"\\other.exe", false}};
  for (const Case& c : cases) {
    StartupList rows(2);
    rows[0].file_name = test::kRoot + L"\\first.exe";
    rows[1].file_name = c.file_name;
    main_->FillRows(rows);
    dialog_->FormActivate();
    EXPECT_EQ(dialog_->Checked(CheckBox1), c.checked);
  }
}

TEST_F(ParametersDialog, OkStoresEveryControlAndTheSettingsTakeEffect) {
  dialog_->FormActivate();
  dialog_->SetChecked(CheckBox3, false);
  dialog_->SetChecked(CheckBox15, false);
  dialog_->SetSpinValue(30);
  dialog_->Button2Click();
  EXPECT_EQ(key_.ReadInteger(L"min_to_tray"), 0);
  EXPECT_EQ(key_.ReadInteger(L"multiple_addition"), 0);
  EXPECT_EQ(key_.ReadInteger(L"close_to_tray"), 1);
  EXPECT_EQ(key_.ReadInteger(L"monitoring"), 30);
  EXPECT_FALSE(main_->Settings.min_to_tray);
  EXPECT_TRUE(main_->Settings.close_to_tray);
  EXPECT_EQ(main_->Settings.monitoring, 30);
}

TEST_F(ParametersDialog, TickingRunOnStartupAddsTheProgramAndClearingItRemovesIt) {
  ShowWindow(main_->Handle(), SW_SHOW);
  const std::wstring own = OwnExecutablePath();
  TRegistry run;
  dialog_->FormActivate();
  dialog_->SetChecked(CheckBox1, true);
  dialog_->Button2Click();
  ASSERT_TRUE(run.OpenKey(kRun, false));
  EXPECT_TRUE(run.ValueExists(L"Korvane"));
  EXPECT_TRUE(ListHoldsProgram(main_->Rows(), own));

  dialog_->FormActivate();
  ASSERT_TRUE(dialog_->Checked(CheckBox1));
  dialog_->SetChecked(CheckBox1, false);
  dialog_->Button2Click();
  korvane::testing::PumpMessages();
  EXPECT_FALSE(run.ValueExists(L"Korvane"));
  EXPECT_FALSE(ListHoldsProgram(main_->Rows(), own));
  // The removal asked this program to close; it must not have.
  EXPECT_NE(main_->Handle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(main_->Handle()));
}

LRESULT CALLBACK CancelParameters(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    auto window = reinterpret_cast<HWND>(wparam);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) == L"TParametersForm") PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(ParametersDialog, CancelOnlyClosesTheModalDialog) {
  key_.WriteInteger(L"single_movement", 0);
  HHOOK hook = SetWindowsHookExW(WH_CBT, CancelParameters, nullptr, GetCurrentThreadId());
  ShowWindow(main_->Handle(), SW_SHOW);
  main_->Parameters1Click();
  UnhookWindowsHookEx(hook);
  EXPECT_FALSE(IsWindowVisible(dialog_->Handle()));
  EXPECT_TRUE(IsWindowEnabled(main_->Handle()));
  EXPECT_FALSE(dialog_->Checked(CheckBox10));  // it was filled when shown
  EXPECT_TRUE(dialog_->Checked(CheckBox11));
  EXPECT_EQ(key_.ReadInteger(L"single_movement"), 0);
}

}  // namespace
}  // namespace korvane
