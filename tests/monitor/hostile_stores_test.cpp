// Korvane's stores are files that any program may write: a record cut short
// or garbled is passed over, and never leads to a removal or a change.
#include <gtest/gtest.h>

#include <set>

#include "catalogue/entry_record.h"
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
         {whole.substr(0, cut),
          std::string(whole).replace(whole.find("\"data\": \"") + 9, 3, "zz!")}) {
      test::PutFile(Store(L"Removed") + L"01db000000000000-0-x.txt", bytes);
      std::string parked = bytes;
      if (const size_t kind = parked.find("Korvane removed entry"); kind != std::string::npos) {
        parked.replace(kind, 21, "Korvane parked entry");
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

TEST_F(HostileStores, ARecordOfAPlaceOutsideTheStartupPlacesIsSkippedAndWritesNothing) {
  test::SetWinIni(L"run", test::kRoot + L"\\tool.exe");
  const std::string win_ini = test::FileContent(WinIniPath());
  // A Startup folder file, and records that would write beside or over it.
  const std::wstring startup = StartupFolderPath(StartupFolder::CurrentUser);
  const std::wstring batch = startup + L"\\run.bat";
  test::PutFile(batch, "@echo off\r\n");
  const std::wstring other_key = L"\\Software\\Korvane Test Elsewhere";
  StartupEntry row;
  row.name = L"x.exe";
  row.file_name = test::kRoot + L"\\x.exe";
  row.location = L"win.ini (run)";
  const std::vector<EntrySource> places = {
      WinIniSource{batch, L"run", L"x.exe", 0, 0},
      // A word that would cut win.ini's line when written back.
      WinIniSource{WinIniPath(), L"run", L"x.exe\r\n[other]\r\nrun=y.exe", 0, 0},
      WinIniSource{WinIniPath(), L"run", std::wstring(L"x.exe\0y", 7), 0, 0},
      RegistrySource{RootKey::CurrentUser,
                     RegistryView::Bits64,
                     other_key,
                     L"X",
                     {RegistryDataType::String, {'x', 0, 0, 0}}},
      FolderSource{test::kRoot + L"\\elsewhere.bat", false, L"", L"", L""},
      FolderSource{startup + L"\\..\\elsewhere.bat", false, L"", L"", L""},
      FolderSource{batch + L":hidden", false, L"", L"", L""},
  };
  for (const EntrySource& place : places) {
    row.source = place;
    EntryRecord record;
    record.row = row;
    record.how = L"deleted";
    test::PutFile(Store(L"Removed") + L"01db000000000000-0-x.txt",
                  EntryRecordText(record, "Korvane removed entry"));
    test::PutFile(Store(L"Removed") + L"01db000000000000-0-x.bin", "@echo evil\r\n");
    test::PutFile(Store(L"Parked") + L"01db000000000000-0.txt",
                  EntryRecordText(record, "Korvane parked entry"));
    test::PutFile(Store(L"Parked") + L"01db000000000000-0.bin", "@echo evil\r\n");
    EXPECT_TRUE(ReadRemovedEntries().empty()) << place.index();
    EXPECT_TRUE(ReadParkedEntries().empty()) << place.index();
    EXPECT_EQ(RestoreRemovedEntry(L"01db000000000000-0-x", RestoreTaken::Replace).outcome,
              RestoreResult::Failed);
    EXPECT_TRUE(SwitchStartupEntries(Scan(), true).empty());
    EXPECT_EQ(test::FileContent(batch), "@echo off\r\n") << place.index();
    EXPECT_EQ(test::FileContent(WinIniPath()), win_ini) << place.index();
    EXPECT_FALSE(FileExists(test::kRoot + L"\\elsewhere.bat")) << place.index();
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(other_key)) << place.index();
  }
}

}  // namespace
}  // namespace korvane
