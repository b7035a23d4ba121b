#include <gtest/gtest.h>

#include "platform/error.h"
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

}  // namespace
}  // namespace korvane
