// Whose entry it is by its program's signer: Windows' own, and a program's
// own update told from a change by somebody else.
#include "catalogue/signers.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"

namespace korvane {
namespace {

StartupEntry Row(const std::wstring& file, std::optional<std::wstring> signer,
                 const std::wstring& parameters = L"") {
  StartupEntry row;
  row.name = ExtractFileName(file);
  row.file_name = file;
  row.parameters = parameters;
  row.signer = std::move(signer);
  return row;
}

TEST(Signers, WindowsOwnAndUpdatesFollowTheVerifiedSignerOnly) {
  const std::wstring rundll = L"C:\\Windows\\System32\\rundll32.exe";
  // Seen before: a vendor's updater, Windows' own task program, an unsigned
  // tool, and a program whose signer was never known.
  const SeenPrograms seen({Row(L"C:\\Vendor\\1.0\\update.exe", L"Example Vendor"),
                           Row(L"C:\\Windows\\System32\\taskhost.exe", L"Microsoft Windows"),
                           Row(L"C:\\Tools\\tool.exe", L""),
                           Row(L"C:\\Other\\later.exe", std::nullopt),
                           Row(rundll, L"Example Vendor", L"C:\\Vendor\\1.0\\hook.dll,Run")});
  struct Case {
    const char* what;
    StartupEntry now;
    bool windows, update;
  } cases[] = {
      {"Windows' signer", Row(L"C:\\Windows\\a.exe", L"Microsoft Windows"), true, false},
      {"its publisher name", Row(L"C:\\Windows\\b.exe", L"Microsoft Windows Publisher"), true,
       false},
      {"another name of the maker", Row(L"C:\\Windows\\c.exe", L"Microsoft Corporation"), false,
       false},
      {"a look-alike", Row(L"C:\\Windows\\d.exe", L"microsoft windows "), false, false},
      {"not signed or not verified", Row(L"C:\\Windows\\e.exe", L""), false, false},
      {"not known yet", Row(L"C:\\Windows\\f.exe", std::nullopt), false, false},
      {"the next version, same signer", Row(L"C:\\Vendor\\1.1\\UPDATE.EXE", L"Example Vendor"),
       false, true},
      {"same name, another signer", Row(L"C:\\Vendor\\1.1\\update.exe", L"Other Vendor"), false,
       false},
      {"same name, unsigned", Row(L"C:\\Vendor\\1.1\\update.exe", L""), false, false},
      {"same name, signer not known", Row(L"C:\\Vendor\\1.1\\update.exe", std::nullopt), false,
       false},
      {"same signer, another name", Row(L"C:\\Vendor\\1.1\\setup.exe", L"Example Vendor"), false,
       false},
      {"Windows' own program again",
       Row(L"C:\\Windows\\System32\\TaskHost.exe", L"Microsoft Windows"), true, true},
      {"an unsigned program seen unsigned", Row(L"C:\\Tools\\2\\tool.exe", L""), false, false},
      {"a name seen with no signer", Row(L"C:\\Other\\2\\later.exe", L"Example Vendor"), false,
       false},
      // rundll32's own file says nothing: the DLL it runs speaks.
      {"rundll32, the DLL's next version",
       Row(rundll, L"Example Vendor", L"C:\\Vendor\\1.1\\hook.dll,Run"), false, true},
      {"rundll32, another DLL of the signer",
       Row(rundll, L"Example Vendor", L"C:\\Vendor\\1.1\\other.dll,Run"), false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsWindowsEntry(c.now), c.windows) << c.what;
    EXPECT_EQ(seen.IsUpdate(c.now), c.update) << c.what;
  }
}

TEST(Signers, TheSignedFileOfRundllIsItsDllAndOtherwiseTheProgram) {
  const std::wstring rundll = L"C:\\Windows\\System32\\rundll32.exe";
  const std::wstring system = IncludeTrailingBackslash(WindowsDirectory()) + L"System32\\";
  struct Case {
    std::wstring file, parameters, signed_file;
  } cases[] = {
      {rundll, L"C:\\Vendor\\hook.dll,Run now", L"C:\\Vendor\\hook.dll"},
      {rundll, L"\"C:\\Program Files\\Vendor\\hook.dll\",Run",
       L"C:\\Program Files\\Vendor\\hook.dll"},
      {rundll, L"C:\\Program Files\\Vendor\\hook.dll,Run", L"C:\\Program Files\\Vendor\\hook.dll"},
      {rundll, L"  shell32.dll,Control_RunDLL", system + L"shell32.dll"},
      {L"C:\\WINDOWS\\SYSTEM32\\RUNDLL32.EXE", L"hook.dll", system + L"hook.dll"},
      {rundll, L"", rundll},
      {L"C:\\Tools\\tool.exe", L"C:\\Vendor\\hook.dll,Run", L"C:\\Tools\\tool.exe"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SignedFile(Row(c.file, std::nullopt, c.parameters)), c.signed_file)
        << ToUtf8(c.parameters);
  }
}

}  // namespace
}  // namespace korvane
