// Startup configurations as users have them: programs under "Program Files
// (x86)", entries whose programs are gone, Startup folders named twice,
// Internet shortcuts, unnamed values and shortcuts with every field set.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "catalogue/command_line.h"
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "catalogue/shortcuts.h"
#include "support/world.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {
namespace {

using enum RootKey;
const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Content(const std::wstring& file) {
#ifdef _WIN32
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
#else
  return memory::FileContent(file);
#endif
}

std::optional<RegistryValue> Value(RootKey root, const std::wstring& key,
                                   const std::wstring& name) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKey(key, false)) return std::nullopt;
  return reg.ReadValue(name);
}

class EntriesInUse : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    TRegistry reg;
    if (reg.OpenKey(kRun, false)) {
      for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
    }
    test::PutFile(app_);
    test::PutFile(tool_);
  }
  static StartupList Scan() {
    StartupList list;
    ScanStartupList(list);
    return list;
  }
  static const StartupEntry* Find(const StartupList& list, const std::wstring& name) {
    auto found = std::find_if(list.begin(), list.end(),
                              [&name](const StartupEntry& e) { return e.name == name; });
    return found == list.end() ? nullptr : &*found;
  }
  const std::wstring root_ = test::kRoot;
  const std::wstring user_ = root_ + L"\\Startup";
  const std::wstring common_ = root_ + L"\\Common Startup";
  const std::wstring app_ = root_ + L"\\Program Files\\App\\app.exe";
  const std::wstring tool_ = root_ + L"\\Tools\\tool.exe";
};

TEST_F(EntriesInUse, AFolderIsNoProgramWhereAnUnquotedCommandIsSplit) {
  // "...\Program Files" is a folder; "...\Program Files (x86)\...\prnmon.exe"
  // is the program.
  const std::wstring printer = root_ + L"\\Program Files (x86)\\PrinterMon\\prnmon.exe";
  test::PutFile(printer);
  ASSERT_TRUE(FolderExists(root_ + L"\\Program Files"));
  SplitCommand split = SplitCommandLine(printer + L" /tray");
  EXPECT_EQ(split.file_name, printer);
  EXPECT_EQ(split.parameters, L"/tray");
  EXPECT_FALSE(SearchFileOnPath(root_ + L"\\Program Files").found);
  EXPECT_FALSE(FindProgramFile(root_ + L"\\Program Files").found);

  test::SetString(CurrentUser, kRun, L"PrinterMon", printer);
  StartupList list = Scan();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(SameText(list[0].file_name, printer)) << ToUtf8(list[0].file_name);
  EXPECT_EQ(list[0].parameters, L"");
}

TEST_F(EntriesInUse, EntriesWhoseProgramIsGoneAreListedDeletedAndMoved) {
  const std::wstring gone = root_ + L"\\Gone\\gone.exe";
  test::SetString(CurrentUser, kRun, L"Value", gone + L" -v");
  CreateStartupShortcut(root_ + L"\\Gone\\link.exe", user_ + L"\\Link.lnk", L"", L"-l");
  test::SetWinIni(L"run", root_ + L"\\Gone\\word.exe");

  StartupList list = Scan();
  ASSERT_EQ(list.size(), 3u);
  const struct {
    std::wstring name, file, parameters;
  } expected[] = {{L"Value", gone, L"-v"},
                  {L"Link.lnk", root_ + L"\\Gone\\link.exe", L"-l"},
                  {L"word", root_ + L"\\Gone\\word.exe", L""}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(list[i].name, expected[i].name);
    EXPECT_TRUE(SameText(list[i].file_name, expected[i].file)) << ToUtf8(list[i].file_name);
    EXPECT_EQ(list[i].parameters, expected[i].parameters);
    EXPECT_FALSE(list[i].running);
  }

  // Moved: the value and the word to a folder, the shortcut to a key.
  MoveResult to_folder = MoveStartupEntries({list[0], list[2]}, MoveTarget::AllUsersStartup);
  MoveResult to_key = MoveStartupEntries({list[1]}, MoveTarget::CurrentUserRun);
  for (const RowMove& r : to_folder) EXPECT_EQ(r.outcome, MoveOutcome::Moved) << ToUtf8(r.reason);
  EXPECT_EQ(to_key[0].outcome, MoveOutcome::Moved) << ToUtf8(to_key[0].reason);
  StartupList moved = Scan();
  ASSERT_EQ(moved.size(), 3u);
  for (const StartupEntry& e : moved) {
    const bool in_key = StartsWith(e.location, L"HKEY_CURRENT_USER");
    EXPECT_TRUE(in_key || SameText(e.location, common_)) << ToUtf8(e.location);
    EXPECT_EQ(in_key, Contains(e.file_name, L"link.exe")) << ToUtf8(e.file_name);
  }
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"Windows", L"run", L"x"), L"");

  // Deleted, each from its place.
  for (const StartupEntry& e : moved) EXPECT_TRUE(DeleteStartupEntry(e, RemovalSource::MainList));
  EXPECT_TRUE(Scan().empty());
}

