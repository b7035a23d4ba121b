// A move leaves the moved entries' programs running, under the real shell.
#include <gtest/gtest.h>
#include <windows.h>

#include "catalogue/moves.h"
#include "catalogue/scan.h"
#include "support/world.h"
#include "platform/text.h"
#include "support/programs.h"

namespace korvane {
namespace {

TEST(MovesAndPrograms, AMoveLeavesTheStartupProgramRunning) {
  test::ResetWorld();
  testing::StartedProgram program(L"/exit-after 60");
  test::SetString(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                  L"Program", program.Path());
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(rows[0].running);

  for (MoveTarget target : {MoveTarget::CurrentUserStartup, MoveTarget::CurrentUserRun}) {
    MoveResult result = MoveStartupEntries(rows, target);
    EXPECT_EQ(result[0].outcome, MoveOutcome::Moved) << ToUtf8(result[0].reason);
    ScanStartupList(rows);
    ASSERT_EQ(rows.size(), 1u);
  }
  EXPECT_FALSE(program.WaitForExit(1500));
  EXPECT_TRUE(rows[0].running);
}

}  // namespace
}  // namespace korvane
