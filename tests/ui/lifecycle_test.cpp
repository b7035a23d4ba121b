#include <gtest/gtest.h>

#include "ui/lifecycle.h"

namespace korvane {
namespace {

TEST(CloseCheck, FollowsTheStateTable) {
  enum Answer { None, Yes, No };
  struct Case {
    bool exit_requested, close_to_tray, confirm_exit;
    CloseAction action;
    Answer answer;
    bool closes;
    bool exit_requested_after;
  } cases[] = {
      // The tray menu's "Exit".
      {true, true, false, CloseAction::Close, None, true, false},
      {true, false, false, CloseAction::Close, None, true, false},
      {true, true, true, CloseAction::Ask, Yes, true, true},
      {true, true, true, CloseAction::Ask, No, false, false},
      // The close box, the system menu, File > Exit.
      {false, true, true, CloseAction::Minimise, None, false, false},
      {false, true, false, CloseAction::Minimise, None, false, false},
      {false, false, false, CloseAction::Close, None, true, false},
      {false, false, true, CloseAction::Ask, Yes, true, false},
      {false, false, true, CloseAction::Ask, No, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.exit_requested << c.close_to_tray << c.confirm_exit << c.answer);
    AppSettings settings;
    settings.close_to_tray = c.close_to_tray;
    settings.confirm_exit = c.confirm_exit;
    bool exit_requested = c.exit_requested;
    const CloseAction action = CloseQuery(exit_requested, settings);
    EXPECT_EQ(action, c.action);
    bool closes = action == CloseAction::Close;
    if (action == CloseAction::Ask) closes = CloseAfterAnswer(c.answer == Yes, exit_requested);
    EXPECT_EQ(closes, c.closes);
    EXPECT_EQ(exit_requested, c.exit_requested_after);
  }
}

TEST(InstanceMarker, IsTheExecutablesNameInAsciiUpperCase) {
  EXPECT_EQ(InstanceMarkerName(L"C:\\Tools\\app.exe"), L"APP.EXE");
  EXPECT_EQ(InstanceMarkerName(L"C:\\Program Files\\Korvane\\korvane.exe"), L"KORVANE.EXE");
  EXPECT_EQ(InstanceMarkerName(L"D:\\x\\K\u00f6rvane.exe"), L"K\u00f6RVANE.EXE");
}

TEST(Balloon, TitleAndTextAreCutAtTheirLimits) {
  struct Case {
    size_t length, title, text;
  } cases[] = {{0, 0, 0}, {63, 63, 63}, {64, 63, 64}, {255, 63, 255}, {300, 63, 255}};
  for (const Case& c : cases) {
    const std::wstring s(c.length, L'x');
    EXPECT_EQ(BalloonTitle(s).size(), c.title) << c.length;
    EXPECT_EQ(BalloonText(s), s.substr(0, c.text)) << c.length;
  }
  if constexpr (sizeof(wchar_t) == 2) {
    // A character outside the basic plane standing across the limit goes whole.
    std::wstring text(254, L'x');
    text += static_cast<wchar_t>(0xD83D);
    text += static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(BalloonText(text), std::wstring(254, L'x'));
  }
}

}  // namespace
}  // namespace korvane
