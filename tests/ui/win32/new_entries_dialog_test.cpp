// The new entries dialog on real windows, driven from inside its modal loop.
#include "ui/win32/new_entries_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>

#include "catalogue/undo_store.h"
#include "gui/controls.h"
#include "gui/list_view.h"
#include "gui/metrics.h"
#include "monitor/monitor_world.h"
#include "monitor/new_entries.h"
#include "ui/commands.h"
#include "ui/win32/new_entries_closer.h"

namespace korvane::test {
namespace {

using namespace new_entries;

// Runs `inside` once the dialog is up, from a timer of the dialog's own
// modal loop; the dialog's window is found by its caption.
class WhileShown {
 public:
  explicit WhileShown(std::function<void(HWND)> inside) {
    inside_ = std::move(inside);
    timer_ = SetTimer(nullptr, 0, 20, &WhileShown::Tick);
  }
  ~WhileShown() {
    KillTimer(nullptr, timer_);
    inside_ = nullptr;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindWindowW(L"TNewEntriesForm", L"New startup entries");
    if (!dialog || !IsWindowVisible(dialog) || !inside_) return;
    KillTimer(nullptr, id);
    auto inside = std::move(inside_);
    inside_ = nullptr;
    inside(dialog);
  }
  static inline std::function<void(HWND)> inside_;
  UINT_PTR timer_;
};

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

void Select(HWND list, std::initializer_list<int> items) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  for (int item : items) ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
}

void Click(HWND dialog, UINT button) {
  SendMessageW(GetDlgItem(dialog, static_cast<int>(button)), BM_CLICK, 0, 0);
}

class NewEntriesDialog : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    a_ = AddRun(L"A", L"a.exe");
    b_ = AddRun(L"B", L"b.exe");
    c_ = AddRun(L"C", L"c.exe");
    ScanStartupList(rows_);
    ASSERT_EQ(rows_.size(), 3u);
    actions_.refresh_list = [this] { ++refreshes_; };
    actions_.save_list = [this] { ++saves_; };
  }
  std::wstring a_, b_, c_;
  StartupList rows_;
  NewEntriesActions actions_;
  int refreshes_ = 0, saves_ = 0;
  KeepNewEntriesOpen keep_open_;  // the suite's closer would close it at once
};

TEST_F(NewEntriesDialog, ShowsTheRowsWithTheMainListsLookAndItsButtonsOff) {
  // A main list without grid lines, on a pale yellow, in a font of its own.
  HWND main = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  HWND main_list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 100, 100,
                                   main, nullptr, nullptr, nullptr);
  ListView_SetExtendedListViewStyle(main_list, LVS_EX_FULLROWSELECT);
  ListView_SetBkColor(main_list, RGB(255, 255, 200));
  HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
  SendMessageW(main_list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  bool checked = false;
  WhileShown inside([&](HWND dialog) {
    checked = true;
    EXPECT_EQ(Text(GetDlgItem(dialog, Label1)), L"New entries in the startup list:");
    const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    HWND list = GetDlgItem(dialog, ListView1);
    const LONG_PTR list_style = GetWindowLongPtrW(list, GWL_STYLE);
    EXPECT_EQ(list_style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(list_style & LVS_SHOWSELALWAYS);
    EXPECT_FALSE(list_style & (LVS_SINGLESEL | LVS_EDITLABELS));
    const char* captions[] = {"Name", "File name", "Location"};
    const int widths[] = {300, 200, 200};
    for (int i = 0; i < 3; ++i) {
      wchar_t text[32] = {};
      LVCOLUMNW column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = text;
      column.cchTextMax = 32;
      ASSERT_TRUE(ListView_GetColumn(list, i, &column));
      EXPECT_EQ(ToUtf8(text), captions[i]);
      EXPECT_EQ(column.cx, Scale(widths[i]));
    }
    ASSERT_EQ(ListView_GetItemCount(list), 3);
    EXPECT_EQ(ListItemText(list, 1, 0), L"B");
    EXPECT_EQ(ListItemText(list, 1, 1), b_);
    EXPECT_EQ(ListItemText(list, 1, 2), L"HKEY_CURRENT_USER" + kRunKey);
    // Copied from the main list when the dialog became active.
    EXPECT_EQ(ListView_GetExtendedListViewStyle(list) & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_FULLROWSELECT));
    EXPECT_EQ(ListView_GetBkColor(list), RGB(255, 255, 200));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), font);

    struct Button {
      UINT id;
      const wchar_t* caption;
      bool enabled;
    } buttons[] = {{Button3, L"File properties", false},
                   {Button2, L"Delete entry", false},
                   {Button4, L"Disable", false},
                   {Button1, L"Add to blacklist", false},
                   {Button5, L"Close", true}};
    RECT previous = {};
    for (const Button& b : buttons) {
      HWND button = GetDlgItem(dialog, b.id);
      EXPECT_EQ(Text(button), b.caption);
      EXPECT_EQ(IsWindowEnabled(button) != FALSE, b.enabled) << b.caption;
      RECT at;
      GetWindowRect(button, &at);
      EXPECT_GT(at.top, previous.top) << b.caption;  // top to bottom, right of the list
      RECT list_at;
      GetWindowRect(list, &list_at);
      EXPECT_GE(at.left, list_at.right);
      previous = at;
    }
    // New programs only: no "Change" column, no memo, no "Undo change".
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 3);
    EXPECT_FALSE(GetDlgItem(dialog, Memo1));
    EXPECT_FALSE(GetDlgItem(dialog, Button6));
    Select(list, {0});
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, Button2)));
    Select(list, {});
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, Button2)));
    SendMessageW(dialog, WM_CLOSE, 0, 0);  // the close box only closes
  });
  ShowNewEntriesDialog(main, main_list, rows_, actions_);
  EXPECT_TRUE(checked);
  EXPECT_EQ(saves_, 0);
  EXPECT_EQ(refreshes_, 0);
  DestroyWindow(main);
}

