#include "catalogue/moves.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

#include "catalogue/scan.h"
#include "catalogue/shortcuts.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

using enum RootKey;
const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunOnce = kRun + L"Once";
const std::wstring kUsersRun = L"\\.Default" + kRun;

// Registry string data in the platform's own form, with its terminator.
std::vector<uint8_t> Utf16(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : text + L'\0') {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
  }
  return bytes;
}

std::optional<RegistryValue> Value(RootKey root, const std::wstring& key,
                                   const std::wstring& name) {
  TRegistry reg;
  reg.SetRootKey(root);
  if (!reg.OpenKey(key, false)) return std::nullopt;
  return reg.ReadValue(name);
}

void PutValue(RootKey root, const std::wstring& key, const std::wstring& name,
              const RegistryValue& value) {
  TRegistry reg;
  reg.SetRootKey(root);
  ASSERT_TRUE(reg.OpenKey(key, true));
  reg.WriteValue(name, value);
}

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

class Moves : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    for (const std::wstring& key : {kRun, kRunOnce}) {
      for (RootKey root : {CurrentUser, LocalMachine}) ClearKey(root, key);
    }
    ClearKey(Users, kUsersRun);
    test::PutFile(app_);
    test::PutFile(tool_);
  }
  static void ClearKey(RootKey root, const std::wstring& key) {
    TRegistry reg;
    reg.SetRootKey(root);
    if (!reg.OpenKey(key, false)) return;
    for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
  }
  static StartupList Scan() {
    StartupList list;
    ScanStartupList(list);
    return list;
  }
  // The scanned rows named `names`, in list order.
  static StartupList Rows(std::initializer_list<std::wstring> names) {
    StartupList rows;
    for (const StartupEntry& e : Scan()) {
      for (const std::wstring& n : names) {
        if (e.name == n) rows.push_back(e);
      }
    }
    return rows;
  }
  const std::wstring root_ = test::kRoot;
  const std::wstring user_ = root_ + L"\\Startup";
  const std::wstring common_ = root_ + L"\\Common Startup";
  const std::wstring app_ = root_ + L"\\Program Files\\App\\app.exe";
  const std::wstring tool_ = root_ + L"\\Tools\\tool.exe";
};

TEST_F(Moves, BetweenKeysTheValueTravelsWithItsTypeAndData) {
  // Odd spacing and quoting, and an expandable type: a copy keeps all of it.
  const RegistryValue expand{RegistryDataType::ExpandString,
                             Utf16(L"\"" + tool_ + L"\"  -a  \"b c\"")};
  const RegistryValue plain{RegistryDataType::String, Utf16(app_ + L" /min")};
  PutValue(Users, kUsersRun, L"Expand", expand);
  PutValue(LocalMachine, kRun, L"Acme 2.0", plain);
  StartupList rows = Rows({L"Expand", L"Acme 2.0"});
  ASSERT_EQ(rows.size(), 2u);

  MoveResult result = MoveStartupEntries(rows, MoveTarget::CurrentUserRun);
  ASSERT_EQ(result.size(), 2u);
  for (const RowMove& r : result) EXPECT_EQ(r.outcome, MoveOutcome::Moved) << ToUtf8(r.reason);
  EXPECT_EQ(result[0].written, L"Acme 2.0");  // the name keeps its "extension"
  EXPECT_EQ(result[1].written, L"Expand");
  EXPECT_EQ(Value(CurrentUser, kRun, L"Expand"), expand);
  EXPECT_EQ(Value(CurrentUser, kRun, L"Acme 2.0"), plain);
  EXPECT_FALSE(Value(Users, kUsersRun, L"Expand"));
  EXPECT_FALSE(Value(LocalMachine, kRun, L"Acme 2.0"));
  EXPECT_EQ(MoveReport(rows, result), L"");
}

