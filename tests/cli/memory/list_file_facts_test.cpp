// korvanec list with each program file's publisher, description and (with
// --verify) signature, on the memory world, where a file's answers are
// arranged.
#include <gtest/gtest.h>

#include "cli/korvanec.h"
#include "platform/memory/arrange.h"

namespace korvane {
namespace {

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(KorvanecListFacts, PublisherAndDescriptionComeLastAndTheSignatureOnlyWithVerify) {
  memory::Reset();
  const std::wstring tool = L"C:\\Tools\\tool.exe";
  memory::PutFile(tool);
  memory::SetVersionInfo(tool, {{L"CompanyName", L"Maker, Inc."}, {L"FileDescription", L"Tool"}},
                         L"English");
  memory::SetSignature(tool, {SignatureState::Verified, L"Maker, Inc."});
  memory::SetString(RootKey::CurrentUser, kRun, L"Tool", tool);
  memory::SetString(RootKey::CurrentUser, kRun, L"Zgone", L"C:\\Gone\\gone.exe");

  const std::string run = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  CommandResult plain = RunKorvanec({L"list", L"--format", L"csv"});
  EXPECT_EQ(plain.exit_code, 0);
  EXPECT_EQ(plain.out,
            "Name,Running,File name,Parameters,Location,Startup,Kind,Service,Publisher,Description,"
            "Needs administrator\r\n"
            "Tool,No,C:\\Tools\\tool.exe,," +
                run +
                ",Enabled,registry,,\"Maker, Inc.\",Tool,No\r\n"
                "Zgone,No,C:\\Gone\\gone.exe,," +
                run + ",Enabled,registry,,,,No\r\n");
  EXPECT_EQ(memory::SignatureChecks(tool), 0);  // not without --verify

  CommandResult verified = RunKorvanec({L"list", L"--verify", L"--format", L"csv"});
  EXPECT_EQ(verified.out,
            "Name,Running,File name,Parameters,Location,Startup,Kind,Service,Publisher,Description,"
            "Signature,Needs administrator\r\n"
            "Tool,No,C:\\Tools\\tool.exe,," +
                run +
                ",Enabled,registry,,\"Maker, Inc.\",Tool,\"Verified: Maker, Inc.\",No\r\n"
                "Zgone,No,C:\\Gone\\gone.exe,," +
                run + ",Enabled,registry,,,,File not found,No\r\n");

  CommandResult json = RunKorvanec({L"list", L"--verify", L"--format", L"json"});
  EXPECT_NE(json.out.find("\"publisher\":\"Maker, Inc.\",\"description\":\"Tool\","
                          "\"signature\":\"Verified: Maker, Inc.\",\"needsAdministrator\":false}"),
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
