// The undo store when the disk refuses, when the blacklist removes the same
// entry again and again, and at its bounds.
#include <gtest/gtest.h>

#include "catalogue/removal.h"
#include "catalogue/undo_store.h"
#include "monitor/monitor_world.h"
#include "monitor/restored.h"
#include "platform/memory/arrange.h"

namespace korvane::test {
namespace {

class UndoFaults : public MonitorTest {
 protected:
  static StartupEntry Only() {
    StartupList list;
    ScanStartupList(list);
    EXPECT_EQ(list.size(), 1u);
    return list.empty() ? StartupEntry{} : list[0];
  }
};

TEST_F(UndoFaults, NoCopyOnDiskNoRemoval) {
  AddRun(L"Tool", L"tool.exe");
  memory::FailNext(memory::Fault::FileWrite);
  RemovalResult removed = DeleteStartupEntry(Only(), RemovalSource::MainList);
  EXPECT_FALSE(removed.done);
  EXPECT_NE(removed.reason.find(L"could not be saved"), std::wstring::npos);
  EXPECT_TRUE(HasRun(L"Tool"));
  EXPECT_TRUE(ReadRemovedEntries().empty());

  // Without a folder for the copies nothing is removed either.
  memory::SetLocalAppDataFolder(L"");
  EXPECT_FALSE(DeleteStartupEntry(Only(), RemovalSource::MainList));
  EXPECT_TRUE(HasRun(L"Tool"));
  memory::SetLocalAppDataFolder(L"C:\\Users\\user\\AppData\\Local");

  // The value can't be deleted: no copy is left behind.
  memory::FailNext(memory::Fault::RegistryWrite);
  EXPECT_FALSE(DeleteStartupEntry(Only(), RemovalSource::MainList));
  EXPECT_TRUE(HasRun(L"Tool"));
  EXPECT_TRUE(ReadRemovedEntries().empty());

  // An entry gone already is removed without a copy.
  const StartupEntry row = Only();
  DeleteStartupEntry(row, RemovalSource::MainList);
  ASSERT_EQ(ReadRemovedEntries().size(), 1u);
  EXPECT_TRUE(DeleteStartupEntry(row, RemovalSource::MainList));
  EXPECT_EQ(ReadRemovedEntries().size(), 1u);
}

TEST_F(UndoFaults, AnEntryTheBlacklistRemovesAtEveryRefreshLeavesOneCopy) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  PutOnBlacklist({tool});
  RecordedCycle recorded;
  uint64_t last = 0;
  for (int i = 0; i < 100; ++i) {
    AddRun(L"Tool", L"tool.exe");
    recorded.cycle.Run();
    ASSERT_FALSE(HasRun(L"Tool"));
    const std::vector<RemovedEntry> kept = ReadRemovedEntries();
    ASSERT_EQ(kept.size(), 1u) << i;
    EXPECT_GE(kept[0].record.when, last);  // the newer time replaces the older
    last = kept[0].record.when;
  }
  // Another command for the same name is another copy.
  SetString(RootKey::CurrentUser, kRunKey, L"Tool", tool + L" -other");
  recorded.cycle.Run();
  EXPECT_EQ(ReadRemovedEntries().size(), 2u);
}

TEST_F(UndoFaults, TheOldestCopiesGoBeyondTheBounds) {
  for (size_t i = 0; i < kMaxRemovedRecords + 5; ++i) {
    SetString(RootKey::CurrentUser, kRunKey, L"T" + std::to_wstring(i), L"C:\\t.exe");
    ASSERT_TRUE(DeleteStartupEntry(Only(), RemovalSource::MainList));
  }
  std::vector<RemovedEntry> kept = ReadRemovedEntries();
  ASSERT_EQ(kept.size(), kMaxRemovedRecords);
  EXPECT_EQ(kept.front().record.row.name, L"T1004");  // newest first
  EXPECT_EQ(kept.back().record.row.name, L"T5");

  // Three files of 20 MB make 60 MB: the oldest goes.
  ASSERT_TRUE(ForgetRemovedEntries([&] {
    std::vector<std::wstring> ids;
    for (const RemovedEntry& entry : kept) ids.push_back(entry.id);
    return ids;
  }()));
  const std::wstring folder = kRoot + L"\\Startup\\";
  for (char c : {'a', 'b', 'c'}) {
    PutFile(folder + L"big.bat", std::string(20 << 20, c));
    ASSERT_TRUE(DeleteStartupEntry(Only(), RemovalSource::MainList));
  }
  kept = ReadRemovedEntries();
  ASSERT_EQ(kept.size(), 2u);
  const RestoreReport report = RestoreRemoved(
      {kept.back()}, [](const RemovedEntry&) { return std::optional<RestoreTaken>(); });
  ASSERT_EQ(report.restored.size(), 1u);
  EXPECT_EQ(FileContent(folder + L"big.bat"), std::string(20 << 20, 'b'));
}

TEST_F(UndoFaults, ATakenPlaceIsAskedAboutThenReplacedOrLeftBeside) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  ASSERT_TRUE(DeleteStartupEntry(Only(), RemovalSource::MainList));
  SetString(RootKey::CurrentUser, kRunKey, L"Tool", L"C:\\other.exe");
  const std::vector<RemovedEntry> kept = ReadRemovedEntries();

