// Faults that the real platform cannot be made to produce on demand.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/arrange.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {
namespace {

using memory::Fault;

class Faults : public testing::Test {
 protected:
  void SetUp() override {
    memory::Reset();
    memory::SetString(RootKey::CurrentUser, L"Software\\Test", L"Value", L"data");
    memory::PutFile(L"C:\\dir\\file.txt", "x");
  }

  // The text of the error `act` throws, or a failure when it throws none.
  template <typename Act>
  static std::wstring ErrorOf(Act act) {
    try {
      act();
    } catch (const PlatformError& e) {
      return e.Text();
    }
    ADD_FAILURE() << "no error";
    return {};
  }
};

TEST_F(Faults, RegistryFaultsHitTheNextOperationOnly) {
  TRegistry reg;
  memory::FailNext(Fault::RegistryOpen);
  EXPECT_FALSE(reg.OpenKey(L"\\Software\\Test", false));
  ASSERT_TRUE(reg.OpenKey(L"\\Software\\Test", false));

  memory::FailNext(Fault::RegistryRead);
  EXPECT_TRUE(Contains(ErrorOf([&] { reg.ReadString(L"Value"); }), L"Value"));
  EXPECT_EQ(reg.ReadString(L"Value"), L"data");

  memory::FailNext(Fault::RegistryWrite);
  EXPECT_TRUE(Contains(ErrorOf([&] { reg.WriteString(L"Other", L"x"); }), L"Other"));
  EXPECT_FALSE(reg.ValueExists(L"Other"));
  memory::FailNext(Fault::RegistryWrite);
  EXPECT_FALSE(reg.DeleteValue(L"Value"));
  EXPECT_EQ(reg.ReadString(L"Value"), L"data");
  EXPECT_TRUE(reg.DeleteValue(L"Value"));
}

TEST_F(Faults, ADeniedKeyDoesNotOpenButExists) {
  memory::DenyKey(RootKey::LocalMachine, L"Software\\Locked");
  TRegistry reg;
  reg.SetRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg.OpenKey(L"\\Software\\Locked", false));
  EXPECT_FALSE(reg.OpenKey(L"\\Software\\Locked", true));
  EXPECT_FALSE(reg.OpenKey(L"\\Software\\Locked\\New", true));
  EXPECT_TRUE(reg.KeyExists(L"\\Software\\Locked"));
  EXPECT_FALSE(reg.DeleteKey(L"\\Software\\Locked"));
}

TEST_F(Faults, AKeyDeletedWhileOpenFailsWritesAndReadsEmpty) {
  TRegistry open;
  ASSERT_TRUE(open.OpenKey(L"\\Software\\Test", false));
  TRegistry other;
  ASSERT_TRUE(other.DeleteKey(L"\\Software\\Test"));
  EXPECT_EQ(open.ReadString(L"Value"), L"");
  EXPECT_THROW(open.WriteString(L"Value", L"x"), PlatformError);
  EXPECT_FALSE(other.KeyExists(L"\\Software\\Test"));
}

TEST_F(Faults, AFailedProfileWriteNamesTheFileAndChangesNothing) {
  TIniFile ini(L"C:\\dir\\test.ini");
  ini.WriteString(L"Windows", L"run", L"a.exe");
  memory::FailNext(Fault::ProfileWrite);
  EXPECT_TRUE(Contains(ErrorOf([&] { ini.WriteString(L"Windows", L"run", L"b.exe"); }),
                       L"C:\\dir\\test.ini"));
  EXPECT_EQ(ini.ReadString(L"Windows", L"run", L""), L"a.exe");
}

TEST_F(Faults, AProcessListThatCannotBeReadIsAnErrorUntilItCanBe) {
  memory::StartProcess(L"C:\\app.exe");
  TWindowsAPI& api = TWindowsAPI::Instance();
  memory::FailNext(Fault::ProcessList);
  EXPECT_THROW(api.GetProcessFileNames(), PlatformError);
  EXPECT_EQ(api.FindProcessFile(L"C:\\app.exe"), 0);
}

TEST_F(Faults, AShellObjectThatCannotBeCreatedIsAnError) {
  memory::FailNext(Fault::ShellLink);
  EXPECT_THROW(TLMDShellLink(), PlatformError);
  memory::FailNext(Fault::ShellLink);
  EXPECT_THROW(CreateStartupShortcut(L"C:\\a.exe", L"C:\\dir\\a.lnk", L"", L""), PlatformError);
  EXPECT_FALSE(FileExists(L"C:\\dir\\a.lnk"));
  TLMDShellLink works;
  EXPECT_FALSE(works.LoadShellLink(L"C:\\dir\\a.lnk"));
}

TEST_F(Faults, AFailedDeleteKeepsTheFile) {
  memory::FailNext(Fault::FileDelete);
  EXPECT_FALSE(RemoveFile(L"C:\\dir\\file.txt"));
  EXPECT_TRUE(FileExists(L"C:\\dir\\file.txt"));
  EXPECT_TRUE(RemoveFile(L"C:\\dir\\file.txt"));
}

}  // namespace
}  // namespace korvane
