// korvanec.exe on a startup configuration made in the Wine prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <tuple>

#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "cli/list_command.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "ui/file_facts.h"
#include "support/programs.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunText = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

using Row = std::vector<std::wstring>;  // the first six columns as printed

std::vector<Row> ParseText(const std::string& output) {
  std::vector<Row> rows;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    Row row;
    std::istringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '\t')) row.push_back(FromUtf8(field));
    while (row.size() < 5) row.push_back(L"");
    // The kind of place and a service's name come last; other tests read them.
    if (row.size() > 6) row.resize(6);
    rows.push_back(row);
  }
  return rows;
}

std::string Korvanec(const std::wstring& arguments) {
  return testing::RunAndCapture(testing::HelperProgram(L"korvanec.exe"), arguments);
}

// File names found by the search path come in the file system's letter case.
void ExpectRows(std::vector<Row> rows, std::vector<Row> expected) {
  // Every entry here is switched on: its last column says so.
  for (Row& row : expected) {
    if (row.size() == 5) row.push_back(L"Enabled");
  }
  ASSERT_EQ(rows.size(), expected.size()) << ::testing::PrintToString(rows);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_TRUE(SameText(rows[i][2], expected[i][2])) << ToUtf8(rows[i][2]);
    rows[i][2] = expected[i][2];
    EXPECT_EQ(rows[i], expected[i]) << i;
  }
}

