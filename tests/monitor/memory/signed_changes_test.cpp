// What the monitor does with Windows' own entries and with a program's own
// update into a new version folder: recorded, never a dialog; and what is
// still reported.
#include <gtest/gtest.h>

#include "monitor/monitor_world.h"
#include "platform/memory/arrange.h"

namespace korvane::test {
namespace {

class SignedChanges : public MonitorTest {
 protected:
  // A program file under kRoot signed by `signer` (nothing: not signed).
  static std::wstring Program(const std::wstring& file, const std::wstring& signer) {
    const std::wstring path = kRoot + L"\\" + file;
    PutFile(path);
    if (!signer.empty()) memory::SetSignature(path, {SignatureState::Verified, signer});
    return path;
  }
  static void Set(const std::wstring& name, const std::wstring& command) {
    SetString(RootKey::CurrentUser, kRunKey, name, command);
  }
  static std::vector<std::wstring> Reported(const RecordedCycle& recorded) {
    std::vector<std::wstring> out;
    for (const ReportedEntry& entry : recorded.reported.back()) {
      out.push_back(entry.row.name + L": " + ChangeKindText(entry.change));
    }
    return out;
  }
  static std::optional<StartupEntry> InSnapshot(const std::wstring& name) {
    const std::optional<StartupList> rows = ReadEntrySnapshot();
    if (rows) {
      for (const StartupEntry& row : *rows) {
        if (row.name == name) return row;
      }
    }
    return std::nullopt;
  }
};

TEST_F(SignedChanges, WindowsOwnAndUpdatesAreRecordedQuietlyAndOtherChangesReported) {
  Set(L"Own", Program(L"Windows\\own.exe", L"Microsoft Windows"));
  Set(L"Vendor", Program(L"Vendor\\1.0\\vendor.exe", L"Example Vendor"));
  Set(L"Plain", Program(L"plain.exe", L""));
  {
    RecordedCycle recorded;
    recorded.cycle.SetReportChanges(true);
    // The first start's dialog leaves Windows' own out.
    recorded.cycle.Run();
    ASSERT_EQ(recorded.reported.size(), 1u);
    EXPECT_EQ(Reported(recorded), (std::vector<std::wstring>{L"Vendor: New", L"Plain: New"}));
    ASSERT_TRUE(InSnapshot(L"Own"));
    EXPECT_EQ(InSnapshot(L"Own")->signer, L"Microsoft Windows");
    EXPECT_EQ(InSnapshot(L"Plain")->signer, L"");

    // The vendor's next version, and a new entry of Windows' own: recorded,
    // no dialog; the balloon tells of the one update.
    const std::wstring next = Program(L"Vendor\\1.1\\vendor.exe", L"Example Vendor");
    Set(L"Vendor", next + L" /background");
    Set(L"Own task", Program(L"Windows\\task.exe", L"Microsoft Windows Publisher"));
    recorded.cycle.Run();
    EXPECT_EQ(recorded.reported.size(), 1u);
    EXPECT_EQ(recorded.balloons, (std::vector<std::wstring>{std::wstring(kBlacklistBalloonTitle) +
                                                            L"|" + UpdatesBalloonText(1)}));
    EXPECT_EQ(CommandText(*InSnapshot(L"Vendor")), next + L" /background");
    EXPECT_TRUE(InSnapshot(L"Own task"));

    // Another signer, an unsigned program: reported as ever. A second update
    // within the hour is recorded without another balloon.
    Set(L"Vendor", Program(L"Vendor\\1.2\\vendor.exe", L"Example Vendor"));
    Set(L"Plain", Program(L"plain.exe", L"") + L" /x");
    Set(L"Own", Program(L"Windows\\own.exe", L"Microsoft Windows") + L" /y");
    Set(L"Lookalike", Program(L"Other\\vendor.exe", L"Other Vendor"));
    recorded.cycle.Run();
    ASSERT_EQ(recorded.reported.size(), 2u);
    EXPECT_EQ(Reported(recorded),
              (std::vector<std::wstring>{L"Plain: Changed", L"Lookalike: New"}));
    EXPECT_EQ(recorded.balloons.size(), 1u);
  }
  // The signers are kept with the snapshot: after a restart the next
  // version is still an update, and Windows' own are reported when asked.
  ForgetCheckedSignatures();
  RecordedCycle restarted;
  restarted.cycle.SetReportChanges(true);
  restarted.cycle.SetReportWindowsEntries(true);
  Set(L"Vendor", Program(L"Vendor\\2.0\\vendor.exe", L"Example Vendor"));
  Set(L"Own", Program(L"Windows\\own2.exe", L"Microsoft Windows"));
  // With the switch on, a Windows program seen before is no quiet update.
  Set(L"Own again", Program(L"Windows\\own.exe", L"Microsoft Windows"));
  restarted.cycle.Run();
  ASSERT_EQ(restarted.reported.size(), 1u);
  EXPECT_EQ(Reported(restarted), (std::vector<std::wstring>{L"Own: Changed", L"Own again: New"}));
  EXPECT_EQ(restarted.balloons.size(), 1u);
}

TEST_F(SignedChanges, WithOnlyNewFileNamesReportedAnUpdateIsQuietToo) {
  Set(L"Vendor", Program(L"Vendor\\1.0\\vendor.exe", L"Example Vendor"));
  RecordedCycle recorded;
  recorded.cycle.SetReportChanges(false);
  recorded.cycle.Run();
  ASSERT_EQ(recorded.reported.size(), 1u);
  Set(L"Vendor", Program(L"Vendor\\1.1\\vendor.exe", L"Example Vendor"));
  recorded.cycle.Run();
  EXPECT_EQ(recorded.reported.size(), 1u);
  Set(L"Vendor", Program(L"Vendor\\1.2\\vendor.exe", L""));
  recorded.cycle.Run();
  ASSERT_EQ(recorded.reported.size(), 2u);
  EXPECT_EQ(Reported(recorded), (std::vector<std::wstring>{L"Vendor: New"}));
}

}  // namespace
}  // namespace korvane::test
