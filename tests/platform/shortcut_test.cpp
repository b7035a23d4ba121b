#include "platform/error.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "scratch.h"

namespace korvane::test {
namespace {

using Shortcuts = Scratch;

TEST_F(Shortcuts, ACreatedShortcutReadsBackAndAFailedLoadKeepsIt) {
  const std::wstring link = In(L"Tool.lnk");
  const std::wstring target = In(L"kvtool.exe");
  WriteAnsiTextFile(target, L"MZ");
  CreateStartupShortcut(target, link, L"", L"/start \"two words\"");
  EXPECT_TRUE(FileExists(link));

  TLMDShellLink shortcut;
  ASSERT_TRUE(shortcut.LoadShellLink(link, 0));
  EXPECT_TRUE(SameText(shortcut.Path, target)) << ToUtf8(shortcut.Path);
  EXPECT_EQ(shortcut.Arguments, L"/start \"two words\"");
  EXPECT_EQ(shortcut.WorkingDirectory, L"");
  EXPECT_EQ(shortcut.Description, L"");
  EXPECT_EQ(shortcut.FileName, L"");

  // A file that is no shortcut leaves the last shortcut's properties.
  WriteAnsiTextFile(In(L"plain.lnk"), L"not a shortcut");
  EXPECT_FALSE(shortcut.LoadShellLink(In(L"plain.lnk"), 0));
  EXPECT_FALSE(shortcut.LoadShellLink(In(L"missing.lnk"), 0));
  EXPECT_TRUE(SameText(shortcut.Path, target)) << ToUtf8(shortcut.Path);
  EXPECT_EQ(shortcut.Arguments, L"/start \"two words\"");
}

TEST_F(Shortcuts, AnEnvironmentReferenceInTheTargetStaysUnexpanded) {
  const std::wstring link = In(L"Notepad.lnk");
  const std::wstring target = L"%SystemRoot%\\system32\\notepad.exe";
  CreateStartupShortcut(target, link, L"", L"");
  TLMDShellLink shortcut;
  ASSERT_TRUE(shortcut.LoadShellLink(link, 0));
  // Wine's shell (not Windows') puts the current folder before such a target;
  // the reference itself must still come back as it was written.
  EXPECT_TRUE(shortcut.Path == target || EndsWith(shortcut.Path, L"\\" + target))
      << ToUtf8(shortcut.Path);
}

TEST_F(Shortcuts, ReplacingAShortcutAndSavingWhereNoFolderIs) {
  const std::wstring link = In(L"Tool.lnk");
  const std::wstring target = In(L"kvtool.exe");
  WriteAnsiTextFile(target, L"MZ");
  CreateStartupShortcut(In(L"old.exe"), link, L"old", L"-old");
  CreateStartupShortcut(target, link, L"Description", L"");

  TLMDShellLink shortcut;
  ASSERT_TRUE(shortcut.LoadShellLink(link));
  EXPECT_TRUE(SameText(shortcut.Path, target)) << ToUtf8(shortcut.Path);
  EXPECT_EQ(shortcut.Arguments, L"");
  EXPECT_EQ(shortcut.Description, L"Description");

  // The shortcut cannot be written: saying nothing would lose a moved entry.
  EXPECT_THROW(CreateStartupShortcut(target, In(L"missing\\Tool.lnk"), L"", L""), PlatformError);
}

}  // namespace
}  // namespace korvane::test
