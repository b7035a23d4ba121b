#include <algorithm>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "scratch.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace korvane::test {
namespace {

using Files = Scratch;
using Profile = Scratch;

TEST_F(Profile, SectionsAndKeysMatchWithoutCaseAndValuesAreReadWhole) {
  TIniFile ini(In(L"test.ini"));
  EXPECT_EQ(ini.ReadString(L"Windows", L"run", L"default"), L"default");  // no file yet

  ini.WriteString(L"Windows", L"run", L"a.exe b.exe");
  ini.WriteString(L"Other", L"run", L"other.exe");
  ini.WriteString(L"WINDOWS", L"RUN", L"c.exe");  // the same key
  ini.WriteString(L"windows", L"load", L"");
  const std::wstring long_value = std::wstring(4000, L'v') + L"\u00e9";
  ini.WriteString(L"Windows", L"long", long_value);

  TIniFile again(In(L"TEST.INI"));
  EXPECT_EQ(again.ReadString(L"windows", L"Run", L""), L"c.exe");
  EXPECT_EQ(again.ReadString(L"Other", L"run", L""), L"other.exe");
  EXPECT_EQ(again.ReadString(L"Windows", L"load", L"default"), L"");
  EXPECT_EQ(again.ReadString(L"Windows", L"missing", L"default"), L"default");
  EXPECT_EQ(again.ReadString(L"Missing", L"run", L""), L"");
  EXPECT_EQ(again.ReadString(L"Windows", L"long", L""), long_value);
}

TEST_F(Profile, AWriteThatCannotBeDoneNamesTheFile) {
  const std::wstring file = In(L"no such folder\\test.ini");
  try {
    TIniFile(file).WriteString(L"Windows", L"run", L"a.exe");
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& e) {
    EXPECT_TRUE(Contains(e.Text(), file)) << e.what();
  }
}

TEST_F(Files, FilesAndFoldersAreToldApartAndRemoved) {
  const std::wstring file = In(L"Notes.txt");
  WriteAnsiTextFile(file, L"hello");
  MakeFolder(In(L"Sub"));

  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(In(L"NOTES.TXT")));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_TRUE(FolderExists(In(L"Sub")));
  EXPECT_FALSE(FileExists(In(L"Sub")));
  EXPECT_TRUE(FolderExists(folder_));
  EXPECT_FALSE(FileExists(In(L"missing.txt")));

  EXPECT_FALSE(RemoveFile(In(L"Sub")));
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(RemoveFile(file));
  EXPECT_THROW(WriteAnsiTextFile(In(L"missing\\x.txt"), L"x"), PlatformError);
}

TEST_F(Files, AStemIsFoundWithAnyExtensionAndWithoutOne) {
  WriteAnsiTextFile(In(L"App.exe"), L"");
  WriteAnsiTextFile(In(L"readme"), L"");
  MakeFolder(In(L"Program Files"));
  EXPECT_TRUE(AnyItemWithStem(In(L"app")));
  EXPECT_TRUE(AnyItemWithStem(In(L"APP.EXE")));
  EXPECT_TRUE(AnyItemWithStem(In(L"Readme")));
  EXPECT_TRUE(AnyItemWithStem(In(L"Program Files")));
  EXPECT_FALSE(AnyItemWithStem(In(L"Program")));  // only a longer name starts so
  EXPECT_FALSE(AnyItemWithStem(In(L"ap")));
  EXPECT_FALSE(AnyItemWithStem(In(L"app.e")));
  EXPECT_FALSE(AnyItemWithStem(In(L"missing\\app")));
}

TEST_F(Files, AStampChangesWhenTheFileIsWritten) {
  const std::wstring file = In(L"stamped.txt");
  EXPECT_EQ(ReadFileStamp(file), std::nullopt);
  EXPECT_EQ(ReadFileStamp(folder_), std::nullopt);
  WriteAnsiTextFile(file, L"one");
  const std::optional<FileStamp> first = ReadFileStamp(file);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size, 3u);
  EXPECT_EQ(ReadFileStamp(file), first);
  WriteAnsiTextFile(file, L"three");
  EXPECT_NE(ReadFileStamp(file), first);
}

TEST_F(Files, ListingShowsEveryItemWithDotEntries) {
  WriteAnsiTextFile(In(L"visible.txt"), L"");
  WriteAnsiTextFile(In(L"hidden.txt"), L"");
  MakeFolder(In(L"Folder"));
#ifdef _WIN32
  ASSERT_TRUE(
      SetFileAttributesW(In(L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
#endif
  std::vector<FolderItem> items = ListFolder(folder_);
  std::sort(items.begin(), items.end(),
            [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
  struct Expected {
    const wchar_t* name;
    bool is_folder;
  } expected[] = {{L".", true},
                  {L"..", true},
                  {L"Folder", true},
                  {L"hidden.txt", false},
                  {L"visible.txt", false}};
  ASSERT_EQ(items.size(), std::size(expected));
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].name, expected[i].name);
    EXPECT_EQ(items[i].is_folder, expected[i].is_folder) << expected[i].name;
    EXPECT_FALSE(items[i].is_reparse_point) << expected[i].name;
  }
  EXPECT_TRUE(ListFolder(In(L"missing")).empty());
  EXPECT_TRUE(ListFolder(In(L"visible.txt")).empty());
}

TEST_F(Files, SearchFindsAFileOfTheCurrentDirectory) {
  const std::wstring program = In(L"kvsearch.exe");
  WriteAnsiTextFile(program, L"MZ");
  EnterFolder(folder_);
  const uint64_t calls = FileSearchCalls();

  struct Case {
    std::wstring name;
    bool found;
  } cases[] = {{L"kvsearch.exe", true},
               {L".\\kvsearch.exe", true},
               {program, true},
               {L"kvsearch-missing.exe", false},
               {In(L"kvsearch-missing.exe"), false}};
  for (const Case& c : cases) {
    std::optional<std::wstring> found = SearchPathFor(c.name);
    ASSERT_EQ(found.has_value(), c.found) << ToUtf8(c.name);
    if (found) {
      EXPECT_TRUE(SameText(*found, program)) << ToUtf8(*found);
    }
  }

  // A program is its own executable.
  std::optional<std::wstring> executable = FindExecutableFor(L"kvsearch.exe", folder_);
  ASSERT_TRUE(executable.has_value());
  EXPECT_TRUE(SameText(*executable, program)) << ToUtf8(*executable);
  executable = FindExecutableFor(L"kvsearch", folder_);  // ".exe" is tried
  ASSERT_TRUE(executable.has_value());
  EXPECT_TRUE(SameText(*executable, program)) << ToUtf8(*executable);
  EXPECT_FALSE(FindExecutableFor(L"kvsearch-missing.exe", folder_).has_value());
  EXPECT_EQ(FileSearchCalls(), calls + std::size(cases) + 3);
}

}  // namespace
}  // namespace korvane::test
