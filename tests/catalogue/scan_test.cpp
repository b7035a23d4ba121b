#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunText = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Row {
  std::wstring name, file_name, parameters, location;
  bool operator==(const Row&) const = default;
  bool operator<(const Row& o) const {
    return std::tie(location, name) < std::tie(o.location, o.name);
  }
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << ToUtf8(r.name) << " | " << ToUtf8(r.file_name) << " | " << ToUtf8(r.parameters)
            << " | " << ToUtf8(r.location);
}

std::vector<Row> Rows(const StartupList& list) {
  std::vector<Row> rows;
  for (const StartupEntry& e : list)
    rows.push_back({e.name, e.file_name, e.parameters, e.location});
  return rows;
}

std::vector<Row> ScanRows() {
  StartupList list;
  ScanStartupList(list);
  for (const StartupEntry& e : list) EXPECT_FALSE(e.running) << ToUtf8(e.file_name);
  return Rows(list);
}

// Rows of one location; folder listings come in the platform's own order.
std::vector<Row> Sorted(std::vector<Row> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

class ScanList : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(app_);
    test::PutFile(tool_);
    test::PutFile(test::SystemFolder() + L"\\kvprobe.exe");
  }
  const std::wstring root_ = test::kRoot;
  const std::wstring app_ = root_ + L"\\Program Files\\App\\app.exe";
  const std::wstring tool_ = root_ + L"\\Tools\\tool.exe";
  const std::wstring probe_ = test::SystemFolder() + L"\\kvprobe.exe";
};

TEST_F(ScanList, RegistryKeysGiveOneRowPerProgramFoundInScanOrder) {
  using enum RootKey;
  // Value names sort in creation order, so every platform lists them alike.
  test::SetString(CurrentUser, kRun, L"", tool_);
  test::SetString(CurrentUser, kRun, L"A1 quoted", L"\"" + app_ + L"\" /min");
  test::SetString(CurrentUser, kRun, L"A2 unquoted", app_ + L" /min");
  test::SetString(CurrentUser, kRun, L"A3 bare", L"kvprobe /x");
  test::SetString(CurrentUser, kRun, L"A4 missing", root_ + L"\\nothing.exe");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kRun, false));
    reg.WriteInteger(L"A5 number", 1);
  }
  test::SetString(CurrentUser, kRun, L"A6 environment", L"%SystemRoot%\\system32\\kvprobe.exe");
  test::SetString(CurrentUser, kRun, L"A7 after", L"kvprobe.exe shell32.dll,Control_RunDLL");
  test::SetString(LocalMachine, kRun, L"B1", tool_ + L" -x");
  test::SetString(Users, L"\\.Default" + kRun, L"C1", root_ + L"\\Tools\\tool");

  const std::wstring hkcu = L"HKEY_CURRENT_USER\\" + kRunText;
  std::vector<Row> expected = {
      {L"", tool_, L"", hkcu},
      {L"A1 quoted", app_, L"/min", hkcu},
      {L"A2 unquoted", app_, L"/min", hkcu},
      {L"A3 bare", probe_, L"/x", hkcu},
      {L"A4 missing", root_ + L"\\nothing.exe", L"", hkcu},
      {L"A6 environment", L"%SystemRoot%\\system32\\kvprobe.exe", L"", hkcu},  // REG_SZ
      {L"A7 after", probe_, L"shell32.dll,Control_RunDLL", hkcu},
      {L"B1", tool_, L"-x", L"HKEY_LOCAL_MACHINE\\" + kRunText},
      {L"C1", tool_, L"", L"HKEY_USERS\\.Default\\" + kRunText},
  };
  std::vector<Row> rows = ScanRows();
  ASSERT_EQ(rows.size(), expected.size()) << ::testing::PrintToString(rows);
  for (size_t i = 0; i < rows.size(); ++i) {
    // The search path may report the system folder in its own letter case.
    EXPECT_TRUE(SameText(rows[i].file_name, expected[i].file_name)) << rows[i];
    rows[i].file_name = expected[i].file_name;
    EXPECT_EQ(rows[i], expected[i]);
  }
}