TEST_F(NewEntriesDialog, BlacklistingAndDeletingTakeTheSelectedRowsOnly) {
  bool checked = false;
  WhileShown inside([&](HWND dialog) {
    checked = true;
    HWND list = GetDlgItem(dialog, ListView1);
    Select(list, {0, 2});
    Click(dialog, Button1);
    std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist();
    ASSERT_TRUE(blacklist);
    EXPECT_EQ(blacklist->size(), 2u);
    EXPECT_TRUE(IsBlacklisted(a_, *blacklist) && IsBlacklisted(c_, *blacklist));
    EXPECT_EQ(ValueNames(kRunKey), std::vector<std::wstring>{L"B"});
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_EQ(ListItemText(list, 0, 1), b_);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(refreshes_, 1);

    Select(list, {0});
    Click(dialog, Button2);  // the last row: the dialog closes
  });
  ShowNewEntriesDialog(nullptr, nullptr, rows_, actions_);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(ValueNames(kRunKey).empty());
  EXPECT_EQ(ReadBlacklist()->size(), 2u);
  EXPECT_EQ(refreshes_, 2);
  EXPECT_EQ(saves_, 0);
}

TEST_F(NewEntriesDialog, CloseSavesTheListAndTheMenuDeletesLikeTheButton) {
  WhileShown inside([&](HWND dialog) {
    Select(GetDlgItem(dialog, ListView1), {1});
    SendMessageW(dialog, WM_COMMAND, Deletestartupentry1, 0);
    EXPECT_FALSE(HasRun(L"B"));
    Click(dialog, Button5);
  });
  ShowNewEntriesDialog(nullptr, nullptr, rows_, actions_);
  EXPECT_EQ(saves_, 1);
  EXPECT_EQ(refreshes_, 1);
  EXPECT_TRUE(HasRun(L"A"));
}

TEST_F(NewEntriesDialog, AChangedEntryShowsItsEarlierCommandAndUndoWritesItBack) {
  // B started from an expandable command once; then a program rewrote it.
  const std::wstring old_command = L"%SystemDrive%\\kvtest\\b.exe /old";
  SetExpandString(RootKey::CurrentUser, kRunKey, L"B", old_command);
  StartupList snapshot;
  ScanStartupList(snapshot);
  SetString(RootKey::CurrentUser, kRunKey, L"B", L"\"" + b_ + L"\" /new");
  const std::wstring d = AddRun(L"D", L"d.exe");
  StartupList rows;
  ScanStartupList(rows);
  const ReportedEntries found = DetectEntryChanges(rows, snapshot, {});
  ASSERT_EQ(found.size(), 2u);
  const size_t records_before = ReadRemovedEntries().size();
  actions_.show_changes = true;

  bool checked = false;
  WhileShown inside([&](HWND dialog) {
    checked = true;
    HWND list = GetDlgItem(dialog, ListView1);
    ASSERT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 4);
    wchar_t caption[32] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = 32;
    ASSERT_TRUE(ListView_GetColumn(list, 3, &column));
    EXPECT_EQ(std::wstring(caption), L"Change");
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(ListItemText(list, 0, 0), L"B");
    EXPECT_EQ(ListItemText(list, 0, 3), L"Changed");
    EXPECT_EQ(ListItemText(list, 1, 0), L"D");
    EXPECT_EQ(ListItemText(list, 1, 3), L"New");
    HWND undo = GetDlgItem(dialog, Button6);
    EXPECT_EQ(Text(undo), L"Undo change");

    Select(list, {1});
    EXPECT_FALSE(IsWindowEnabled(undo));  // a new entry has nothing to go back to
    Select(list, {0});
    EXPECT_TRUE(IsWindowEnabled(undo));
    const std::wstring memo = ControlText(GetDlgItem(dialog, Memo1));
    // Each command as the value holds it, quotes included.
    EXPECT_EQ(memo, L"Command: \"" + b_ + L"\" /new\r\nCommand before: " + old_command);

    Click(dialog, Button6);
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_EQ(ListItemText(list, 0, 0), L"D");
    EXPECT_EQ(refreshes_, 1);
    SendMessageW(dialog, WM_CLOSE, 0, 0);
  });
  ShowNewEntriesDialog(nullptr, nullptr, found, actions_);
  EXPECT_TRUE(checked);
  // The command as it was, with its type; what it held is in the undo store.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRunKey, false));
  const std::optional<RegistryValue> value = reg.ReadValue(L"B");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, RegistryDataType::ExpandString);
  EXPECT_EQ(*value, std::get<RegistrySource>(snapshot[1].source).value);
  const std::vector<RemovedEntry> records = ReadRemovedEntries();
  ASSERT_EQ(records.size(), records_before + 1);
  EXPECT_EQ(RemovalWayText(records[0].record), L"Changed back");
  EXPECT_EQ(records[0].record.row.parameters, L"/new");
  EXPECT_TRUE(HasRun(L"D"));
}

}  // namespace
}  // namespace korvane::test
