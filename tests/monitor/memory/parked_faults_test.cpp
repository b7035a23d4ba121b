// The parking store when the disk or the registry refuse.
#include <gtest/gtest.h>

#include "catalogue/scan.h"
#include "monitor/parked.h"
#include "monitor/switching.h"
#include "platform/memory/arrange.h"
#include "support/world.h"

namespace korvane {
namespace {

class ParkingFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::MakeFolder(LocalAppDataFolder());
    test::PutFile(tool_);
    test::SetString(RootKey::CurrentUser, kRunOnce, L"Once", tool_);
  }
  static StartupEntry Once() {
    StartupList list;
    ScanStartupListWithParked(list);
    EXPECT_EQ(list.size(), 1u);
    return list.empty() ? StartupEntry{} : list[0];
  }
  static bool ValueThere() {
    TRegistry reg;
    return reg.OpenKey(kRunOnce, false) && reg.ValueExists(L"Once");
  }
  inline static const std::wstring kRunOnce =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  const std::wstring tool_ = test::kRoot + L"\\tool.exe";
};

TEST_F(ParkingFaults, NoRecordNoRemovalAndNoRemovalNoRecord) {
  // The record can't be written: the entry stays, and the user hears why.
  memory::FailNext(memory::Fault::FileWrite);
  std::vector<SwitchFailure> failures = SwitchStartupEntries({Once()}, false);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_FALSE(failures[0].reason.empty());
  EXPECT_TRUE(ValueThere());
  EXPECT_TRUE(Once().enabled);
  EXPECT_TRUE(ReadParkedEntries().empty());

  // The value can't be deleted: no record is left behind.
  memory::FailNext(memory::Fault::RegistryWrite);
  EXPECT_FALSE(ParkEntry(Once()).done);
  EXPECT_TRUE(ValueThere());
  EXPECT_TRUE(ReadParkedEntries().empty());

  // Without a local application data folder there is no store.
  memory::SetLocalAppDataFolder(L"");
  EXPECT_FALSE(ParkEntry(Once()).done);
  EXPECT_TRUE(ValueThere());
}

TEST_F(ParkingFaults, OnWindows7EveryEntryIsParked) {
  memory::SetStartupApprovalsHonoured(false);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Run", tool_);
  StartupList list;
  ScanStartupListWithParked(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(SwitchStartupEntries(list, false).empty());
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(test::kRunKey, false));
  EXPECT_FALSE(reg.ValueExists(L"Run"));
  EXPECT_EQ(ReadParkedEntries().size(), 2u);
}

}  // namespace
}  // namespace korvane
