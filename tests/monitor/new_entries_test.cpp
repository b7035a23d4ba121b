#include "monitor/new_entries.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/monitor_world.h"

namespace korvane::test {
namespace {

class NewEntries : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    a_ = AddRun(L"A", L"a.exe");
    b_ = AddRun(L"B", L"b.exe");
    c_ = AddRun(L"C", L"c.exe");
    ScanStartupList(rows_);
    ASSERT_EQ(FileNames(rows_), (std::vector<std::wstring>{a_, b_, c_}));
  }
  std::wstring a_, b_, c_;
  StartupList rows_;
};

TEST_F(NewEntries, DeletingRemovesEverySelectedEntryOnceAndItsRow) {
  struct Case {
    std::vector<size_t> selected;
    std::vector<std::wstring> left;  // value names and rows
  } cases[] = {
      {{0, 1, 2}, {}},
      {{2, 0}, {L"B"}},
      {{1, 1, 7}, {L"A", L"C"}},
      {{}, {L"A", L"B", L"C"}},
  };
  for (const Case& c : cases) {
    StartupList rows = rows_;
    for (const StartupEntry& row : rows_)
      SetString(RootKey::CurrentUser, kRunKey, row.name, row.file_name);
    DeleteNewEntries(rows, c.selected);
    std::vector<std::wstring> values = ValueNames(kRunKey);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, c.left);
    std::vector<std::wstring> names;
    for (const StartupEntry& row : rows) names.push_back(row.name);
    EXPECT_EQ(names, c.left);
  }
}

TEST_F(NewEntries, BlacklistingWritesTheSelectedNamesThenDeletesThem) {
  BlacklistNewEntries(rows_, {2, 0});
  std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist();
  ASSERT_TRUE(blacklist);
  EXPECT_EQ(blacklist->size(), 2u);
  EXPECT_TRUE(IsBlacklisted(a_, *blacklist));
  EXPECT_TRUE(IsBlacklisted(c_, *blacklist));
  EXPECT_EQ(ValueNames(kRunKey), std::vector<std::wstring>{L"B"});
  EXPECT_EQ(FileNames(rows_), std::vector<std::wstring>{b_});
}

}  // namespace
}  // namespace korvane::test

namespace korvane {
namespace {

// The memo says what a place beyond a program started at logon does.
TEST(NewEntriesMemo, AHijackOrAShellNamesItsRisk) {
  struct Case {
    std::wstring key, value, says;
  } cases[] = {
      {L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\x.exe",
       L"Debugger", L"instead of the program that its key is named after"},
      {L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", L"Shell",
       L"as the desktop shell"},
      {L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Tool", L""},
  };
  for (const Case& c : cases) {
    ReportedEntry entry;
    entry.row.file_name = L"C:\\Tools\\tool.exe";
    RegistrySource value = ValueSource(RootKey::LocalMachine, c.key, c.value);
    if (c.says.empty()) {
      entry.row.source = value;
    } else {
      entry.row.source = ValueItemSource{value, ItemList::Whole, L"C:\\Tools\\tool.exe"};
    }
    const std::wstring memo = ChangeDescription(entry);
    EXPECT_EQ(memo.find(L"\r\n") != std::wstring::npos, !c.says.empty()) << ToUtf8(memo);
    EXPECT_NE(memo.find(c.says), std::wstring::npos) << ToUtf8(memo);
  }
}

}  // namespace
}  // namespace korvane
