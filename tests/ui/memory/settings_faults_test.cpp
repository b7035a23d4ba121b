#include <gtest/gtest.h>

#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/arrange.h"
#include "platform/registry.h"
#include "ui/settings.h"

namespace korvane {
namespace {

TEST(SettingsFaults, AKeyThatCannotBeOpenedLeavesEverySwitchOff) {
  memory::Reset();
  memory::DenyKey(RootKey::CurrentUser, kSettingsKey);
  AppSettings settings;
  EXPECT_FALSE(ReadSettings(settings));
  EXPECT_FALSE(settings.min_to_tray || settings.close_to_tray || settings.confirm_exit ||
               settings.single_deletion || settings.multiple_addition);
  EXPECT_EQ(settings.monitoring, 0);
  // Storing must not pretend to have worked.
  EXPECT_THROW(StoreSettings(AppSettings{}), PlatformError);
}

TEST(SettingsFaults, AFailedDefaultWriteIsReportedAndReadsNothing) {
  memory::Reset();
  memory::FailNext(memory::Fault::RegistryWrite);
  AppSettings settings;
  EXPECT_THROW(ReadSettings(settings), PlatformError);
  EXPECT_FALSE(settings.min_to_tray);
  // The next start writes what was missing.
  EXPECT_TRUE(ReadSettings(settings));
  EXPECT_TRUE(settings.min_to_tray);
}

TEST(SettingsFaults, RemovingTheOwnEntrySendsTheProgramNoCloseRequest) {
  memory::Reset();
  const std::wstring own = OwnExecutablePath();
  uint32_t self = memory::StartProcess(own, {{}});
  memory::SetString(RootKey::CurrentUser, kOwnRunKey, kOwnRunValue, own);
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), 1u);
  ASSERT_TRUE(rows[0].running);

  EXPECT_TRUE(SetRunOnStartup(false, rows, own));
  EXPECT_EQ(memory::CloseRequests(self), std::vector<int>{0});
  EXPECT_TRUE(memory::ProcessRunning(self));
  ScanStartupList(rows);
  EXPECT_TRUE(rows.empty());

  // An entry that cannot be removed is reported, not passed over.
  memory::SetString(RootKey::LocalMachine, kOwnRunKey, kOwnRunValue, own);
  memory::DenyKey(RootKey::LocalMachine, kOwnRunKey);
  rows = {{kOwnRunValue, true, own, L"", L"HKEY_LOCAL_MACHINE" + std::wstring(kOwnRunKey)}};
  EXPECT_FALSE(SetRunOnStartup(false, rows, own));
}

}  // namespace
}  // namespace korvane
