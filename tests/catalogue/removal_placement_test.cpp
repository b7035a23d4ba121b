#include <gtest/gtest.h>

#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RemovalAndPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(app_);
    test::PutFile(tool_);
  }
  // Profile reads may drop the blanks at either end of a value, as they do
  // for win.ini files; the words between them are what matters.
  static std::wstring WinIni(const wchar_t* key) {
    std::wstring value = TIniFile(WinIniPath()).ReadString(L"Windows", key, L"");
    value.erase(0, value.find_first_not_of(L' '));
    value.erase(value.find_last_not_of(L' ') + 1);
    return value;
  }
  static bool HasValue(RootKey root, const std::wstring& key, const std::wstring& name) {
    TRegistry reg;
    reg.SetRootKey(root);
    return reg.OpenKey(key, false) && reg.ValueExists(name);
  }
  const std::wstring root_ = test::kRoot;
  const std::wstring app_ = root_ + L"\\Program Files\\App\\app.exe";
  const std::wstring tool_ = root_ + L"\\Tools\\tool.exe";
};

// A row for the word at `position` of win.ini's "load" list, as the scan
// gives it when the word is the `occurrence`-th of its spelling.
StartupEntry LoadWord(const std::wstring& word, size_t position, size_t occurrence = 0) {
  StartupEntry row{ExtractFileTitle(word), false, word, L"", WinIniPath() + L", load"};
  row.source = WinIniSource{WinIniPath(), L"load", word, position, occurrence};
  return row;
}

TEST_F(RemovalAndPlacement, WinIniRemovalTakesItsOwnWordAndItsBlank) {
  struct Case {
    std::wstring before;
    StartupEntry row;
    std::wstring after;
  } cases[] = {
      {L"a.exe b.exe c.exe", LoadWord(L"b.exe", 1), L"a.exe c.exe"},
      {L"a.exe c.exe", LoadWord(L"c.exe", 1), L"a.exe"},
      {L"aa.exe a.exe", LoadWord(L"a.exe", 1), L"aa.exe"},
      {L"a.exe  b.exe", LoadWord(L"b.exe", 2), L"a.exe"},
      {L"a.exe b.exe a.exe", LoadWord(L"a.exe", 2, 1), L"a.exe b.exe"},
      // The list changed since the scan: the word's occurrence finds it.
      {L"b.exe a.exe", LoadWord(L"b.exe", 1), L"a.exe"},
      {L"a.exe x.exe a.exe", LoadWord(L"a.exe", 1, 1), L"a.exe x.exe"},
      // Gone, or only another spelling left: nothing changes.
      {L"A.EXE", LoadWord(L"a.exe", 0), L"A.EXE"},
      {L"a.exe", LoadWord(L"b.exe", 0), L"a.exe"},
  };
  for (const Case& c : cases) {
    test::SetWinIni(L"load", c.before);
    DeleteStartupEntry(c.row, RemovalSource::MainList);
    EXPECT_EQ(WinIni(L"load"), c.after) << c.before;
  }
}

TEST_F(RemovalAndPlacement, WinIniListsAreReadAndRewrittenWhole) {
  std::wstring words;
  for (int i = 0; i < 400; ++i) words += root_ + L"\\w" + std::to_wstring(i) + L".exe ";
  words += root_ + L"\\last.exe";
  ASSERT_GT(words.size(), 4096u);
  test::PutFile(root_ + L"\\last.exe");
  test::SetWinIni(L"run", words);

  // Words whose files are gone are listed too.
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 401u);
  EXPECT_EQ(list.back().file_name, root_ + L"\\last.exe");

  DeleteStartupEntry(list.back(), RemovalSource::MainList);
  EXPECT_EQ(WinIni(L"run"), words.substr(0, words.size() - list.back().file_name.size() - 1));
}

TEST_F(RemovalAndPlacement, RegistryRemovalDeletesTheNamedValueOfTheTextsKey) {
  using enum RootKey;
  const std::wstring users_run = L"\\.Default" + kRun;
  test::SetString(CurrentUser, kRun, L"", tool_);
  test::SetString(CurrentUser, kRun, L"Keep", tool_);
  test::SetString(Users, users_run, L"Default user", tool_);
  test::SetString(LocalMachine, kRun, L"Machine", tool_);
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 4u);
  for (const StartupEntry& e : list) {
    if (e.name != L"Keep") DeleteStartupEntry(e, RemovalSource::MainList);
  }
  EXPECT_FALSE(HasValue(CurrentUser, kRun, L""));
  EXPECT_TRUE(HasValue(CurrentUser, kRun, L"Keep"));
  EXPECT_FALSE(HasValue(Users, users_run, L"Default user"));
  EXPECT_FALSE(HasValue(LocalMachine, kRun, L"Machine"));
}

TEST_F(RemovalAndPlacement, FolderRemovalDeletesTheScannedFileOnly) {
  const std::wstring user = root_ + L"\\Startup";
  test::MakeFolder(user + L"\\Tools");
  CreateStartupShortcut(tool_, user + L"\\Tools\\Tool.lnk", L"", L"");
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 1u);
  test::PutFile(user + L"\\Tool.lnk");  // the same name one folder up

  EXPECT_TRUE(DeleteStartupEntry(list[0], RemovalSource::MainList));
  EXPECT_FALSE(FileExists(user + L"\\Tools\\Tool.lnk"));
  EXPECT_TRUE(FileExists(user + L"\\Tool.lnk"));
  EXPECT_TRUE(FolderExists(user + L"\\Tools"));
}

