// The 32-bit programs' machine keys on 64-bit Windows: listed as locations of
// their own, and every command acting on the view that its row names.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/location.h"
#include "catalogue/moves.h"
#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "monitor/parked.h"
#include "monitor/switching.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

using Names = std::vector<std::wstring>;
using enum RegistryView;

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kPolicyRun =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
const std::wstring kRunText = L"HKEY_LOCAL_MACHINE" + kRun;
const std::wstring kRunTwinText =
    L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kPolicyRunText = L"HKEY_LOCAL_MACHINE" + kPolicyRun;

// A value in one view of a machine key, as a program of that kind writes it.
void WriteIn(RegistryView view, const std::wstring& key, const std::wstring& name,
             const std::wstring& data) {
  TRegistry reg(view);
  reg.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(reg.OpenKey(key, true));
  reg.WriteString(name, data);
}

Names ValuesIn(RegistryView view, const std::wstring& key) {
  TRegistry reg(view);
  reg.SetRootKey(RootKey::LocalMachine);
  return reg.OpenKey(key, false) ? reg.GetValueNames() : Names{};
}

using Rows = std::vector<std::pair<std::wstring, std::wstring>>;  // name, location text

Rows ScanRows() {
  StartupList list;
  ScanStartupList(list);
  Rows rows;
  for (const StartupEntry& e : list) rows.emplace_back(e.name, e.location);
  return rows;
}

// Natively the memory world plays 64-bit Windows (true) and 32-bit Windows;
// under Wine the prefix is what it is.
class Views : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    test::ResetWorld();
#ifndef _WIN32
    memory::SetRegistryViews(GetParam());
    // Shared as Wine and Windows share it; the Run keys are not.
    memory::ShareKey(L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies");
#endif
    for (const wchar_t* name : {L"a.exe", L"b.exe", L"c.exe"}) test::PutFile(File(name));
  }
  void TearDown() override {
    TRegistry reg(Bits64);
    reg.SetRootKey(RootKey::LocalMachine);
    reg.DeleteKey(kPolicyRun);
  }
  static std::wstring File(const wchar_t* name) {
    return test::kRoot + L"\\" + name;
  }
};

TEST_P(Views, TwinsFollowTheirKeyWhereTheSystemKeepsOne) {
  WriteIn(Bits32, kRun, L"x", File(L"a.exe"));
  WriteIn(Bits32, kPolicyRun, L"y", File(L"b.exe"));
  std::vector<StartupLocation> all = StartupLocations();
  Names texts;
  for (const StartupLocation& location : all) texts.push_back(LocationText(location));

  size_t twins = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (!Contains(texts[i], L"\\Wow6432Node\\")) continue;
    ++twins;
    // Right after the 64-bit key it copies, under HKEY_LOCAL_MACHINE\Software.
    ASSERT_GT(i, 0u);
    std::wstring plain = texts[i];
    plain.erase(plain.find(L"\\Wow6432Node"), 12);
    EXPECT_EQ(texts[i - 1], plain);
    EXPECT_TRUE(StartsWith(texts[i], L"HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\"))
        << ToUtf8(texts[i]);
    // The twin names the key that 32-bit programs see at the plain path.
    WriteIn(Bits32, all[i - 1].path, L"probe", File(L"c.exe"));
    TRegistry twin;
    twin.SetRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(twin.OpenKey(all[i].path, false));
    EXPECT_TRUE(twin.ValueExists(L"probe")) << ToUtf8(texts[i]);
    TRegistry key;
    key.SetRootKey(RootKey::LocalMachine);
    if (key.OpenKey(all[i - 1].path, false)) {
      EXPECT_FALSE(key.ValueExists(L"probe"));
    }
    twin.DeleteValue(L"probe");
  }
  EXPECT_EQ(texts.size(), 27 + twins);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), kPolicyRunText), 1);
  auto run = std::find(texts.begin(), texts.end(), kRunText);
  ASSERT_NE(run, texts.end());
  if (RegistryHasViews()) {
    ASSERT_NE(run + 1, texts.end());
    EXPECT_EQ(run[1], kRunTwinText);
  } else {
    EXPECT_EQ(twins, 0u);
  }
}