  // Asked, and left: nothing changes.
  int asked = 0;
  RestoreReport report = RestoreRemoved(kept, [&](const RemovedEntry& entry) {
    ++asked;
    EXPECT_NE(TakenPlaceQuestion(entry).find(L"\"Tool\""), std::wstring::npos);
    return std::optional<RestoreTaken>();
  });
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(report.restored.empty());
  EXPECT_EQ(ReadRemovedEntries().size(), 1u);

  // Beside it, under a free name.
  SetString(RootKey::CurrentUser, kRunKey, L"Tool (2)", L"C:\\third.exe");
  report =
      RestoreRemoved(kept, [](const RemovedEntry&) { return std::optional(RestoreTaken::Rename); });
  ASSERT_EQ(report.restored.size(), 1u);
  EXPECT_EQ(report.restored[0].name, L"Tool (3)");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRunKey, false));
  EXPECT_EQ(reg.ReadString(L"Tool"), L"C:\\other.exe");
  EXPECT_EQ(reg.ReadString(L"Tool (2)"), L"C:\\third.exe");
  EXPECT_EQ(reg.ReadString(L"Tool (3)"), tool);
  // Restored entries are not new, and a blacklisted one is named.
  EXPECT_TRUE(FindNewEntries({report.restored[0]}).empty());
}

TEST_F(UndoFaults, ARestoredBlacklistedProgramIsNamedWithEachOfItsEntriesPlaces) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  SetString(RootKey::LocalMachine, kRunKey, L"Tool helper", tool + L" /helper");
  PutOnBlacklist({tool});
  RecordedCycle recorded;
  recorded.cycle.Run();
  ASSERT_FALSE(HasRun(L"Tool"));
  const RestoreReport report = RestoreRemoved(
      ReadRemovedEntries(), [](const RemovedEntry&) { return std::optional<RestoreTaken>(); });
  ASSERT_EQ(report.blacklisted.size(), 2u);
  EXPECT_EQ(BlacklistedPrograms(report.blacklisted), std::vector<std::wstring>{tool});
  const std::wstring question = BlacklistedQuestion(report.blacklisted);
  for (const wchar_t* line :
       {L"\n\"Tool\" in HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run (",
        L"\n\"Tool helper\" in "
        L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run ("}) {
    EXPECT_NE(question.find(line + tool + L")\n"), std::wstring::npos) << question;
  }
  EXPECT_TRUE(HasRun(L"Tool"));
}

}  // namespace
}  // namespace korvane::test
