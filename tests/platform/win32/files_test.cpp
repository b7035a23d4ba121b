// The file services against the real file system of the prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/handles.h"

namespace korvane {
namespace {

std::wstring TestsFolder() {
  return ExtractFilePath(OwnExecutablePath());
}

TEST(Win32Files, WildcardsAreNotPatterns) {
  const std::wstring folder = TestsFolder();
  ASSERT_TRUE(FileExists(OwnExecutablePath()));
  EXPECT_FALSE(FolderExists(OwnExecutablePath()));
  EXPECT_TRUE(FolderExists(ExcludeTrailingBackslash(folder)));
  EXPECT_FALSE(FileExists(ExcludeTrailingBackslash(folder)));
  for (const wchar_t* pattern : {L"*.exe", L"korvane_platform_tests.ex?", L"*", L"*.*"}) {
    EXPECT_FALSE(FileExists(folder + pattern)) << ToUtf8(pattern);
    EXPECT_FALSE(FolderExists(folder + pattern)) << ToUtf8(pattern);
  }
  EXPECT_FALSE(FileExists(L""));
}

TEST(Win32Files, ListingFlagsFoldersAndReparsePoints) {
  // suite.cmake made test-data\linked\up, a symbolic link back to test-data.
  const std::wstring linked = TestsFolder() + L"..\\test-data\\linked";
  std::vector<FolderItem> items = ListFolder(linked);
  auto up = std::find_if(items.begin(), items.end(),
                         [](const FolderItem& item) { return item.name == L"up"; });
  ASSERT_NE(up, items.end());
  EXPECT_TRUE(up->is_folder);
  EXPECT_TRUE(up->is_reparse_point);
  auto dot = std::find_if(items.begin(), items.end(),
                          [](const FolderItem& item) { return item.name == L"."; });
  if (dot != items.end()) {
    EXPECT_FALSE(dot->is_reparse_point);
  }

  items = ListFolder(TestsFolder());
  EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const FolderItem& item) {
    return SameText(item.name, L"korvane_startup_program.exe") && !item.is_folder;
  }));
  EXPECT_TRUE(ListFolder(TestsFolder() + L"no such folder").empty());
}

TEST(Win32Files, SearchesFindProgramsAndCountTheirCalls) {
  const uint64_t before = FileSearchCalls();
  std::optional<std::wstring> notepad = SearchPathFor(L"notepad.exe");
  ASSERT_TRUE(notepad);
  EXPECT_TRUE(FileExists(*notepad));
  EXPECT_FALSE(SearchPathFor(L"korvane-no-such-program.exe"));

  std::optional<std::wstring> program = FindExecutableFor(OwnExecutablePath(), L"");
  ASSERT_TRUE(program);
  EXPECT_TRUE(SameText(*program, OwnExecutablePath())) << ToUtf8(*program);
  EXPECT_FALSE(FindExecutableFor(TestsFolder() + L"korvane-missing.exe", L""));
  EXPECT_EQ(FileSearchCalls() - before, 4u);
}

TEST(Win32Files, SearchPathGivesPathsLongerThanMaxPath) {
  // A folder deep enough that its file's path passes MAX_PATH.
  std::wstring folder = L"\\\\?\\" + ExcludeTrailingBackslash(TestsFolder());
  for (int i = 0; i < 4; ++i) {
    folder += L"\\" + std::wstring(80, static_cast<wchar_t>(L'a' + i));
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  const std::wstring file = folder + L"\\korvane-deep.txt";
  ASSERT_TRUE(win32::FileHandle(
      CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  std::optional<std::wstring> found = SearchPathFor(L"korvane-deep.txt");
  SetCurrentDirectoryW(saved);
  ASSERT_TRUE(found);
  EXPECT_GT(found->size(), static_cast<size_t>(MAX_PATH));
  EXPECT_TRUE(EndsWith(*found, L"\\korvane-deep.txt"));
  DeleteFileW(file.c_str());
  for (int i = 0; i < 4; ++i) {
    RemoveDirectoryW(folder.c_str());
    folder = ExtractFilePath(folder);
    folder.pop_back();
  }
}

TEST(Win32Files, AnsiTextFilesAreReplacedAndRemoved) {
  const std::wstring file = TestsFolder() + L"korvane-removed-test.txt";
  WriteAnsiTextFile(file, L"first\r\n");
  WriteAnsiTextFile(file, L"C:\\caf\u00e9.exe\r\n");
  win32::FileHandle handle(
      CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(handle);
  char buffer[64] = {};
  DWORD got = 0;
  ReadFile(handle.get(), buffer, sizeof(buffer), &got, nullptr);
  handle.reset();
  std::string expected = "C:\\caf";
  expected += GetACP() == 1252 ? "\xE9" : "?";
  expected += ".exe\r\n";
  if (GetACP() == 1252) {
    EXPECT_EQ(std::string(buffer, got), expected);
  }
  EXPECT_EQ(got, expected.size());
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(RemoveFile(file));
  EXPECT_THROW(WriteAnsiTextFile(TestsFolder() + L"no such folder\\x.txt", L"x"), PlatformError);
}

TEST(Win32Files, KnownFoldersAndThePlatform) {
  EXPECT_FALSE(KnownStartupFolder(false).empty());
  EXPECT_FALSE(KnownStartupFolder(true).empty());
  EXPECT_NE(KnownStartupFolder(false), KnownStartupFolder(true));
  EXPECT_EQ(PlatformId(), 2u);
}

}  // namespace
}  // namespace korvane
