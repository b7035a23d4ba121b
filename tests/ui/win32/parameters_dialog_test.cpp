#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "gui/controls.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/windows.h"
#include "support/world.h"
#include "ui/win32/main_form.h"
#include "ui/win32/parameters_dialog.h"

namespace korvane {
namespace {

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Acts on the parameters dialog as soon as it is shown: reads and sets its
// controls, then answers it with OK or Cancel.
class ParametersDriver {
 public:
  explicit ParametersDriver(std::function<void(HWND)> act)
      : act_(std::move(act)),
        hook_(SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId())) {
    current_ = this;
  }
  ~ParametersDriver() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  ParametersDriver(const ParametersDriver&) = delete;
  ParametersDriver& operator=(const ParametersDriver&) = delete;
  int Shown() const { return shown_; }
  RECT Place() const { return place_; }
  HWND Window() const { return window_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && current_) {
      auto window = reinterpret_cast<HWND>(wparam);
      wchar_t name[32] = {};
      GetClassNameW(window, name, 32);
      if (std::wstring(name) == L"TParametersForm") {
        ++current_->shown_;
        current_->window_ = window;
        GetWindowRect(window, &current_->place_);
        current_->act_(window);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline ParametersDriver* current_ = nullptr;
  std::function<void(HWND)> act_;
  HHOOK hook_;
  int shown_ = 0;
  RECT place_ = {};
  HWND window_ = nullptr;
};

bool Checked(HWND dialog, UINT id) {
  return IsDlgButtonChecked(dialog, static_cast<int>(id)) == BST_CHECKED;
}
void SetChecked(HWND dialog, UINT id, bool on) {
  CheckDlgButton(dialog, static_cast<int>(id), on ? BST_CHECKED : BST_UNCHECKED);
}
int SpinValue(HWND dialog) {
  return static_cast<int>(SendDlgItemMessageW(dialog, SpinEdit1Buttons, UDM_GETPOS32, 0, 0));
}
void Answer(HWND dialog, UINT button) {
  PostMessageW(dialog, WM_COMMAND, button, 0);
}

TEST(ParametersDialogAlone, ShowsWhatItIsGivenAndReturnsTheChoiceOnOkOnly) {
  ParametersChoice shown;
  shown.settings.close_to_tray = true;
  shown.settings.multiple_addition = true;
  shown.settings.monitoring = 120;
  shown.run_on_startup = true;

  bool close_box = false, ok = true;
  ParametersDriver driver([&](HWND dialog) {
    EXPECT_FALSE(Checked(dialog, CheckBox3));
    EXPECT_TRUE(Checked(dialog, CheckBox4));
    EXPECT_TRUE(Checked(dialog, CheckBox15));
    EXPECT_FALSE(Checked(dialog, CheckBox16));
    EXPECT_EQ(ControlText(GetDlgItem(dialog, CheckBox16)),
              L"Report changed commands, not only new programs");
    EXPECT_FALSE(Checked(dialog, CheckBox17));
    EXPECT_EQ(ControlText(GetDlgItem(dialog, CheckBox17)), L"Report Windows' own entries too");
    EXPECT_TRUE(Checked(dialog, CheckBox1));
    EXPECT_EQ(SpinValue(dialog), 60);  // the most the spin edit shows
    SetChecked(dialog, CheckBox3, true);
    SetChecked(dialog, CheckBox15, false);
    SetChecked(dialog, CheckBox1, false);
    SetChecked(dialog, CheckBox16, true);
    SetChecked(dialog, CheckBox17, true);
    SendDlgItemMessageW(dialog, SpinEdit1Buttons, UDM_SETPOS32, 0, 30);
    if (close_box) {
      PostMessageW(dialog, WM_CLOSE, 0, 0);
    } else {
      Answer(dialog, ok ? Button2 : Button1);
    }
  });
  const std::optional<ParametersChoice> chosen = ShowParametersDialog(nullptr, shown);
  ASSERT_TRUE(chosen);
  EXPECT_TRUE(chosen->settings.min_to_tray);
  EXPECT_TRUE(chosen->settings.close_to_tray);
  EXPECT_FALSE(chosen->settings.multiple_addition);
  EXPECT_FALSE(chosen->settings.confirm_exit);
  EXPECT_TRUE(chosen->settings.report_changes);
  EXPECT_TRUE(chosen->settings.report_windows);
  EXPECT_EQ(chosen->settings.monitoring, 30);
  EXPECT_FALSE(chosen->run_on_startup);

  ok = false;
  EXPECT_FALSE(ShowParametersDialog(nullptr, shown));
  close_box = true;
  EXPECT_FALSE(ShowParametersDialog(nullptr, shown));
  EXPECT_EQ(driver.Shown(), 3);
}

// A fresh settings key and startup configuration, before the window reads them.
struct CleanWorld {
  CleanWorld() {
    test::ResetWorld();
    TRegistry registry;
    registry.DeleteKey(kSettingsKey);
  }
};

class ParametersFromMainWindow : public ::testing::Test {
 protected:
  void SetUp() override { key_.OpenKey(kSettingsKey, true); }
  CleanWorld clean_;
  TRegistry key_;
  TMainForm main_;
};

TEST_F(ParametersFromMainWindow, ShowsTheStoredValuesEachTime) {
  key_.WriteInteger(L"monitoring", 120);
  key_.WriteInteger(L"confirm_exit", 5);
  key_.WriteInteger(L"close_to_tray", 0);
  key_.DeleteValue(L"single_addition");
  main_.Settings.close_to_tray = true;  // what the program ran with until now
  {
    ParametersDriver driver([](HWND dialog) {
      EXPECT_EQ(SpinValue(dialog), 60);
      EXPECT_TRUE(Checked(dialog, CheckBox5));
      EXPECT_FALSE(Checked(dialog, CheckBox4));
      EXPECT_TRUE(Checked(dialog, CheckBox14));
      EXPECT_FALSE(Checked(dialog, CheckBox1));
      Answer(dialog, Button1);
    });
    main_.Parameters1Click();
    EXPECT_EQ(driver.Shown(), 1);
  }
  EXPECT_EQ(key_.ReadInteger(L"monitoring"), 120);
  EXPECT_EQ(key_.ReadInteger(L"confirm_exit"), 5);
  EXPECT_EQ(key_.ReadInteger(L"single_addition"), 1);

  // A value of another type is reported and stops the reading there; the
  // dialog still opens, later boxes showing what the program runs with.
  key_.WriteString(L"single_deletion", L"1");
  key_.WriteInteger(L"min_to_tray", 0);
  main_.Settings = AppSettings{};
  main_.Settings.multiple_deletion = true;
  korvane::testing::MessageBoxAnswerer answerer(IDOK);
  ParametersDriver driver([](HWND dialog) {
    EXPECT_FALSE(Checked(dialog, CheckBox3));
    EXPECT_TRUE(Checked(dialog, CheckBox7));
    Answer(dialog, Button1);
  });
  main_.Parameters1Click();
  EXPECT_EQ(driver.Shown(), 1);
  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_NE(answerer.Boxes()[0].text.find(L"single_deletion"), std::wstring::npos)
      << ToUtf8(answerer.Boxes()[0].text);
}

TEST_F(ParametersFromMainWindow, RunOnWindowsStartupReflectsTheListWithTheExactPath) {
  const std::wstring own = OwnExecutablePath();
  struct Case {
    std::wstring file_name;
    bool checked;
  } cases[] = {{own, true}, {AsciiUpper(own), false}, {test::kRoot + L"\\other.exe", false}};
  for (const Case& c : cases) {
    StartupList rows(2);
    rows[0].file_name = test::kRoot + L"\\first.exe";
    rows[1].file_name = c.file_name;
    main_.Model().Replace(rows);
    ParametersDriver driver([&](HWND dialog) {
      EXPECT_EQ(Checked(dialog, CheckBox1), c.checked) << ToUtf8(c.file_name);
      Answer(dialog, Button1);
    });
    main_.Parameters1Click();
  }
}

TEST_F(ParametersFromMainWindow, OkStoresEveryControlAndTheSettingsTakeEffect) {
  ParametersDriver driver([](HWND dialog) {
    SetChecked(dialog, CheckBox3, false);
    SetChecked(dialog, CheckBox15, false);
    SendDlgItemMessageW(dialog, SpinEdit1Buttons, UDM_SETPOS32, 0, 30);
    Answer(dialog, Button2);
  });
  main_.Parameters1Click();
  EXPECT_EQ(key_.ReadInteger(L"min_to_tray"), 0);
  EXPECT_EQ(key_.ReadInteger(L"multiple_addition"), 0);
  EXPECT_EQ(key_.ReadInteger(L"close_to_tray"), 1);
  EXPECT_EQ(key_.ReadInteger(L"monitoring"), 30);
  EXPECT_FALSE(main_.Settings.min_to_tray);
  EXPECT_TRUE(main_.Settings.close_to_tray);
  EXPECT_EQ(main_.Settings.monitoring, 30);
}

TEST_F(ParametersFromMainWindow, TickingRunOnStartupAddsTheProgramAndClearingItRemovesIt) {
  ShowWindow(main_.Handle(), SW_SHOW);
  const std::wstring own = OwnExecutablePath();
  TRegistry run;
  bool tick = true;
  ParametersDriver driver([&](HWND dialog) {
    EXPECT_EQ(Checked(dialog, CheckBox1), !tick);
    SetChecked(dialog, CheckBox1, tick);
    Answer(dialog, Button2);
  });
  main_.Parameters1Click();
  ASSERT_TRUE(run.OpenKey(kRun, false));
  EXPECT_TRUE(run.ValueExists(L"Korvane"));
  EXPECT_TRUE(ListHoldsProgram(main_.Rows(), own));

  tick = false;
  main_.Parameters1Click();
  korvane::testing::PumpMessages();
  EXPECT_FALSE(run.ValueExists(L"Korvane"));
  EXPECT_FALSE(ListHoldsProgram(main_.Rows(), own));
  // The removal asked this program to close; it must not have.
  EXPECT_NE(main_.Handle(), nullptr);
  EXPECT_TRUE(IsWindowVisible(main_.Handle()));
}

TEST_F(ParametersFromMainWindow, CancelOnlyClosesTheModalDialog) {
  key_.WriteInteger(L"single_movement", 0);
  ShowWindow(main_.Handle(), SW_SHOW);
  ParametersDriver driver([](HWND dialog) {
    EXPECT_FALSE(Checked(dialog, CheckBox10));
    EXPECT_TRUE(Checked(dialog, CheckBox11));
    SetChecked(dialog, CheckBox10, true);
    Answer(dialog, Button1);
  });
  main_.Parameters1Click();
  EXPECT_EQ(driver.Shown(), 1);
  EXPECT_FALSE(IsWindow(driver.Window()));
  EXPECT_TRUE(IsWindowEnabled(main_.Handle()));
  EXPECT_EQ(key_.ReadInteger(L"single_movement"), 0);
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The dialog is wider than the main window: centred on it at the screen's
// edge, or on a window in the tray, it would start off the screen.
TEST_F(ParametersFromMainWindow, OpensWholeOnTheScreenWhereverTheMainWindowIs) {
  main_.Settings.min_to_tray = true;
  ShowWindow(main_.Handle(), SW_SHOW);
  const RECT work = WorkAreaOf(main_.Handle());
  enum class Where { LeftEdge, BottomRight, InTray };
  for (Where where : {Where::LeftEdge, Where::BottomRight, Where::InTray}) {
    SCOPED_TRACE(static_cast<int>(where));
    RECT frame;
    GetWindowRect(main_.Handle(), &frame);
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    switch (where) {
      case Where::LeftEdge:
        SetWindowPos(main_.Handle(), nullptr, work.left, work.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        break;
      case Where::BottomRight:
        SetWindowPos(main_.Handle(), nullptr, work.right - width, work.bottom - height, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        break;
      case Where::InTray:
        ShowWindow(main_.Handle(), SW_MINIMIZE);
        ASSERT_FALSE(IsWindowVisible(main_.Handle()));
        break;
    }
    ParametersDriver driver([](HWND dialog) { Answer(dialog, Button1); });
    // From the tray menu, as a user in the tray would.
    SendMessageW(main_.Handle(), WM_COMMAND, Options1, 0);
    ASSERT_EQ(driver.Shown(), 1);
    const RECT place = driver.Place();
    EXPECT_TRUE(Inside(place, work))
        << place.left << "," << place.top << " " << place.right << "," << place.bottom;
    switch (where) {
      case Where::LeftEdge:
        EXPECT_EQ(place.left, work.left);
        break;
      case Where::BottomRight:
        EXPECT_EQ(place.right, work.right);
        break;
      case Where::InTray:
        // Centred on the work area.
        EXPECT_LE(std::abs((place.left + place.right) - (work.left + work.right)), 2);
        EXPECT_LE(std::abs((place.top + place.bottom) - (work.top + work.bottom)), 2);
        break;
    }
    EXPECT_TRUE(IsWindowEnabled(main_.Handle()));
  }
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(ParametersDialogAlone, AnIntervalTypedBeyondTheRangeIsTakenAtItsNearestEnd) {
  ParametersChoice shown;
  shown.settings.monitoring = 5;
  const struct {
    const wchar_t* typed;
    int32_t stored;
  } cases[] = {{L"75", 60}, {L"99", 60}, {L"0", 1}, {L"12", 12}, {L"", 5}};
  for (const auto& c : cases) {
    ParametersDriver driver([&](HWND dialog) {
      SetDlgItemTextW(dialog, SpinEdit1, c.typed);
      Answer(dialog, Button2);
    });
    const std::optional<ParametersChoice> chosen = ShowParametersDialog(nullptr, shown);
    ASSERT_TRUE(chosen) << ToUtf8(c.typed);
    EXPECT_EQ(chosen->settings.monitoring, c.stored) << ToUtf8(c.typed);
  }
}

}  // namespace
}  // namespace korvane
