// What the program moves itself is not reported as new by the next refresh.
#include <gtest/gtest.h>

#include "catalogue/moves.h"
#include "monitor/monitor_world.h"
#include "monitor/saved_list.h"

namespace korvane::test {
namespace {

using OwnMoves = MonitorTest;

TEST_F(OwnMoves, AFileMovedBetweenTheStartupFoldersIsNotNew) {
  PutFile(kRoot + L"\\Startup\\backup.bat", "@echo backup\r\n");
  AddRun(L"Tool", L"tool.exe");
  RecordedCycle recorded;
  recorded.cycle.Run();  // the first run reports both; its dialog records them
  ASSERT_EQ(recorded.shown.size(), 1u);
  SaveStartupList(recorded.rows);

  for (MoveTarget target : {MoveTarget::AllUsersStartup, MoveTarget::CurrentUserStartup}) {
    StartupList rows;
    for (const StartupEntry& row : recorded.rows) {
      if (row.name == L"backup.bat") rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 1u);
    MoveResult result = MoveStartupEntries(rows, target);
    ASSERT_EQ(result[0].outcome, MoveOutcome::Moved) << ToUtf8(result[0].reason);
    AddToSavedList(MovedFileNames(rows, result));
    recorded.cycle.Run();
    EXPECT_EQ(recorded.shown.size(), 1u) << "reported as new after a move";
  }
  EXPECT_TRUE(FileExists(kRoot + L"\\Startup\\backup.bat"));
  // The saved list holds what is listed now, not the old place.
  EXPECT_TRUE(FindNewEntries(recorded.rows).empty());
  EXPECT_EQ(ValueNames(kSavedListKey).size(), 2u);
}

}  // namespace
}  // namespace korvane::test