TEST_F(RemovalAndPlacement, EachRowRemovesItsOwnEntryWhereTextsWouldConfuseThem) {
  // Three entries that share name, file and even a location text's look: a
  // win.ini word, a Run value named like it, a RunOnce value of that name.
  using enum RootKey;
  const std::wstring run_once = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  test::SetString(CurrentUser, kRun, L"tool", tool_);
  test::SetString(CurrentUser, run_once, L"tool", tool_);
  test::SetWinIni(L"run", tool_);
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 3u);
  for (size_t gone = 0; gone < list.size(); ++gone) {
    test::SetString(CurrentUser, kRun, L"tool", tool_);
    test::SetString(CurrentUser, run_once, L"tool", tool_);
    test::SetWinIni(L"run", tool_);
    EXPECT_TRUE(DeleteStartupEntry(list[gone], RemovalSource::MainList));
    StartupList left;
    ScanStartupList(left);
    ASSERT_EQ(left.size(), 2u) << list[gone].location;
    for (const StartupEntry& row : left) EXPECT_NE(row.location, list[gone].location);
  }
}

TEST_F(RemovalAndPlacement, RemovalNeverTakesALocationTextRelativeToTheCurrentFolder) {
  // Below the current folder, files whose paths spell the location texts.
  const std::wstring run_text = L"HKEY_CURRENT_USER" + kRun;
  const std::wstring decoy = root_ + L"\\" + run_text + L"\\Tool";
  test::PutFile(decoy);
  test::CurrentFolder current(root_);
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 1u);

  EXPECT_TRUE(DeleteStartupEntry(list[0], RemovalSource::MainList));
  EXPECT_FALSE(HasValue(RootKey::CurrentUser, kRun, L"Tool"));
  EXPECT_TRUE(FileExists(decoy));
  // A row that no scan made names no place: it removes nothing.
  EXPECT_FALSE(DeleteStartupEntry({L"Tool", false, tool_, L"", run_text}, RemovalSource::MainList));
  EXPECT_TRUE(FileExists(decoy));
}

TEST_F(RemovalAndPlacement, RegistryDataQuotesBlanksAndKeepsParametersAsTyped) {
  struct Case {
    std::wstring title, file_name, parameters, data;
  } cases[] = {
      {L"A plain", tool_, L"", tool_},
      {L"B blank", app_, L"", L"\"" + app_ + L"\""},
      {L"C params", tool_, L"/min", L"\"" + tool_ + L"\" /min"},
      {L"D both", app_, L"-x \"a b\"  -y", L"\"" + app_ + L"\" -x \"a b\"  -y"},
  };
  for (const Case& c : cases) {
    PlaceRegistryEntry(RootKey::CurrentUser, kRun, c.title, c.file_name, c.parameters);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kRun, false));
    EXPECT_EQ(reg.ReadString(c.title), c.data);
  }
  // What was placed scans back unchanged, and placing it again changes nothing.
  for (int round = 0; round < 2; ++round) {
    StartupList list;
    ScanStartupList(list);
    ASSERT_EQ(list.size(), std::size(cases));
    for (size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i].name, cases[i].title);
      EXPECT_EQ(list[i].file_name, cases[i].file_name) << cases[i].title;
      EXPECT_EQ(list[i].parameters, cases[i].parameters) << cases[i].title;
      PlaceRegistryEntry(RootKey::CurrentUser, kRun, list[i].name, list[i].file_name,
                         list[i].parameters);
    }
  }
  // An empty title is the key's default value; a missing key is created.
  PlaceRegistryEntry(RootKey::CurrentUser, L"\\Software\\KvTest\\New\\Run", L"", tool_, L"");
  EXPECT_TRUE(HasValue(RootKey::CurrentUser, L"\\Software\\KvTest\\New\\Run", L""));
}

TEST_F(RemovalAndPlacement, ShortcutsAndWinIniWordsScanBackAsPlaced) {
  PlaceStartupFolderEntry(true, L"App", app_, L"/min \"a b\"");
  PlaceStartupFolderEntry(false, L"", tool_, L"");
  EXPECT_TRUE(FileExists(root_ + L"\\Common Startup\\.lnk"));

  test::SetWinIni(L"run", L"");
  EXPECT_TRUE(PlaceWinIniEntry(false, tool_));
  EXPECT_EQ(WinIni(L"run"), tool_);
  EXPECT_TRUE(PlaceWinIniEntry(true, tool_));
  EXPECT_TRUE(PlaceWinIniEntry(true, root_ + L"\\x.exe"));
  EXPECT_EQ(WinIni(L"load"), tool_ + L" " + root_ + L"\\x.exe");
  EXPECT_FALSE(PlaceWinIniEntry(false, app_));
  EXPECT_EQ(WinIni(L"run"), tool_);
  EXPECT_TRUE(Contains(kWinIniSpacesMessage, L"Spaces are not allowed in win.ini keys."));

  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 5u);  // x.exe is missing, and listed all the same
  EXPECT_EQ(list[0].name, L"App.lnk");
  EXPECT_EQ(list[0].file_name, app_);
  EXPECT_EQ(list[0].parameters, L"/min \"a b\"");
  EXPECT_EQ(list[0].location, root_ + L"\\Startup");
  EXPECT_EQ(list[1].name, L".lnk");
  EXPECT_EQ(list[1].location, root_ + L"\\Common Startup");
  EXPECT_EQ(list[2].location, WinIniPath() + L", run");
  EXPECT_EQ(list[3].location, WinIniPath() + L", load");
  EXPECT_EQ(list[4].file_name, root_ + L"\\x.exe");

  // Removing every row empties the locations again.
  for (const StartupEntry& e : list) DeleteStartupEntry(e, RemovalSource::MainList);
  ScanStartupList(list);
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(FileExists(root_ + L"\\Startup\\App.lnk"));
  EXPECT_EQ(WinIni(L"run"), L"");
}

}  // namespace
}  // namespace korvane