TEST_F(Moves, TakenNamesGetANumberAndTheSameEntryIsNotWrittenTwice) {
  const RegistryValue other{RegistryDataType::String, Utf16(app_)};
  PutValue(CurrentUser, kRun, L"Tool", other);
  PutValue(CurrentUser, kRun, L"Tool (2)", other);
  test::SetString(CurrentUser, kRun, L"Same", tool_);
  test::SetString(LocalMachine, kRun, L"Same", tool_);
  test::SetString(LocalMachine, kRun, L"Tool", tool_ + L" -x");
  test::PutShortcut(user_ + L"\\App.lnk", test::LinkTo(tool_));
  test::PutShortcut(common_ + L"\\App.lnk", test::LinkTo(app_, L"-y"));
  test::PutShortcut(user_ + L"\\Twin.lnk", test::LinkTo(app_, L"-t"));
  test::PutShortcut(common_ + L"\\Twin.lnk", test::LinkTo(app_, L"-t"));

  StartupList keys;
  for (const StartupEntry& e : Rows({L"Tool", L"Same"})) {
    if (StartsWith(e.location, L"HKEY_LOCAL_MACHINE")) keys.push_back(e);
  }
  ASSERT_EQ(keys.size(), 2u);
  MoveResult result = MoveStartupEntries(keys, MoveTarget::CurrentUserRun);
  EXPECT_EQ(result[0].written, L"Same");
  EXPECT_TRUE(result[0].same_entry);
  EXPECT_EQ(result[1].written, L"Tool (3)");
  EXPECT_FALSE(result[1].same_entry);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRun, false));
  EXPECT_EQ(reg.ReadString(L"Tool (3)"), tool_ + L" -x");
  EXPECT_EQ(reg.ReadValue(L"Tool"), other);
  EXPECT_EQ(reg.ReadValue(L"Tool (2)"), other);
  EXPECT_EQ(reg.ReadString(L"Same"), tool_);
  EXPECT_FALSE(Value(LocalMachine, kRun, L"Tool"));
  EXPECT_FALSE(Value(LocalMachine, kRun, L"Same"));

  StartupList files;
  for (const StartupEntry& e : Rows({L"App.lnk", L"Twin.lnk"})) {
    if (e.location == common_) files.push_back(e);
  }
  ASSERT_EQ(files.size(), 2u);
  result = MoveStartupEntries(files, MoveTarget::CurrentUserStartup);
  EXPECT_TRUE(SameText(result[0].written, user_ + L"\\App (2).lnk")) << ToUtf8(result[0].written);
  EXPECT_TRUE(result[1].same_entry);
  EXPECT_EQ(test::ReadShortcut(user_ + L"\\App.lnk").arguments, L"");
  EXPECT_EQ(test::ReadShortcut(user_ + L"\\App (2).lnk").arguments, L"-y");
  EXPECT_EQ(test::ReadShortcut(user_ + L"\\Twin.lnk").arguments, L"-t");
  EXPECT_FALSE(FileExists(common_ + L"\\App.lnk"));
  EXPECT_FALSE(FileExists(common_ + L"\\Twin.lnk"));
}

TEST_F(Moves, EveryPairOfKindsMovesTheEntryWhole) {
  const struct {
    const char* name;
    MoveTarget place;
  } places[] = {{"user key", MoveTarget::CurrentUserRun},
                {"machine key", MoveTarget::AllUsersRun},
                {"user folder", MoveTarget::CurrentUserStartup},
                {"common folder", MoveTarget::AllUsersStartup}};
  const std::wstring parameters = L"-p \"x y\"";
  for (const auto& from : places) {
    for (const auto& to : places) {
      if (from.place == to.place) continue;
      SCOPED_TRACE(std::string(from.name) + " to " + to.name);
      SetUp();
      StartupLocation source = MoveTargetLocation(from.place);
      if (source.kind == StartupLocationKind::RegistryKeyLocation) {
        test::SetString(source.root, source.path, L"Pair", L"\"" + tool_ + L"\" " + parameters);
      } else {
        test::PutShortcut(source.path + L"\\Pair.lnk", test::LinkTo(tool_, parameters));
      }
      StartupList rows = Scan();
      ASSERT_EQ(rows.size(), 1u);
      MoveResult result = MoveStartupEntries(rows, to.place);
      EXPECT_EQ(result[0].outcome, MoveOutcome::Moved) << ToUtf8(result[0].reason);
      StartupList after = Scan();
      ASSERT_EQ(after.size(), 1u);
      EXPECT_TRUE(SameText(after[0].location, LocationText(MoveTargetLocation(to.place))));
      EXPECT_TRUE(SameText(after[0].file_name, tool_));
      EXPECT_EQ(after[0].parameters, parameters);
    }
  }
}

