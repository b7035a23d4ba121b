// korvanec list with each program file's publisher, description and (with
// --verify) signature, on the memory world, where a file's answers are
// arranged.
#include <gtest/gtest.h>

#include "cli/korvanec.h"
#include "platform/text.h"
#include "platform/memory/arrange.h"

namespace korvane {
namespace {

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(KorvanecListFacts, PublisherDescriptionAndWindowsComeLastAndTheSignatureOnlyWithVerify) {
  memory::Reset();
  const std::wstring tool = L"C:\\Tools\\tool.exe";
  memory::PutFile(tool);
  memory::SetVersionInfo(tool, {{L"CompanyName", L"Maker, Inc."}, {L"FileDescription", L"Tool"}},
                         L"English");
  memory::SetSignature(tool, {SignatureState::Verified, L"Maker, Inc."});
  memory::SetString(RootKey::CurrentUser, kRun, L"Tool", tool);
  memory::SetString(RootKey::CurrentUser, kRun, L"Zgone", L"C:\\Gone\\gone.exe");
  // Windows' own by the DLL that rundll32 runs.
  const std::wstring rundll = L"C:\\Windows\\System32\\rundll32.exe";
  const std::wstring dll = L"C:\\Windows\\System32\\own.dll";
  memory::PutFile(rundll);
  memory::PutFile(dll);
  memory::SetSignature(dll, {SignatureState::Verified, L"Microsoft Windows"});
  memory::SetString(RootKey::CurrentUser, kRun, L"Zown", rundll + L" own.dll,Start");

  const std::string run = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string tool_row =
      "Tool,No,C:\\Tools\\tool.exe,," + run + ",Enabled,registry,,\"Maker, Inc.\",Tool,";
  const std::string gone_row = "Zgone,No,C:\\Gone\\gone.exe,," + run + ",Enabled,registry,,,,";
  const std::string own_row =
      "Zown,No," + ToUtf8(rundll) + ",\"own.dll,Start\"," + run + ",Enabled,registry,,,,";
  CommandResult plain = RunKorvanec({L"list", L"--format", L"csv"});
  EXPECT_EQ(plain.exit_code, 0);
  EXPECT_EQ(plain.out,
            "Name,Running,File name,Parameters,Location,Startup,Kind,Service,Publisher,Description,"
            "Needs administrator,Windows\r\n" +
                tool_row + "No,No\r\n" + gone_row + "No,No\r\n" + own_row + "No,Yes\r\n");
  EXPECT_EQ(memory::SignatureChecks(tool), 1);

  CommandResult verified =
      RunKorvanec({L"list", L"--verify", L"--hide-windows", L"--format", L"csv"});
  EXPECT_EQ(verified.out,
            "Name,Running,File name,Parameters,Location,Startup,Kind,Service,Publisher,Description,"
            "Signature,Needs administrator,Windows\r\n" +
                tool_row + "\"Verified: Maker, Inc.\",No,No\r\n" + gone_row +
                "File not found,No,No\r\n");

  CommandResult json = RunKorvanec({L"list", L"--verify", L"--format", L"json"});
  EXPECT_NE(json.out.find("\"publisher\":\"Maker, Inc.\",\"description\":\"Tool\","
                          "\"signature\":\"Verified: Maker, Inc.\",\"needsAdministrator\":false,"
                          "\"windows\":false}"),
            std::string::npos)
      << json.out;
}

TEST(KorvanecListFacts, AListedButUnreadSchedulerIsExitFourWithEveryOtherRow) {
  memory::Reset();
  memory::SetString(RootKey::CurrentUser, kRun, L"Tool", L"C:\\Tools\\tool.exe");
  memory::FailNext(memory::Fault::Scheduler);
  const CommandResult listed = RunKorvanec({L"list", L"--format", L"csv"});
  EXPECT_EQ(listed.exit_code, 4);
  EXPECT_NE(listed.out.find("\r\nTool,No,C:\\Tools\\tool.exe,"), std::string::npos) << listed.out;
  EXPECT_EQ(listed.err.rfind("korvanec: The Task Scheduler could not be read: ", 0), 0u)
      << listed.err;
  // A snapshot without the tasks would report them removed: export refuses.
  memory::FailNext(memory::Fault::Scheduler);
  EXPECT_EQ(RunKorvanec({L"export", L"C:\\snapshot.json"}).exit_code, 3);
}

}  // namespace
}  // namespace korvane
