#include <gtest/gtest.h>

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

TEST_F(ListRules, ButtonsAndFileMenuFollowTheSelection) {
  struct Case {
    StartupList selected;
    bool any, stop;
  } cases[] = {
      {{}, false, false},
      {{Row(idle_)}, true, false},
      {{Row(idle_), Row(idle_), Row(idle_)}, true, false},
      {{Row(idle_), Row(L"c:\\tools\\BUSY.EXE"), Row(idle_)}, true, true},
  };
  for (const Case& c : cases) {
    for (const EntryCommandsEnabled& e :
         {EnabledAfterListClick(c.selected), EnabledInFileMenu(c.selected)}) {
      EXPECT_EQ(e.run, c.any);
      EXPECT_EQ(e.open_folder, c.any);
      EXPECT_EQ(e.properties, c.any);
      EXPECT_EQ(e.move, c.any);
      EXPECT_EQ(e.remove, c.any);
      EXPECT_EQ(e.blacklist, c.any);
      EXPECT_EQ(e.stop, c.stop) << c.selected.size();
    }
  }
}

TEST_F(ListRules, ContextMenuIsAnEntryMenuOrAViewMenu) {
  using enum PopupItem;
  const PopupLayout view = ListPopupLayout({});
  EXPECT_EQ(view.shown, (std::vector<PopupItem>{Refreshlist2, N25, Showgridlines2, Rowselection2,
                                                N26, Font2, Backgroundcolor2}));
  EXPECT_FALSE(view.stop_enabled);

  const PopupLayout entries = ListPopupLayout({Row(idle_), Row(idle_), Row(idle_)});
  EXPECT_EQ(entries.shown, (std::vector<PopupItem>{Runstartupentry1, Stopstartupentry1, N17,
                                                   Openfolder2, Fileproperties2, N18, Moveto2, N23,
                                                   Deletestartupentry2, N20, Addtoblacklist2}));
  EXPECT_FALSE(entries.stop_enabled);
  EXPECT_TRUE(ListPopupLayout({Row(idle_), Row(running_)}).stop_enabled);
}

TEST_F(ListRules, OnlyTheContextMenuLooksAtTheProcessesAfresh) {
  const StartupList selected = {Row(idle_)};
  EXPECT_FALSE(EnabledAfterListClick(selected).stop);  // builds the process list
  memory::StartProcess(idle_);
  // The list and the File menu keep the process list as it was built.
  EXPECT_FALSE(EnabledAfterListClick(selected).stop);
  EXPECT_FALSE(EnabledInFileMenu(selected).stop);
  EXPECT_TRUE(ListPopupLayout(selected).stop_enabled);
  EXPECT_TRUE(EnabledInFileMenu(selected).stop);
}

}  // namespace
}  // namespace korvane
