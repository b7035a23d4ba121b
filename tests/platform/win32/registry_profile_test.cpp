// The registry and profile services against the real API: awkward stored
// data, long texts, and the errors callers see.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win32/handles.h"

namespace korvane {
namespace {

const wchar_t kScratch[] = L"\\Software\\KorvaneWin32Test";

class Win32Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    TRegistry registry;
    registry.DeleteKey(kScratch);
    ASSERT_TRUE(registry_.OpenKey(kScratch, true));
  }
  void TearDown() override {
    registry_.CloseKey();
    registry_.DeleteKey(kScratch);
  }
  // Stores raw bytes, as another program might have written them.
  void PutRaw(const wchar_t* name, DWORD type, const void* data, size_t size) {
    win32::RegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratch + 1, 0, KEY_SET_VALUE, key.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }
  TRegistry registry_;
};

TEST_F(Win32Registry, StringsAreReadWholeUpToTheFirstNul) {
  const std::wstring long_text(70000, L'x');
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<wchar_t> stored;  // exactly the characters stored, no terminator added
    size_t extra_bytes;           // an odd byte at the end
    std::wstring expected;
  } cases[] = {
      {L"plain", REG_SZ, {L'a', L'b', L'\0'}, 0, L"ab"},
      {L"unterminated", REG_SZ, {L'a', L'b', L'c'}, 0, L"abc"},
      {L"embedded NUL", REG_SZ, {L'a', L'\0', L'b', L'\0'}, 0, L"a"},
      {L"odd size", REG_SZ, {L'a', L'b'}, 1, L"ab"},
      {L"empty", REG_SZ, {}, 0, L""},
      {L"expand",
       REG_EXPAND_SZ,
       {L'%', L'W', L'I', L'N', L'D', L'I', L'R', L'%', L'\0'},
       0,
       L"%WINDIR%"},
      {L"long", REG_SZ, std::vector<wchar_t>(long_text.begin(), long_text.end()), 0, long_text},
  };
  for (Case& c : cases) {
    // The bytes after the stored data are a sentinel that must never be read.
    std::vector<BYTE> bytes(c.stored.size() * sizeof(wchar_t) + c.extra_bytes + 8, 0x5A);
    if (!c.stored.empty()) std::memcpy(bytes.data(), c.stored.data(), c.stored.size() * 2);
    PutRaw(c.name, c.type, bytes.data(), c.stored.size() * sizeof(wchar_t) + c.extra_bytes);
    EXPECT_EQ(registry_.ReadString(c.name), c.expected) << c.name;
  }
  EXPECT_EQ(registry_.ReadString(L"missing"), L"");
}

TEST_F(Win32Registry, NonStringDataThrowsNamingTheValue) {
  const DWORD number = 7;
  PutRaw(L"Counter", REG_DWORD, &number, sizeof(number));
  PutRaw(L"Blob", REG_BINARY, "abcd", 4);
  PutRaw(L"List", REG_MULTI_SZ, L"a\0b\0", 10);
  for (const wchar_t* name : {L"Counter", L"Blob", L"List"}) {
    try {
      registry_.ReadString(name);
      ADD_FAILURE() << "no error for " << ToUtf8(name);
    } catch (const PlatformError& error) {
      EXPECT_NE(error.Text().find(name), std::wstring::npos) << error.what();
      EXPECT_NE(error.Text().find(L"HKEY_CURRENT_USER\\Software\\KorvaneWin32Test"),
                std::wstring::npos)
          << error.what();
    }
  }
  EXPECT_EQ(registry_.ReadInteger(L"Counter"), 7);
  EXPECT_THROW(registry_.ReadInteger(L"Blob"), PlatformError);
  PutRaw(L"Short", REG_DWORD, "\1\0", 2);  // a DWORD value too short to be one
  EXPECT_THROW(registry_.ReadInteger(L"Short"), PlatformError);
}

