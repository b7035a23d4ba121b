#include <gtest/gtest.h>

#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "support/world.h"
#include "ui/settings.h"

namespace korvane {
namespace {

const wchar_t* const kSwitchNames[] = {
    L"min_to_tray",       L"close_to_tray",    L"confirm_exit",       L"single_deletion",
    L"multiple_deletion", L"single_launching", L"multiple_launching", L"single_movement",
    L"multiple_movement", L"single_stopping",  L"multiple_stopping",  L"single_addition",
    L"multiple_addition", L"report_changes"};

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    TRegistry registry;
    registry.DeleteKey(kSettingsKey);
  }
  // The windows of other tests read the key when they are made.
  void TearDown() override { SetUp(); }
  static TRegistry& Key() {
    static TRegistry registry;
    registry.OpenKey(kSettingsKey, true);
    return registry;
  }
  static void Put(const wchar_t* name, int32_t value) { Key().WriteInteger(name, value); }
  static int32_t Stored(const wchar_t* name) { return Key().ReadInteger(name); }
};

TEST_F(Settings, FirstRunWritesEverySwitchOnAndOneMinute) {
  AppSettings settings;
  ASSERT_TRUE(ReadSettings(settings));
  for (const wchar_t* name : kSwitchNames) {
    EXPECT_EQ(Key().GetDataType(name), RegistryDataType::DWord) << name;
    EXPECT_EQ(Stored(name), 1) << name;
  }
  EXPECT_EQ(Stored(L"monitoring"), 1);
  // Windows' own entries are not reported unless asked for.
  EXPECT_EQ(Key().GetDataType(L"report_windows"), RegistryDataType::DWord);
  EXPECT_EQ(Stored(L"report_windows"), 0);
  EXPECT_FALSE(settings.report_windows);
  EXPECT_TRUE(settings.min_to_tray && settings.close_to_tray && settings.confirm_exit);
  EXPECT_TRUE(settings.single_deletion && settings.multiple_addition);
  EXPECT_TRUE(settings.report_changes);
  EXPECT_EQ(settings.monitoring, 1);
}

TEST_F(Settings, StoredValuesAreKeptExceptAnIntervalBelowOne) {
  struct Case {
    int32_t monitoring;
    int32_t read_as;
    int32_t stored_after;
  } cases[] = {{0, 1, 1}, {-7, 1, 1}, {1, 1, 1}, {120, 120, 120}, {45, 45, 45}};
  for (const Case& c : cases) {
    SetUp();
    Put(L"monitoring", c.monitoring);
    Put(L"confirm_exit", 5);
    Put(L"close_to_tray", 0);
    AppSettings settings;
    ASSERT_TRUE(ReadSettings(settings));
    EXPECT_EQ(settings.monitoring, c.read_as) << c.monitoring;
    EXPECT_EQ(Stored(L"monitoring"), c.stored_after) << c.monitoring;
    EXPECT_TRUE(settings.confirm_exit);
    EXPECT_EQ(Stored(L"confirm_exit"), 5);
    EXPECT_FALSE(settings.close_to_tray);
    EXPECT_EQ(Stored(L"close_to_tray"), 0);
  }
  EXPECT_EQ(ShownMonitoring(120), 60);
  EXPECT_EQ(ShownMonitoring(-3), 1);
  EXPECT_EQ(ShownMonitoring(30), 30);
}

TEST_F(Settings, AValueOfAnotherTypeStopsTheReadingThere) {
  // confirm_exit comes after min_to_tray, close_to_tray and monitoring.
  Key().WriteString(L"confirm_exit", L"1");
  AppSettings settings;
  EXPECT_THROW(ReadSettings(settings), PlatformError);
  EXPECT_TRUE(settings.min_to_tray);
  EXPECT_TRUE(settings.close_to_tray);
  EXPECT_EQ(settings.monitoring, 1);
  EXPECT_FALSE(settings.confirm_exit);
  EXPECT_FALSE(settings.single_deletion);
  EXPECT_EQ(Key().GetDataType(L"confirm_exit"), RegistryDataType::String);

  // The default pass reads the interval, so nothing at all is read.
  SetUp();
  Key().WriteString(L"monitoring", L"5");
  AppSettings none;
  EXPECT_THROW(ReadSettings(none), PlatformError);
  EXPECT_FALSE(none.min_to_tray);
  EXPECT_EQ(none.monitoring, 0);
}