// As a user without administrator rights, who may read the machine's keys
// but not write them: every entry of theirs is listed; a change to one is
// refused and leaves no trace; the user's own entries change as before.
TEST_P(Views, WithReadRightsOnlyEveryMachineEntryIsListedAndNoneIsChanged) {
  test::SetString(RootKey::CurrentUser, kRun, L"Own", File(L"a.exe"));
  WriteIn(Bits64, kRun, L"Sixty", File(L"a.exe"));
  WriteIn(Bits32, kRun, L"Thirty", File(L"b.exe"));
  WriteIn(Bits64, kPolicyRun, L"Policy", File(L"c.exe"));
  const Rows all = ScanRows();
  ASSERT_EQ(all.size(), 4u);
  {
    test::ReadOnlyMachineKey run(kRun), twin(kRun, Bits32), policy(kPolicyRun),
        approvals(L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved");
    StartupList rows;
    ScanStartupList(rows);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_FALSE(NeedsAdministrator(rows[0]));
    for (size_t i = 1; i < rows.size(); ++i) {
      const std::string name = ToUtf8(rows[i].name);
      EXPECT_TRUE(NeedsAdministrator(rows[i])) << name;
      EXPECT_EQ(DeleteStartupEntry(rows[i], RemovalSource::MainList).reason, kNeedsAdministrator)
          << name;
      const std::vector<SwitchFailure> off = SwitchStartupEntries({rows[i]}, false);
      ASSERT_EQ(off.size(), 1u) << name;
      EXPECT_EQ(off[0].reason, kNeedsAdministrator) << name;
      // Moved neither out nor in: nothing is written at either end.
      const MoveResult out = MoveStartupEntries({rows[i]}, MoveTarget::CurrentUserRun);
      EXPECT_EQ(out[0].outcome, MoveOutcome::NotMoved) << name;
      EXPECT_EQ(out[0].reason, kNeedsAdministrator) << name;
    }
    const MoveResult in = MoveStartupEntries({rows[0]}, MoveTarget::AllUsersRun);
    EXPECT_EQ(in[0].outcome, MoveOutcome::NotMoved);
    EXPECT_EQ(in[0].reason, kNeedsAdministrator);
    EXPECT_TRUE(ReadRemovedEntries().empty());
    EXPECT_TRUE(ReadParkedEntries().empty());
    EXPECT_EQ(ScanRows(), all);
    StartupList again;
    ScanStartupList(again);
    ASSERT_EQ(again.size(), 4u);
    for (const StartupEntry& row : again) EXPECT_TRUE(row.enabled) << ToUtf8(row.name);
    EXPECT_TRUE(DeleteStartupEntry(rows[0], RemovalSource::MainList).done);
  }
  EXPECT_EQ(ReadRemovedEntries().size(), 1u);
  EXPECT_EQ(ScanRows(), Rows(all.begin() + 1, all.end()));
}

TEST_P(Views, EachViewIsListedWithItsOwnLocationText) {
  WriteIn(Bits64, kRun, L"Sixty", File(L"a.exe"));
  WriteIn(Bits32, kRun, L"Thirty", File(L"b.exe"));
  WriteIn(Bits32, kPolicyRun, L"Policy", File(L"c.exe"));
  const std::wstring thirty_text = RegistryHasViews() ? kRunTwinText : kRunText;
  EXPECT_EQ(ScanRows(),
            (Rows{{L"Sixty", kRunText}, {L"Thirty", thirty_text}, {L"Policy", kPolicyRunText}}));
}

TEST_P(Views, RemovalTouchesOnlyTheViewItsRowNames) {
  WriteIn(Bits64, kRun, L"Same", File(L"a.exe"));
  WriteIn(Bits32, kRun, L"Same", File(L"a.exe"));
  if (!RegistryHasViews()) {
    // One key: the second write replaced the first.
    EXPECT_EQ(ScanRows(), (Rows{{L"Same", kRunText}}));
    return;
  }
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].location, kRunTwinText);
  EXPECT_EQ(list[1].file_name, list[0].file_name);

  // The twin of a machine value with the same name: each row removes its own.
  DeleteStartupEntry(list[1], RemovalSource::MainList);
  EXPECT_EQ(ValuesIn(Bits32, kRun), Names{});
  EXPECT_EQ(ValuesIn(Bits64, kRun), Names{L"Same"});

  WriteIn(Bits32, kRun, L"Same", File(L"a.exe"));
  DeleteStartupEntry(list[0], RemovalSource::MainList);
  EXPECT_EQ(ValuesIn(Bits64, kRun), Names{});
  EXPECT_EQ(ValuesIn(Bits32, kRun), Names{L"Same"});
}

TEST_P(Views, PlacementWritesTheSixtyFourBitKey) {
  PlaceRegistryEntry(RootKey::LocalMachine, kRun, L"Placed", File(L"a.exe"), L"");
  EXPECT_EQ(ValuesIn(Bits64, kRun), Names{L"Placed"});
  if (RegistryHasViews()) {
    EXPECT_EQ(ValuesIn(Bits32, kRun), Names{});
  }
  EXPECT_EQ(ScanRows(), (Rows{{L"Placed", kRunText}}));
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(System, Views, testing::Values(true));
#else
INSTANTIATE_TEST_SUITE_P(Memory, Views, testing::Bool());
#endif

}  // namespace
}  // namespace korvane
