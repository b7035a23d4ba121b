// What only the memory world can arrange: its file system's paths and
// junctions, profile text as written, associations, version data, records.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/arrange.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {
namespace {

class World : public testing::Test {
 protected:
  void SetUp() override { memory::Reset(); }
};

std::vector<std::wstring> Names(const std::vector<FolderItem>& items) {
  std::vector<std::wstring> names;
  for (const FolderItem& i : items) names.push_back(i.name);
  return names;
}

TEST_F(World, PathsResolveLikeFullPathNames) {
  memory::PutFile(L"C:\\Dir\\Sub\\File.txt");
  memory::SetCurrentDirectory(L"C:\\Dir");
  struct Case {
    const wchar_t* path;
    bool exists;
  } cases[] = {
      {L"c:\\dir\\SUB\\file.TXT", true},
      {L"Sub\\File.txt", true},
      {L"..\\Dir\\.\\Sub\\File.txt", true},
      {L"\\Dir\\Sub\\File.txt", true},
      {L"C:Sub\\File.txt", true},
      {L"C:/Dir/Sub/File.txt", true},
      {L"D:\\Dir\\Sub\\File.txt", false},
      {L"\\\\server\\share\\File.txt", false},
      {L"", false},
      {L"C:\\Dir\\Sub\\File.txt\\x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileExists(c.path), c.exists) << c.path;
  // Names keep the case they were made with.
  EXPECT_EQ(Names(ListFolder(L"c:\\DIR")), (std::vector<std::wstring>{L".", L"..", L"Sub"}));
  EXPECT_EQ(Names(ListFolder(L"C:\\")),
            (std::vector<std::wstring>{L"Dir", L"Program Files", L"Users", L"WINDOWS"}));
}

TEST_F(World, JunctionsAreFoldersThatLeadElsewhere) {
  memory::PutFile(L"C:\\Target\\inside.txt");
  memory::MakeJunction(L"C:\\Start\\Link", L"C:\\Target");
  memory::MakeJunction(L"C:\\Start\\Loop", L"C:\\Start");

  const std::vector<FolderItem> items = ListFolder(L"C:\\Start");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[2].name, L"Link");
  EXPECT_TRUE(items[2].is_folder && items[2].is_reparse_point);
  EXPECT_EQ(Names(ListFolder(L"C:\\Start\\Link")),
            (std::vector<std::wstring>{L".", L"..", L"inside.txt"}));
  EXPECT_TRUE(FileExists(L"C:\\Start\\Link\\inside.txt"));
  EXPECT_TRUE(FolderExists(L"C:\\Start\\Loop\\Loop\\Loop\\Link"));

  memory::MakeJunction(L"C:\\Self", L"C:\\Self");
  EXPECT_TRUE(FolderExists(L"C:\\Self"));
  EXPECT_TRUE(ListFolder(L"C:\\Self").empty());
  EXPECT_FALSE(FileExists(L"C:\\Self\\x"));
}

TEST_F(World, ProfilesAreRewrittenInPlace) {
  memory::PutFile(L"C:\\WINDOWS\\win.ini",
                  "; comment\r\n[windows]\r\n  Run = \"quoted.exe\" \r\nload=\r\n\r\n"
                  "[Other]\r\nrun=x\r\n");
  TIniFile ini(WinIniPath());
  EXPECT_EQ(WinIniPath(), L"C:\\WINDOWS\\win.ini");
  EXPECT_EQ(ini.ReadString(L"Windows", L"run", L"-"), L"quoted.exe");
  EXPECT_EQ(ini.ReadString(L"Windows", L"load", L"-"), L"");
  ini.WriteString(L"Windows", L"RUN", L"a.exe");
  ini.WriteString(L"windows", L"device", L"printer");
  ini.WriteString(L"New", L"key", L"value");
  EXPECT_EQ(memory::FileContent(L"C:\\WINDOWS\\win.ini"),
            "; comment\r\n[windows]\r\nRun=a.exe\r\nload=\r\ndevice=printer\r\n\r\n"
            "[Other]\r\nrun=x\r\n[New]\r\nkey=value\r\n");
  // A profile named without a folder is the Windows directory's.
  EXPECT_EQ(TIniFile(L"WIN.INI").ReadString(L"windows", L"device", L""), L"printer");
}

TEST_F(World, FindExecutableFollowsTheShellsRules) {
  memory::PutFile(L"C:\\Docs\\readme.txt");
  memory::PutFile(L"C:\\Docs\\tool.exe");
  memory::PutFile(L"C:\\Docs\\setup.bat");
  memory::PutFile(L"C:\\Docs\\photo.jpg");
  memory::SetAssociation(L".TXT", L"C:\\WINDOWS\\notepad.exe");
  struct Case {
    const wchar_t* file;
    const wchar_t* directory;
    const wchar_t* program;  // null: none
  } cases[] = {
      {L"C:\\Docs\\readme.txt", L"", L"C:\\WINDOWS\\notepad.exe"},
      {L"readme.txt", L"C:\\Docs", L"C:\\WINDOWS\\notepad.exe"},
      {L"tool.exe", L"C:\\Docs", L"C:\\Docs\\tool.exe"},
      {L"tool", L"C:\\Docs", L"C:\\Docs\\tool.exe"},
      {L"setup.bat", L"C:\\Docs", L"C:\\Docs\\setup.bat"},
      {L"photo.jpg", L"C:\\Docs", nullptr},  // no association
      {L"tool.exe", L"", nullptr},           // not on the search order
      {L"C:\\Docs", L"", nullptr},
  };
  for (const Case& c : cases) {
    std::optional<std::wstring> program = FindExecutableFor(c.file, c.directory);
    EXPECT_EQ(program.value_or(L"-"), c.program ? c.program : L"-") << c.file;
  }
}

TEST_F(World, SearchFollowsTheArrangedOrder) {
  memory::PutFile(L"C:\\First\\tool.exe");
  memory::PutFile(L"C:\\Second\\tool.exe");
  memory::PutFile(L"C:\\Second\\only.exe");
  memory::PutFile(L"C:\\WINDOWS\\system32\\sys.exe");
  EXPECT_EQ(SearchPathFor(L"sys.exe").value_or(L"-"), L"C:\\WINDOWS\\system32\\sys.exe");
  EXPECT_EQ(SearchPathFor(L"korvane.exe").value_or(L"-"),
            L"C:\\Program Files\\Korvane\\korvane.exe");
  memory::SetSearchOrder({L"C:\\Second", L"C:\\First\\"});
  EXPECT_EQ(SearchPathFor(L"TOOL.exe").value_or(L"-"), L"C:\\Second\\TOOL.exe");
  EXPECT_EQ(SearchPathFor(L"only.exe").value_or(L"-"), L"C:\\Second\\only.exe");
  EXPECT_FALSE(SearchPathFor(L"sys.exe").has_value());
}

TEST_F(World, ShortcutsVersionsIconsAndShellCallsAreAsArranged) {
  memory::ShortcutData data;
  data.path = L"%ProgramFiles%\\a.exe";
  data.working_directory = L"C:\\";
  data.icon_index = 3;
  data.hot_key = 0x0641;
  data.show_cmd = ShowCommand::Minimized;
  memory::PutShortcut(L"C:\\Startup\\a.lnk", data);
  TLMDShellLink link;
  ASSERT_TRUE(link.LoadShellLink(L"C:\\STARTUP\\A.LNK"));
  EXPECT_EQ(link.Path, L"%ProgramFiles%\\a.exe");
  EXPECT_EQ(link.WorkingDirectory, L"C:\\");
  EXPECT_EQ(link.IconIndex, 3);
  EXPECT_EQ(link.HotKey, 0x0641);
  EXPECT_EQ(link.ShowCmd, ShowCommand::Minimized);
  CreateStartupShortcut(L"C:\\b.exe", L"C:\\Startup\\b.lnk", L"", L"-y");
  EXPECT_EQ(memory::ReadShortcut(L"C:\\Startup\\b.lnk").arguments, L"-y");
  EXPECT_THROW(memory::ReadShortcut(L"C:\\Program Files\\Korvane\\korvane.exe"), PlatformError);

  memory::SetVersionInfo(L"C:\\Program Files\\Korvane\\korvane.exe",
                         {{L"InternalName", L"korvane"}, {L"FileVersion", L"1.0.0"}},
                         L"English (United States)");
  TLMDVersionInfo info;
  info.SetRetrieveFilename(L"");  // the program itself
  EXPECT_EQ(info.InternalFilename, L"korvane");
  EXPECT_EQ(info.FileVersion, L"1.0.0");
  EXPECT_EQ(info.Language, L"English (United States)");
  info.SetRetrieveFilename(L"C:\\none.exe");
  EXPECT_EQ(info.FileVersion, L"");
  EXPECT_EQ(info.Language, L"");

  memory::SetIconIndex(L"C:\\b.exe", 7);
  EXPECT_EQ(SystemIconIndex(L"c:\\B.EXE"), 7);
  EXPECT_EQ(SystemIconIndex(L"C:\\other.exe"), 0);

  ShellOpen(L"C:\\b.exe", L"-y", L"");
  TLMDShellObjectPropertiesDialog sheet;
  sheet.ObjectName = L"C:\\b.exe";
  EXPECT_TRUE(sheet.Execute());
  ASSERT_EQ(memory::ShellOpenCalls().size(), 1u);
  EXPECT_EQ(memory::ShellOpenCalls()[0].parameters, L"-y");
  EXPECT_EQ(memory::PropertiesShown(), std::vector<std::wstring>{L"C:\\b.exe"});
}

TEST_F(World, RegistryTextKeepsCharactersOutsideTheBasicPlane) {
  const std::wstring text = FromUtf8("C:\\\xF0\x9F\x98\x80\\app.exe");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(L"\\Software\\Test", true));
  reg.WriteString(L"v", text);
  EXPECT_EQ(reg.ReadString(L"v"), text);
}

}  // namespace
}  // namespace korvane
