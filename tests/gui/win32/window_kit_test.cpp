#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "gui/form.h"
#include "gui/guard.h"
#include "gui/placement.h"
#include "platform/error.h"
#include "platform/win32/handles.h"
#include "support/windows.h"

namespace korvane {
namespace {

using korvane::testing::MessageBoxAnswerer;

constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kCount = WM_APP + 2;
constexpr UINT_PTR kTimer = 7;

struct NotAnException {
  int code;
};

// A form whose handler throws what it is told to, and counts what it handles.
class ThrowingForm : public TForm {
 public:
  ThrowingForm() {
    CreateForm(L"KorvaneThrowingForm", L"Throwing", WS_OVERLAPPEDWINDOW, 0, 200, 100, nullptr);
  }
  int handled = 0;
  int ticks = 0;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == kThrow) Throw(static_cast<int>(wparam));
    if (message == kCount) return ++handled;
    if (message == WM_TIMER && wparam == kTimer) {
      ++ticks;
      KillTimer(Handle(), kTimer);
      throw NotAnException{3};
    }
    return TForm::HandleMessage(message, wparam, lparam);
  }

 private:
  static void Throw(int kind) {
    switch (kind) {
      case 0:
        throw PlatformError(L"RegOpenKeyEx failed on the key \\Software\\Korvane");
      case 1:
        throw std::runtime_error("standard failure");
      case 2:
        throw NotAnException{2};
      default:
        throw 42;
    }
  }
};

