// Windows' own on/off state of startup entries, read and written as Windows
// does, on both platforms.
#include "catalogue/approval.h"

#include <gtest/gtest.h>

#include "catalogue/moves.h"
#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "support/world.h"

#ifndef _WIN32
#include "platform/memory/arrange.h"
#endif

namespace korvane {
namespace {

const std::wstring kApproved =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
const std::wstring kRun32 = L"\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<RegistryValue> Approval(RootKey root, const std::wstring& key,
                                      const std::wstring& name) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(root);
  if (!reg.OpenKey(kApproved + key, false)) return std::nullopt;
  return reg.ReadValue(name);
}

void SetApproval(RootKey root, const std::wstring& key, const std::wstring& name,
                 std::vector<uint8_t> data) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(root);
  ASSERT_TRUE(reg.OpenKey(kApproved + key, true));
  reg.WriteValue(name, {RegistryDataType::Binary, std::move(data)});
}

class Approvals : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(tool_);
    test::MakeFolder(user_);
    test::MakeFolder(common_);
  }
  StartupList Scan() {
    StartupList list;
    ScanStartupList(list);
    return list;
  }
  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring user_ = test::kRoot + L"\\Startup";
  const std::wstring common_ = test::kRoot + L"\\Common Startup";
};

TEST_F(Approvals, EachGovernedEntryHasItsValueAndTheOthersNone) {
  using enum RootKey;
  test::SetString(CurrentUser, test::kRunKey, L"User", tool_);
  test::SetString(LocalMachine, test::kRunKey, L"Machine", tool_);
  test::SetString(CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"Once",
                  tool_);
  CreateStartupShortcut(tool_, user_ + L"\\Tool.lnk", L"", L"");
  CreateStartupShortcut(tool_, common_ + L"\\Common.lnk", L"", L"");
  test::MakeFolder(user_ + L"\\Sub");
  CreateStartupShortcut(tool_, user_ + L"\\Sub\\Deep.lnk", L"", L"");
  test::SetWinIni(L"run", tool_);
  struct Expected {
    std::wstring name;
    std::optional<ApprovalPlace> place;
  } expected[] = {
      {L"User", ApprovalPlace{CurrentUser, kApproved + L"Run", L"User"}},
      {L"Once", std::nullopt},
      {L"Machine", ApprovalPlace{LocalMachine, kApproved + L"Run", L"Machine"}},
      {L"Tool.lnk", ApprovalPlace{CurrentUser, kApproved + L"StartupFolder", L"Tool.lnk"}},
      {L"Deep.lnk", std::nullopt},  // Windows starts nothing from below the folder
      {L"Common.lnk", ApprovalPlace{LocalMachine, kApproved + L"StartupFolder", L"Common.lnk"}},
      {L"tool", std::nullopt},
  };
  const StartupList list = Scan();
  ASSERT_EQ(list.size(), std::size(expected));
  for (size_t i = 0; i < list.size(); ++i) {
    // Folder items come in the platform's order: find each by its name.
    const Expected* e = nullptr;
    for (const Expected& candidate : expected) {
      if (candidate.name == list[i].name) e = &candidate;
    }
    ASSERT_NE(e, nullptr) << ToUtf8(list[i].name);
    EXPECT_EQ(ApprovalPlaceOf(list[i]), e->place) << ToUtf8(e->name);
  }

  // The machine's 32-bit Run key has Run32, in the 64-bit view from either build.
  if (RegistryHasViews()) {
    StartupEntry twin;
    twin.source = RegistrySource{LocalMachine, RegistryView::Bits64, kRun32, L"Twin"};
    const std::optional<ApprovalPlace> place = ApprovalPlaceOf(twin);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->key_path, kApproved + L"Run32");
    WriteApproval(*place, false);
    const std::optional<RegistryValue> written = Approval(LocalMachine, L"Run32", L"Twin");
    ASSERT_TRUE(written);
    EXPECT_EQ(written->data.size(), 12u);
    EXPECT_EQ(written->data[0], 0x03);
  }
}

