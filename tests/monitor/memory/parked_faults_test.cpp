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

TEST_F(ParkingFaults, AnApprovalFlippedOnByAProgramIsFlippedOffAgain) {
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Run", tool_);
  auto run_row = [] {
    StartupList list;
    ScanStartupListWithParked(list);
    for (const StartupEntry& row : list) {
      if (row.name == L"Run") return row;
    }
    return StartupEntry{};
  };
  ASSERT_TRUE(SwitchStartupEntries({run_row()}, false).empty());
  EXPECT_FALSE(run_row().enabled);
  const std::wstring approved =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
  memory::SetValue(RootKey::CurrentUser, approved, L"Run", RegistryDataType::Binary,
                   std::vector<uint8_t>(12, 0));
  StartupList list;
  ScanStartupListWithParked(list);
  EXPECT_EQ(KeepSwitchedOff(list), (std::vector<std::wstring>{L"Run"}));
  EXPECT_FALSE(run_row().enabled);
  // A failed write is tried again at the next refresh.
  memory::SetValue(RootKey::CurrentUser, approved, L"Run", RegistryDataType::Binary,
                   std::vector<uint8_t>(12, 0));
  memory::FailNext(memory::Fault::RegistryWrite);
  list.clear();
  ScanStartupListWithParked(list);
  EXPECT_TRUE(KeepSwitchedOff(list).empty());
  EXPECT_EQ(KeepSwitchedOff(list), (std::vector<std::wstring>{L"Run"}));
}

}  // namespace
}  // namespace korvane
