// removed.txt as the system writes it: the code page is the prefix's own.
#include <windows.h>

#include <gtest/gtest.h>

#include "monitor/monitor_world.h"

namespace korvane::test {
namespace {

using RemovedFile = MonitorTest;

TEST_F(RemovedFile, ANameOutsideTheAnsiCodePageMakesTheFileUtf8NeverQuestionMarks) {
  if (GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8: every name fits";
  const std::wstring cyrillic = AddRun(L"Cyrillic", L"\u0434\u043e\u043c.exe");
  const std::wstring plain = AddRun(L"Plain", L"plain.exe");
  PutOnBlacklist({cyrillic, plain});
  RecordedCycle recorded;
  recorded.cycle.Run();
  EXPECT_FALSE(HasRun(L"Cyrillic"));
  EXPECT_EQ(FileContent(RemovedBesideProgram()),
            "\xEF\xBB\xBF" + ToUtf8(cyrillic + L"\r\n" + plain + L"\r\n"));
}

TEST_F(RemovedFile, NamesThatFitAreWrittenInTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the test's name is chosen for code page 1252";
  const std::wstring accented = AddRun(L"Accented", L"caf\u00e9.exe");
  PutOnBlacklist({accented});
  RecordedCycle recorded;
  recorded.cycle.Run();
  EXPECT_EQ(FileContent(RemovedBesideProgram()), "C:\\kvtest\\caf\xE9.exe\r\n");
}

}  // namespace
}  // namespace korvane::test
