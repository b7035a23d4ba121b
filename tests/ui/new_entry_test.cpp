#include "ui/new_entry.h"

#include <gtest/gtest.h>

#include "catalogue/placement.h"
#include "catalogue/scan.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

size_t LocationIndex(const wchar_t* component) {
  const auto& locations = NewEntryLocations();
  for (size_t i = 0; i < locations.size(); ++i) {
    if (std::wstring(locations[i].component) == component) return i;
  }
  ADD_FAILURE() << "no location " << ToUtf8(component);
  return 0;
}

class NewEntryRules : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(tool_);
    test::PutFile(app_);
  }
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring app_ = test::kRoot + L"\\My Apps\\My App.exe";
};

TEST(NewEntryLocations, FourteenButtonsInFourBlocksFromTheCurrentUsersRun) {
  const auto& locations = NewEntryLocations();
  ASSERT_EQ(locations.size(), 14u);
  EXPECT_EQ(std::wstring(locations[0].caption), L"Registry, current user, Run");
  EXPECT_EQ(std::wstring(locations[5].caption), L"Registry, all users, UserInit");
  EXPECT_EQ(std::wstring(locations[13].caption), L"Win.ini, load");
  int block = 0;
  for (const NewEntryLocation& location : locations) {
    EXPECT_TRUE(location.block == block || location.block == block + 1) << location.component;
    block = location.block;
    // Every registry button writes into a key that the scan lists.
    if (location.kind != NewEntryLocationKind::Registry) continue;
    bool listed = false;
    for (const StartupLocation& scanned : RegistryStartupLocations()) {
      listed |= scanned.root == location.root && scanned.path == location.key_path;
    }
    EXPECT_TRUE(listed) << ToUtf8(location.caption);
  }
  EXPECT_EQ(block, 3);
}

TEST(NewEntryLocations, WinIniTakesOneWordWithoutParameters) {
  struct Case {
    const wchar_t *file_name, *parameters;
    bool enabled;
  } cases[] = {
      {L"C:\\Tools\\tool.exe", L"", true},   {L"", L"", true},
      {L"C:\\My Apps\\a.exe", L"", false},   {L"C:\\Tools\\tool.exe", L"/min", false},
      {L"C:\\Tools\\tool.exe", L" ", false}, {L"tool.exe ", L"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WinIniLocationsEnabled(c.file_name, c.parameters), c.enabled)
        << ToUtf8(c.file_name) << "|" << ToUtf8(c.parameters);
  }
}

TEST_F(NewEntryRules, EveryLocationPlacesAnEntryThatTheScanListsThere) {
  const std::wstring win_ini = WinIniPath();
  for (size_t i = 0; i < NewEntryLocations().size(); ++i) {
    const NewEntryLocation& location = NewEntryLocations()[i];
    SCOPED_TRACE(ToUtf8(location.caption));
    test::ResetWorld();
    test::PutFile(tool_);
    NewEntry entry{L"", tool_, L"", i};
    NewEntryCheck check = CheckNewEntry(entry);
    ASSERT_EQ(check.verdict, NewEntryVerdict::Place);
    EXPECT_EQ(check.entry.title, L"tool");
    PlaceNewEntry(check.entry);

    StartupList list;
    ScanStartupList(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name,
              location.kind == NewEntryLocationKind::StartupFolder ? L"tool.lnk" : L"tool");
    EXPECT_EQ(list[0].file_name, tool_);
    std::wstring expected;
    switch (location.kind) {
      case NewEntryLocationKind::Registry:
        expected = RootKeyName(location.root) + std::wstring(location.key_path);
        break;
      case NewEntryLocationKind::StartupFolder:
        expected = test::kRoot + (location.current_user ? L"\\Startup" : L"\\Common Startup");
        break;
      case NewEntryLocationKind::WinIni:
        expected = win_ini + (location.load_key ? L", load" : L", run");
        break;
    }
    EXPECT_EQ(list[0].location, expected);
  }
}

TEST_F(NewEntryRules, OkChecksTheFileThenWinIniThenTheShortcutNameThenAReplacement) {
  const size_t run = LocationIndex(L"RadioButton1");
  const size_t machine_run = LocationIndex(L"RadioButton4");
  const size_t startup = LocationIndex(L"RadioButton12");
  const size_t win_ini_run = LocationIndex(L"RadioButton14");
  const size_t win_ini_load = LocationIndex(L"RadioButton15");
  PlaceNewEntry({L"Taken", tool_, L"", run});
  PlaceNewEntry({L"Linked", tool_, L"", startup});

  using enum NewEntryVerdict;
  struct Case {
    NewEntry typed;
    NewEntryVerdict verdict;
    std::wstring text_part;  // in the message or question
    std::wstring title;      // of the entry to place
  } cases[] = {
      {{L"Empty", L"", L"", run}, Refuse, L"file name", L""},
      {{L"Blanks", L"   ", L"", win_ini_run}, Refuse, L"file name", L""},
      {{L"", app_, L"", win_ini_load}, Refuse, kWinIniSpacesMessage, L""},
      {{L"", app_, L"-x", run}, Place, L"", L"My App"},
      {{L"", tool_, L"", win_ini_run}, Place, L"", L"tool"},
      {{L"..\\..\\escape", tool_, L"", startup}, Refuse, L"cannot contain", L""},
      {{L"C:evil", tool_, L"", startup}, Refuse, L"cannot contain", L""},
      {{L"a\\b", tool_, L"", run}, Place, L"", L"a\\b"},
      {{L"taken", app_, L"", run},
       AskReplace,
       L"Replace the existing entry \"taken\" in HKEY_CURRENT_USER\\Software\\Microsoft\\Windows"
       L"\\CurrentVersion\\Run?",
       L"taken"},
      {{L"Taken", tool_, L"", machine_run}, Place, L"", L"Taken"},
      {{L"LINKED", app_, L"", startup}, AskReplace, L"\"LINKED.lnk\" in " + test::kRoot, L"LINKED"},
      {{L"tool", tool_, L"", win_ini_run}, Place, L"", L"tool"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.typed.title + L"|" + c.typed.file_name));
    NewEntryCheck check = CheckNewEntry(c.typed);
    EXPECT_EQ(check.verdict, c.verdict);
    EXPECT_TRUE(Contains(check.text, c.text_part)) << ToUtf8(check.text);
    if (c.verdict == Refuse) continue;
    EXPECT_EQ(check.entry.title, c.title);
    EXPECT_EQ(check.entry.file_name, c.typed.file_name);
    EXPECT_EQ(check.entry.parameters, c.typed.parameters);
    EXPECT_EQ(check.entry.location, c.typed.location);
  }
  // Nothing of that was written: only the two arranged entries are there.
  StartupList list;
  ScanStartupList(list);
  EXPECT_EQ(list.size(), 2u);
}

TEST_F(NewEntryRules, AWinIniEntryTakesTheFileNameAlone) {
  const size_t load = LocationIndex(L"RadioButton15");
  test::SetWinIni(L"load", tool_);
  PlaceNewEntry({L"Title", tool_, L"/ignored", load});
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"Windows", L"load", L""), tool_ + L" " + tool_);
}

}  // namespace
}  // namespace korvane