TEST_F(Settings, StoringWritesZeroOrOneAndTheInterval) {
  AppSettings settings;
  settings.close_to_tray = true;
  settings.multiple_addition = true;
  settings.monitoring = 15;
  StoreSettings(settings);
  EXPECT_EQ(Stored(L"min_to_tray"), 0);
  EXPECT_EQ(Stored(L"close_to_tray"), 1);
  EXPECT_EQ(Stored(L"multiple_addition"), 1);
  EXPECT_EQ(Stored(L"single_addition"), 0);
  EXPECT_EQ(Stored(L"report_changes"), 0);  // switched off by the user: the file names alone
  EXPECT_EQ(Stored(L"monitoring"), 15);
  AppSettings back;
  ASSERT_TRUE(ReadSettings(back));
  EXPECT_FALSE(back.min_to_tray);
  EXPECT_TRUE(back.close_to_tray);
  EXPECT_EQ(back.monitoring, 15);
}

TEST_F(Settings, RunOnStartupAddsAndRemovesTheProgramsOwnEntry) {
  test::ResetWorld();
  const std::wstring own = OwnExecutablePath();
  StartupList rows;
  ScanStartupList(rows);
  EXPECT_FALSE(ListHoldsProgram(rows, own));

  SetRunOnStartup(true, rows, own);
  ScanStartupList(rows);
  ASSERT_TRUE(ListHoldsProgram(rows, own));
  const StartupEntry* added = nullptr;
  for (const StartupEntry& row : rows) {
    if (row.file_name == own) added = &row;
  }
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->name, L"Korvane");
  EXPECT_EQ(added->location, std::wstring(L"HKEY_CURRENT_USER") + kOwnRunKey);

  // A second entry of the program elsewhere goes too; other entries stay.
  const std::wstring other = test::kRoot + L"\\other.exe";
  test::PutFile(other);
  test::SetString(RootKey::CurrentUser, kOwnRunKey, L"Other", other);
  test::SetString(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                  L"Again", own);
  ScanStartupList(rows);
  EXPECT_TRUE(SetRunOnStartup(false, rows, own));
  ScanStartupList(rows);
  EXPECT_FALSE(ListHoldsProgram(rows, own));
  EXPECT_EQ(rows.size(), 1u);
}

TEST(RunOnStartup, TheOwnPathMatchesOnlyWithTheSameCase) {
  StartupList rows(1);
  rows[0].file_name = L"C:\\Tools\\korvane.exe";
  EXPECT_TRUE(ListHoldsProgram(rows, L"C:\\Tools\\korvane.exe"));
  EXPECT_FALSE(ListHoldsProgram(rows, L"C:\\TOOLS\\korvane.exe"));
  EXPECT_FALSE(ListHoldsProgram({}, L"C:\\Tools\\korvane.exe"));
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(TypedInterval, IsTakenAsASpinControlTakesIt) {
  EXPECT_EQ(TypedMonitoring(L"75", 5), 60);
  EXPECT_EQ(TypedMonitoring(L"99", 5), 60);
  EXPECT_EQ(TypedMonitoring(L"123456789012", 5), 60);
  EXPECT_EQ(TypedMonitoring(L"0", 5), 1);
  EXPECT_EQ(TypedMonitoring(L"-3", 5), 1);
  EXPECT_EQ(TypedMonitoring(L" 30 ", 5), 30);
  EXPECT_EQ(TypedMonitoring(L"", 5), 5);
  EXPECT_EQ(TypedMonitoring(L"ten", 5), 5);
}

}  // namespace
}  // namespace korvane
