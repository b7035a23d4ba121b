// Switching entries off by moving them aside, and on again byte for byte,
// on both platforms.
#include "monitor/parked.h"

#include <gtest/gtest.h>

#include "catalogue/approval.h"
#include "catalogue/entry_record.h"
#include "catalogue/removal.h"
#include "catalogue/moves.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "monitor/blacklist.h"
#include "monitor/switching.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kRunOnce = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::vector<uint8_t> Utf16(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::optional<RegistryValue> ValueIn(const std::wstring& key, const std::wstring& name) {
  TRegistry reg;
  if (!reg.OpenKey(key, false)) return std::nullopt;
  return reg.ReadValue(name);
}

class Parking : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::MakeFolder(LocalAppDataFolder());
    test::PutFile(tool_);
  }
  static StartupList Scan() {
    StartupList list;
    ScanStartupListWithParked(list);
    return list;
  }
  // The one row whose name is `name`.
  static StartupEntry Row(const std::wstring& name) {
    for (const StartupEntry& row : Scan()) {
      if (row.name == name) return row;
    }
    ADD_FAILURE() << ToUtf8(name);
    return {};
  }
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring folder_ = test::kRoot + L"\\Startup";
};

TEST_F(Parking, ValuesGoAsideAndComeBackByteForByte) {
  const std::wstring long_command = tool_ + L" " + std::wstring(4000, L'x');
  struct Case {
    std::wstring key, name;
    RegistryValue value;
  } cases[] = {
      {test::kRunKey, L"Plain", {RegistryDataType::String, Utf16(tool_ + L" -a")}},
      {test::kRunKey,
       L"Expand",
       {RegistryDataType::ExpandString, Utf16(L"%windir%\\..\\kvtest\\Tools\\tool.exe")}},
      {test::kRunKey, L"", {RegistryDataType::String, Utf16(tool_)}},
      {kRunOnce, L"Once", {RegistryDataType::String, Utf16(tool_)}},
      {test::kRunKey,
       L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u65e5\u672c",
       {RegistryDataType::String, Utf16(tool_)}},
      {test::kRunKey, L"Long", {RegistryDataType::String, Utf16(long_command)}},
  };
  for (const Case& c : cases) {
    {
      TRegistry reg;
      ASSERT_TRUE(reg.OpenKey(c.key, true));
      reg.WriteValue(c.name, c.value);
    }
    const StartupEntry row = Row(c.name);
    ASSERT_TRUE(row.enabled) << ToUtf8(c.name);
    ParkResult parked = ParkEntry(row);
    ASSERT_TRUE(parked.done) << ToUtf8(parked.reason);
    EXPECT_FALSE(ValueIn(c.key, c.name)) << ToUtf8(c.name);
    // Still listed, at its old location, switched off.
    const StartupEntry aside = Row(c.name);
    EXPECT_FALSE(aside.enabled);
    EXPECT_EQ(aside.location, row.location);
    EXPECT_EQ(aside.file_name, row.file_name);

    const std::vector<ParkedEntry> entries = ReadParkedEntries();
    ASSERT_EQ(entries.size(), 1u);
    ParkResult restored = RestoreParkedEntry(entries[0]);
    ASSERT_TRUE(restored.done) << ToUtf8(restored.reason);
    EXPECT_EQ(ValueIn(c.key, c.name), c.value) << ToUtf8(c.name);
    EXPECT_TRUE(ReadParkedEntries().empty());
    EXPECT_TRUE(Row(c.name).enabled);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(c.key, false));
    reg.DeleteValue(c.name);
  }
}

