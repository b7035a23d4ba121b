// The process service over fake processes: snapshots, matching and ending.
#include <gtest/gtest.h>

#include "platform/memory/arrange.h"
#include "platform/processes.h"

namespace korvane {
namespace {

using memory::FakeWindow;

class ProcessService : public testing::Test {
 protected:
  void SetUp() override { memory::Reset(); }
  TWindowsAPI& api_ = TWindowsAPI::Instance();
};

TEST_F(ProcessService, TheSnapshotStaysUntilInvalidated) {
  const uint32_t id = memory::StartProcess(L"C:\\Apps\\Tool.exe");
  EXPECT_EQ(api_.FindProcessFile(L" c:\\apps\\TOOL.EXE\t"), 0);
  memory::StopProcess(id);
  const uint32_t later = memory::StartProcess(L"C:\\Apps\\Later.exe");
  EXPECT_EQ(api_.FindProcessFile(L"C:\\Apps\\Tool.exe"), 0);
  EXPECT_EQ(api_.FindProcessFile(L"C:\\Apps\\Later.exe"), -1);

  api_.InvalidateProcessList();
  EXPECT_EQ(api_.FindProcessFile(L"C:\\Apps\\Tool.exe"), -1);
  EXPECT_EQ(api_.FindProcessFile(L"C:\\Apps\\Later.exe"), 0);
  EXPECT_TRUE(memory::ProcessRunning(later));
}

TEST_F(ProcessService, TheFamilyDecidesHowModulePathsAreShown) {
  memory::SetWindowsDirectory(L"C:\\WINNT");
  memory::StartProcessWithId(0, L"");
  memory::StartProcessWithId(4, L"");
  memory::StartProcessWithId(300, L"\\SystemRoot\\System32\\smss.exe");
  memory::StartProcessWithId(400, L"\\??\\C:\\WINNT\\system32\\csrss.exe");
  memory::StartProcessWithId(500, L"");
  const std::vector<std::wstring> nt = {L"[System Process]", L"System",
                                        L"C:\\WINNT\\System32\\smss.exe",
                                        L"C:\\WINNT\\system32\\csrss.exe", L""};
  EXPECT_EQ(api_.GetProcessFileNames(), nt);

  // The 95 family's snapshot gives the file names as they are.
  memory::SetPlatformId(1);
  api_.InvalidateProcessList();
  const std::vector<std::wstring> family95 = {L"", L"", L"\\SystemRoot\\System32\\smss.exe",
                                              L"\\??\\C:\\WINNT\\system32\\csrss.exe", L""};
  EXPECT_EQ(api_.GetProcessFileNames(), family95);
}

TEST_F(ProcessService, TerminateEndsTheLastListedMatchOrEveryMatch) {
  const uint32_t first = memory::StartProcess(L"C:\\Apps\\Tool.exe");
  const uint32_t second = memory::StartProcess(L"c:\\apps\\tool.exe");
  const uint32_t other = memory::StartProcess(L"C:\\Other\\Tool2.exe");

  EXPECT_EQ(api_.EndProcessByFileName(L"C:\\Apps\\Tool.exe", false, EndMode::Terminate), 1);
  EXPECT_TRUE(memory::ProcessRunning(first));
  EXPECT_FALSE(memory::ProcessRunning(second));

  api_.InvalidateProcessList();
  EXPECT_EQ(api_.EndProcessByFileName(L"C:\\Apps\\Tool.exe", true, EndMode::Terminate), 1);
  EXPECT_FALSE(memory::ProcessRunning(first));
  EXPECT_TRUE(memory::ProcessRunning(other));
  api_.InvalidateProcessList();
  EXPECT_EQ(api_.EndProcessByFileName(L"C:\\Apps\\Tool.exe", true, EndMode::Terminate), 0);
}

TEST_F(ProcessService, NamesWithoutAFolderMatchByFileName) {
  memory::SetPlatformId(1);  // the 95 family may list bare names
  const uint32_t bare = memory::StartProcess(L"TOOL.EXE");
  const uint32_t full = memory::StartProcess(L"C:\\Apps\\Tool.exe");
  struct Case {
    const wchar_t* given;
    uint32_t ended;  // 0: none
  } cases[] = {
      {L"tool.exe", full},            // a bare name matches the listed file names
      {L"D:\\Else\\Tool.exe", bare},  // a folder part matches a path equal to the file name
      {L"D:\\Else\\Other.exe", 0},
  };
  for (const Case& c : cases) {
    memory::Reset();
    memory::SetPlatformId(1);
    memory::StartProcessWithId(bare, L"TOOL.EXE");
    memory::StartProcessWithId(full, L"C:\\Apps\\Tool.exe");
    EXPECT_EQ(api_.EndProcessByFileName(c.given, false, EndMode::Terminate), c.ended ? 1 : 0)
        << c.given;
    if (c.ended) {
      EXPECT_FALSE(memory::ProcessRunning(c.ended)) << c.given;
    }
  }
}

TEST_F(ProcessService, CloseAsksTheMainWindowAndARefusalKeepsTheProcess) {
  struct Case {
    std::vector<FakeWindow> windows;
    std::vector<int> requests;
    bool still_running;
  } cases[] = {
      {{{.visible = false}, {.has_parent = true}, {}, {}}, {0, 0, 1, 0}, false},
      {{{.visible = false}, {.has_parent = true}}, {1, 0}, false},
      {{{.refuses_close = true}}, {1}, true},
      {{}, {}, true},
  };
  for (const Case& c : cases) {
    memory::Reset();
    const uint32_t id = memory::StartProcess(L"C:\\Apps\\Tool.exe", c.windows);
    EXPECT_EQ(api_.EndProcessByFileName(L"C:\\Apps\\Tool.exe", false, EndMode::Close), 1);
    EXPECT_EQ(memory::CloseRequests(id), c.requests);
    EXPECT_EQ(memory::ProcessRunning(id), c.still_running);
  }
}

}  // namespace
}  // namespace korvane
