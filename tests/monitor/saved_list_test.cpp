#include "monitor/saved_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/monitor_world.h"

namespace korvane::test {
namespace {

const std::wstring kMachineRunKey = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

using SavedList = MonitorTest;

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

StartupEntry Row(const std::wstring& name, const std::wstring& file_name) {
  return {name, false, file_name, L"", L"HKEY_CURRENT_USER" + kRunKey};
}

TEST_F(SavedList, TheFirstRunReportsEveryEntryAndCloseRecordsThem) {
  const std::wstring a = AddRun(L"A", L"a.exe");
  const std::wstring b = AddRun(L"B", L"b.exe");
  const std::wstring c = AddRun(L"C", L"c.exe");
  RecordedCycle recorded;
  // The dialog's "Close" saves the list before the cycle goes on.
  recorded.while_shown = [&recorded](const StartupList&) { SaveStartupList(recorded.rows); };
  recorded.cycle.Run();

  ASSERT_EQ(recorded.shown.size(), 1u);
  const StartupList& shown = recorded.shown[0];
  EXPECT_EQ(FileNames(shown), (std::vector<std::wstring>{a, b, c}));
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(shown[i].name, std::wstring(1, L"ABC"[i]));
    EXPECT_EQ(shown[i].location, L"HKEY_CURRENT_USER" + kRunKey);
  }
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 1u);
}

TEST_F(SavedList, OnlyAFileNameNotSavedInAnyLetterCaseIsNew) {
  const std::wstring a = AddRun(L"A", L"a.exe");
  const std::wstring b = AddRun(L"B", L"b.exe");
  RecordedCycle recorded;
  recorded.cycle.Run();
  ASSERT_EQ(recorded.shown.size(), 1u);

  // Moved to the machine's Run key: not new.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRunKey, false));
  reg.DeleteValue(L"A");
  SetString(RootKey::LocalMachine, kMachineRunKey, L"A", a);
  // The same program spelt in capitals, and a second entry for it: not new.
  SetString(RootKey::CurrentUser, kRunKey, L"B", AsciiUpper(b));
  SetString(RootKey::CurrentUser, kRunKey, L"B twice", b);
  // A program that vanished between two cycles is simply forgotten.
  const std::wstring c = AddRun(L"C", L"c.exe");
  recorded.cycle.Run();
  ASSERT_EQ(recorded.shown.size(), 2u);
  EXPECT_EQ(FileNames(recorded.shown[1]), std::vector<std::wstring>{c});

  reg.DeleteValue(L"C");
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 2u);
  // Deleted, saved without it, then written back by its program: new again.
  AddRun(L"C", L"c.exe");
  recorded.cycle.Run();
  ASSERT_EQ(recorded.shown.size(), 3u);
  EXPECT_EQ(FileNames(recorded.shown[2]), std::vector<std::wstring>{c});

  TRegistry machine;
  machine.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(machine.OpenKey(kMachineRunKey, false));
  machine.DeleteValue(L"A");
}

TEST_F(SavedList, ASaveLeavesOneValuePerFileNameAsTheListSpellsItFirst) {
  SetString(RootKey::CurrentUser, kSavedListKey, L"C:\\gone.exe", L"");
  SetString(RootKey::CurrentUser, kSavedListKey, L"C:\\KVTEST\\A.EXE", L"");
  SetString(RootKey::CurrentUser, std::wstring(kSavedListKey) + L"\\stray", L"x", L"");
  SaveStartupList({Row(L"A", L"C:\\kvtest\\a.exe"), Row(L"B", L"C:\\kvtest\\b.exe"),
                   Row(L"A again", L"C:\\KVTest\\A.exe"), Row(L"B again", L"C:\\kvtest\\b.exe")});

  EXPECT_EQ(Sorted(ValueNames(kSavedListKey)),
            (std::vector<std::wstring>{L"C:\\kvtest\\a.exe", L"C:\\kvtest\\b.exe"}));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kSavedListKey, false));
  EXPECT_EQ(reg.GetDataType(L"C:\\kvtest\\a.exe"), RegistryDataType::String);
  EXPECT_EQ(reg.ReadString(L"C:\\kvtest\\a.exe"), L"");
  EXPECT_TRUE(reg.GetKeyNames().empty());

  SaveStartupList({});
  EXPECT_TRUE(ValueNames(kSavedListKey).empty());
}

}  // namespace
}  // namespace korvane::test
