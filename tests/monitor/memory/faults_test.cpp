// Faults only the memory platform can make: files and keys that refuse
// writes, removals that fail.
#include <gtest/gtest.h>

#include "monitor/new_entries.h"
#include "monitor/monitor_world.h"
#include "platform/error.h"
#include "platform/processes.h"

namespace korvane::test {
namespace {

using memory::FailNext;
using memory::Fault;

using MonitorFaults = MonitorTest;

TEST_F(MonitorFaults, RemovedFileBytesAreAnsiUnlessANameDoesNotFit) {
  struct Case {
    std::vector<std::wstring> names;
    std::string bytes;
  } cases[] = {
      {{L"C:\\a.exe", L"C:\\a.exe", L"C:\\b.exe"}, "C:\\a.exe\r\nC:\\a.exe\r\nC:\\b.exe\r\n"},
      {{L"C:\\caf\u00e9.exe"}, "C:\\caf\xE9.exe\r\n"},
      {{L"C:\\a.exe", L"C:\\\u0434.exe"},
       "\xEF\xBB\xBF"
       "C:\\a.exe\r\nC:\\\xD0\xB4.exe\r\n"},
      {{L"C:\\\U0001F600.exe"},
       "\xEF\xBB\xBF"
       "C:\\\xF0\x9F\x98\x80.exe\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(RemovedFileBytes(c.names), c.bytes);
}

TEST_F(MonitorFaults, RemovedFileGoesToTheUsersFolderWhenTheProgramsCannotBeWritten) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  PutOnBlacklist({tool});
  RecordedCycle recorded;
  memory::FailNextWriteOf(RemovedBesideProgram());
  recorded.cycle.Run();

  EXPECT_FALSE(FileExists(RemovedBesideProgram()));
  EXPECT_EQ(FileContent(RemovedInLocalAppData()), ToUtf8(tool + L"\r\n"));
  EXPECT_EQ(recorded.cycle.RemovedFileWritten(), RemovedInLocalAppData());
  EXPECT_EQ(RemovedFileToOpen(recorded.cycle.RemovedFileWritten()), RemovedInLocalAppData());
  EXPECT_EQ(recorded.steps, (std::vector<std::wstring>{L"scan", L"balloon", L"scan"}));

  // A portable copy keeps its file beside it.
  AddRun(L"Tool", L"tool.exe");
  recorded.cycle.Run();
  EXPECT_EQ(recorded.cycle.RemovedFileWritten(), RemovedBesideProgram());
  EXPECT_EQ(FileContent(RemovedBesideProgram()), ToUtf8(tool + L"\r\n"));
}

TEST_F(MonitorFaults, ARemovedFileThatCannotBeWrittenAnywhereEndsTheCycle) {
  {
    TRegistry().DeleteKey(kSavedListKey);
    const std::wstring tool = AddRun(L"Tool", L"tool.exe");
    AddRun(L"Keep", L"keep.exe");
    PutOnBlacklist({tool});
    RecordedCycle recorded;
    for (int i = 1; i < 60; ++i) recorded.cycle.Tick();
    memory::FailNextWriteOf(RemovedBesideProgram());
    memory::FailNextWriteOf(RemovedInLocalAppData());
    EXPECT_THROW(recorded.cycle.Tick(), PlatformError);

    // The balloon came first; detection and saving wait for the next cycle.
    EXPECT_EQ(recorded.steps, (std::vector<std::wstring>{L"scan", L"balloon"}));
    EXPECT_TRUE(ValueNames(kSavedListKey).empty());
    EXPECT_FALSE(recorded.cycle.Running());
    // The timer goes on: its next cycle comes a minute later.
    EXPECT_EQ(recorded.cycle.Ticks(), 0);
    for (int i = 0; i < 60; ++i) recorded.cycle.Tick();
    EXPECT_EQ(recorded.steps.back(), L"new entries");
  }
}

TEST_F(MonitorFaults, AnEntryThatCannotBeRemovedIsNotCountedAndToldOnce) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  const std::wstring other = AddRun(L"Other", L"other.exe");
  PutOnBlacklist({tool, other});
  const std::wstring found_one =
      L"Korvane notification|Korvane has been found 1programs, specified in the blacklist. "
      L"Click this message to see the full list of removed programs. ";
  const std::wstring failed_one =
      L"1 blacklisted program could not be removed: its startup location may not be changed "
      L"without administrator rights.";

  RecordedCycle recorded;
  FailNext(Fault::RegistryWrite);  // the first removal
  recorded.cycle.Run();
  EXPECT_TRUE(HasRun(L"Tool"));
  EXPECT_FALSE(HasRun(L"Other"));
  EXPECT_EQ(FileContent(RemovedBesideProgram()), ToUtf8(other + L"\r\n"));
  EXPECT_EQ(recorded.balloons, std::vector<std::wstring>{found_one + failed_one});

  // Failing again in the same run: tried, but not told again, and nothing rewritten.
  PutFile(RemovedBesideProgram(), "kept");
  recorded.balloons.clear();
  recorded.steps.clear();
  FailNext(Fault::RegistryWrite);
  recorded.cycle.Run();
  EXPECT_TRUE(HasRun(L"Tool"));
  EXPECT_TRUE(recorded.balloons.empty());
  EXPECT_EQ(FileContent(RemovedBesideProgram()), "kept");
  EXPECT_EQ(recorded.steps, std::vector<std::wstring>{L"scan"});

  // Once it can go, it goes and is counted.
  recorded.cycle.Run();
  EXPECT_FALSE(HasRun(L"Tool"));
  ASSERT_EQ(recorded.balloons.size(), 1u);
  EXPECT_EQ(FileContent(RemovedBesideProgram()), ToUtf8(tool + L"\r\n"));
}

TEST_F(MonitorFaults, FailuresAloneAreToldWithoutTheRemovalSentence) {
  const std::wstring a = AddRun(L"A", L"a.exe");
  const std::wstring b = AddRun(L"B", L"b.exe");
  PutOnBlacklist({a, b});
  RecordedCycle recorded;
  FailNext(Fault::RegistryWrite);
  FailNext(Fault::RegistryWrite);
  recorded.cycle.Run();
  EXPECT_EQ(recorded.balloons,
            std::vector<std::wstring>{
                L"Korvane notification|2 blacklisted programs could not be removed: their "
                L"startup locations may not be changed without administrator rights."});
  EXPECT_FALSE(FileExists(RemovedBesideProgram()));
  EXPECT_EQ(recorded.steps, (std::vector<std::wstring>{L"scan", L"balloon", L"new entries"}));
  EXPECT_TRUE(recorded.cycle.TakeBlacklistedNeedingAdministrator().empty());  // no rights missing

  // A key this user may only read: the balloon offers the removal as
  // administrator, and its click finds the row.
  SetString(RootKey::LocalMachine, kRunKey, L"C", a);
  memory::MakeKeyReadOnly(RootKey::LocalMachine, kRunKey);
  recorded.balloons.clear();
  recorded.cycle.Run();
  ASSERT_EQ(recorded.balloons.size(), 1u);
  EXPECT_TRUE(recorded.balloons[0].ends_with(
      L"1 blacklisted program could not be removed: its startup location may not be changed "
      L"without administrator rights. Click this message to remove them as administrator."))
      << ToUtf8(recorded.balloons[0]);
  const StartupList offered = recorded.cycle.TakeBlacklistedNeedingAdministrator();
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0].name, L"C");
  EXPECT_TRUE(recorded.cycle.TakeBlacklistedNeedingAdministrator().empty());  // taken once
}

