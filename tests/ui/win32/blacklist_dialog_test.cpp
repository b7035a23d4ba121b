#include "ui/win32/blacklist_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "monitor/blacklist.h"
#include "platform/text.h"
#include "support/dialog_driver.h"
#include "support/world.h"

namespace korvane {
namespace {

std::vector<std::wstring> Blacklisted() {
  return ReadBlacklist().value_or(std::vector<std::wstring>{});
}

using namespace blacklist_form;
using testing::Click;
using testing::DialogDriver;
using testing::Enabled;

std::vector<std::wstring> Rows(HWND dialog) {
  HWND list = GetDlgItem(dialog, ListView1);
  std::vector<std::wstring> rows;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    wchar_t text[1024] = {};
    ListView_GetItemText(list, i, 0, text, 1024);
    rows.push_back(text);
  }
  return rows;
}

void Select(HWND dialog, std::initializer_list<int> items) {
  HWND list = GetDlgItem(dialog, ListView1);
  for (int item : items) ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
}

class BlacklistDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    TRegistry().DeleteKey(kBlacklistKey);
  }
  void TearDown() override { TRegistry().DeleteKey(kBlacklistKey); }
  void Show(DialogDriver& driver) {
    ShowBlacklistDialog(nullptr);
    EXPECT_FALSE(driver.LeftOpen());
  }
  // Files in one folder, named so that Wine's sorted listing keeps their order.
  std::vector<std::wstring> MakeFiles(const std::wstring& folder, int count,
                                      const std::wstring& stem = L"program") {
    std::vector<std::wstring> files;
    for (int i = 0; i < count; ++i) {
      wchar_t number[8];
      swprintf(number, 8, L"%03d", i);
      files.push_back(folder + L"\\" + stem + number + L".exe");
      test::PutFile(files.back());
    }
    return files;
  }
  // The chooser's name box: each name quoted, as the chooser writes a choice.
  static std::wstring Quoted(const std::vector<std::wstring>& files) {
    std::wstring text;
    for (const std::wstring& file : files) text += L"\"" + ExtractFileName(file) + L"\" ";
    return text;
  }
};

TEST_F(BlacklistDialog, AddsAChoiceOfThreeOnceEachAndDeletesTwo) {
  const std::wstring folder = test::kRoot + L"\\Blacklisted";
  const std::vector<std::wstring> files = MakeFiles(folder, 3);
  std::wstring upper = files[1];
  for (wchar_t& c : upper) c = towupper(c);
  DialogDriver driver(L"TBlacklistForm", {[&](HWND d) {
                                            EXPECT_TRUE(Rows(d).empty());
                                            EXPECT_TRUE(Enabled(d, Button1));
                                            for (UINT id : {Button2, Button4, Button5})
                                              EXPECT_FALSE(Enabled(d, id));
                                            Click(d, Button1);
                                          },
                                          [&](HWND d) {
                                            EXPECT_EQ(Rows(d), files);
                                            Click(d, Button1);  // the middle one again, in capitals
                                          },
                                          [&](HWND d) {
                                            EXPECT_EQ(Rows(d), files);
                                            Click(d, Button1);  // cancelled
                                          },
                                          [&](HWND d) {
                                            EXPECT_EQ(Rows(d), files);
                                            Select(d, {0, 2});
                                            EXPECT_TRUE(Enabled(d, Button2));
                                            Click(d, Button2);
                                          },
                                          [&](HWND d) {
                                            EXPECT_EQ(Rows(d), std::vector<std::wstring>{files[1]});
                                            EXPECT_FALSE(Enabled(d, Button2));
                                            Click(d, Button3);
                                          }});
  driver.AnswerChooser({folder, Quoted(files)});
  driver.AnswerChooser({upper});
  driver.AnswerChooser({});
  Show(driver);
  EXPECT_EQ(driver.ChoosersShown(), 3);
  ASSERT_EQ(Blacklisted().size(), 1u);
  EXPECT_TRUE(SameText(Blacklisted()[0], files[1]));
}

TEST_F(BlacklistDialog, AChoiceOfManyLongNamesIsTakenWhole) {
  const std::wstring folder = test::kRoot + L"\\Ünïcode ✓ folder";
  const std::vector<std::wstring> files =
      MakeFiles(folder, 80, L"a program with a rather long name that goes on and on ");
  ASSERT_GT(Quoted(files).size(), 4096u);
  DialogDriver driver(L"TBlacklistForm", {[&](HWND d) { Click(d, Button1); },
                                          [&](HWND d) {
                                            EXPECT_EQ(Rows(d), files);
                                            PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
                                          }});
  driver.AnswerChooser({folder, Quoted(files)});
  Show(driver);
  EXPECT_EQ(Blacklisted(), files);
}

TEST_F(BlacklistDialog, ANameWithoutItsFileIsShownAndCanBeDeleted) {
  const std::vector<std::wstring> files = MakeFiles(test::kRoot, 1);
  const std::wstring gone = test::kRoot + L"\\program999.exe";
  AddToBlacklist({files[0], gone});
  DialogDriver driver(
      L"TBlacklistForm",
      {[&](HWND d) {
         EXPECT_EQ(Rows(d), (std::vector<std::wstring>{files[0], gone + L" (file not found)"}));
         Select(d, {1});
         // Passed over: nothing opens for a missing file.
         Click(d, Button4);
         Click(d, Button5);
         Click(d, Button2);
       },
       [&](HWND d) {
         EXPECT_EQ(Rows(d), std::vector<std::wstring>{files[0]});
         testing::PressKey(d, ListView1, VK_ESCAPE);
       }});
  Show(driver);
  EXPECT_EQ(Blacklisted(), std::vector<std::wstring>{files[0]});
}

}  // namespace
}  // namespace korvane