// The width of an icon's image, in pixels.
int IconWidth(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// This executable has no icon of its own, so the system's stands in. Its
// largest image, sent to the notification area with each change of the
// tray icon, made a request that Wine could not always pass on whole, and
// the window's thread ended in the middle of a test.
TEST(ApplicationIcon, IsNoLargerThanTheSystemsIconSize) {
  for (bool small_icon : {false, true}) {
    const HICON icon = ApplicationIcon(small_icon);
    ASSERT_NE(icon, nullptr) << small_icon;
    const int width = IconWidth(icon);
    EXPECT_GT(width, 0) << small_icon;
    EXPECT_LE(width, GetSystemMetrics(SM_CXICON)) << small_icon;
  }
}

TEST(ErrorGuard, EveryExceptionFromAHandlerIsShownAndTheWindowGoesOn) {
  ThrowingForm form;
  MessageBoxAnswerer answerer(IDOK);
  const wchar_t* expected[] = {L"RegOpenKeyEx failed on the key \\Software\\Korvane",
                               L"standard failure", nullptr, nullptr};
  for (int kind = 0; kind < 4; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(SendMessageW(form.Handle(), kThrow, kind, 0), 0);
    ASSERT_EQ(answerer.Boxes().size(), static_cast<size_t>(kind + 1));
    const auto& box = answerer.Boxes().back();
    EXPECT_EQ(box.caption, L"Korvane");
    if (expected[kind]) {
      EXPECT_EQ(box.text, expected[kind]);
    } else {
      EXPECT_FALSE(box.text.empty());
    }
    // The window still handles what comes next.
    EXPECT_EQ(SendMessageW(form.Handle(), kCount, 0, 0), kind + 1);
  }
}

TEST(ErrorGuard, ATimerHandlerThatThrowsIsReportedOnceAndTheLoopGoesOn) {
  ThrowingForm form;
  MessageBoxAnswerer answerer(IDOK);
  ASSERT_TRUE(SetTimer(form.Handle(), kTimer, 1, nullptr));
  for (int i = 0; i < 200 && form.ticks == 0; ++i) {
    Sleep(5);
    korvane::testing::PumpMessages();
  }
  EXPECT_EQ(form.ticks, 1);
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  PostMessageW(form.Handle(), kCount, 0, 0);
  korvane::testing::PumpMessages();
  EXPECT_EQ(form.handled, 1);
}

TEST(ErrorGuard, GuardedTellsWhetherTheActionRanToItsEnd) {
  MessageBoxAnswerer answerer(IDOK);
  EXPECT_TRUE(Guarded(nullptr, [] {}));
  EXPECT_FALSE(Guarded(nullptr, [] { throw NotAnException{1}; }));
  EXPECT_EQ(answerer.Boxes().size(), 1u);
}

RECT WorkArea(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

TEST(DialogPlacement, CentredOnTheOwnerAndKeptWholeOnItsMonitor) {
  win32::Window owner(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400,
                                      300, nullptr, nullptr, nullptr, nullptr));
  const RECT work = WorkArea(owner.get());
  const LONG work_width = work.right - work.left, work_height = work.bottom - work.top;
  struct Case {
    RECT owner;  // relative to the work area's corner; empty: hidden
    SIZE dialog;
    POINT expected;  // the dialog's corner, relative to the work area's corner
  } cases[] = {
      // Room all round: centred.
      {{200, 200, 600, 500}, {200, 100}, {300, 300}},
      // Wider than its owner at the left edge: pushed right onto the screen.
      {{0, 0, 450, 350}, {570, 300}, {0, 25}},
      // At the bottom right corner: pulled back.
      {{work_width - 100, work_height - 100, work_width, work_height},
       {300, 200},
       {work_width - 300, work_height - 200}},
      // Hidden (in the tray): centred on the work area.
      {{}, {300, 200}, {(work_width - 300) / 2, (work_height - 200) / 2}},
      // Larger than the work area: its corner stays on the screen.
      {{}, {work_width + 50, work_height + 50}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.owner.left << "," << c.owner.top << " " << c.dialog.cx << "x" << c.dialog.cy);
    if (IsRectEmpty(&c.owner)) {
      ShowWindow(owner.get(), SW_HIDE);
    } else {
      ShowWindow(owner.get(), SW_SHOWNOACTIVATE);
      MoveWindow(owner.get(), work.left + c.owner.left, work.top + c.owner.top,
                 c.owner.right - c.owner.left, c.owner.bottom - c.owner.top, FALSE);
    }
    win32::Window dialog(CreateWindowExW(0, L"STATIC", L"dialog", WS_POPUP, 0, 0, c.dialog.cx,
                                         c.dialog.cy, owner.get(), nullptr, nullptr, nullptr));
    PlaceOnOwner(dialog.get(), owner.get());
    RECT place;
    GetWindowRect(dialog.get(), &place);
    EXPECT_EQ(place.left - work.left, c.expected.x);
    EXPECT_EQ(place.top - work.top, c.expected.y);
  }
}

TEST(DialogPlacement, AMinimisedOwnerCountsAsAbsent) {
  win32::Window owner(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                      0, 400, 300, nullptr, nullptr, nullptr, nullptr));
  ShowWindow(owner.get(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(owner.get()));
  const RECT work = WorkArea(owner.get());
  win32::Window dialog(CreateWindowExW(0, L"STATIC", L"dialog", WS_POPUP, 0, 0, 300, 200,
                                       owner.get(), nullptr, nullptr, nullptr));
  PlaceOnOwner(dialog.get(), owner.get());
  RECT place;
  GetWindowRect(dialog.get(), &place);
  EXPECT_EQ(place.left, work.left + (work.right - work.left - 300) / 2);
  EXPECT_EQ(place.top, work.top + (work.bottom - work.top - 200) / 2);
}

RECT* place_at = nullptr;
LRESULT CALLBACK RecordAndClose(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && place_at) {
    auto window = reinterpret_cast<HWND>(wparam);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) == L"KorvaneEmptyDialog") {
      GetWindowRect(window, place_at);
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The modal loop places every dialog through the same helper.
TEST(DialogPlacement, AModalDialogOpensCentredOnItsOwner) {
  win32::Window owner(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                      0, 600, 500, nullptr, nullptr, nullptr, nullptr));
  const RECT work = WorkArea(owner.get());
  MoveWindow(owner.get(), work.left + 150, work.top + 40, 600, 500, FALSE);
  RECT place = {};
  place_at = &place;
  HHOOK hook = SetWindowsHookExW(WH_CBT, RecordAndClose, nullptr, GetCurrentThreadId());
  EXPECT_EQ(ShowEmptyDialog(owner.get(), L"KorvaneEmptyDialog", L"Empty"), IDCANCEL);
  UnhookWindowsHookEx(hook);
  place_at = nullptr;
  ASSERT_FALSE(IsRectEmpty(&place));
  EXPECT_LE(std::abs((place.left + place.right) - (2 * work.left + 300 + 600)), 1);
  EXPECT_LE(std::abs((place.top + place.bottom) - (2 * work.top + 80 + 500)), 1);
}

}  // namespace
}  // namespace korvane
