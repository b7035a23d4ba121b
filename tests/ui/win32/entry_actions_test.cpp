// The entry commands' actions on real programs: the helper plays the
// startup program.
#include "ui/entry_actions.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "support/programs.h"

namespace korvane {
namespace {

using testing::HelperProgram;
using testing::StartedProgram;

StartupEntry Row(const std::wstring& file_name, const std::wstring& parameters) {
  return {L"Helper", false, file_name, parameters, L"C:\\Startup"};
}

TEST(Win32EntryActions, RunStartsTheProgramWithItsParametersInItsFolder) {
  const std::wstring program = HelperProgram(L"korvane_startup_program.exe");
  const std::filesystem::path report = std::filesystem::temp_directory_path() / L"kv-run.txt";
  std::filesystem::remove(report);
  const std::wstring parameters =
      L"/exit-after 20 /title \"Run from Korvane\" /report \"" + report.wstring() + L"\"";
  // The test's own working folder is elsewhere, so the program's tells.
  SetCurrentDirectoryW(std::filesystem::temp_directory_path().c_str());
  RunEntries({Row(program, parameters), Row(program + L".missing", L"")});

  std::string text;
  for (int tries = 0; tries < 200 && text.empty(); ++tries) {
    Sleep(50);
    std::ifstream in(report);
    std::ostringstream read;
    read << in.rdbuf();
    text = read.str();
  }
  TWindowsAPI::Instance().InvalidateProcessList();
  TWindowsAPI::Instance().EndProcessByFileName(program, true, EndMode::Terminate);
  std::filesystem::remove(report);
  ASSERT_FALSE(text.empty()) << "the program did not start";
  std::wstring lines = FromUtf8(text);
  std::wstring folder = lines.substr(0, lines.find(L'\n'));
  EXPECT_TRUE(SameText(IncludeTrailingBackslash(folder), ExtractFilePath(program))) << text;
  EXPECT_TRUE(Contains(lines, L"/title \"Run from Korvane\"")) << text;
}

TEST(Win32EntryActions, StopEndsOneOfTwoCopies) {
  StartedProgram first(L"/exit-after 60");
  StartedProgram second(L"/exit-after 60");
  StopEntries({Row(first.Path(), L"")});
  bool one_ended = first.WaitForExit(5000) || second.WaitForExit(5000);
  EXPECT_TRUE(one_ended);
  EXPECT_NE(first.Running(), second.Running());
  TWindowsAPI::Instance().InvalidateProcessList();
  EXPECT_GE(TWindowsAPI::Instance().FindProcessFile(first.Path()), 0);
}

}  // namespace
}  // namespace korvane
