#include "monitor/blacklist.h"

#include <gtest/gtest.h>

#include "monitor/monitor_world.h"

namespace korvane::test {
namespace {

const std::wstring kRunOnceKey = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

using Blacklist = MonitorTest;

TEST_F(Blacklist, ANameMatchesAsAWholeTextWithoutLetterCase) {
  const std::vector<std::wstring> blacklist = {L"C:\\APP\\TOOL.EXE", L"tool.exe"};
  struct Case {
    const wchar_t* file_name;
    bool matches;
  } cases[] = {
      {L"c:\\app\\tool.exe", true},    {L"C:\\APP\\TOOL.EXE", true},
      {L"C:\\app\\tool.exe", true},    {L"TOOL.exe", true},
      {L"C:\\other\\tool.exe", false}, {L"C:\\APP\\TOOL.EXE ", false},
      {L"C:\\APP\\TOOL", false},       {L"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsBlacklisted(c.file_name, blacklist), c.matches) << c.file_name;
  }
  EXPECT_FALSE(IsBlacklisted(L"tool.exe", {}));
}

TEST_F(Blacklist, AddingANameTwiceInAnyCaseKeepsOneValue) {
  PutOnBlacklist({L"C:\\App\\Tool.exe", L"c:\\app\\tool.exe", L"C:\\Other.exe"});
  std::optional<std::vector<std::wstring>> names = ReadBlacklist();
  ASSERT_TRUE(names);
  EXPECT_EQ(names->size(), 2u);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(L"\\Software\\Korvane\\Blacklist", false));  // one key, any case
  EXPECT_EQ(reg.ReadString(L"C:\\APP\\TOOL.EXE"), L"");
}

TEST_F(Blacklist, EveryMatchingRowIsRemovedCountedWrittenDownAndRescanned) {
  // One program started from two locations counts twice.
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  SetString(RootKey::CurrentUser, kRunOnceKey, L"Tool again", tool);
  const std::wstring keep = AddRun(L"Keep", L"keep.exe");
  PutOnBlacklist({AsciiUpper(tool), L"C:\\elsewhere.exe"});

  RecordedCycle recorded;
  recorded.cycle.Run();

  EXPECT_FALSE(HasRun(L"Tool"));
  EXPECT_TRUE(ValueNames(kRunOnceKey).empty());
  EXPECT_TRUE(HasRun(L"Keep"));
  EXPECT_EQ(recorded.balloons,
            std::vector<std::wstring>{
                L"Korvane notification|Korvane has been found 2programs, specified in the "
                L"blacklist. Click this message to see the full list of removed programs"});
  EXPECT_EQ(FileContent(RemovedBesideProgram()), ToUtf8(tool + L"\r\n" + tool + L"\r\n"));
  EXPECT_EQ(recorded.cycle.RemovedFileWritten(), RemovedBesideProgram());
  EXPECT_EQ(RemovedFileToOpen(recorded.cycle.RemovedFileWritten()), RemovedBesideProgram());
  // Rescanned before detection: the removed entry is neither listed nor new.
  EXPECT_EQ(recorded.steps,
            (std::vector<std::wstring>{L"scan", L"balloon", L"scan", L"new entries"}));
  EXPECT_EQ(FileNames(recorded.rows), std::vector<std::wstring>{keep});
  ASSERT_EQ(recorded.shown.size(), 1u);
  EXPECT_EQ(FileNames(recorded.shown[0]), std::vector<std::wstring>{keep});
}

TEST_F(Blacklist, NoMatchMeansNoBalloonNoFileAndNoSecondScan) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  PutFile(RemovedBesideProgram(), "old list\r\n");
  for (const std::vector<std::wstring>& blacklist :
       {std::vector<std::wstring>{}, {L"tool.exe"}, {tool + L"x"}}) {
    TRegistry().DeleteKey(kSavedListKey);
    TRegistry().DeleteKey(kBlacklistKey);
    PutOnBlacklist(blacklist);
    RecordedCycle recorded;
    recorded.cycle.Run();
    EXPECT_TRUE(HasRun(L"Tool"));
    EXPECT_TRUE(recorded.balloons.empty());
    EXPECT_EQ(recorded.steps, (std::vector<std::wstring>{L"scan", L"new entries"}));
    EXPECT_EQ(FileContent(RemovedBesideProgram()), "old list\r\n");
    EXPECT_FALSE(recorded.cycle.RemovedFileWritten());
  }
}

TEST_F(Blacklist, AProgramThatComesBackIsRemovedAgainNotReportedAsNew) {
  AddRun(L"Keep", L"keep.exe");
  RecordedCycle recorded;
  recorded.cycle.Run();  // the first run reports keep.exe and saves the list
  ASSERT_EQ(recorded.shown.size(), 1u);

  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  PutOnBlacklist({tool});
  recorded.cycle.Run();
  EXPECT_FALSE(HasRun(L"Tool"));
  EXPECT_EQ(recorded.balloons.size(), 1u);
  EXPECT_EQ(recorded.shown.size(), 1u);

  AddRun(L"Tool", L"tool.exe");
  recorded.cycle.Run();
  EXPECT_FALSE(HasRun(L"Tool"));
  EXPECT_EQ(recorded.balloons.size(), 2u);
  EXPECT_EQ(recorded.shown.size(), 1u);
}

TEST_F(Blacklist, ABalloonClickOpensTheFileWrittenLastOrOneLeftFromBefore) {
  EXPECT_FALSE(RemovedFileToOpen(std::nullopt));
  PutFile(RemovedBesideProgram(), "x");
  EXPECT_EQ(RemovedFileToOpen(std::nullopt), RemovedBesideProgram());
  EXPECT_FALSE(RemovedFileToOpen(kRoot + L"\\gone\\removed.txt"));
  RemoveFile(RemovedBesideProgram());
  MakeFolder(ExtractFilePath(RemovedInLocalAppData()));
  PutFile(RemovedInLocalAppData(), "x");
  EXPECT_EQ(RemovedFileToOpen(std::nullopt), RemovedInLocalAppData());
  EXPECT_EQ(RemovedFileToOpen(RemovedInLocalAppData()), RemovedInLocalAppData());
}

}  // namespace
}  // namespace korvane::test