TEST_F(Approvals, BytesAreWrittenAsWindowsWritesThem) {
  const ApprovalPlace place{RootKey::CurrentUser, kApproved + L"Run", L"Tool"};
  WriteApproval(place, false);
  std::optional<RegistryValue> off = Approval(RootKey::CurrentUser, L"Run", L"Tool");
  ASSERT_TRUE(off);
  EXPECT_EQ(off->type, RegistryDataType::Binary);
  ASSERT_EQ(off->data.size(), 12u);
  EXPECT_EQ(std::vector<uint8_t>(off->data.begin(), off->data.begin() + 4),
            (std::vector<uint8_t>{0x03, 0, 0, 0}));
  uint64_t when = 0;
  for (int i = 0; i < 8; ++i) when |= static_cast<uint64_t>(off->data[4 + i]) << (8 * i);
  EXPECT_NE(when, 0u);
  EXPECT_LE(when, FileTimeNow());

  WriteApproval(place, true);
  std::optional<RegistryValue> on = Approval(RootKey::CurrentUser, L"Run", L"Tool");
  ASSERT_TRUE(on);
  EXPECT_EQ(on->data, (std::vector<uint8_t>{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Approvals, WhatOtherProgramsWroteReadsByTheFirstBit) {
  struct Case {
    std::vector<uint8_t> data;
    bool off;
  } cases[] = {
      {{0x03, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, true},
      {{0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
      {{0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
      {{0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {{0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {{0x03, 0, 0, 0}, true},
      {std::vector<uint8_t>(20, 0x02), false},
      {{}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApprovalSaysOff({RegistryDataType::Binary, c.data}), c.off) << c.data.size();
  }
#ifndef _WIN32
  // The scan shows each state where the system honours it: Windows 8 on.
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Off", tool_);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"On", tool_);
  SetApproval(RootKey::CurrentUser, L"Run", L"OFF", {0x03, 0, 0, 0});
  SetApproval(RootKey::CurrentUser, L"Run", L"On", {0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  StartupList list = Scan();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_FALSE(list[0].enabled);
  EXPECT_TRUE(list[1].enabled);
  memory::SetStartupApprovalsHonoured(false);  // Windows 7 starts both
  list = Scan();
  EXPECT_TRUE(list[0].enabled);
  EXPECT_TRUE(list[1].enabled);
#endif
}

TEST_F(Approvals, DeletePlacementAndMovesKeepApprovalsTidy) {
  using enum RootKey;
  // Delete takes the approval along: a later entry of that name starts on.
  test::SetString(CurrentUser, test::kRunKey, L"Tool", tool_);
  SetApproval(CurrentUser, L"Run", L"Tool", {0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  StartupList list = Scan();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(DeleteStartupEntry(list[0], RemovalSource::MainList));
  EXPECT_FALSE(Approval(CurrentUser, L"Run", L"Tool"));

  // A placed entry starts on, whatever an old approval of its name said.
  SetApproval(CurrentUser, L"Run", L"Tool", {0x03, 0, 0, 0});
  ASSERT_TRUE(PlaceRegistryEntry(CurrentUser, test::kRunKey, L"Tool", tool_, L""));
  EXPECT_FALSE(Approval(CurrentUser, L"Run", L"Tool"));
  SetApproval(CurrentUser, L"StartupFolder", L"Placed.lnk", {0x03, 0, 0, 0});
  PlaceStartupFolderEntry(true, L"Placed", tool_, L"");
  EXPECT_FALSE(Approval(CurrentUser, L"StartupFolder", L"Placed.lnk"));
  ASSERT_TRUE(RemoveFile(user_ + L"\\Placed.lnk"));

  // A move carries the state: off stays off in the target, and the old
  // approval goes with the old entry.
  SetApproval(CurrentUser, L"Run", L"Tool", {0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  list = Scan();
  ASSERT_EQ(list.size(), 1u);
  list[0].enabled = false;  // as the scan shows it where approvals count
  MoveResult moved = MoveStartupEntries(list, MoveTarget::CurrentUserStartup);
  if (!StartupApprovalsHonoured()) {
    // Where Windows keeps no such state, a switched-off entry does not move.
    EXPECT_EQ(moved[0].outcome, MoveOutcome::NotMoved);
    return;
  }
  ASSERT_EQ(moved[0].outcome, MoveOutcome::Moved) << ToUtf8(moved[0].reason);
  EXPECT_FALSE(Approval(CurrentUser, L"Run", L"Tool"));
  std::optional<RegistryValue> target = Approval(CurrentUser, L"StartupFolder", L"Tool.lnk");
  ASSERT_TRUE(target);
  EXPECT_TRUE(ApprovalSaysOff(*target));
  // Nowhere to keep the state: the entry stays where it is.
  list = Scan();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_FALSE(list[0].enabled);
  moved = MoveStartupEntries(list, MoveTarget::CurrentUserRunOnce);
  EXPECT_EQ(moved[0].outcome, MoveOutcome::NotMoved);
  EXPECT_TRUE(FileExists(user_ + L"\\Tool.lnk"));
}

}  // namespace
}  // namespace korvane