TEST_F(ScanList, ExpandableValuesAreExpandedBeforeTheyAreSplit) {
  using enum RootKey;
  const std::wstring system = L"%windir%\\system32\\kvprobe.exe";
  test::SetExpandString(LocalMachine, kRun, L"A plain", system);
  test::SetExpandString(LocalMachine, kRun, L"B quoted", L"\"" + system + L"\" -x %windir%");
  test::SetExpandString(LocalMachine, kRun, L"C unknown", L"%kvnosuch%\\kvprobe.exe");
  test::SetString(LocalMachine, kRun, L"D literal", system);
  const std::wstring hklm = L"HKEY_LOCAL_MACHINE\\" + kRunText;
  std::vector<Row> expected = {
      {L"A plain", probe_, L"", hklm},
      {L"B quoted", probe_, L"-x " + WindowsDirectory(), hklm},
      {L"C unknown", L"%kvnosuch%\\kvprobe.exe", L"", hklm},
      {L"D literal", system, L"", hklm},
  };
  std::vector<Row> rows = ScanRows();
  ASSERT_EQ(rows.size(), expected.size()) << ::testing::PrintToString(rows);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(SameText(rows[i].file_name, expected[i].file_name)) << rows[i];
    EXPECT_TRUE(SameText(rows[i].parameters, expected[i].parameters)) << rows[i];
    rows[i].file_name = expected[i].file_name;
    rows[i].parameters = expected[i].parameters;
    EXPECT_EQ(rows[i], expected[i]);
  }
  // Removal finds the value by its name, whatever its data expanded to.
  StartupList list;
  ScanStartupList(list);
  ASSERT_FALSE(list.empty());
  EXPECT_TRUE(DeleteStartupEntry(list[0], RemovalSource::MainList));
  EXPECT_EQ(ScanRows().size(), 3u);
}

