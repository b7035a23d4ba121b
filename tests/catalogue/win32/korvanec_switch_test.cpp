// korvanec disable and enable in the Wine prefix, made to report Windows 10
// (where Windows keeps approvals) for the programs the test starts.
#include <gtest/gtest.h>
#include <windows.h>

#include "catalogue/approval.h"
#include "platform/text.h"
#include "support/programs.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kApproved =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

struct Result {
  DWORD code = 0;
  std::string output;
};

Result Korvanec(const std::wstring& arguments) {
  Result result;
  result.output = testing::RunAndCapture(testing::HelperProgram(L"korvanec.exe"), arguments,
                                         &result.code);
  return result;
}

// The Windows version Wine reports to the programs started meanwhile.
class ReportedVersion {
 public:
  explicit ReportedVersion(const wchar_t* version) {
    TRegistry reg;
    if (reg.OpenKey(L"\\Software\\Wine", true)) reg.WriteString(L"Version", version);
  }
  ~ReportedVersion() {
    TRegistry reg;
    if (reg.OpenKey(L"\\Software\\Wine", false)) reg.DeleteValue(L"Version");
  }
};

std::optional<RegistryValue> Approval(RootKey root, const std::wstring& name) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(root);
  if (!reg.OpenKey(kApproved, false)) return std::nullopt;
  return reg.ReadValue(name);
}

TEST(KorvanecSwitch, OnWindows10TheApprovalIsWrittenAndListed) {
  test::ResetWorld();
  const std::wstring tool = test::kRoot + L"\\Tools\\tool.exe";
  test::PutFile(tool);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Same", tool);
  test::SetString(RootKey::LocalMachine, test::kRunKey, L"Same", tool);
  ReportedVersion windows10(L"win10");

  Result done = Korvanec(L"disable Tool");
  EXPECT_EQ(done.code, 0u) << done.output;
  std::optional<RegistryValue> off = Approval(RootKey::CurrentUser, L"Tool");
  ASSERT_TRUE(off);
  ASSERT_EQ(off->data.size(), 12u);
  EXPECT_EQ(off->data[0], 0x03);
  EXPECT_NE(off->data[11] | off->data[10] | off->data[9], 0);  // a FILETIME of this century
  const std::string json = Korvanec(L"list --format json").output;
  EXPECT_NE(json.find("\"name\":\"Tool\""), std::string::npos);
  EXPECT_NE(json.find("\"enabled\":false"), std::string::npos) << json;

  EXPECT_EQ(Korvanec(L"enable Tool").code, 0u);
  off = Approval(RootKey::CurrentUser, L"Tool");
  ASSERT_TRUE(off);
  EXPECT_EQ(off->data, (std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Korvanec(L"list --format json").output.find("\"enabled\":false"),
            std::string::npos);

  // Exit codes: no such entry, a bad command line, several rows of one name.
  EXPECT_EQ(Korvanec(L"disable Nothing").code, 1u);
  EXPECT_EQ(Korvanec(L"disable").code, 2u);
  Result several = Korvanec(L"disable Same");
  EXPECT_EQ(several.code, 2u);
  EXPECT_NE(several.output.find("HKEY_LOCAL_MACHINE"), std::string::npos) << several.output;
  EXPECT_FALSE(Approval(RootKey::CurrentUser, L"Same"));
  EXPECT_EQ(Korvanec(L"disable Same --location HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows"
                     L"\\CurrentVersion\\Run")
                .code,
            0u);
  EXPECT_FALSE(Approval(RootKey::CurrentUser, L"Same"));
  std::optional<RegistryValue> machine = Approval(RootKey::LocalMachine, L"Same");
  ASSERT_TRUE(machine);
  EXPECT_TRUE(ApprovalSaysOff(*machine));
}

}  // namespace
}  // namespace korvane
