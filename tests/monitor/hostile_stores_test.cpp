// Korvane's stores are files that any program may write: a record cut short
// or garbled is passed over, and never leads to a removal or a change.
#include <gtest/gtest.h>

#include <set>

#include "catalogue/undo_store.h"
#include "monitor/monitor_world.h"
#include "monitor/parked.h"
#include "monitor/switching.h"

namespace korvane {
namespace {

class HostileStores : public test::MonitorTest {
 protected:
  static StartupList Scan() {
    StartupList rows;
    ScanStartupListWithParked(rows);
    return rows;
  }
  static std::wstring Store(const wchar_t* name) {
    return LocalAppDataFolder() + L"\\Korvane\\" + name + L"\\";
  }
};

TEST_F(HostileStores, RecordsCutShortOrGarbledAreSkippedAndChangeNothing) {
  const std::wstring tool = AddRun(L"Tool", L"tool.exe");
  const std::wstring other = AddRun(L"Other", L"other.exe");
  // A whole record of Tool, kept by a deletion and put back.
  ASSERT_TRUE(RecordAndRemove(Scan()[0], RemovalWay::Deleted));
  const std::vector<RemovedEntry> kept = ReadRemovedEntries();
  ASSERT_EQ(kept.size(), 1u);
  const std::string whole = test::FileContent(Store(L"Removed") + kept[0].id + L".txt");
  ASSERT_EQ(RestoreRemovedEntry(kept[0].id, RestoreTaken::Ask).outcome, RestoreResult::Restored);

  // The same record cut at every length, and with a field garbled, in both
  // stores: none is listed, restored or switched on, and both entries stay.
  for (size_t cut = 0; cut < whole.size(); cut += 7) {
    for (const std::string& bytes :
         {whole.substr(0, cut), std::string(whole).replace(whole.find("data ") + 5, 3, "zz!")}) {
      test::PutFile(Store(L"Removed") + L"01db000000000000-0-x.txt", bytes);
      std::string parked = bytes;
      if (parked.rfind("Korvane removed entry 1", 0) == 0) {
        parked.replace(0, 23, "Korvane parked entry 1");
      }
      test::PutFile(Store(L"Parked") + L"01db000000000000-0.txt", parked);
      EXPECT_TRUE(ReadRemovedEntries().empty()) << cut;
      EXPECT_TRUE(ReadParkedEntries().empty()) << cut;
      EXPECT_EQ(RestoreRemovedEntry(L"01db000000000000-0-x", RestoreTaken::Replace).outcome,
                RestoreResult::Failed);
      const StartupList rows = Scan();
      ASSERT_EQ(rows.size(), 2u) << cut;
      EXPECT_TRUE(SwitchStartupEntries(rows, true).empty());
      EXPECT_TRUE(HasRun(L"Tool") && HasRun(L"Other")) << cut;
    }
  }
  std::set<std::wstring> files;
  for (const StartupEntry& row : Scan()) files.insert(row.file_name);
  EXPECT_EQ(files, (std::set<std::wstring>{tool, other}));
}

TEST_F(HostileStores, AParkedRecordWhoseEntryIsBackInPlaceListsItOnce) {
  const std::wstring kRunOnce = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  const std::wstring tool = test::kRoot + L"\\tool.exe";
  test::PutFile(tool);
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool);
  ASSERT_TRUE(SwitchStartupEntries(Scan(), false).empty());
  ASSERT_EQ(ReadParkedEntries().size(), 1u);
  // Put back, and ended before its record went (or its deletion failed).
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool);
  const StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(rows[0].enabled);
  EXPECT_TRUE(ReadParkedEntries().empty());
}

}  // namespace
}  // namespace korvane
