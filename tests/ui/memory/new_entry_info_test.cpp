#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/arrange.h"
#include "platform/processes.h"
#include "support/world.h"
#include "ui/new_entry.h"

namespace korvane {
namespace {

class NewEntryInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    memory::PutFile(tool_);
  }
  const std::wstring tool_ = L"C:\\Tools\\tool.exe";
};

TEST_F(NewEntryInfo, TheMemoShowsTheProcessStatusAndTenVersionLines) {
  memory::SetVersionInfo(tool_,
                         {{L"FileDescription", L"Tool"},
                          {L"CompanyName", L"Makers"},
                          {L"ProductVersion", L"2.5"},
                          {L"ProductName", L"Toolbox"},
                          {L"FileVersion", L"2.5.0.17"},
                          {L"OriginalFilename", L"tool.exe"},
                          {L"InternalName", L"tool"},
                          {L"LegalCopyright", L"(c) Makers"},
                          {L"LegalTrademarks", L"TM"}},
                         L"German (Germany)");
  memory::StartProcess(L"c:\\tools\\TOOL.EXE");
  TWindowsAPI::Instance().InvalidateProcessList();
  FileInformation info = DescribeFile(tool_);
  EXPECT_TRUE(info.running);
  EXPECT_EQ(info.lines, (std::vector<std::wstring>{
                            L"Process status: running", L"Description: Tool",
                            L"Company name: Makers", L"Version: 2.5", L"Language: German (Germany)",
                            L"Product name: Toolbox", L"File version: 2.5.0.17",
                            L"Original filename: tool.exe", L"Internal filename: tool",
                            L"Legal copyright: (c) Makers", L"Legal trademarks: TM"}));

  // Without version information every label stands alone; the process list
  // is the one already taken, so a process started since is not seen.
  const std::wstring bare = L"C:\\Tools\\bare.exe";
  memory::PutFile(bare);
  memory::StartProcess(bare);
  info = DescribeFile(bare);
  EXPECT_FALSE(info.running);
  EXPECT_EQ(info.lines, (std::vector<std::wstring>{
                            L"Process status: not running", L"Description: not available",
                            L"Company name: ", L"Version: ", L"Language: ", L"Product name: ",
                            L"File version: ", L"Original filename: ", L"Internal filename: ",
                            L"Legal copyright: ", L"Legal trademarks: "}));
}

TEST_F(NewEntryInfo, ALocationThatCannotTakeTheEntryIsAnError) {
  memory::DenyKey(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  try {
    PlaceNewEntry({L"Tool", tool_, L"", 0});
    FAIL() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_NE(error.Text().find(L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion"
                                L"\\Run"),
              std::wstring::npos);
  }
  // A Startup folder that neither Shell Folders nor the shell knows.
  TRegistry reg;
  reg.OpenKey(test::kShellFolders, false);
  reg.DeleteValue(L"Startup");
  ASSERT_EQ(NewEntryLocations()[10].kind, NewEntryLocationKind::StartupFolder);
  EXPECT_THROW(PlaceNewEntry({L"Tool", tool_, L"", 10}), PlatformError);
  EXPECT_FALSE(FileExists(L"C:\\Tool.lnk"));
}

}  // namespace
}  // namespace korvane