TEST_F(MonitorFaults, KeysThatCannotBeOpenedMeanNothingRemovedNothingNewNothingSaved) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  PutOnBlacklist({tool});
  memory::DenyKey(RootKey::CurrentUser, kBlacklistKey);
  memory::DenyKey(RootKey::CurrentUser, kSavedListKey);
  RecordedCycle recorded;
  recorded.cycle.Run();
  EXPECT_TRUE(HasRun(L"Tool"));
  EXPECT_EQ(recorded.steps, std::vector<std::wstring>{L"scan"});
  EXPECT_TRUE(ValueNames(kSavedListKey).empty());
}

TEST_F(MonitorFaults, ASaveThatFailsHalfWayKeepsTheOldNames) {
  SetString(RootKey::CurrentUser, kSavedListKey, L"C:\\a.exe", L"");
  SetString(RootKey::CurrentUser, kSavedListKey, L"C:\\b.exe", L"");
  const StartupList rows = {{L"A", false, L"C:\\a.exe", L"", L""},
                            {L"C", false, L"C:\\c.exe", L"", L""}};
  FailNext(Fault::RegistryWrite);
  EXPECT_THROW(SaveStartupList(rows), PlatformError);
  EXPECT_EQ(ValueNames(kSavedListKey), (std::vector<std::wstring>{L"C:\\a.exe", L"C:\\b.exe"}));
  EXPECT_EQ(FileNames(FindNewEntries(rows)), std::vector<std::wstring>{L"C:\\c.exe"});
}

TEST_F(MonitorFaults, AListSavedAsItStandsIsNotWrittenAgain) {
  SetString(RootKey::CurrentUser, kSavedListKey, L"C:\\a.exe", L"");
  SetString(RootKey::CurrentUser, kSavedListKey, L"C:\\b.exe", L"");
  const StartupList rows = {{L"A", false, L"C:\\a.exe", L"", L""},
                            {L"A again", false, L"C:\\a.exe", L"", L""},
                            {L"B", false, L"C:\\b.exe", L"", L""}};
  // Any write would fail: none is made.
  FailNext(Fault::RegistryWrite);
  EXPECT_NO_THROW(SaveStartupList(rows));
  memory::ClearFaults();
  EXPECT_EQ(ValueNames(kSavedListKey), (std::vector<std::wstring>{L"C:\\a.exe", L"C:\\b.exe"}));
}

TEST_F(MonitorFaults, ARequestMadeDuringACycleThatFailsIsDropped) {
  AddRun(L"A", L"a.exe");
  RecordedCycle recorded;
  recorded.while_shown = [&](const StartupList&) {
    recorded.cycle.Run();
    FailNext(Fault::RegistryWrite);  // the save after the dialog
  };
  EXPECT_THROW(recorded.cycle.Run(), PlatformError);
  EXPECT_EQ(recorded.steps, (std::vector<std::wstring>{L"scan", L"new entries"}));
  EXPECT_FALSE(recorded.cycle.Running());
  recorded.while_shown = nullptr;
  recorded.cycle.Run();
  EXPECT_EQ(recorded.steps.size(), 4u);  // asked again, it runs
}

TEST_F(MonitorFaults, DeletedNewEntriesEndTheirProgramsAndFailuresStillDropTheRow) {
  const std::wstring a = AddRun(L"A", L"a.exe");
  const std::wstring b = AddRun(L"B", L"b.exe");
  const uint32_t running = memory::StartProcess(a, {{.refuses_close = true}});
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), 2u);
  FailNext(Fault::RegistryWrite);  // A's value stays
  DeleteNewEntries(rows, {0, 1});
  EXPECT_TRUE(rows.empty());
  EXPECT_FALSE(memory::ProcessRunning(running));  // terminated, not asked
  EXPECT_TRUE(HasRun(L"A"));
  EXPECT_FALSE(HasRun(L"B"));
}

}  // namespace
}  // namespace korvane::test
