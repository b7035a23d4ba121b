#include <gtest/gtest.h>

#include "platform/processes.h"

namespace korvane {
namespace {

TEST(ProcessPaths, ModulePathsAreNormalisedForTheList) {
  struct Case {
    const wchar_t* path;
    uint32_t id;
    const wchar_t* shown;
  } cases[] = {
      {L"", 0, L"[System Process]"},
      {L"", 4, L"System"},
      {L"", 2, L"System"},
      {L"", 8, L"System"},
      {L"", 12, L""},
      {L"\\??\\C:\\Windows\\system32\\csrss.exe", 500, L"C:\\Windows\\system32\\csrss.exe"},
      {L"\\??\\c:\\x.exe", 4, L"c:\\x.exe"},
      {L"\\SystemRoot\\System32\\smss.exe", 300, L"D:\\WINNT\\System32\\smss.exe"},
      {L"\\systemroot\\a.exe", 300, L"D:\\WINNT\\a.exe"},
      {L"C:\\Program Files\\app.exe", 0, L"C:\\Program Files\\app.exe"},
      {L"\\SystemRootX\\a.exe", 300, L"\\SystemRootX\\a.exe"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseModulePath(c.path, c.id, L"D:\\WINNT"), c.shown) << c.path;
  }
  EXPECT_EQ(NormaliseModulePath(L"\\SystemRoot\\a.exe", 1, L"D:\\"), L"D:\\a.exe");
}

TEST(ProcessPaths, PathsCompareWithoutCaseAndWithoutOuterBlanks) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  } cases[] = {
      {L"C:\\Apps\\Tool.exe", L"c:\\apps\\TOOL.EXE", true},
      {L"C:\\Apps\\Tool.exe ", L"C:\\Apps\\Tool.exe", true},
      {L"\t C:\\Apps\\Tool.exe\r\n", L"C:\\Apps\\Tool.exe", true},
      {L"C:\\Apps\\Tool.exe", L"C:\\Apps\\Tool .exe", false},
      {L"C:\\Apps\\Tool.exe", L"Tool.exe", false},
      {L"", L"   ", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameProcessPath(c.a, c.b), c.same) << c.a << L" | " << c.b;
  }
}

}  // namespace
}  // namespace korvane
