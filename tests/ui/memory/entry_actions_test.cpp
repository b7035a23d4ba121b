#include "ui/entry_actions.h"

#include <gtest/gtest.h>

#include "catalogue/location.h"
#include "platform/memory/arrange.h"
#include "platform/processes.h"
#include "platform/registry.h"

namespace korvane {
namespace {

using Call = std::vector<std::wstring>;  // file, parameters, folder

std::vector<Call> ShellOpenCalls() {
  std::vector<Call> calls;
  for (const auto& c : memory::ShellOpenCalls()) calls.push_back({c.file, c.parameters, c.folder});
  return calls;
}

StartupEntry Row(const std::wstring& file_name, const std::wstring& parameters = L"") {
  return {L"Row", false, file_name, parameters, L"C:\\Startup"};
}

class EntryActions : public ::testing::Test {
 protected:
  void SetUp() override {
    memory::Reset();
    memory::PutFile(L"C:\\Tools\\app.exe");
    memory::PutFile(L"C:\\Tools\\other.exe");
  }
};

TEST_F(EntryActions, RunAndOpenFolderActOnFilesThatExist) {
  const StartupList rows = {Row(L"C:\\Tools\\app.exe", L"-min"), Row(L"C:\\Gone\\gone.exe"),
                            Row(L"http://example.com/"), Row(L"C:\\Tools\\other.exe")};
  RunEntries(rows);
  EXPECT_EQ(ShellOpenCalls(), (std::vector<Call>{{L"C:\\Tools\\app.exe", L"-min", L"C:\\Tools\\"},
                                                 {L"C:\\Tools\\other.exe", L"", L"C:\\Tools\\"}}));
  memory::Reset();
  memory::PutFile(L"C:\\Tools\\app.exe");
  memory::PutFile(L"C:\\Tools\\other.exe");
  // One folder window per row, also for a folder that two rows share.
  OpenEntryFolders(rows);
  EXPECT_EQ(ShellOpenCalls(),
            (std::vector<Call>{{L"C:\\Tools\\", L"", L""}, {L"C:\\Tools\\", L"", L""}}));
  ShowEntryProperties(rows);
  EXPECT_EQ(memory::PropertiesShown(),
            (std::vector<std::wstring>{L"C:\\Tools\\app.exe", L"C:\\Tools\\other.exe"}));
}

// The blacklist and new entries dialogs pass file names, found or not.
TEST_F(EntryActions, FoldersAndPropertiesOfFileNamesPassOverMissingFiles) {
  memory::PutFile(L"D:\\b.exe");
  const std::vector<std::wstring> names = {L"C:\\Tools\\app.exe", L"C:\\Gone\\x.exe", L"D:\\b.exe",
                                           L"http://example.com/x.exe", L""};
  OpenFolders(names);
  EXPECT_EQ(ShellOpenCalls(), (std::vector<Call>{{L"C:\\Tools\\", L"", L""}, {L"D:\\", L"", L""}}));
  int owner = 0;
  ShowProperties(names, &owner);
  EXPECT_EQ(memory::PropertiesShown(),
            (std::vector<std::wstring>{L"C:\\Tools\\app.exe", L"D:\\b.exe"}));
}

TEST_F(EntryActions, StopEndsOneProcessPerRowFromAFreshList) {
  StartupList rows = {Row(L"C:\\Tools\\app.exe"), Row(L"C:\\Tools\\other.exe")};
  TWindowsAPI::Instance().GetProcessFileNames();  // a snapshot from before the programs started
  uint32_t first = memory::StartProcess(L"C:\\Tools\\app.exe");
  uint32_t second = memory::StartProcess(L"C:\\Tools\\APP.EXE");
  StopEntries(rows);
  EXPECT_NE(memory::ProcessRunning(first), memory::ProcessRunning(second));
  // Ended, not asked: no close request reached either.
  EXPECT_TRUE(memory::CloseRequests(first).empty());
  StopEntries({rows[0]});
  EXPECT_FALSE(memory::ProcessRunning(first) || memory::ProcessRunning(second));
}

TEST_F(EntryActions, TheStartupFolderToolsFallBackToTheShellsFolder) {
  const std::wstring shell_folders =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  memory::SetString(RootKey::CurrentUser, shell_folders, L"Startup", L"C:\\User Startup");
  memory::SetKnownStartupFolder(true, L"C:\\Known Common Startup");
  OpenServiceTool(ServiceTool::CurrentUserStartup);
  OpenServiceTool(ServiceTool::AllUsersStartup);  // no Common Startup value
  memory::SetKnownStartupFolder(true, L"");
  OpenServiceTool(ServiceTool::AllUsersStartup);  // known nowhere: nothing opens
  OpenServiceTool(ServiceTool::SystemRegistry);
  OpenServiceTool(ServiceTool::WinIni);
  EXPECT_EQ(ShellOpenCalls(), (std::vector<Call>{
                                  {L"C:\\User Startup", L"", L""},
                                  {L"C:\\Known Common Startup", L"", L""},
                                  {L"regedit.exe", L"", L""},
                                  {L"win.ini", L"", L""},
                              }));
}

}  // namespace
}  // namespace korvane