TEST_F(Moves, BetweenFoldersTheFileItselfMoves) {
  const test::Shortcut full{tool_, L"-a \"b c\"", root_ + L"\\Tools",    app_,
                            1,     0x0641,        ShowCommand::Maximized};
  test::PutShortcut(user_ + L"\\Full.lnk", full);
  const test::Shortcut saved = test::ReadShortcut(user_ + L"\\Full.lnk");
  test::PutFile(user_ + L"\\job.bat", "@echo job\r\n");
  test::MakeFolder(user_ + L"\\Sub");
  test::PutShortcut(user_ + L"\\Sub\\Deep.lnk", test::LinkTo(app_));
  StartupList rows = Rows({L"Full.lnk", L"job.bat", L"Deep.lnk"});
  ASSERT_EQ(rows.size(), 3u);

  MoveResult result = MoveStartupEntries(rows, MoveTarget::AllUsersStartup);
  for (const RowMove& r : result) EXPECT_EQ(r.outcome, MoveOutcome::Moved) << ToUtf8(r.reason);
  EXPECT_EQ(test::ReadShortcut(common_ + L"\\Full.lnk"), saved);
  EXPECT_EQ(saved.working_directory, full.working_directory);
  EXPECT_EQ(Content(common_ + L"\\job.bat"), "@echo job\r\n");
  EXPECT_EQ(test::ReadShortcut(common_ + L"\\Deep.lnk").target, app_);
  EXPECT_FALSE(FileExists(user_ + L"\\Full.lnk"));
  EXPECT_FALSE(FileExists(user_ + L"\\job.bat"));
  EXPECT_FALSE(FileExists(user_ + L"\\Sub\\Deep.lnk"));
  EXPECT_TRUE(FolderExists(user_ + L"\\Sub"));
}

TEST_F(Moves, ACrossKindMoveBuildsTheEntryFromTheRow) {
  test::SetString(CurrentUser, kRun, L"App.exe", L"\"" + app_ + L"\" -x \"a b\"");
  test::SetString(CurrentUser, kRun, L"a/b:c", tool_ + L" -c");
  test::PutShortcut(user_ + L"\\Tool.lnk", test::LinkTo(app_, L"/min \"c d\"", root_));
  test::SetWinIni(L"run", tool_);
  const StartupList before = Scan();
  ASSERT_EQ(before.size(), 4u);

  MoveResult to_folder =
      MoveStartupEntries(Rows({L"App.exe", L"a/b:c"}), MoveTarget::CurrentUserStartup);
  for (const RowMove& r : to_folder) {
    EXPECT_EQ(r.outcome, MoveOutcome::Moved) << ToUtf8(r.reason) << ToUtf8(r.written);
  }
  for (auto [file, target, arguments] :
       {std::tuple(L"App.exe.lnk", app_, L"-x \"a b\""), std::tuple(L"a_b_c.lnk", tool_, L"-c")}) {
    test::Shortcut made = test::ReadShortcut(user_ + L"\\" + file);
    EXPECT_EQ(made.target, target);
    EXPECT_EQ(made.arguments, arguments);
  }

  MoveResult to_key = MoveStartupEntries(Rows({L"Tool.lnk"}), MoveTarget::AllUsersRun);
  MoveResult word = MoveStartupEntries(Rows({L"tool"}), MoveTarget::CurrentUserRunOnce);
  EXPECT_EQ(to_key[0].written, L"Tool");
  EXPECT_EQ(word[0].written, L"tool");
  TRegistry reg;
  reg.SetRootKey(LocalMachine);
  ASSERT_TRUE(reg.OpenKey(kRun, false));
  EXPECT_EQ(reg.ReadString(L"Tool"), L"\"" + app_ + L"\" /min \"c d\"");
  reg.SetRootKey(CurrentUser);
  ASSERT_TRUE(reg.OpenKey(kRunOnce, false));
  EXPECT_EQ(reg.ReadString(L"tool"), tool_);

  // Every entry reads as before, once, in its new place.
  StartupList after = Scan();
  ASSERT_EQ(after.size(), before.size());
  for (const StartupEntry& old : before) {
    int found = 0;
    for (const StartupEntry& now : after) {
      if (SameText(now.file_name, old.file_name) && now.parameters == old.parameters) ++found;
    }
    EXPECT_EQ(found, 1) << ToUtf8(old.name);
  }
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"Windows", L"run", L"").find(tool_),
            std::wstring::npos);
}

