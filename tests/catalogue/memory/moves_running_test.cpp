// A move leaves the moved entries' programs running.
#include <gtest/gtest.h>

#include "catalogue/moves.h"
#include "catalogue/scan.h"
#include "support/world.h"
#include "platform/text.h"

namespace korvane {
namespace {

TEST(MovesAndPrograms, AMoveAsksNoProgramToClose) {
  test::ResetWorld();
  const std::wstring tool = test::kRoot + L"\\Tools\\tool.exe";
  test::PutFile(tool);
  test::SetString(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                  L"Tool", tool);
  const uint32_t running = memory::StartProcess(tool, {{}});
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(rows[0].running);

  for (MoveTarget target : {MoveTarget::CurrentUserStartup, MoveTarget::AllUsersRun}) {
    MoveResult result = MoveStartupEntries(rows, target);
    EXPECT_EQ(result[0].outcome, MoveOutcome::Moved) << ToUtf8(result[0].reason);
    ScanStartupList(rows);
    ASSERT_EQ(rows.size(), 1u);
  }
  EXPECT_TRUE(memory::ProcessRunning(running));
  EXPECT_EQ(memory::CloseRequests(running), std::vector<int>{0});
}

}  // namespace
}  // namespace korvane