TEST(Korvanec, ListsARealisticStartupConfiguration) {
  test::ResetWorld();
  const std::wstring root = test::kRoot;
  const std::wstring app = root + L"\\Program Files\\App\\app.exe";
  const std::wstring tool = root + L"\\Tools\\tool.exe";
  const std::wstring system = test::SystemFolder();
  test::PutFile(app);
  test::PutFile(tool);
  test::PutFile(system + L"\\kvprobe.exe");
  wchar_t short_name[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(app.c_str(), short_name, MAX_PATH), 0u);
  const std::wstring short_app = short_name;
  ASSERT_NE(short_app, app);

  testing::StartedProgram helper(L"/exit-after 60");
  using enum RootKey;
  test::SetString(CurrentUser, kRun, L"A1 quoted", L"\"" + app + L"\" /min");
  test::SetString(CurrentUser, kRun, L"A2 unquoted", app + L" /min");
  test::SetString(CurrentUser, kRun, L"A3 rundll32", L"rundll32.exe shell32.dll,Control_RunDLL");
  test::SetString(CurrentUser, kRun, L"A4 notepad", L"notepad");
  test::SetString(CurrentUser, kRun, L"A5 environment", L"%SystemRoot%\\system32\\notepad.exe");
  test::SetString(CurrentUser, kRun, L"A6 short", short_app + L" -s");
  test::SetString(CurrentUser, kRun, L"A7 J\u00fcrgen", tool);
  test::SetString(LocalMachine, kRun, L"B1 helper", L"\"" + helper.Path() + L"\" /exit-after 60");
  test::SetString(LocalMachine, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
                  L"B2", L"kvprobe");
  test::SetString(Users, L"\\.Default" + kRun, L"C1", tool + L" --default");

  const std::wstring user = root + L"\\Startup";
  test::PutFile(user + L"\\desktop.ini", "[.ShellClassInfo]\r\n");
  test::PutFile(user + L"\\Site.url", "[InternetShortcut]\r\nURL=http://example.com/\r\n");
  CreateStartupShortcut(app, user + L"\\App.lnk", L"", L"/min");
  CreateStartupShortcut(root + L"\\gone.exe", user + L"\\Broken.lnk", L"", L"");
  test::MakeFolder(user + L"\\Sub");
  CreateStartupShortcut(tool, user + L"\\Sub\\Tool.lnk", L"", L"-t");
  test::PutFile(root + L"\\Common Startup\\Notes.txt");
  test::SetWinIni(L"run", tool + L" nosuch.exe");
  test::SetWinIni(L"load", system + L"\\notepad.exe");

  const std::wstring hkcu = L"HKEY_CURRENT_USER\\" + kRunText;
  std::vector<Row> registry = {
      {L"Name", L"Running", L"File name", L"Parameters", L"Location", L"Startup"},
      {L"A1 quoted", L"No", app, L"/min", hkcu},
      {L"A2 unquoted", L"No", app, L"/min", hkcu},
      {L"A3 rundll32", L"No", system + L"\\rundll32.exe", L"shell32.dll,Control_RunDLL", hkcu},
      {L"A4 notepad", L"No", system + L"\\notepad.exe", L"", hkcu},
      // A REG_SZ value is not expanded: its program is not found, and is listed.
      {L"A5 environment", L"No", L"%SystemRoot%\\system32\\notepad.exe", L"", hkcu},
      {L"A6 short", L"No", short_app, L"-s", hkcu},
      {L"A7 J\u00fcrgen", L"No", tool, L"", hkcu},
      {L"B1 helper", L"Yes", helper.Path(), L"/exit-after 60", L"HKEY_LOCAL_MACHINE\\" + kRunText},
      {L"B2", L"No", system + L"\\kvprobe.exe", L"",
       L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
      {L"C1", L"No", tool, L"--default", L"HKEY_USERS\\.Default\\" + kRunText},
  };
  std::vector<Row> folders = {
      {L"App.lnk", L"No", app, L"/min", user},
      {L"Broken.lnk", L"No", root + L"\\gone.exe", L"", user},
      {L"Notes.txt", L"No", root + L"\\Common Startup\\Notes.txt", L"", root + L"\\Common Startup"},
      {L"Site.url", L"No", L"http://example.com/", L"", user},
      {L"Tool.lnk", L"No", tool, L"-t", user + L"\\Sub"},
  };
  std::vector<Row> win_ini = {
      {L"tool", L"No", tool, L"", WinIniPath() + L", run"},
      {L"nosuch", L"No", L"nosuch.exe", L"", WinIniPath() + L", run"},
      {L"notepad", L"No", system + L"\\notepad.exe", L"", WinIniPath() + L", load"},
  };

  const std::string output = Korvanec(L"list");
  std::vector<Row> rows = ParseText(output);
  ASSERT_EQ(rows.size(), registry.size() + folders.size() + win_ini.size()) << output;
  // Registry and win.ini rows in scan order; folder rows in the listing's order.
  auto folder_begin = rows.begin() + registry.size();
  auto folder_end = folder_begin + folders.size();
  std::vector<Row> folder_rows(folder_begin, folder_end);
  std::sort(folder_rows.begin(), folder_rows.end());
  ExpectRows({rows.begin(), folder_begin}, registry);
  ExpectRows(folder_rows, folders);
  ExpectRows({folder_end, rows.end()}, win_ini);
  EXPECT_NE(output.find("A7 J\xC3\xBCrgen\tNo\t"), std::string::npos);
  EXPECT_EQ(output.find('\r'), std::string::npos);

  // The program prints what the scan gives in-process.
  StartupList list;
  ScanStartupList(list);
  std::vector<FileFacts> facts;
  for (const StartupEntry& e : list) facts.push_back(ReadFileFacts(e.file_name, false));
  EXPECT_EQ(output, FormatStartupList(list, ListFormat::Text, facts, false));
  EXPECT_EQ(Korvanec(L"list --format json"),
            FormatStartupList(list, ListFormat::Json, facts, false));
  EXPECT_EQ(Korvanec(L"list --format csv"), FormatStartupList(list, ListFormat::Csv, facts, false));
  EXPECT_EQ(Korvanec(L"list --format yaml").rfind("korvanec: --format takes text, csv or json", 0),
            0u);
}

TEST(Korvanec, ListsEveryOtherRowBesideALongUnquotedCommandInTime) {
  test::ResetWorld();
  const std::wstring tool = test::kRoot + L"\\Tools\\tool.exe";
  test::PutFile(tool);
  // A missing program without extension and 20,000 blanks after it: the
  // shell's search overran its stack on the first, and each blank cost a
  // dozen searches on the whole text.
  std::wstring hostile = L"C:\\nothere\\p";
  for (int i = 0; i < 19988; ++i) hostile += L" a";
  hostile += std::wstring(12, L' ');
  ASSERT_EQ(hostile.size(), 40000u);
  ASSERT_EQ(std::count(hostile.begin(), hostile.end(), L' '), 20000);
  test::SetString(RootKey::CurrentUser, kRun, L"A before", tool);
  test::SetString(RootKey::CurrentUser, kRun, L"B hostile", hostile);
  test::SetString(RootKey::CurrentUser, kRun, L"C after", tool + L" -c");
  test::SetString(RootKey::LocalMachine, kRun, L"D machine", tool);
  // A URL is listed as it stands, however long: no file test and no icon
  // lookup is made of it.
  const std::wstring url = L"http://example.com/" + std::wstring(5000, L'u');
  test::PutFile(test::kRoot + L"\\Startup\\Long.url",
                "[InternetShortcut]\r\nURL=" + ToUtf8(url) + "\r\n");

  const ULONGLONG start = GetTickCount64();
  std::vector<Row> rows = ParseText(Korvanec(L"list"));
  const ULONGLONG elapsed = GetTickCount64() - start;
  std::cout << "korvanec list took " << elapsed << " ms\n";
  const std::wstring hkcu = L"HKEY_CURRENT_USER\\" + kRunText;
  ASSERT_GE(rows.size(), 3u);
  // The hostile command names a program that is gone: listed as the split gives it.
  EXPECT_EQ(rows[2][0], L"B hostile");
  EXPECT_EQ(rows[2][2], L"C:\\nothere\\p");
  rows.erase(rows.begin() + 2);
  ExpectRows(rows, {{L"Name", L"Running", L"File name", L"Parameters", L"Location", L"Startup"},
                    {L"A before", L"No", tool, L"", hkcu},
                    {L"C after", L"No", tool, L"-c", hkcu},
                    {L"D machine", L"No", tool, L"", L"HKEY_LOCAL_MACHINE\\" + kRunText},
                    {L"Long.url", L"No", url, L"", test::kRoot + L"\\Startup"}});
  // Under a second on an idle machine; the bound leaves room for a busy one.
  EXPECT_LT(elapsed, 10000u);
}

// Both builds print these very rows in the same prefix: the test runs in
// each build, and in a 64-bit prefix for the 32-bit one too.
TEST(Korvanec, ListsTheMachineRunKeyOfEachViewWhateverItsOwnKind) {
  test::ResetWorld();
  const std::wstring app32 = test::kRoot + L"\\Program Files (x86)\\App\\app32.exe";
  const std::wstring app64 = test::kRoot + L"\\Program Files\\App\\app64.exe";
  test::PutFile(app32);
  test::PutFile(app64);
  for (auto [view, name, file] : {std::tuple{RegistryView::Bits32, L"Kv 32-bit only", app32},
                                  std::tuple{RegistryView::Bits64, L"Kv 64-bit only", app64}}) {
    TRegistry reg(view);
    reg.SetRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(kRun, true));
    reg.WriteString(name, L"\"" + file + L"\" -v");
  }
  const std::wstring run64 = L"HKEY_LOCAL_MACHINE\\" + kRunText;
  const std::wstring run32 =
      RegistryHasViews()
          ? L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"
          : run64;
  // Wine lists a key's values by name; one key holds both without views.
  std::vector<Row> expected = {
      {L"Name", L"Running", L"File name", L"Parameters", L"Location", L"Startup"},
      {L"Kv 64-bit only", L"No", app64, L"-v", run64},
      {L"Kv 32-bit only", L"No", app32, L"-v", run32},
  };
  if (!RegistryHasViews()) std::swap(expected[1], expected[2]);
  ExpectRows(ParseText(Korvanec(L"list")), expected);
}

