#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/registry.h"
#include "platform/text.h"
#include "support/programs.h"
#include "ui/lifecycle.h"
#include "ui/win32/main_form.h"
#include "support/windows.h"

namespace korvane {
namespace {

using korvane::testing::MessageBoxAnswerer;

enum class Request { CloseBox, FileExit, TrayExit };
enum class Outcome { Ends, InTray, OnTaskbar, StaysOpen };

struct CloseCase {
  bool min_to_tray, close_to_tray, confirm_exit;
  Request request;
  int answer;  // 0: no question expected
  Outcome outcome;
};

Outcome StateOf(TMainForm& form) {
  if (!form.Handle()) return Outcome::Ends;
  if (!IsWindowVisible(form.Handle())) return Outcome::InTray;
  return IsIconic(form.Handle()) ? Outcome::OnTaskbar : Outcome::StaysOpen;
}

TEST(MainWindowClose, FollowsTheSettingsAndTheAnswer) {
  const CloseCase cases[] = {
      {true, true, true, Request::CloseBox, 0, Outcome::InTray},
      {false, true, true, Request::CloseBox, 0, Outcome::OnTaskbar},
      {true, true, true, Request::TrayExit, IDNO, Outcome::StaysOpen},
      {true, true, true, Request::TrayExit, IDYES, Outcome::Ends},
      {true, true, false, Request::TrayExit, 0, Outcome::Ends},
      {true, false, true, Request::FileExit, IDNO, Outcome::StaysOpen},
      {true, false, true, Request::FileExit, IDYES, Outcome::Ends},
      {true, false, false, Request::CloseBox, 0, Outcome::Ends},
      // File › Exit ends the program with close_to_tray on, as the tray's Exit does.
      {true, true, true, Request::FileExit, IDNO, Outcome::StaysOpen},
      {true, true, true, Request::FileExit, IDYES, Outcome::Ends},
      {true, true, false, Request::FileExit, 0, Outcome::Ends},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.min_to_tray << c.close_to_tray << c.confirm_exit << " "
                                      << static_cast<int>(c.request) << " " << c.answer);
    TMainForm form;
    form.Settings.min_to_tray = c.min_to_tray;
    form.Settings.close_to_tray = c.close_to_tray;
    form.Settings.confirm_exit = c.confirm_exit;
    ShowWindow(form.Handle(), SW_SHOW);
    MessageBoxAnswerer answerer(c.answer ? c.answer : IDCANCEL);
    switch (c.request) {
      case Request::CloseBox:
        SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case Request::FileExit:
        SendMessageW(form.Handle(), WM_COMMAND, Exit1, 0);
        break;
      case Request::TrayExit:
        SendMessageW(form.Handle(), WM_COMMAND, Exit2, 0);
        break;
    }
    korvane::testing::PumpMessages();
    EXPECT_EQ(StateOf(form), c.outcome);
    if (c.answer) {
      ASSERT_EQ(answerer.Boxes().size(), 1u);
      EXPECT_EQ(answerer.Boxes()[0].caption, L"Please, confirm exit");
      EXPECT_EQ(answerer.Boxes()[0].text, L"Are you really want to close Korvane?");
    } else {
      EXPECT_TRUE(answerer.Boxes().empty());
    }
    if (form.Handle()) {
      EXPECT_FALSE(form.ExitRequested);
    }
  }
}

TEST(MainWindowClose, ASessionEndIsNeverRefusedNorSentToTheTray) {
  TMainForm form;
  form.Settings.min_to_tray = form.Settings.close_to_tray = form.Settings.confirm_exit = true;
  ShowWindow(form.Handle(), SW_SHOW);
  MessageBoxAnswerer answerer(IDNO);
  EXPECT_TRUE(SendMessageW(form.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  SendMessageW(form.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(form.Handle(), nullptr);
  EXPECT_TRUE(answerer.Boxes().empty());
}

TEST(MainWindowTray, MinimisingHidesTheWindowOnlyWithMinToTray) {
  for (bool to_tray : {true, false}) {
    TMainForm form;
    form.Settings.min_to_tray = to_tray;
    ShowWindow(form.Handle(), SW_SHOW);
    ShowWindow(form.Handle(), SW_MINIMIZE);
    EXPECT_EQ(IsWindowVisible(form.Handle()) != FALSE, !to_tray);
    // A double-click on the icon brings it back.
    SendMessageW(form.TrayIcon().Handle(), TCoolTrayIcon::kIconMessage, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(IsIconic(form.Handle()));
  }
}

int menus_seen = 0;
LRESULT CALLBACK CloseMenu(int code, WPARAM wparam, LPARAM lparam) {
  if (code == MSGF_MENU) {
    ++menus_seen;
    EndMenu();
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST(MainWindowTray, TheIconOpensItsMenuAndShowsBalloons) {
  TMainForm form;
  TCoolTrayIcon& tray = form.TrayIcon();
  // The icon is added once the message loop runs.
  EXPECT_FALSE(tray.Visible());
  korvane::testing::PumpMessages();
  ASSERT_TRUE(tray.Visible());

  menus_seen = 0;
  HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, CloseMenu, nullptr, GetCurrentThreadId());
  // Something for the menu's loop to look at, so the hook sees it open.
  PostMessageW(tray.Handle(), WM_NULL, 0, 0);
  SendMessageW(tray.Handle(), TCoolTrayIcon::kIconMessage, 1, WM_RBUTTONDOWN);
  UnhookWindowsHookEx(hook);
  EXPECT_GT(menus_seen, 0);
  EXPECT_EQ(GetMenuDefaultItem(form.TrayPopup(), FALSE, 0), static_cast<UINT>(ShowKorvane1));

  EXPECT_TRUE(tray.ShowBalloonHint(L"Korvane notification", std::wstring(400, L'x'),
                                   BalloonIcon::Info, 15));
  int clicks = 0;
  tray.OnBalloonHintClick = [&] { ++clicks; };
  SendMessageW(tray.Handle(), TCoolTrayIcon::kIconMessage, 1, NIN_BALLOONUSERCLICK);
  SendMessageW(tray.Handle(), TCoolTrayIcon::kIconMessage, 1, NIN_BALLOONTIMEOUT);
  EXPECT_EQ(clicks, 1);
}

TEST(MainWindowTray, TheIconComesBackWhenTheTaskbarIsRecreated) {
  TMainForm form;
  korvane::testing::PumpMessages();
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = form.TrayIcon().Handle();
  data.uID = 1;
  // The shell restarted and lost the icon.
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
  SendMessageW(form.TrayIcon().Handle(), TCoolTrayIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
}

HWND FindMainWindowOf(DWORD process) {
  for (HWND window = FindWindowW(L"TMainForm", nullptr); window;
       window = FindWindowExW(nullptr, window, L"TMainForm", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process) return window;
  }
  return nullptr;
}

// Another program's window of the same common class name, but its own caption.
int decoy_messages = 0;
LRESULT CALLBACK DecoyProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message >= WM_APP) ++decoy_messages;
  return DefWindowProcW(window, message, wparam, lparam);
}

win32::Window MakeDecoy() {
  // Registered for another module, so that it never meets this program's own class.
  HINSTANCE module = GetModuleHandleW(L"kernel32.dll");
  WNDCLASSW decoy = {};
  decoy.lpfnWndProc = DecoyProc;
  decoy.hInstance = module;
  decoy.lpszClassName = L"TMainForm";
  RegisterClassW(&decoy);
  return win32::Window(CreateWindowExW(0, L"TMainForm", L"Another program", WS_OVERLAPPEDWINDOW, 0,
                                       0, 200, 100, nullptr, nullptr, module, nullptr));
}

TEST(SingleInstance, ASecondStartBringsTheFirstBackAndEnds) {
  // Both instances read the settings: the first goes to the tray when minimised.
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kSettingsKey, true));
  registry.WriteInteger(L"min_to_tray", 1);
  const std::wstring program = korvane::testing::HelperProgram(L"korvane.exe");
  korvane::testing::StartedProgram first(L"", program);
  HWND window = FindMainWindowOf(first.Id());
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_MINIMIZE);
  for (int i = 0; i < 100 && IsWindowVisible(window); ++i) Sleep(20);
  ASSERT_FALSE(IsWindowVisible(window));
  // Made last, so it stands first among the windows of that class.
  decoy_messages = 0;
  const win32::Window decoy = MakeDecoy();
  ASSERT_TRUE(decoy);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring command = L"\"" + program + L"\"";
  ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  win32::KernelHandle second(info.hProcess);
  CloseHandle(info.hThread);
  ASSERT_EQ(WaitForSingleObject(second.get(), 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(second.get(), &code);
  EXPECT_EQ(code, 0u);
  // It never had a main window of its own.
  EXPECT_EQ(FindMainWindowOf(info.dwProcessId), nullptr);
  for (int i = 0; i < 100 && !IsWindowVisible(window); ++i) Sleep(20);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(first.Running());
  korvane::testing::PumpMessages();
  EXPECT_EQ(decoy_messages, 0);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(MainWindowStart, ASettingOfAnotherTypeIsReportedAndTheWindowStillStarts) {
  TRegistry registry;
  registry.DeleteKey(kSettingsKey);
  ASSERT_TRUE(registry.OpenKey(kSettingsKey, true));
  registry.WriteInteger(L"min_to_tray", 1);
  registry.WriteString(L"close_to_tray", L"1");
  {
    korvane::testing::MessageBoxAnswerer answerer(IDOK);
    TMainForm form;
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].caption, L"Korvane");
    EXPECT_NE(answerer.Boxes()[0].text.find(L"close_to_tray"), std::wstring::npos)
        << "the box names the value: " << ToUtf8(answerer.Boxes()[0].text);
    EXPECT_TRUE(form.Settings.min_to_tray);
    EXPECT_FALSE(form.Settings.close_to_tray);
    EXPECT_FALSE(form.Settings.confirm_exit);
    EXPECT_EQ(form.Settings.monitoring, 0);
    // Without close_to_tray the close box ends the program.
    SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(form.Handle(), nullptr);
  }
  registry.DeleteKey(kSettingsKey);
}

}  // namespace
}  // namespace korvane