TEST_F(EntriesInUse, AStartupFolderNamedByTwoValuesIsListedOnce) {
  // The default user's Startup folder is the user's own, in another case.
  test::SetStartupFolder(StartupFolder::DefaultUser, AsciiUpper(user_));
  test::PutShortcut(user_ + L"\\Tool.lnk", test::LinkTo(tool_));
  test::PutFile(user_ + L"\\job.bat", "@echo job\r\n");
  StartupList list = Scan();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].location, user_);
  EXPECT_EQ(list[1].location, user_);

  // Rows read twice (as before the folder was listed once) are told of once,
  // and not at all where the entry moved through the twin.
  StartupList twice = list;
  for (StartupEntry e : list) {
    e.location = AsciiUpper(user_);
    std::get<FolderSource>(e.source).path = AsciiUpper(std::get<FolderSource>(e.source).path);
    twice.push_back(e);
  }
  MoveResult result = MoveStartupEntries(twice, MoveTarget::CurrentUserRun);
  const std::wstring report = MoveReport(twice, result);
  EXPECT_FALSE(Contains(report, L"Tool.lnk")) << ToUtf8(report);
  EXPECT_FALSE(Contains(report, L"no longer")) << ToUtf8(report);
  size_t first = report.find(L"\"job.bat\"");
  ASSERT_NE(first, std::wstring::npos) << ToUtf8(report);
  EXPECT_EQ(report.find(L"\"job.bat\"", first + 1), std::wstring::npos) << ToUtf8(report);
  EXPECT_TRUE(Value(CurrentUser, kRun, L"Tool"));
}

TEST_F(EntriesInUse, AnInternetShortcutIsNotMovedToAKeyButMovesBetweenFolders) {
  const std::string page = "[InternetShortcut]\r\nURL=http://example.com/start\r\n";
  test::PutFile(user_ + L"\\Homepage.url", page);
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 1u);

  MoveResult result = MoveStartupEntries(rows, MoveTarget::CurrentUserRun);
  EXPECT_EQ(result[0].outcome, MoveOutcome::NotMoved);
  EXPECT_TRUE(FileExists(user_ + L"\\Homepage.url"));
  EXPECT_FALSE(Value(CurrentUser, kRun, L"Homepage"));
  const std::wstring report = MoveReport(rows, result);
  EXPECT_TRUE(StartsWith(report, L"These entries were not moved:\n\"Homepage.url\" ("))
      << ToUtf8(report);
  EXPECT_TRUE(Contains(report, L"Internet shortcut")) << ToUtf8(report);

  result = MoveStartupEntries(rows, MoveTarget::AllUsersStartup);
  EXPECT_EQ(result[0].outcome, MoveOutcome::Moved);
  EXPECT_EQ(Content(common_ + L"\\Homepage.url"), page);
  EXPECT_FALSE(FileExists(user_ + L"\\Homepage.url"));
  StartupList after = Scan();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].file_name, L"http://example.com/start");
}

TEST_F(EntriesInUse, TheDefaultValueMovedToAFolderIsNamedAfterItsProgram) {
  test::SetString(CurrentUser, kRun, L"", L"\"" + tool_ + L"\" -d");
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_EQ(rows[0].name, L"");
  MoveResult result = MoveStartupEntries(rows, MoveTarget::CurrentUserStartup);
  ASSERT_EQ(result[0].outcome, MoveOutcome::Moved) << ToUtf8(result[0].reason);
  EXPECT_TRUE(SameText(result[0].written, user_ + L"\\tool.lnk")) << ToUtf8(result[0].written);
  EXPECT_FALSE(FileExists(user_ + L"\\.lnk"));
  test::Shortcut made = test::ReadShortcut(user_ + L"\\tool.lnk");
  EXPECT_TRUE(SameText(made.target, tool_)) << ToUtf8(made.target);
  EXPECT_EQ(made.arguments, L"-d");
}