TEST_F(ScanList, StartupFoldersListFilesShortcutsAndSubfolders) {
  const std::wstring user = root_ + L"\\Startup";
  const std::wstring common = root_ + L"\\Common Startup";
  test::PutFile(user + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
  test::PutFile(user + L"\\Thumbs.db");
  test::PutFile(user + L"\\X.LNK");
  test::PutFile(user + L"\\notes.txt");
  test::PutFile(user + L"\\Site.url", "[InternetShortcut]\r\nURL=http://example.com/start\r\n");
  CreateStartupShortcut(app_, user + L"\\App.lnk", L"", L"/min \"a b\"");
  CreateStartupShortcut(root_ + L"\\gone.exe", user + L"\\Broken.lnk", L"", L"");
  // A target written with environment references.
  CreateStartupShortcut(L"%SystemRoot%\\system32\\kvprobe.exe", user + L"\\Environment.lnk", L"",
                        L"");
  test::MakeFolder(user + L"\\Tools");
  CreateStartupShortcut(tool_, user + L"\\Tools\\Tool.lnk", L"", L"");
  test::PutFile(common + L"\\thumbs.db");
  test::PutFile(common + L"\\desktop.ini");
  test::PutFile(common + L"\\Empty.url", "[InternetShortcut]\r\n");
  test::PutFile(root_ + L"\\Default Startup\\Deep\\Deeper\\run.bat");

  std::vector<Row> rows = ScanRows();
  // A shortcut's target is listed as the shortcut holds it; how the shell
  // stores one with environment references is its own affair.
  auto environment = std::find_if(rows.begin(), rows.end(),
                                  [](const Row& r) { return r.name == L"Environment.lnk"; });
  ASSERT_NE(environment, rows.end());
  EXPECT_TRUE(EndsWith(environment->file_name, L"kvprobe.exe")) << *environment;
  rows.erase(environment);
  std::vector<Row> expected = {
      {L"App.lnk", app_, L"/min \"a b\"", user},
      {L"Broken.lnk", root_ + L"\\gone.exe", L"", user},
      {L"notes.txt", user + L"\\notes.txt", L"", user},
      {L"Site.url", L"http://example.com/start", L"", user},
      {L"Thumbs.db", user + L"\\Thumbs.db", L"", user},
      {L"X.LNK", user + L"\\X.LNK", L"", user},
      {L"Tool.lnk", tool_, L"", user + L"\\Tools"},
      {L"Empty.url", L"", L"", common},
      {L"run.bat", root_ + L"\\Default Startup\\Deep\\Deeper\\run.bat", L"",
       root_ + L"\\Default Startup\\Deep\\Deeper"},
  };
  EXPECT_EQ(Sorted(rows), Sorted(expected));
  // Locations keep scan order: the user's folder, all users', the default user's.
  ASSERT_FALSE(rows.empty());
  EXPECT_TRUE(StartsWith(rows.front().location, user));
  EXPECT_EQ(rows.back().name, L"run.bat");
}

TEST_F(ScanList, WinIniWordsNameTheirFiles) {
  test::PutFile(root_ + L"\\w.exe");
  test::SetWinIni(L"run", tool_ + L"  nosuch.exe " + root_ + L"\\w.exe");
  test::SetWinIni(L"load", root_ + L"\\Program");
  const std::wstring run = WinIniPath() + L", run";
  std::vector<Row> expected = {{L"tool", tool_, L"", run},
                               {L"nosuch", L"nosuch.exe", L"", run},
                               {L"w", root_ + L"\\w.exe", L"", run},
                               {L"Program", root_ + L"\\Program", L"", WinIniPath() + L", load"}};
  EXPECT_EQ(ScanRows(), expected);
}

// Each place beyond the Run keys lists each program of its value, after
// win.ini and in the order of the places; a list value gives one row per item.
TEST_F(ScanList, PlacesBeyondTheRunKeysListEachItemOfTheirValues) {
  using enum RootKey;
  const std::wstring nt = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion";
  const std::wstring winlogon = nt + L"\\Winlogon";
  const std::wstring hijacks = nt + L"\\Image File Execution Options";
  const std::wstring setup = L"\\Software\\Microsoft\\Active Setup\\Installed Components";
  const std::wstring once_ex = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
  const std::wstring install =
      nt + L"\\Terminal Server\\Install\\Software\\Microsoft\\Windows\\CurrentVersion";
  const std::wstring session = L"\\System\\CurrentControlSet\\Control\\Session Manager";
  test::SetWinIni(L"run", tool_);
  test::SetString(LocalMachine, winlogon, L"Userinit", probe_ + L", " + tool_ + L" -u,");
  test::SetString(LocalMachine, winlogon, L"Shell", L"kvshell.exe,\"" + app_ + L"\" /s");
  test::SetString(LocalMachine, winlogon, L"Taskman", app_);
  test::SetString(CurrentUser, winlogon, L"Shell", tool_);
  test::SetString(CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                  L"Shell", app_);
  test::SetString(LocalMachine, setup + L"\\{KvTest}", L"StubPath", tool_ + L" /setup");
  test::SetString(LocalMachine, hijacks + L"\\kvvictim.exe", L"Debugger", tool_);
  test::SetString(LocalMachine, hijacks + L"\\kvother.exe", L"GlobalFlag", L"2");
  test::SetString(LocalMachine, nt + L"\\Windows", L"AppInit_DLLs", tool_ + L" ," + probe_);
  {
    TRegistry reg;
    reg.SetRootKey(LocalMachine);
    ASSERT_TRUE(reg.OpenKey(nt + L"\\Windows", true));
    reg.WriteInteger(L"LoadAppInit_DLLs", 0);
  }
  test::SetString(CurrentUser, L"\\Environment", L"UserInitMprLogonScript", app_);
  test::SetString(LocalMachine, install + L"\\Run", L"KvInstall", tool_);
  test::SetString(LocalMachine, once_ex + L"\\0001", L"", L"Section title");
  test::SetString(LocalMachine, once_ex + L"\\0001", L"1", L"||" + tool_ + L"|DllInstall|/i");
  test::SetString(LocalMachine, L"\\System\\CurrentControlSet\\Control\\SafeBoot",
                  L"AlternateShell", L"cmd.exe");
  {
    TRegistry reg;
    reg.SetRootKey(LocalMachine);
    ASSERT_TRUE(reg.OpenKey(session, true));
    std::wstring strings = L"autocheck autochk *";
    strings += L'\0';
    strings += tool_ + L" -boot";
    strings += std::wstring(2, L'\0');
    RegistryValue value{RegistryDataType::MultiString, {}};
    for (wchar_t c : strings) value.data.insert(value.data.end(), {uint8_t(c), uint8_t(c >> 8)});
    reg.WriteValue(L"BootExecute", value);
  }

  const std::wstring hklm = L"HKEY_LOCAL_MACHINE\\";
  const std::wstring hkcu = L"HKEY_CURRENT_USER\\";
  const std::wstring nt_text = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
  const std::wstring winlogon_text = nt_text + L"\\Winlogon, ";
  const std::wstring inactive = L" (inactive: LoadAppInit_DLLs is 0)";
  std::vector<Row> expected = {
      {L"tool", tool_, L"", WinIniPath() + L", run"},
      {L"kvprobe.exe", probe_, L"", hklm + winlogon_text + L"Userinit"},
      {L"tool.exe", tool_, L"-u", hklm + winlogon_text + L"Userinit"},
      {L"kvshell.exe", L"kvshell.exe", L"", hklm + winlogon_text + L"Shell"},
      {L"app.exe", app_, L"/s", hklm + winlogon_text + L"Shell"},
      {L"app.exe", app_, L"", hklm + winlogon_text + L"Taskman"},
      {L"tool.exe", tool_, L"", hkcu + winlogon_text + L"Shell"},
      {L"app.exe", app_, L"",
       hkcu + L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System, Shell"},
      {L"{KvTest}", tool_, L"/setup",
       hklm + L"Software\\Microsoft\\Active Setup\\Installed Components\\{KvTest}, StubPath"},
      {L"kvvictim.exe", tool_, L"",
       hklm + nt_text + L"\\Image File Execution Options\\kvvictim.exe, Debugger"},
      {L"tool.exe" + inactive, tool_, L"", hklm + nt_text + L"\\Windows, AppInit_DLLs"},
      {L"kvprobe.exe" + inactive, probe_, L"", hklm + nt_text + L"\\Windows, AppInit_DLLs"},
      {L"app.exe", app_, L"", hkcu + L"Environment, UserInitMprLogonScript"},
      {L"KvInstall", tool_, L"", hklm + install.substr(1) + L"\\Run"},
      {L"1", tool_, L"DllInstall /i",
       hklm + L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\0001"},
      {L"cmd.exe", L"cmd.exe", L"",
       hklm + L"System\\CurrentControlSet\\Control\\SafeBoot, AlternateShell"},
      {L"autochk", L"autochk", L"*",
       hklm + L"System\\CurrentControlSet\\Control\\Session Manager, BootExecute"},
      {L"tool.exe", tool_, L"-boot",
       hklm + L"System\\CurrentControlSet\\Control\\Session Manager, BootExecute"},
  };
  std::vector<Row> rows = ScanRows();
  ASSERT_EQ(rows.size(), expected.size()) << ::testing::PrintToString(rows);
  for (size_t i = 0; i < rows.size(); ++i) {
    // Windows' own programs are found where the system keeps them.
    if (!SameText(rows[i].file_name, expected[i].file_name) &&
        SameText(ExtractFileName(rows[i].file_name),
                 ExtractFileName(expected[i].file_name) +
                     (Contains(expected[i].file_name, L".") ? L"" : L".exe"))) {
      rows[i].file_name = expected[i].file_name;
    }
    if (SameText(rows[i].file_name, expected[i].file_name))
      rows[i].file_name = expected[i].file_name;
    if (SameText(rows[i].name, expected[i].name)) rows[i].name = expected[i].name;
    EXPECT_EQ(rows[i], expected[i]);
  }
}

TEST_F(ScanList, ARescanOfSomePartsReadsThemAndKeepsTheOthersWhereTheyWere) {
  test::SetString(RootKey::CurrentUser, kRun, L"App", app_);
  test::SetString(RootKey::LocalMachine, kRun, L"Tool", tool_ + L" /m");
  test::PutFile(root_ + L"\\Startup\\first.bat");
  test::SetWinIni(L"load", tool_);
  StartupList first;
  ScanParts parts;
  ScanStartupList(first, parts);
  ASSERT_EQ(first.size(), 4u);
  ASSERT_FALSE(parts.empty());
  EXPECT_EQ(parts.back().end, first.size());

  // Another program adds to the user's Run key and the Startup folder; only
  // the Run key is read again, in its place among the others.
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  test::PutFile(root_ + L"\\Startup\\second.bat");
  const std::set<std::wstring> run{L"HKEY_CURRENT_USER\\" + kRunText};
  StartupList again;
  ScanParts again_parts;
  const EarlierScan earlier{first, parts, run};
  ScanStartupList(again, again_parts, &earlier);
  std::vector<Row> expected = Rows(first);
  expected.insert(expected.begin() + 1, {L"Tool", tool_, L"", L"HKEY_CURRENT_USER\\" + kRunText});
  EXPECT_EQ(Rows(again), expected);
  EXPECT_EQ(again_parts.back().end, again.size());

  // Nothing named: every row as it was; everything named: a whole scan.
  const std::set<std::wstring> none,
      all{kStartupFoldersPart, kWinIniPart, L"HKEY_CURRENT_USER\\" + kRunText};
  StartupList same;
  ScanParts same_parts;
  const EarlierScan unchanged{again, again_parts, none};
  ScanStartupList(same, same_parts, &unchanged);
  EXPECT_EQ(Rows(same), Rows(again));
  StartupList whole;
  ScanParts whole_parts;
  const EarlierScan changed{again, again_parts, all};
  ScanStartupList(whole, whole_parts, &changed);
  EXPECT_EQ(Rows(whole), ScanRows());
  EXPECT_EQ(whole_parts.size(), same_parts.size());
}

TEST_F(ScanList, EmptyWorldGivesNoRowsAndScanEmptiesTheList) {
  StartupList list(3);
  ScanStartupList(list);
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace korvane
