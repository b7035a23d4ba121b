#include "ui/confirmation.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(Confirmation, TheCountPicksTheSwitchAndTheText) {
  const struct {
    const Confirmation* command;
    std::wstring caption, one, five;
  } commands[] = {
      {&kRunConfirmation, L"Please, confirm launching",
       L"Are you really want to launch this entry?", L"Are you really want to launch 5 entries?"},
      {&kStopConfirmation, L"Please, confirm stopping", L"Are you really want to stop this entry?",
       L"Are you really want to stop 5 entries?"},
      {&kDeleteConfirmation, L"Please, confirm deletion",
       L"Are you really want to permanently remove this entry?",
       L"Are you really want to permanently remove 5 entries?"},
      {&kBlacklistConfirmation, L"Korvane",
       L"Are you really want to add this entry into blacklist?",
       L"Are you really want to add 5 entries into blacklist?"},
      {&kMoveConfirmation, L"Korvane", L"Are you really want to move this entry?",
       L"Are you really want to move 5 entries?"},
  };
  for (const auto& c : commands) {
    SCOPED_TRACE(std::string(c.one.begin(), c.one.end()));
    AppSettings settings;
    EXPECT_EQ(ConfirmationFor(*c.command, 0, settings).kind, ConfirmationStep::Nothing);
    settings.*(c.command->one_row) = true;
    EXPECT_EQ(ConfirmationFor(*c.command, 0, settings).kind, ConfirmationStep::Nothing);
    ConfirmationStep one = ConfirmationFor(*c.command, 1, settings);
    EXPECT_EQ(one.kind, ConfirmationStep::Ask);
    EXPECT_EQ(one.caption, c.caption);
    EXPECT_EQ(one.text, c.one);
    // The one-row switch says nothing about several rows, and the other way round.
    EXPECT_EQ(ConfirmationFor(*c.command, 5, settings).kind, ConfirmationStep::Go);
    settings.*(c.command->one_row) = false;
    settings.*(c.command->several_rows) = true;
    EXPECT_EQ(ConfirmationFor(*c.command, 1, settings).kind, ConfirmationStep::Go);
    ConfirmationStep five = ConfirmationFor(*c.command, 5, settings);
    EXPECT_EQ(five.kind, ConfirmationStep::Ask);
    EXPECT_EQ(five.caption, c.caption);
    EXPECT_EQ(five.text, c.five);
  }
  AppSettings all;
  all.multiple_deletion = true;
  EXPECT_EQ(ConfirmationFor(kDeleteConfirmation, 12345, all).text,
            L"Are you really want to permanently remove 12345 entries?");
}

}  // namespace
}  // namespace korvane
