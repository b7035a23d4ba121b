#include "monitor/cycle.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/monitor_world.h"
#include "monitor/switching.h"

namespace korvane::test {
namespace {

using Cycle = MonitorTest;

int Scans(const RecordedCycle& recorded) {
  return static_cast<int>(std::count(recorded.steps.begin(), recorded.steps.end(), L"scan"));
}

TEST_F(Cycle, TheTimerRunsACycleEveryMonitoringMinutesClampedToOneToSixty) {
  struct Case {
    int32_t monitoring, period;
  } cases[] = {{1, 60}, {2, 120}, {60, 3600}, {0, 60}, {-5, 60}, {120, 3600}};
  for (const Case& c : cases) {
    RecordedCycle recorded;
    recorded.cycle.SetMonitoring(c.monitoring);
    for (int i = 1; i < c.period; ++i) recorded.cycle.Tick();
    EXPECT_EQ(Scans(recorded), 0) << c.monitoring;
    recorded.cycle.Tick();
    EXPECT_EQ(Scans(recorded), 1) << c.monitoring;
    EXPECT_EQ(recorded.cycle.Ticks(), 0);
    for (int i = 0; i < c.period; ++i) recorded.cycle.Tick();
    EXPECT_EQ(Scans(recorded), 2) << c.monitoring;
  }
}

TEST_F(Cycle, AChangedIntervalCountsAtOnceAndOtherCyclesLeaveTheCounter) {
  RecordedCycle recorded;
  recorded.cycle.SetMonitoring(2);
  for (int i = 0; i < 90; ++i) recorded.cycle.Tick();
  recorded.cycle.Run();  // activation or "Refresh list"
  EXPECT_EQ(recorded.cycle.Ticks(), 90);
  recorded.cycle.SetMonitoring(1);  // already past a minute: the next tick runs it
  recorded.cycle.Tick();
  EXPECT_EQ(Scans(recorded), 2);
  EXPECT_EQ(recorded.cycle.Ticks(), 0);
}

TEST_F(Cycle, NoCycleStartsInsideAnotherAndOneAskedForMeanwhileRunsAfter) {
  AddRun(L"A", L"a.exe");
  RecordedCycle recorded;
  int nested_steps = -1;
  recorded.while_shown = [&](const StartupList&) {
    // The dialog's message loop: the user refreshes twice, five minutes pass.
    const size_t before = recorded.steps.size();
    recorded.cycle.Run();
    recorded.cycle.Run();
    for (int i = 0; i < 300; ++i) recorded.cycle.Tick();
    nested_steps = static_cast<int>(recorded.steps.size() - before);
    EXPECT_TRUE(recorded.cycle.Running());
  };
  for (int i = 0; i < 10; ++i) recorded.cycle.Tick();
  recorded.cycle.Run();

  EXPECT_EQ(nested_steps, 0);
  // The first cycle's save recorded a.exe, so the one run afterwards is quiet.
  EXPECT_EQ(recorded.steps, (std::vector<std::wstring>{L"scan", L"new entries", L"scan"}));
  EXPECT_FALSE(recorded.cycle.Running());
  // The timed cycle that came due under the dialog was that second one: the
  // next comes a full minute later.
  EXPECT_EQ(recorded.cycle.Ticks(), 0);
  for (int i = 1; i < 60; ++i) recorded.cycle.Tick();
  EXPECT_EQ(Scans(recorded), 2);
  recorded.cycle.Tick();
  EXPECT_EQ(Scans(recorded), 3);
}

TEST_F(Cycle, AnEntrySwitchedOffInKorvaneThatComesBackOnIsSwitchedOffWithABalloon) {
  const std::wstring run_once = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  PutFile(kRoot + L"\\a.exe");
  SetString(RootKey::CurrentUser, run_once, L"A", kRoot + L"\\a.exe");
  RecordedCycle recorded;
  recorded.cycle.Run();
  ASSERT_EQ(recorded.rows.size(), 1u);
  ASSERT_TRUE(SwitchStartupEntries(recorded.rows, false).empty());
  recorded.cycle.Run();
  EXPECT_EQ(recorded.balloons.size(), 0u);
  // The program writes itself back.
  SetString(RootKey::CurrentUser, run_once, L"A", kRoot + L"\\a.exe");
  recorded.cycle.Run();
  ASSERT_EQ(recorded.balloons.size(), 1u);
  EXPECT_NE(recorded.balloons[0].find(L"switched it off"), std::wstring::npos);
  ASSERT_EQ(recorded.rows.size(), 1u);
  EXPECT_FALSE(recorded.rows[0].enabled);
}

}  // namespace
}  // namespace korvane::test
