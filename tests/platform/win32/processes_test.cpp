// The process service on real processes: the helper program plays the
// startup program.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <sstream>

#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/programs.h"

namespace korvane {
namespace {

using testing::HelperProgram;
using testing::StartedProgram;

class Win32Processes : public ::testing::Test {
 protected:
  void SetUp() override { api_.InvalidateProcessList(); }
  void TearDown() override { api_.InvalidateProcessList(); }
  TWindowsAPI& api_ = TWindowsAPI::Instance();
};

TEST_F(Win32Processes, RunningProgramsAreFoundByTheirPath) {
  StartedProgram program(L"/exit-after 60");
  const std::wstring path = program.Path();
  EXPECT_GE(api_.FindProcessFile(path), 0);
  EXPECT_GE(api_.FindProcessFile(AsciiUpper(path) + L" "), 0);
  EXPECT_EQ(api_.FindProcessFile(path + L"x"), -1);
  EXPECT_EQ(api_.FindProcessFile(ExtractFileName(path)), -1);  // a bare name is no path
  // Our own module path comes back whole and as the system gives it to us.
  EXPECT_GE(api_.FindProcessFile(OwnExecutablePath()), 0);
}

TEST_F(Win32Processes, TheSnapshotHoldsUntilInvalidated) {
  int index = -1;
  std::wstring path;
  {
    StartedProgram program(L"/exit-after 60");
    path = program.Path();
    index = api_.FindProcessFile(path);
    ASSERT_GE(index, 0);
  }  // ended here
  EXPECT_EQ(api_.FindProcessFile(path), index);
  api_.InvalidateProcessList();
  EXPECT_EQ(api_.FindProcessFile(path), -1);
}

TEST_F(Win32Processes, CloseModeAsksTheWindowToClose) {
  StartedProgram willing(L"/exit-after 60");
  StartedProgram refusing(L"/exit-after 60 /refuse-close",
                          HelperProgram(L"korvane_versioned_program.exe"));
  EXPECT_EQ(api_.EndProcessByFileName(willing.Path(), false, EndMode::Close), 1);
  EXPECT_EQ(api_.EndProcessByFileName(refusing.Path(), false, EndMode::Close), 1);
  EXPECT_TRUE(willing.WaitForExit(10000));
  EXPECT_EQ(willing.ExitCode(), 0u);  // closed, not timed out
  EXPECT_FALSE(refusing.WaitForExit(1500));
}

TEST_F(Win32Processes, CloseModeChoosesTheVisibleParentlessWindow) {
  // The helper's hidden and owned windows come before its main window in
  // the enumeration; a close request to either would leave it running.
  StartedProgram program(L"/exit-after 60 /side-windows");
  EXPECT_EQ(api_.EndProcessByFileName(program.Path(), false, EndMode::Close), 1);
  EXPECT_TRUE(program.WaitForExit(10000));
  EXPECT_EQ(program.ExitCode(), 0u);
}

TEST_F(Win32Processes, TerminateModeEndsTheProgram) {
  StartedProgram program(L"/exit-after 60 /refuse-close");
  EXPECT_EQ(api_.EndProcessByFileName(program.Path(), false, EndMode::Terminate), 1);
  EXPECT_TRUE(program.WaitForExit(10000));
  EXPECT_EQ(program.ExitCode(), 0u);
  // A file that does not run is left alone.
  EXPECT_EQ(
      api_.EndProcessByFileName(HelperProgram(L"korvane-none.exe"), false, EndMode::Terminate), 0);
}

TEST_F(Win32Processes, OfTwoProcessesOfOneFileOnlyTheLastListedEnds) {
  StartedProgram first(L"/exit-after 60");
  StartedProgram second(L"/exit-after 60");
  std::vector<ProcessRecord> records = EnumerateProcesses();
  auto position = [&records](DWORD id) {
    return std::find_if(records.begin(), records.end(),
                        [id](const ProcessRecord& r) { return r.id == id; }) -
           records.begin();
  };
  ASSERT_LT(position(first.Id()), static_cast<ptrdiff_t>(records.size()));
  ASSERT_LT(position(second.Id()), static_cast<ptrdiff_t>(records.size()));
  const bool second_is_last = position(second.Id()) > position(first.Id());
  const StartedProgram& last = second_is_last ? second : first;
  const StartedProgram& other = second_is_last ? first : second;

  EXPECT_EQ(api_.EndProcessByFileName(first.Path(), false, EndMode::Terminate), 1);
  EXPECT_TRUE(last.WaitForExit(10000));
  EXPECT_FALSE(other.WaitForExit(500));
}

TEST(Win32ProcessesToolhelp, TheWindows95FamilyListsProcessesThroughToolhelp) {
  // Wine reports the Windows version chosen for a program's file name; the
  // probe is the process service in a program of its own name.
  const std::wstring app_key = L"\\Software\\Wine\\AppDefaults\\korvane_process_probe.exe";
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(app_key, true));
    registry.WriteString(L"Version", L"win98");
  }
  StartedProgram program(L"/exit-after 60");
  std::string output = testing::RunAndCapture(HelperProgram(L"korvane_process_probe.exe"),
                                              L"\"" + program.Path() + L"\"");
  std::string ended_output = testing::RunAndCapture(HelperProgram(L"korvane_process_probe.exe"),
                                                    L"\"" + program.Path() + L"\" /terminate");
  TRegistry().DeleteKey(app_key);

  std::istringstream lines(output);
  std::string word;
  long platform = -1, count = -1, found = -2, found_name = -2;
  while (lines >> word) {
    if (word == "platform") lines >> platform;
    if (word == "processes") lines >> count;
    if (word == "found") lines >> found;
    if (word == "found-name") lines >> found_name;
    if (word == "error") ADD_FAILURE() << output;
  }
  EXPECT_EQ(platform, 1) << output;
  EXPECT_GT(count, 1) << output;
  // Toolhelp gives the executable as the system names it: the full path on
  // the Windows 95 family, the bare name in Wine. Either is found.
  EXPECT_TRUE(found >= 0 || found_name >= 0) << output;
  EXPECT_NE(ended_output.find("ended 1"), std::string::npos) << ended_output;
  EXPECT_TRUE(program.WaitForExit(10000));
}

}  // namespace
}  // namespace korvane