TEST(Korvanec, LinksToFoldersInAStartupFolderAreNotFollowed) {
  test::ResetWorld();
  // suite.cmake made startup-loop\Sub\Loop, a link back up to startup-loop.
  const std::wstring folder = ExtractFilePath(OwnExecutablePath()) + L"..\\test-data\\startup-loop";
  wchar_t full[MAX_PATH] = {};
  ASSERT_GT(GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr), 0u);
  test::SetStartupFolder(StartupFolder::CurrentUser, full);
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, L"a.txt");
  EXPECT_EQ(list[0].location, std::wstring(full) + L"\\Sub");
}

TEST(Korvanec, RemovalFromTheMainListAsksTheProgramToClose) {
  test::ResetWorld();
  testing::StartedProgram polite(L"/exit-after 60");
  testing::StartedProgram stubborn(L"/refuse-close /exit-after 60",
                                   testing::HelperProgram(L"korvane_versioned_program.exe"));
  test::SetString(RootKey::CurrentUser, kRun, L"Polite", polite.Path());
  test::SetString(RootKey::CurrentUser, kRun, L"Stubborn", stubborn.Path());
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(list[0].running && list[1].running);
  DeleteStartupEntry(list[0], RemovalSource::MainList);
  DeleteStartupEntry(list[1], RemovalSource::MainList);
  EXPECT_TRUE(polite.WaitForExit(10000));
  EXPECT_FALSE(stubborn.WaitForExit(1000));
  ScanStartupList(list);
  EXPECT_TRUE(list.empty());

  test::SetString(RootKey::CurrentUser, kRun, L"Stubborn", stubborn.Path());
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 1u);
  DeleteStartupEntry(list[0], RemovalSource::NewEntriesList);
  EXPECT_TRUE(stubborn.WaitForExit(10000));
}