// An item of a list value goes aside alone: the value keeps its other items
// and separators as Windows reads them, and gets the item back byte for byte.
TEST_F(Parking, ItemsOfValuesBeyondTheRunKeysGoAsideAndComeBackExactly) {
  using enum RootKey;
  const std::wstring nt = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion";
  auto multi = [](std::wstring text) {
    for (wchar_t& c : text) {
      if (c == L'|') c = L'\0';
    }
    return Utf16(text);  // with one more terminator
  };
  struct Case {
    RootKey root;
    std::wstring key, name, row;
    RegistryValue value;
    std::optional<RegistryValue> aside;  // what the value holds while the item is aside
  } cases[] = {
      {CurrentUser,
       nt + L"\\Winlogon",
       L"Shell",
       L"tool.exe",
       {RegistryDataType::String, Utf16(L"explorer.exe," + tool_ + L" -x")},
       RegistryValue{RegistryDataType::String, Utf16(L"explorer.exe")}},
      {LocalMachine,
       nt + L"\\Winlogon",
       L"Userinit",
       L"tool.exe",
       {RegistryDataType::String, Utf16(L"C:\\Windows\\system32\\userinit.exe," + tool_ + L",")},
       RegistryValue{RegistryDataType::String, Utf16(L"C:\\Windows\\system32\\userinit.exe,")}},
      {LocalMachine,
       nt + L"\\Image File Execution Options\\kvvictim.exe",
       L"Debugger",
       L"kvvictim.exe",
       {RegistryDataType::String, Utf16(tool_)},
       std::nullopt},
      {LocalMachine,
       L"\\System\\CurrentControlSet\\Control\\Session Manager",
       L"BootExecute",
       L"tool.exe",
       {RegistryDataType::MultiString, multi(L"autocheck autochk *|" + tool_ + L"|")},
       RegistryValue{RegistryDataType::MultiString, multi(L"autocheck autochk *|")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.key + L" " + c.name));
    TRegistry reg;
    reg.SetRootKey(c.root);
    ASSERT_TRUE(reg.OpenKey(c.key, true));
    reg.WriteValue(c.name, c.value);
    const StartupEntry row = Row(c.row);
    ParkResult parked = ParkEntry(row);
    ASSERT_TRUE(parked.done) << ToUtf8(parked.reason);
    EXPECT_EQ(reg.ReadValue(c.name), c.aside);
    EXPECT_TRUE(reg.KeyExists(c.key));  // a hijack's key stays; its Debugger goes
    const StartupEntry off = Row(c.row);
    EXPECT_FALSE(off.enabled);
    EXPECT_EQ(off.location, row.location);

    const std::vector<ParkedEntry> entries = ReadParkedEntries();
    ASSERT_EQ(entries.size(), 1u);
    ParkResult restored = RestoreParkedEntry(entries[0]);
    ASSERT_TRUE(restored.done) << ToUtf8(restored.reason);
    EXPECT_EQ(reg.ReadValue(c.name), c.value);
    EXPECT_TRUE(Row(c.row).enabled);
    reg.DeleteValue(c.name);
  }
}

TEST_F(Parking, FilesAndWordsComeBackWhereTheyWere) {
  test::MakeFolder(folder_);
  CreateStartupShortcut(tool_, folder_ + L"\\Tool.lnk", L"A tool", L"-x");
  test::PutFile(folder_ + L"\\backup.bat", "@echo off\r\nxcopy a b\r\n");
  const std::wstring shortcut = folder_ + L"\\Tool.lnk";
  FileTimes old_times = *ReadFileTimes(shortcut);
  old_times.written -= 10000000ull * 3600 * 24;  // a day before
  old_times.created -= 10000000ull * 3600 * 48;
  ASSERT_TRUE(WriteFileTimes(shortcut, old_times));
  // Reading a file may set its last access: the times come after the bytes.
  const std::string bytes = *ReadFileBytes(shortcut);
  const FileTimes times = *ReadFileTimes(shortcut);
  test::SetWinIni(L"run", L"a.exe " + tool_ + L" b.exe");

  for (const wchar_t* name : {L"Tool.lnk", L"backup.bat", L"tool"}) {
    ASSERT_TRUE(ParkEntry(Row(name)).done) << ToUtf8(name);
  }
  EXPECT_FALSE(FileExists(shortcut));
  EXPECT_FALSE(FileExists(folder_ + L"\\backup.bat"));
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"run", L""), L"a.exe b.exe");
  // The other words moved meanwhile: the word goes back between them.
  test::SetWinIni(L"run", L"a.exe b.exe c.exe");
  for (const ParkedEntry& entry : ReadParkedEntries()) {
    ParkResult restored = RestoreParkedEntry(entry);
    EXPECT_TRUE(restored.done) << ToUtf8(restored.reason);
  }
  EXPECT_EQ(ReadFileTimes(shortcut), times);
  EXPECT_EQ(ReadFileBytes(shortcut), bytes);
  EXPECT_EQ(ReadFileBytes(folder_ + L"\\backup.bat"), "@echo off\r\nxcopy a b\r\n");
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"run", L""),
            L"a.exe " + tool_ + L" b.exe c.exe");
}

