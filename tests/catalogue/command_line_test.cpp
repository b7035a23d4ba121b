#include <gtest/gtest.h>

#include "catalogue/command_line.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(app_);
    test::PutFile(tool_);
    test::PutFile(test::kRoot + L"\\My.exe");
    test::PutFile(test::SystemFolder() + L"\\kvprobe.exe");
  }
  const std::wstring app_ = test::kRoot + L"\\Program Files\\App\\app.exe";
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
};

TEST_F(CommandLine, SplitsProgramFromParameters) {
  const std::wstring root = test::kRoot;
  struct Case {
    std::wstring command, file_name, parameters;
  } cases[] = {
      // An unquoted path with blanks ends at the first blank after a program.
      {app_ + L" /min", app_, L"/min"},
      {L"\"" + app_ + L"\" /min", app_, L"/min"},
      {L"\"" + app_ + L"\"/min", app_, L"/min"},
      {L"\"" + app_ + L"\"", app_, L""},
      {L"\"" + root + L"\\Program Files\\App\\app", app_, L""},
      {app_, app_, L""},
      {tool_ + L"  -a", tool_, L" -a"},
      {L"   " + tool_ + L" -a", tool_, L"-a"},
      // The shortest candidate that names a program wins.
      {tool_ + L" " + app_, tool_, app_},
      {root + L"\\My Apps\\run.exe -q", root + L"\\My.exe", L"Apps\\run.exe -q"},
      // Bare names stay bare; a missing extension is completed.
      {L"kvprobe.exe shell32.dll,Control_RunDLL", L"kvprobe.exe", L"shell32.dll,Control_RunDLL"},
      {L"kvprobe /x", L"kvprobe.exe", L"/x"},
      {root + L"\\Tools\\tool", tool_, L""},
      {L"nosuch", L"nosuch", L""},
      // Nothing found: the split falls back to the first blank.
      {L"%SystemRoot%\\system32\\kvprobe.exe -a", L"%SystemRoot%\\system32\\kvprobe.exe", L"-a"},
      {root + L"\\missing dir\\x.exe a b", root + L"\\missing", L"dir\\x.exe a b"},
      {root + L"\\Tools\\*.exe a", root + L"\\Tools\\*.exe", L"a"},
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    SplitCommand split = SplitCommandLine(c.command);
    EXPECT_EQ(split.file_name, c.file_name) << c.command;
    EXPECT_EQ(split.parameters, c.parameters) << c.command;
  }
}

TEST_F(CommandLine, SearchesFollowTheSystemOrderAndRefuseWildcards) {
  FileSearch probe = SearchFileOnPath(L"kvprobe.exe");
  EXPECT_TRUE(probe.found);
  EXPECT_TRUE(SameText(probe.path, test::SystemFolder() + L"\\kvprobe.exe")) << ToUtf8(probe.path);

  FileSearch bare = FindProgramFile(L"kvprobe");
  EXPECT_TRUE(bare.found);
  EXPECT_TRUE(SameText(bare.path, probe.path)) << ToUtf8(bare.path);

  struct Case {
    std::wstring name, path;
  } misses[] = {{L"", L""},
                {L"kv*.exe", L"kv*.exe"},
                {L"kvprobe?", L"kvprobe?"},
                {L"nosuch.exe", L"nosuch.exe"}};
  for (const Case& c : misses) {
    for (FileSearch search : {SearchFileOnPath(c.name), FindProgramFile(c.name)}) {
      EXPECT_FALSE(search.found) << c.name;
      EXPECT_EQ(search.path, c.path) << c.name;
    }
  }
}

TEST_F(CommandLine, LongCommandsResolveNothingBeyondThePathLimit) {
  // The program part alone is longer than any path the system takes; the
  // shell's search overran its own stack on such a name.
  const std::wstring no_extension = L"C:\\nothere\\" + std::wstring(1100, L'a');
  const std::wstring nested = test::kRoot + L"\\" + std::wstring(300, L'd') + L"\\x.exe";
  for (const std::wstring& command : {no_extension, no_extension + L" -a", nested + L" -b"}) {
    SplitCommand split = SplitCommandLine(command);
    EXPECT_EQ(split.file_name + (split.parameters.empty() ? L"" : L" " + split.parameters),
              command);
    EXPECT_FALSE(FindProgramFile(split.file_name).found);
    EXPECT_FALSE(SearchFileOnPath(split.file_name).found);
    EXPECT_FALSE(FileExists(split.file_name));
  }
  // Just inside the limit a program is still found.
  const std::wstring deep = test::kRoot + L"\\" + std::wstring(230, L'd') + L"\\x.exe";
  ASSERT_LT(deep.size(), kMaxPath);
  test::PutFile(deep);
  EXPECT_EQ(SplitCommandLine(deep + L" -c").file_name, deep);
}

TEST_F(CommandLine, EachSearchIsMadeOncePerScopeAndMissingPathsNotAtAll) {
  auto searches = [](const std::wstring& command) {
    uint64_t before = FileSearchCalls();
    SplitCommandLine(command);
    return FileSearchCalls() - before;
  };
  // Nothing of that name in its folder: the shell is not asked.
  EXPECT_EQ(searches(test::kRoot + L"\\Gone\\gone.exe -q"), 0u);
  EXPECT_EQ(searches(test::kRoot + L"\\Program Files\\Gone\\gone -q"), 0u);
  const std::wstring bare = L"kvprobe -x";
  const uint64_t alone = searches(bare);
  ASSERT_GT(alone, 0u);
  {
    SearchScope scope;
    EXPECT_EQ(searches(bare), alone);
    EXPECT_EQ(searches(bare), 0u);
    EXPECT_EQ(searches(L"kvprobe -y"), 0u);
    {
      SearchScope inner;
      EXPECT_EQ(searches(bare), 0u);
    }
    EXPECT_EQ(searches(bare), 0u);
  }
  EXPECT_EQ(searches(bare), alone);
}

TEST_F(CommandLine, SearchesStopAtThePathLimitHoweverManyBlanksFollow) {
  // A name without a folder, which is searched along the search path.
  const std::wstring program = L"kvnosuch";
  auto searches = [&program](const std::wstring& command) {
    uint64_t before = FileSearchCalls();
    SplitCommand split = SplitCommandLine(command);
    EXPECT_EQ(split.file_name, program);
    EXPECT_EQ(split.parameters.size() + 1 + split.file_name.size(), command.size());
    return FileSearchCalls() - before;
  };
  std::wstring blanks;
  for (int i = 0; i < 2000; ++i) blanks += L" a";
  uint64_t short_command = searches(program + blanks.substr(0, 300));
  uint64_t long_command = searches(program + blanks);
  EXPECT_GT(short_command, 0u);
  EXPECT_EQ(long_command, short_command);
}

}  // namespace
}  // namespace korvane