TEST(Korvanec, StartupFolderWithoutShellFoldersValueIsTheShellsOwn) {
  test::ResetWorld();
  const std::wstring tool = test::kRoot + L"\\Tools\\tool.exe";
  test::PutFile(tool);
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(test::kShellFolders, false));
    reg.DeleteValue(L"Startup");
  }
  const std::wstring known = KnownStartupFolder(false);
  ASSERT_TRUE(FolderExists(known)) << ToUtf8(known);
  const std::wstring shortcut = IncludeTrailingBackslash(known) + L"Kv Fallback.lnk";

  PlaceStartupFolderEntry(true, L"Kv Fallback", tool, L"-k");
  EXPECT_TRUE(FileExists(shortcut));
  StartupList list;
  ScanStartupList(list);
  auto row = std::find_if(list.begin(), list.end(),
                          [](const StartupEntry& e) { return e.name == L"Kv Fallback.lnk"; });
  ASSERT_NE(row, list.end());
  EXPECT_EQ(row->file_name, tool);
  EXPECT_EQ(row->parameters, L"-k");
  EXPECT_TRUE(SameText(row->location, ExcludeTrailingBackslash(known)));
  DeleteStartupEntry(*row, RemovalSource::MainList);
  EXPECT_FALSE(FileExists(shortcut));
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// A program that only the 64-bit system folder holds (as on every 64-bit
// Windows, the security centre's tray program): the 32-bit build sees the
// 32-bit system folder under that name, yet lists the very same rows.
TEST(Korvanec, ListsAProgramOfThe64BitSystemFolderFromEitherBuild) {
  test::ResetWorld();
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryW(folder, MAX_PATH), 0u);
  const std::wstring system = folder;
  const bool redirected = sizeof(void*) == 4 && RegistryHasViews();
  const std::wstring real_system = redirected ? WindowsDirectory() + L"\\Sysnative" : system;
  const std::wstring stored = real_system + L"\\kvonly64.exe";
  test::PutFile(stored);
  if (redirected) {
    // This program itself does not see the file under the system folder's name.
    EXPECT_EQ(GetFileAttributesW((system + L"\\kvonly64.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  test::SetString(RootKey::CurrentUser, kRun, L"Kv full", system + L"\\kvonly64.exe -a");
  test::SetString(RootKey::CurrentUser, kRun, L"Kv bare", L"kvonly64.exe -b");
  test::SetString(RootKey::CurrentUser, kRun, L"Kv no extension", system + L"\\kvonly64 -c");
  const std::wstring file = system + L"\\kvonly64.exe";
  const std::wstring hkcu = L"HKEY_CURRENT_USER\\" + kRunText;
  std::vector<Row> rows = ParseText(Korvanec(L"list"));
  DeleteFileW(stored.c_str());
  std::sort(rows.begin() + std::min<size_t>(rows.size(), 1), rows.end());
  ExpectRows(rows, {{L"Name", L"Running", L"File name", L"Parameters", L"Location", L"Startup"},
                    {L"Kv bare", L"No", file, L"-b", hkcu},
                    {L"Kv full", L"No", file, L"-a", hkcu},
                    {L"Kv no extension", L"No", file, L"-c", hkcu}});
}

}  // namespace
}  // namespace korvane
