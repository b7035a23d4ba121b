#include <gtest/gtest.h>

#include "catalogue/moves.h"
#include "catalogue/scan.h"
#include "platform/memory/arrange.h"
#include "platform/processes.h"
#include "ui/list_rules.h"

namespace korvane {
namespace {

StartupEntry Row(const std::wstring& file) {
  StartupEntry row;
  row.name = L"entry";
  row.file_name = file;
  return row;
}

class ListRules : public ::testing::Test {
 protected:
  void SetUp() override {
    memory::Reset();
    TWindowsAPI::Instance().InvalidateProcessList();
    memory::StartProcess(running_);
  }
  const std::wstring running_ = L"C:\\Tools\\busy.exe";
  const std::wstring idle_ = L"C:\\Tools\\idle.exe";
};

TEST_F(ListRules, TheSelectionCountsItsRowsAndSeesARunningOne) {
  struct Case {
    StartupList selected;
    bool running;
  } cases[] = {
      {{}, false},
      {{Row(idle_)}, false},
      {{Row(idle_), Row(idle_), Row(idle_)}, false},
      {{Row(idle_), Row(L"c:\\tools\\BUSY.EXE"), Row(idle_)}, true},
  };
  for (const Case& c : cases) {
    for (const SelectionState& s : {SelectionOf(c.selected), FreshSelectionOf(c.selected)}) {
      EXPECT_EQ(s.rows, c.selected.size());
      EXPECT_EQ(s.any_running, c.running) << c.selected.size();
    }
  }
}

TEST_F(ListRules, OnlyTheContextMenuLooksAtTheProcessesAfresh) {
  const StartupList selected = {Row(idle_)};
  EXPECT_FALSE(SelectionOf(selected).any_running);  // builds the process list
  memory::StartProcess(idle_);
  // The list and the File menu keep the process list as it was built.
  EXPECT_FALSE(SelectionOf(selected).any_running);
  EXPECT_TRUE(FreshSelectionOf(selected).any_running);
  EXPECT_TRUE(SelectionOf(selected).any_running);
}

TEST_F(ListRules, TheSelectionKnowsWhichChangesNeedAdministratorRights) {
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  memory::SetString(RootKey::CurrentUser, run, L"Mine", idle_);
  memory::SetString(RootKey::LocalMachine, run, L"Machine's", idle_);
  memory::MakeKeyReadOnly(RootKey::LocalMachine, run);
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), 2u);
  const SelectionState mine = SelectionOf({rows[0]}), both = SelectionOf(rows);
  EXPECT_FALSE(mine.any_needs_administrator);
  EXPECT_TRUE(both.any_needs_administrator);
  // Only the all-users Run key is a target this user may not write.
  std::vector<bool> targets(std::size(kMoveTargets), false);
  targets[2] = true;
  EXPECT_EQ(mine.target_needs_administrator, targets);
  EXPECT_TRUE(SelectionOf({}).target_needs_administrator.empty());
}

}  // namespace
}  // namespace korvane