TEST_F(EntriesInUse, AShortcutGoingToAKeyAndBackKeepsWhatAKeyCanHold) {
  test::Shortcut full{tool_, L"-a \"b c\"", root_ + L"\\Work",     app_,
                      1,     0x0641,        ShowCommand::Maximized};
  test::PutShortcut(user_ + L"\\Full.lnk", full);
  test::PutShortcut(user_ + L"\\Plain.lnk",
                    test::LinkTo(app_, L"-p", root_ + L"\\Program Files\\App"));
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 2u);

  // The question names the row that loses something, and what it loses.
  const std::wstring question = MoveLossQuestion(rows, MoveTarget::CurrentUserRun);
  EXPECT_TRUE(Contains(question, L"\"Full.lnk\"")) << ToUtf8(question);
  // (Wine's shell link keeps no window state: what the file holds is named.)
  const test::Shortcut stored = test::ReadShortcut(user_ + L"\\Full.lnk");
  for (const wchar_t* lost : {L"working folder", L"icon", L"hot key"}) {
    EXPECT_TRUE(Contains(question, lost)) << ToUtf8(lost) << "\n" << ToUtf8(question);
  }
  EXPECT_EQ(Contains(question, L"window state"), stored.show != ShowCommand::Normal)
      << ToUtf8(question);
  // A working folder that is the program's own is kept by the way back.
  EXPECT_FALSE(Contains(question, L"Plain.lnk")) << ToUtf8(question);
  EXPECT_EQ(MoveLossQuestion(rows, MoveTarget::AllUsersStartup), L"");

  MoveStartupEntries(rows, MoveTarget::CurrentUserRun);
  StartupList keys = Scan();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(MoveLossQuestion(keys, MoveTarget::CurrentUserStartup), L"");
  MoveStartupEntries(keys, MoveTarget::CurrentUserStartup);

  test::Shortcut back = test::ReadShortcut(user_ + L"\\Full.lnk");
  EXPECT_TRUE(SameText(back.target, tool_)) << ToUtf8(back.target);
  EXPECT_EQ(back.arguments, full.arguments);
  EXPECT_TRUE(SameText(back.working_directory, root_ + L"\\Tools"))
      << ToUtf8(back.working_directory);
  test::Shortcut plain = test::ReadShortcut(user_ + L"\\Plain.lnk");
  EXPECT_TRUE(SameText(plain.working_directory, root_ + L"\\Program Files\\App"))
      << ToUtf8(plain.working_directory);
  EXPECT_EQ(plain.arguments, L"-p");
}

TEST_F(EntriesInUse, AnExpandableCommandGoingToAFolderAndBackStaysExpandable) {
  const std::wstring program = WindowsDirectory() + L"\\kvexpand.exe";
  test::PutFile(program);
  test::SetExpandString(CurrentUser, kRun, L"Expand", L"%windir%\\kvexpand.exe -e");
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 1u);
  // The shortcut keeps the program's references: nothing to ask.
  EXPECT_EQ(MoveLossQuestion(rows, MoveTarget::AllUsersStartup), L"");
  MoveResult there = MoveStartupEntries(rows, MoveTarget::AllUsersStartup);
  ASSERT_EQ(there[0].outcome, MoveOutcome::Moved) << ToUtf8(there[0].reason);
  StartupList shortcut = Scan();
  ASSERT_EQ(shortcut.size(), 1u);
  EXPECT_TRUE(SameText(shortcut[0].file_name, program)) << ToUtf8(shortcut[0].file_name);
  EXPECT_EQ(shortcut[0].parameters, L"-e");

  MoveResult back = MoveStartupEntries(shortcut, MoveTarget::CurrentUserRun);
  ASSERT_EQ(back[0].outcome, MoveOutcome::Moved) << ToUtf8(back[0].reason);
  std::optional<RegistryValue> value = Value(CurrentUser, kRun, L"Expand");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, RegistryDataType::ExpandString);
  EXPECT_EQ(RegistryText(*value).value_or(L"-"), L"%windir%\\kvexpand.exe -e");
  RemoveFile(program);
}

TEST_F(EntriesInUse, ReferencesAShortcutCannotKeepAreAskedFor) {
  test::SetExpandString(CurrentUser, kRun, L"Expand", L"%windir%\\kvtool.exe -e %windir%");
  test::SetString(CurrentUser, kRun, L"Plain", tool_ + L" -p");
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 2u);
  const std::wstring question = MoveLossQuestion(rows, MoveTarget::AllUsersStartup);
  EXPECT_TRUE(Contains(question, L"\"Expand\"")) << ToUtf8(question);
  EXPECT_TRUE(Contains(question, L"environment")) << ToUtf8(question);
  EXPECT_FALSE(Contains(question, L"\"Plain\"")) << ToUtf8(question);
  EXPECT_TRUE(StartsWith(question, L"Moved to ")) << ToUtf8(question);
  EXPECT_TRUE(EndsWith(question, L"Move them all the same?")) << ToUtf8(question);
  // Between keys the value travels whole: nothing to ask.
  EXPECT_EQ(MoveLossQuestion(rows, MoveTarget::AllUsersRun), L"");
}

}  // namespace
}  // namespace korvane