TEST_F(Moves, AProgramFileInAStartupFolderIsNotMovedToAKey) {
  test::PutFile(user_ + L"\\job.bat", "@echo job\r\n");
  StartupList rows = Rows({L"job.bat"});
  ASSERT_EQ(rows.size(), 1u);
  MoveResult result = MoveStartupEntries(rows, MoveTarget::CurrentUserRun);
  EXPECT_EQ(result[0].outcome, MoveOutcome::NotMoved);
  EXPECT_TRUE(FileExists(user_ + L"\\job.bat"));
  EXPECT_FALSE(Value(CurrentUser, kRun, L"job"));
  std::wstring report = MoveReport(rows, result);
  EXPECT_TRUE(StartsWith(report, L"These entries were not moved:\n\"job.bat\" ("))
      << ToUtf8(report);
  EXPECT_TRUE(Contains(report, L"program itself")) << ToUtf8(report);
}

TEST_F(Moves, AnEntryAlreadyInTheTargetStaysWhereItIs) {
  test::SetString(CurrentUser, kRun, L"Self", tool_);
  test::PutShortcut(user_ + L"\\Self.lnk", test::LinkTo(tool_));
  test::PutShortcut(user_ + L"\\Sub\\Up.lnk", test::LinkTo(app_));
  StartupList rows = Rows({L"Self", L"Self.lnk", L"Up.lnk"});
  ASSERT_EQ(rows.size(), 3u);
  // The file system and the registry ignore letter case, and so does the move.
  rows[0].location = L"hkey_current_user\\software\\microsoft\\windows\\currentversion\\RUN";
  rows[1].location = AsciiUpper(user_) + L"\\";

  MoveResult key = MoveStartupEntries({rows[0]}, MoveTarget::CurrentUserRun);
  MoveResult folder = MoveStartupEntries({rows[1], rows[2]}, MoveTarget::CurrentUserStartup);
  EXPECT_EQ(key[0].outcome, MoveOutcome::AlreadyThere);
  EXPECT_EQ(folder[0].outcome, MoveOutcome::AlreadyThere);
  EXPECT_TRUE(Value(CurrentUser, kRun, L"Self"));
  EXPECT_TRUE(FileExists(user_ + L"\\Self.lnk"));
  // A subfolder of the target is not the target: its file comes up.
  EXPECT_EQ(folder[1].outcome, MoveOutcome::Moved);
  EXPECT_TRUE(FileExists(user_ + L"\\Up.lnk"));
  EXPECT_FALSE(FileExists(user_ + L"\\Sub\\Up.lnk"));
}

}  // namespace
}  // namespace korvane