TEST_F(Parking, WinIniLinesComeBackExactlyAfterSwitchingAndAfterARestore) {
  const std::wstring one = test::kRoot + L"\\one.exe", two = test::kRoot + L"\\two.exe";
  const struct {
    std::wstring line, word, without;
  } cases[] = {
      {one + L" " + two, two, one},
      {one + L" " + two, one, two},
      {one + L" " + tool_ + L" " + two, tool_, one + L" " + two},
      {two, two, L""},
  };
  auto line = [] { return TIniFile(WinIniPath()).ReadString(L"windows", L"run", L""); };
  auto row = [](const std::wstring& word) {
    for (const StartupEntry& row : Scan()) {
      if (std::holds_alternative<WinIniSource>(row.source) && row.file_name == word) return row;
    }
    ADD_FAILURE() << ToUtf8(word);
    return StartupEntry{};
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.line + L" without " + c.word));
    SetUp();
    test::SetWinIni(L"run", c.line);
    for (int cycle = 0; cycle < 3; ++cycle) {
      ASSERT_TRUE(SwitchStartupEntries({row(c.word)}, false).empty());
      EXPECT_EQ(line(), c.without);
      ASSERT_TRUE(SwitchStartupEntries({row(c.word)}, true).empty());
      EXPECT_EQ(line(), c.line);
    }
    ASSERT_TRUE(DeleteStartupEntry(row(c.word), RemovalSource::MainList).done);
    EXPECT_EQ(line(), c.without);
    const std::vector<RemovedEntry> kept = ReadRemovedEntries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(RestoreRemovedEntry(kept[0].id, RestoreTaken::Ask).outcome, RestoreResult::Restored);
    EXPECT_EQ(line(), c.line);
  }
}

TEST_F(Parking, ATakenPlaceIsLeftAloneAndTheRecordKept) {
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
  ASSERT_TRUE(ParkEntry(Row(L"Tool")).done);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_ + L" -other");
  std::vector<ParkedEntry> entries = ReadParkedEntries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_FALSE(RestoreParkedEntry(entries[0]).done);
  EXPECT_EQ(ValueIn(test::kRunKey, L"Tool")->data, Utf16(tool_ + L" -other"));
  EXPECT_EQ(ReadParkedEntries().size(), 1u);
  // The same entry back in its place counts as restored.
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
  EXPECT_TRUE(RestoreParkedEntry(entries[0]).done);
  EXPECT_TRUE(ReadParkedEntries().empty());
}

TEST_F(Parking, ADeletedParkedRowGoesToTheUndoStoreAndAnEntryInItsPlaceStays) {
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_);
  ASSERT_TRUE(SwitchStartupEntries({Row(L"Once")}, false).empty());
  // Meanwhile the program wrote another entry of that name.
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_ + L" -other");
  StartupEntry parked;
  for (const StartupEntry& row : Scan()) {
    if (!row.enabled) parked = row;
  }
  ASSERT_EQ(parked.parameters, L"");
  const RemovalResult deleted = DeleteListedEntry(parked, RemovalSource::MainList);
  EXPECT_TRUE(deleted.done) << ToUtf8(deleted.reason);
  EXPECT_TRUE(ReadParkedEntries().empty());
  EXPECT_EQ(ValueIn(kRunOnce, L"Once")->data, Utf16(tool_ + L" -other"));
  ASSERT_EQ(Scan().size(), 1u);
  // Its record restores it, beside the other one when asked to.
  const std::vector<RemovedEntry> removed = ReadRemovedEntries();
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(RemovalWayText(removed[0].record), L"Deleted");
  EXPECT_EQ(RestoreRemovedEntry(removed[0].id, RestoreTaken::Rename).outcome,
            RestoreResult::Restored);
  EXPECT_EQ(Scan().size(), 2u);
}

TEST_F(Parking, ASwitchedOffEntryIsWatchedWhereItWasMovedTo) {
  auto row_in = [](RootKey root) {
    for (const StartupEntry& row : Scan()) {
      const auto* value = std::get_if<RegistrySource>(&row.source);
      if (value && value->root == root && value->key_path == test::kRunKey) return row;
    }
    return StartupEntry{};
  };
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
  ASSERT_TRUE(SwitchStartupEntries({row_in(RootKey::CurrentUser)}, false).empty());
  const StartupList rows{row_in(RootKey::CurrentUser)};
  const MoveResult moved = MoveStartupEntries(rows, MoveTarget::AllUsersRun);
  FollowMovedEntries(rows, moved, MoveTarget::AllUsersRun);
  if (!StartupApprovalsHonoured()) {
    // Where Windows keeps no such state the entry stays, and so does its watch.
    ASSERT_EQ(moved[0].outcome, MoveOutcome::NotMoved);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
    EXPECT_EQ(KeepSwitchedOff(Scan()), (std::vector<std::wstring>{L"Tool"}));
    return;
  }
  ASSERT_EQ(moved[0].outcome, MoveOutcome::Moved) << ToUtf8(moved[0].reason);

  // The program switches itself on at the new place: off again.
  WriteApproval(*ApprovalPlaceOf(row_in(RootKey::LocalMachine)), true);
  ASSERT_TRUE(row_in(RootKey::LocalMachine).enabled);
  EXPECT_EQ(KeepSwitchedOff(Scan()), (std::vector<std::wstring>{L"Tool"}));
  EXPECT_FALSE(row_in(RootKey::LocalMachine).enabled);
  // Another entry of that name at the old place is none of the user's doing.
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", test::kRoot + L"\\other.exe");
  EXPECT_TRUE(KeepSwitchedOff(Scan()).empty());
  EXPECT_TRUE(row_in(RootKey::CurrentUser).enabled);
}

