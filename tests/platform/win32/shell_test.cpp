// Shortcuts, version information and the shell's other services on the real
// shell.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/programs.h"

namespace korvane {
namespace {

using testing::HelperProgram;

class Win32Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t folder[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    file_ = std::wstring(folder) + L"korvane-shortcut-test.lnk";
    DeleteFileW(file_.c_str());
  }
  void TearDown() override { DeleteFileW(file_.c_str()); }
  std::wstring file_;
};

TEST_F(Win32Shortcuts, CreatedShortcutsReadBackRawAndWhole) {
  const std::wstring long_arguments = L"/list " + std::wstring(3000, L'a');
  struct Case {
    std::wstring target, description, arguments;
  } cases[] = {
      {L"%SystemRoot%\\system32\\notepad.exe", L"", L"/s \"C:\\my file.txt\""},
      {HelperProgram(L"korvane_startup_program.exe"), L"Started with Windows", long_arguments},
  };
  for (const Case& c : cases) {
    CreateStartupShortcut(c.target, file_, c.description, c.arguments);
    TLMDShellLink link;
    ASSERT_TRUE(link.LoadShellLink(file_, 0));
    // The reference stays unexpanded. Wine's shell (not Windows') also puts
    // the current folder before a target that starts with one.
    EXPECT_TRUE(link.Path == c.target ||
                (Contains(c.target, L"%") && EndsWith(link.Path, L"\\" + c.target)))
        << ToUtf8(link.Path);
    EXPECT_EQ(link.Arguments, c.arguments);
    EXPECT_EQ(link.Description, c.description);
    EXPECT_EQ(link.WorkingDirectory, L"");
    EXPECT_EQ(link.HotKey, 0);
    EXPECT_EQ(link.ShowCmd, ShowCommand::Normal);
    EXPECT_EQ(link.FileName, L"");
  }
}

TEST_F(Win32Shortcuts, AFailedLoadKeepsThePreviousShortcut) {
  CreateStartupShortcut(L"C:\\Tools\\first.exe", file_, L"", L"-x");
  TLMDShellLink link;
  ASSERT_TRUE(link.LoadShellLink(file_));
  EXPECT_FALSE(link.LoadShellLink(file_ + L".missing"));
  EXPECT_TRUE(SameText(link.Path, L"C:\\Tools\\first.exe")) << ToUtf8(link.Path);
  EXPECT_EQ(link.Arguments, L"-x");
}

TEST_F(Win32Shortcuts, AShortcutThatCannotBeSavedIsAnError) {
  const std::wstring bad = L"Q:\\no such folder\\entry.lnk";
  try {
    CreateStartupShortcut(L"C:\\Tools\\first.exe", bad, L"", L"");
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_NE(error.Text().find(bad), std::wstring::npos) << error.what();
  }
}

TEST(Win32VersionInfo, PropertiesComeFromTheTranslatedTable) {
  TLMDVersionInfo info;
  info.SetRetrieveFilename(HelperProgram(L"korvane_versioned_program.exe"));
  EXPECT_EQ(info.ProductName, L"Korvane Test Suite");
  EXPECT_EQ(info.CompanyName, L"Korvane Test Works");
  EXPECT_EQ(info.ProductVersion, L"2.5");
  EXPECT_EQ(info.FileVersion, L"2.5.0.17");
  EXPECT_EQ(info.FileDescription, L"Versioned helper program");
  EXPECT_EQ(info.InternalFilename, L"versioned");
  EXPECT_EQ(info.OriginalFilename, L"korvane_versioned_program.exe");
  EXPECT_EQ(info.LegalCopyright, L"(c) Korvane tests");
  EXPECT_EQ(info.LegalTrademarks, L"");
  EXPECT_EQ(info.Comments, L"");
  wchar_t german[256] = {};
  VerLanguageNameW(0x0407, german, 256);
  EXPECT_EQ(info.Language, german);
  EXPECT_FALSE(info.Language.empty());

  // No translation table: the US English table, and no language.
  info.SetRetrieveFilename(HelperProgram(L"korvane_untranslated_program.exe"));
  EXPECT_EQ(info.ProductName, L"Untranslated helper");
  EXPECT_EQ(info.Comments, L"no translation table");
  EXPECT_EQ(info.CompanyName, L"");
  EXPECT_EQ(info.Language, L"");
}

TEST(Win32VersionInfo, FilesWithoutVersionInformationGiveNothing) {
  TLMDVersionInfo info;
  info.SetRetrieveFilename(HelperProgram(L"korvane_versioned_program.exe"));
  for (const wchar_t* file : {L"korvane_startup_program.exe", L"korvane-missing.exe"}) {
    info.SetRetrieveFilename(HelperProgram(file));
    for (const std::wstring* p :
         {&info.FileDescription, &info.CompanyName, &info.ProductVersion, &info.Language,
          &info.ProductName, &info.FileVersion, &info.OriginalFilename, &info.InternalFilename,
          &info.LegalCopyright, &info.LegalTrademarks, &info.Comments}) {
      EXPECT_EQ(*p, L"") << ToUtf8(file);
    }
  }
}

TEST(Win32VersionInfo, TheSameNameIsReadOnce) {
  TLMDVersionInfo info;
  const std::wstring file = HelperProgram(L"korvane_versioned_program.exe");
  info.SetRetrieveFilename(file);
  info.SetRetrieveFilename(file);
  EXPECT_EQ(info.ReadCount(), 1);
  info.SetRetrieveFilename(AsciiUpper(file));  // case counts here
  EXPECT_EQ(info.ReadCount(), 2);
  EXPECT_EQ(info.ProductName, L"Korvane Test Suite");
}

struct FoundWindow {
  const wchar_t* title;
  HWND window;
};

BOOL CALLBACK FindByTitle(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<FoundWindow*>(parameter);
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  if (std::wstring(text) == search->title) {
    search->window = window;
    return FALSE;
  }
  return TRUE;
}

// Starts `file` through the shell with the title given, waits for its window
// and closes it again; false when no window came.
bool OpensAndCloses(const std::wstring& file, const std::wstring& folder) {
  const wchar_t title[] = L"Korvane shell open test";
  ShellOpen(file, L"/exit-after 30 /title \"Korvane shell open test\"", folder);
  FoundWindow search{title, nullptr};
  for (int tries = 0; tries < 200 && !search.window; ++tries) {
    Sleep(50);
    EnumWindows(FindByTitle, reinterpret_cast<LPARAM>(&search));
  }
  if (!search.window) return false;
  DWORD id = 0;
  GetWindowThreadProcessId(search.window, &id);
  win32::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
  PostMessageW(search.window, WM_CLOSE, 0, 0);
  // Later tests count the helper's processes: this one must be gone first.
  EXPECT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  return true;
}

TEST(Win32ShellOpen, StartsTheProgramWithItsParameters) {
  EXPECT_TRUE(OpensAndCloses(HelperProgram(L"korvane_startup_program.exe"), L""));
}

// The 32-bit build on 64-bit Windows sees another folder under the system
// folder's name; a program that only the 64-bit one holds starts all the same.
TEST(Win32ShellOpen, StartsAProgramThatOnlyThe64BitSystemFolderHolds) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryW(folder, MAX_PATH), 0u);
  const std::wstring system = std::wstring(folder) + L"\\";
  const bool redirected = sizeof(void*) == 4 && RegistryHasViews();
  const std::wstring stored =
      (redirected ? WindowsDirectory() + L"\\Sysnative\\" : system) + L"kvstartup64.exe";
  ASSERT_TRUE(
      CopyFileW(HelperProgram(L"korvane_startup_program.exe").c_str(), stored.c_str(), FALSE));
  EXPECT_TRUE(FileExists(system + L"kvstartup64.exe"));
  EXPECT_TRUE(OpensAndCloses(system + L"kvstartup64.exe", system));
  DeleteFileW(stored.c_str());
}

