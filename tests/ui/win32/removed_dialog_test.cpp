#include "ui/win32/removed_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "monitor/blacklist.h"
#include "platform/text.h"
#include "support/dialog_driver.h"
#include "support/world.h"

namespace korvane {
namespace {

using namespace removed_form;
using testing::Click;
using testing::DialogDriver;
using testing::Enabled;

// Each row's Name and How.
std::vector<std::wstring> Rows(HWND dialog) {
  HWND list = GetDlgItem(dialog, ListView1);
  std::vector<std::wstring> rows;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    wchar_t name[256] = {}, how[256] = {};
    ListView_GetItemText(list, i, 1, name, 256);
    ListView_GetItemText(list, i, 4, how, 256);
    rows.push_back(std::wstring(name) + L"|" + how);
  }
  return rows;
}

void Select(HWND dialog, std::initializer_list<int> items) {
  HWND list = GetDlgItem(dialog, ListView1);
  for (int item : items) ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
}

std::optional<std::wstring> RunValue(const std::wstring& name) {
  TRegistry reg;
  if (!reg.OpenKey(test::kRunKey, false) || !reg.ValueExists(name)) return std::nullopt;
  return reg.ReadString(name);
}

void Delete(const std::wstring& name, RemovalSource source) {
  StartupList list;
  ScanStartupList(list);
  for (const StartupEntry& row : list) {
    if (row.name == name) {
      ASSERT_TRUE(DeleteStartupEntry(row, source)) << ToUtf8(name);
    }
  }
}

TEST(RemovedEntriesDialog, RestoresBesideATakenNameOffersTheBlacklistAndForgets) {
  test::ResetWorld();
  TRegistry().DeleteKey(kBlacklistKey);
  const std::wstring tool = test::kRoot + L"\\tool.exe";
  test::PutFile(tool);
  for (const wchar_t* name : {L"Tool", L"Other", L"Third"}) {
    test::SetString(RootKey::CurrentUser, test::kRunKey, name, tool + L" " + name);
  }
  ASSERT_TRUE(AddToBlacklist({tool}));
  Delete(L"Tool", RemovalSource::Blacklist);
  Delete(L"Third", RemovalSource::MainList);
  Delete(L"Other", RemovalSource::MainList);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Other", L"C:\\new.exe");

  bool restored = false;
  DialogDriver driver(L"TRemovedEntriesForm",
                      {[&](HWND d) {
                         EXPECT_EQ(Rows(d),
                                   (std::vector<std::wstring>{L"Other|Deleted", L"Third|Deleted",
                                                              L"Tool|Blacklisted"}));
                         EXPECT_FALSE(Enabled(d, Button1));
                         EXPECT_FALSE(Enabled(d, Button2));
                         Select(d, {0, 2});
                         EXPECT_TRUE(Enabled(d, Button1));
                         Click(d, Button1);
                       },
                       [&](HWND d) {
                         EXPECT_EQ(Rows(d), std::vector<std::wstring>{L"Third|Deleted"});
                         Select(d, {0});
                         Click(d, Button2);
                       },
                       [&](HWND d) {
                         EXPECT_TRUE(Rows(d).empty());
                         Click(d, Button3);
                       }});
  // "No": beside the new one; "Yes": off the blacklist; "Yes": forget.
  driver.AnswerBoxes({IDNO, IDYES, IDYES});
  restored = ShowRemovedEntriesDialog(nullptr);
  EXPECT_FALSE(driver.LeftOpen());
  EXPECT_TRUE(restored);
  ASSERT_EQ(driver.Boxes().size(), 3u);
  EXPECT_NE(driver.Boxes()[0].text.find(L"\"Other\""), std::wstring::npos);
  EXPECT_NE(driver.Boxes()[1].text.find(tool), std::wstring::npos);
  EXPECT_EQ(RunValue(L"Other"), L"C:\\new.exe");
  EXPECT_EQ(RunValue(L"Other (2)"), tool + L" Other");
  EXPECT_EQ(RunValue(L"Tool"), tool + L" Tool");
  EXPECT_FALSE(RunValue(L"Third"));
  EXPECT_TRUE(ReadBlacklist()->empty());
  EXPECT_TRUE(ReadRemovedEntries().empty());
}

}  // namespace
}  // namespace korvane