TEST_F(Parking, TheBlacklistRemovesAParkedEntryOnce) {
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_);
  ASSERT_TRUE(SwitchStartupEntries({Row(L"Once")}, false).empty());
  const std::vector<std::wstring> blacklist = {tool_};
  RemovalFailures failures;
  EXPECT_EQ(RemoveBlacklisted(Scan(), blacklist, failures).removed.size(), 1u);
  EXPECT_TRUE(ReadParkedEntries().empty());
  EXPECT_TRUE(Scan().empty());
  EXPECT_TRUE(RemoveBlacklisted(Scan(), blacklist, failures).removed.empty());
  ASSERT_EQ(ReadRemovedEntries().size(), 1u);
  EXPECT_EQ(RemovalWayText(ReadRemovedEntries()[0].record), L"Blacklisted");
}

TEST_F(Parking, RecordsThatAreNotWholeAreSkipped) {
  constexpr char kHeader[] = "Korvane parked entry";
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
  StartupEntry row = Row(L"Tool");
  EntryRecord record;
  record.row = row;
  const std::string text = EntryRecordText(record, kHeader);
  ASSERT_TRUE(ParseEntryRecord(text, kHeader));
  EXPECT_EQ(ParseEntryRecord(text, kHeader)->row.name, L"Tool");
  for (size_t cut = 0; cut < text.size(); ++cut) {
    EXPECT_FALSE(ParseEntryRecord(text.substr(0, cut), kHeader)) << cut;
  }
  const std::string garbage[] = {"", "Korvane parked entry 1\nkind registry\n",
                                 text + "kind folder\n", "x\n" + text,
                                 std::string(text).replace(text.find("REG_SZ"), 6, "REG_QWORD")};
  for (const std::string& bytes : garbage) EXPECT_FALSE(ParseEntryRecord(bytes, kHeader));

  // A garbage file in the store is passed over, and never restores anything.
  const std::wstring store = LocalAppDataFolder() + L"\\Korvane\\Parked";
  test::MakeFolder(store);
  WriteFileBytes(store + L"\\0000000000000000-0.txt", "Korvane parked entry 1\nname zz\n");
  EXPECT_TRUE(ReadParkedEntries().empty());
  EXPECT_EQ(Scan().size(), 1u);
}

TEST_F(Parking, SwitchingUsesTheStoreWhereWindowsKeepsNoState) {
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_);
  const StartupEntry row = Row(L"Once");
  EXPECT_TRUE(SwitchStartupEntries({row}, false).empty());
  EXPECT_FALSE(ValueIn(kRunOnce, L"Once"));
  EXPECT_FALSE(Row(L"Once").enabled);
  EXPECT_TRUE(SwitchStartupEntries({Row(L"Once")}, true).empty());
  EXPECT_TRUE(ValueIn(kRunOnce, L"Once"));
  EXPECT_TRUE(Row(L"Once").enabled);
}

TEST_F(Parking, AnEntryThatSwitchesItselfOnIsSwitchedOffAgainUntilEnabledInKorvane) {
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_);
  ASSERT_TRUE(SwitchStartupEntries({Row(L"Once")}, false).empty());
  // The program writes its value again behind Korvane's back.
  test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_);
  StartupList rows = Scan();
  EXPECT_EQ(KeepSwitchedOff(rows), (std::vector<std::wstring>{L"Once"}));
  EXPECT_FALSE(ValueIn(kRunOnce, L"Once"));
  EXPECT_EQ(KeptOffBalloonText(1).empty(), false);
  EXPECT_TRUE(KeepSwitchedOff(Scan()).empty());

  // Enabled in Korvane, it may stay on.
  for (const StartupEntry& row : Scan()) {
    if (!row.enabled) ASSERT_TRUE(SwitchStartupEntries({row}, true).empty());
  }
  ASSERT_TRUE(ValueIn(kRunOnce, L"Once"));
  EXPECT_TRUE(KeepSwitchedOff(Scan()).empty());
  EXPECT_TRUE(ValueIn(kRunOnce, L"Once"));
}

}  // namespace
}  // namespace korvane