// The same for a signature: a command naming the system folder starts the
// 64-bit system's file, which is the one checked, not a 32-bit file of that
// name. (Wine's WinVerifyTrust asks for no trusted root: the test
// certificate verifies.)
TEST(Win32Signature, AFileInTheSystemFolderIsCheckedWhereWindowsStartsIt) {
  const std::wstring signed_program = HelperProgram(L"korvane_windows_program.exe");
  if (!FileExists(signed_program)) GTEST_SKIP() << "no osslsigncode: the program is not signed";
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryW(folder, MAX_PATH), 0u);
  const std::wstring named = std::wstring(folder) + L"\\kvsigned64.exe";
  const bool redirected = sizeof(void*) == 4 && RegistryHasViews();
  const std::wstring native =
      redirected ? WindowsDirectory() + L"\\Sysnative\\kvsigned64.exe" : named;
  ASSERT_TRUE(CopyFileW(signed_program.c_str(), native.c_str(), FALSE));
  // The 32-bit system folder's own file of that name is not signed.
  if (redirected) {
    ASSERT_TRUE(
        CopyFileW(HelperProgram(L"korvane_startup_program.exe").c_str(), named.c_str(), FALSE));
  }
  const FileSignature signature = CheckFileSignature(named);
  EXPECT_EQ(signature.state, SignatureState::Verified);
  EXPECT_EQ(signature.signer, L"Microsoft Windows");
  DeleteFileW(native.c_str());
  DeleteFileW(named.c_str());
}

TEST(Win32ShellServices, PropertiesAndIconsComeFromTheSystemShell) {
  TLMDShellObjectPropertiesDialog dialog;
  dialog.ObjectName = OwnExecutablePath();
  EXPECT_TRUE(dialog.Execute());
  EXPECT_GE(SystemIconIndex(OwnExecutablePath()), 0);
  EXPECT_EQ(SystemIconIndex(L"Q:\\no such folder\\none.exe"), 0);
}

}  // namespace
}  // namespace korvane