TEST_F(Win32Registry, LongNamesAndDeepTreesAreHandledWhole) {
  const std::wstring long_name(1000, L'n');
  registry_.WriteString(long_name, L"v");
  registry_.WriteString(L"short", L"w");
  std::vector<std::wstring> names = registry_.GetValueNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{long_name, L"short"}));

  TRegistry tree;
  ASSERT_TRUE(tree.OpenKey(std::wstring(kScratch) + L"\\Tree\\a\\b\\c", true));
  ASSERT_TRUE(tree.OpenKey(std::wstring(kScratch) + L"\\Tree\\" + std::wstring(200, L'k'), true));
  tree.CloseKey();
  EXPECT_TRUE(tree.DeleteKey(std::wstring(kScratch) + L"\\Tree"));
  EXPECT_FALSE(tree.KeyExists(std::wstring(kScratch) + L"\\Tree"));
  EXPECT_FALSE(tree.DeleteKey(std::wstring(kScratch) + L"\\Tree"));
}

TEST_F(Win32Registry, WritesToAClosedAccessorThrowNamingTheValue) {
  TRegistry closed;
  try {
    closed.WriteString(L"Orphan", L"x");
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_NE(error.Text().find(L"Orphan"), std::wstring::npos);
  }
}

// A scratch file in the temp folder, removed before and after.
class Win32Profile : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    file_ = std::wstring(folder) + L"korvane-profile-test.ini";
    DeleteFileW(file_.c_str());
  }
  void TearDown() override { DeleteFileW(file_.c_str()); }
  std::wstring file_;
};

TEST_F(Win32Profile, LongValuesAreReadWhole) {
  for (size_t length : {2045u, 2046u, 2047u, 2048u, 4093u, 10000u}) {
    const std::wstring value(length, L'v');
    TIniFile ini(file_);
    ini.WriteString(L"Windows", L"run", value);
    EXPECT_EQ(TIniFile(file_).ReadString(L"windows", L"RUN", L""), value) << length;
  }
  EXPECT_EQ(TIniFile(file_).ReadString(L"Windows", L"missing", L"fallback"), L"fallback");
}

TEST_F(Win32Profile, LongWinIniValuesAreReadWhole) {
  // win.ini's [windows] section lives in the registry on the NT family: this
  // is the path that the scan of the load and run keys takes.
  TIniFile win_ini(WinIniPath());
  const std::wstring saved = win_ini.ReadString(L"Windows", L"load", L"");
  const std::wstring value = L"C:\\long\\" + std::wstring(3000, L'p') + L".exe";
  win_ini.WriteString(L"Windows", L"load", value);
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"Load", L""), value);
  win_ini.WriteString(L"Windows", L"load", saved);
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"Windows", L"load", L"?"), saved);
}

TEST_F(Win32Profile, AFailedWriteThrowsNamingTheFile) {
  const std::wstring bad = L"Q:\\no such folder\\korvane\\test.ini";
  try {
    TIniFile(bad).WriteString(L"Windows", L"run", L"x");
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_NE(error.Text().find(bad), std::wstring::npos) << error.what();
  }
}

TEST_F(Win32Profile, AFileThatCannotBeReadIsRefusedForAnUpdate) {
  TIniFile ini(file_);
  ini.WriteString(L"Windows", L"run", L"a.exe b.exe");
  EXPECT_EQ(ini.ReadStringForUpdate(L"Windows", L"missing"), L"");
  EXPECT_EQ(TIniFile(file_ + L".none").ReadStringForUpdate(L"Windows", L"run"), L"");
  {
    // Another program holds the file open without sharing it.
    win32::FileHandle held(
        CreateFileW(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(ini.ReadString(L"Windows", L"run", L"fallback"), L"fallback");
    try {
      ini.ReadStringForUpdate(L"Windows", L"run");
      ADD_FAILURE() << "an unread value passed for an empty one";
    } catch (const PlatformError& error) {
      EXPECT_NE(error.Text().find(file_), std::wstring::npos) << error.what();
    }
  }
  EXPECT_EQ(ini.ReadStringForUpdate(L"Windows", L"run"), L"a.exe b.exe");
}

TEST(Win32Paths, WinIniIsInTheWindowsDirectory) {
  wchar_t folder[MAX_PATH];
  GetWindowsDirectoryW(folder, MAX_PATH);
  EXPECT_EQ(WindowsDirectory(), folder);
  EXPECT_TRUE(SameText(WinIniPath(), std::wstring(folder) + L"\\win.ini")) << ToUtf8(WinIniPath());
}

}  // namespace
}  // namespace korvane
