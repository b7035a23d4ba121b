#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "gui/controls.h"
#include "gui/metrics.h"
#include "monitor/saved_list.h"
#include "platform/shell.h"
#include "support/programs.h"
#include "support/windows.h"
#include "support/world.h"
#include "ui/win32/main_form.h"

namespace korvane {
namespace {

using testing::MenuCaptions;
using testing::MenuItemEnabled;

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A child's place in its parent's client area.
RECT PlaceInParent(HWND child) {
  RECT place;
  GetWindowRect(child, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

TEST(MainWindow, TheListLiesBetweenTheBarsBeforeTheWindowShows) {
  TMainForm form;
  ASSERT_FALSE(IsWindowVisible(form.Handle()));
  auto expect_between_the_bars = [&form] {
    // The search box stands between the toolbar and the list, as wide as both.
    const RECT box = PlaceInParent(form.FilterBox());
    EXPECT_EQ(box.top, PlaceInParent(form.CoolBar1()).bottom);
    EXPECT_GT(box.bottom, box.top);
    const RECT list = PlaceInParent(form.ListView1());
    EXPECT_EQ(box.right, list.right);
    EXPECT_EQ(list.top, box.bottom);
    EXPECT_EQ(list.bottom, PlaceInParent(form.StatusBar2()).top);
  };
  expect_between_the_bars();
  const RECT hidden = PlaceInParent(form.ListView1());
  ShowWindow(form.Handle(), SW_SHOW);
  testing::PumpMessages();
  expect_between_the_bars();
  const RECT shown = PlaceInParent(form.ListView1());
  EXPECT_TRUE(EqualRect(&hidden, &shown));
}

TEST(MainWindow, OpensAt450By350WithTheListsColumnsAndMenus) {
  TMainForm form;
  RECT frame;
  GetWindowRect(form.Handle(), &frame);
  EXPECT_EQ(frame.right - frame.left, Scale(450));
  EXPECT_EQ(frame.bottom - frame.top, Scale(350));
  wchar_t caption[64] = {};
  GetWindowTextW(form.Handle(), caption, 64);
  // Wine gives every program an administrator's full token.
  EXPECT_EQ(std::wstring(caption),
            std::wstring(L"Korvane 1.0.0") + (RunsElevated() ? L" (Administrator)" : L""));

  struct Column {
    const wchar_t* caption;
    int width;
    int format;
  } columns[] = {{L"Name", 250, LVCFMT_LEFT},       {L"Running", 60, LVCFMT_CENTER},
                 {L"Startup", 70, LVCFMT_LEFT},     {L"File name", 200, LVCFMT_LEFT},
                 {L"Parameters", 100, LVCFMT_LEFT}, {L"Location", 200, LVCFMT_LEFT}};
  for (int i = 0; i < 6; ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(form.ListView1(), i, &column));
    EXPECT_STREQ(text, columns[i].caption);
    EXPECT_EQ(column.cx, Scale(columns[i].width)) << i;
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format) << i;
  }
  const DWORD list_style = ListView_GetExtendedListViewStyle(form.ListView1());
  EXPECT_TRUE(list_style & LVS_EX_GRIDLINES);
  EXPECT_TRUE(list_style & LVS_EX_FULLROWSELECT);

  HMENU menu = form.MainMenu1();
  EXPECT_EQ(MenuCaptions(menu), (std::vector<std::wstring>{L"File", L"View", L"Service", L"Help"}));
  EXPECT_EQ(MenuCaptions(GetSubMenu(menu, 0)),
            (std::vector<std::wstring>{
                L"New startup entry...", L"-", L"Run startup entry", L"Stop startup entry", L"-",
                L"Open folder...", L"File properties...", L"Jump to entry", L"-", L"Move to", L"-",
                L"Disable startup entry", L"Enable startup entry", L"Delete startup entry", L"-",
                L"Add to blacklist", L"-", L"Exit"}));
  EXPECT_EQ(MenuCaptions(GetSubMenu(GetSubMenu(menu, 0), 9)),
            (std::vector<std::wstring>{
                L"Registry, current user, Run", L"Registry, current user, RunOnce", L"-",
                L"Registry, all users, Run", L"Registry, all users, RunServices",
                L"Registry, all users, RunOnce", L"Registry, all users, RunServicesOnce", L"-",
                L"Start menu, current user", L"Start menu, all users"}));
  EXPECT_EQ(
      MenuCaptions(GetSubMenu(menu, 1)),
      (std::vector<std::wstring>{
          L"Refresh list", L"Search entries", L"Hide Windows entries", L"-", L"Toolbar",
          L"Status bar", L"-", L"Publisher column", L"Description column", L"Signature column",
          L"-", L"Show gridlines", L"Row selection", L"-", L"Font...", L"Background color..."}));
  EXPECT_EQ(MenuCaptions(GetSubMenu(menu, 2)),
            (std::vector<std::wstring>{L"System registry...", L"Startup folder", L"Win.ini file...",
                                       L"-", L"Parameters...", L"-", L"Blacklist...",
                                       L"Restore removed entries..."}));
  // The Help items are there, grey: there is nothing behind them yet.
  EXPECT_EQ(MenuCaptions(GetSubMenu(menu, 3)),
            (std::vector<std::wstring>{L"Help contents...", L"Homepage...", L"Technical support...",
                                       L"About Korvane..."}));
  for (UINT id : {Helpcontents1, Homepage1, echnicalsupport1, AboutKorvane1}) {
    EXPECT_FALSE(MenuItemEnabled(menu, id)) << id;
  }
  EXPECT_TRUE(MenuItemEnabled(menu, Blacklist1));
  EXPECT_EQ(MenuCaptions(form.TrayPopup()),
            (std::vector<std::wstring>{L"Show Korvane", L"Refresh", L"-", L"Parameters...",
                                       L"Restore removed entries...", L"-", L"Exit"}));

  // Only new entry, refresh and parameters work before anything is selected.
  const std::pair<UINT, bool> buttons[] = {{Newstartupentry1, true},
                                           {Deletestartupentry1, false},
                                           {Openfolder1, false},
                                           {Fileproperties1, false},
                                           {Run1, false},
                                           {Stop1, false},
                                           {Refreshlist1, true},
                                           {Parameters1, true}};
  for (const auto& [id, enabled] : buttons) {
    EXPECT_EQ(SendMessageW(form.ToolBar1(), TB_ISBUTTONENABLED, id, 0) != 0, enabled) << id;
  }
}

LRESULT CALLBACK RecordStatus(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR data) {
  auto* log = reinterpret_cast<std::vector<std::wstring>*>(data);
  if (message == SB_SIMPLE) log->push_back(wparam ? L"<simple>" : L"<panels>");
  if (message == SB_SETTEXTW) log->push_back(reinterpret_cast<const wchar_t*>(lparam));
  return DefSubclassProc(window, message, wparam, lparam);
}

class MainWindowList : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PutFile(idle_);
    test::SetString(RootKey::CurrentUser, kRun, L"A idle", idle_);
    test::SetString(RootKey::CurrentUser, kRun, L"B busy", busy_.Path() + L" /exit-after 60");
    form_.Settings = AppSettings{};
    ShowWindow(form_.Handle(), SW_SHOW);
    UpdateWindow(form_.Handle());
  }
  void Click(int row, bool add) {
    RECT place;
    ListView_GetItemRect(form_.ListView1(), row, &place, LVIR_LABEL);
    const LPARAM at = MAKELPARAM(place.left + 4, (place.top + place.bottom) / 2);
    const WPARAM keys = add ? MK_CONTROL : 0;
    // The list tracks the button until it comes up again.
    PostMessageW(form_.ListView1(), WM_LBUTTONUP, keys, at);
    SendMessageW(form_.ListView1(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    testing::PumpMessages();
  }
  bool ButtonEnabled(UINT id) {
    return SendMessageW(form_.ToolBar1(), TB_ISBUTTONENABLED, id, 0) != 0;
  }
  const std::wstring idle_ = test::kRoot + L"\\idle.exe";
  korvane::testing::StartedProgram busy_;
  test::WorldReset reset_;
  TMainForm form_;
};

TEST_F(MainWindowList, TheScanFillsTheListWithTheWaitTextShownMeanwhile) {
  std::vector<std::wstring> log;
  SetWindowSubclass(form_.StatusBar2(), RecordStatus, 1, reinterpret_cast<DWORD_PTR>(&log));
  RefreshStartupList(form_);
  RemoveWindowSubclass(form_.StatusBar2(), RecordStatus, 1);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"<simple>", L"Refreshing startup list, please wait...",
                                            L"", L"<panels>"}));
  const StartupList rows = form_.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, L"A idle");
  EXPECT_EQ(rows[0].file_name, idle_);
  EXPECT_FALSE(rows[0].running);
  EXPECT_EQ(rows[1].name, L"B busy");
  EXPECT_EQ(rows[1].parameters, L"/exit-after 60");
  EXPECT_TRUE(rows[1].running);
  EXPECT_EQ(rows[1].location, std::wstring(L"HKEY_CURRENT_USER") + kRun);
}

TEST_F(MainWindowList, EachRowShowsItsProgramsIconFromTheShell) {
  RefreshStartupList(form_);
  // The shell's icon list comes with the window's first messages.
  testing::PumpMessages();
  EXPECT_EQ(ListView_GetImageList(form_.ListView1(), LVSIL_SMALL), SystemSmallIcons());
  const StartupList rows = form_.Rows();
  ASSERT_EQ(rows.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    // The list asks for the icon when it needs it, and keeps the answer.
    for (int asked = 0; asked < 2; ++asked) {
      LVITEMW item = {};
      item.mask = LVIF_IMAGE;
      item.iItem = i;
      ASSERT_TRUE(ListView_GetItem(form_.ListView1(), &item));
      EXPECT_EQ(item.iImage, SystemIconIndex(rows[i].file_name)) << i;
    }
  }
}

TEST_F(MainWindowList, TheToolbarFollowsEveryChangeOfTheSelection) {
  RefreshStartupList(form_);
  ASSERT_EQ(ListView_GetItemCount(form_.ListView1()), 2);
  // Selecting by the keys: Ctrl+A, then the arrows.
  ListView_SetItemState(form_.ListView1(), -1, LVIS_SELECTED, LVIS_SELECTED);
  testing::PumpMessages();
  EXPECT_TRUE(ButtonEnabled(Deletestartupentry1));
  EXPECT_TRUE(ButtonEnabled(Stop1));
  ListView_SetItemState(form_.ListView1(), -1, 0, LVIS_SELECTED);
  ListView_SetItemState(form_.ListView1(), 0, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  testing::PumpMessages();
  EXPECT_FALSE(ButtonEnabled(Stop1));
  SetFocus(form_.ListView1());
  SendMessageW(form_.ListView1(), WM_KEYDOWN, VK_DOWN, 0);
  testing::PumpMessages();
  ASSERT_EQ(form_.SelectedRows().size(), 1u);
  ASSERT_EQ(form_.SelectedRows()[0].name, L"B busy");
  EXPECT_TRUE(ButtonEnabled(Stop1));
  SendMessageW(form_.ListView1(), WM_KEYDOWN, VK_UP, 0);
  testing::PumpMessages();
  EXPECT_FALSE(ButtonEnabled(Stop1));
  ListView_SetItemState(form_.ListView1(), -1, 0, LVIS_SELECTED);
  testing::PumpMessages();
  EXPECT_FALSE(ButtonEnabled(Deletestartupentry1));

  Click(0, false);
  ASSERT_EQ(form_.SelectedRows().size(), 1u);
  for (UINT id : {Deletestartupentry1, Openfolder1, Fileproperties1, Run1}) {
    EXPECT_TRUE(ButtonEnabled(id)) << id;
  }
  EXPECT_FALSE(ButtonEnabled(Stop1));
  Click(1, true);
  ASSERT_EQ(form_.SelectedRows().size(), 2u);
  EXPECT_TRUE(ButtonEnabled(Stop1));

  // The File menu follows the selection when it opens.
  HMENU file = GetSubMenu(form_.MainMenu1(), 0);
  SendMessageW(form_.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  for (UINT id : {Run1, Stop1, Openfolder1, Fileproperties1, Moveto1, Deletestartupentry1,
                  Addtoblacklist1, Newstartupentry1, Exit1}) {
    EXPECT_TRUE(MenuItemEnabled(file, id)) << id;
  }
  Click(0, false);
  SendMessageW(form_.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_FALSE(MenuItemEnabled(file, Stop1));
  EXPECT_TRUE(MenuItemEnabled(file, Run1));

  // A refresh keeps the selection, and the buttons as they were.
  RefreshStartupList(form_);
  EXPECT_EQ(form_.SelectedRows().size(), 1u);
  EXPECT_TRUE(ButtonEnabled(Deletestartupentry1));
  SendMessageW(form_.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_TRUE(MenuItemEnabled(file, Run1));
  // Nothing selected: the File menu greys the commands on entries.
  ListView_SetItemState(form_.ListView1(), -1, 0, LVIS_SELECTED);
  SendMessageW(form_.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
  EXPECT_FALSE(MenuItemEnabled(file, Run1));
  // "Move to" is found by its id, wherever it stands in the menu.
  EXPECT_FALSE(MenuItemEnabled(file, Moveto1));
  EXPECT_EQ(GetMenuState(file, 9, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  EXPECT_TRUE(MenuItemEnabled(file, Newstartupentry1));
}

TEST_F(MainWindowList, TheContextMenuIsAnEntryMenuOrAViewMenu) {
  RefreshStartupList(form_);
  {
    win32::Menu menu = form_.ListPopupPopup();
    EXPECT_EQ(MenuCaptions(menu.get()),
              (std::vector<std::wstring>{L"Refresh list", L"-", L"Show gridlines", L"Row selection",
                                         L"-", L"Font...", L"Background color..."}));
  }
  // Unchecking grid lines in the View menu shows in the context menu too.
  SendMessageW(form_.Handle(), WM_COMMAND, Showgridlines1, 0);
  EXPECT_FALSE(ListView_GetExtendedListViewStyle(form_.ListView1()) & LVS_EX_GRIDLINES);
  {
    win32::Menu menu = form_.ListPopupPopup();
    EXPECT_FALSE(GetMenuState(menu.get(), Showgridlines2, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(menu.get(), Rowselection2, MF_BYCOMMAND) & MF_CHECKED);
  }
  SendMessageW(form_.Handle(), WM_COMMAND, Showgridlines2, 0);
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(form_.ListView1()) & LVS_EX_GRIDLINES);

  ListView_SetItemState(form_.ListView1(), 0, LVIS_SELECTED, LVIS_SELECTED);
  {
    win32::Menu menu = form_.ListPopupPopup();
    EXPECT_EQ(MenuCaptions(menu.get()),
              (std::vector<std::wstring>{L"Run startup entry...", L"Stop startup entry", L"-",
                                         L"Open folder...", L"File properties...", L"Jump to entry",
                                         L"-", L"Move to", L"-", L"Disable startup entry",
                                         L"Enable startup entry", L"Delete startup entry", L"-",
                                         L"Add to blacklist"}));
    EXPECT_EQ(GetMenuDefaultItem(menu.get(), FALSE, 0), static_cast<UINT>(Run1));
    EXPECT_FALSE(MenuItemEnabled(menu.get(), Stop1));
  }
  ListView_SetItemState(form_.ListView1(), 1, LVIS_SELECTED, LVIS_SELECTED);
  win32::Menu menu = form_.ListPopupPopup();
  EXPECT_TRUE(MenuItemEnabled(menu.get(), Stop1));
}

TEST_F(MainWindowList, ViewOptionsShowAndHideTheBars) {
  ShowWindow(form_.Handle(), SW_SHOW);
  for (auto [id, bar] : {std::pair{oolbar1, form_.CoolBar1()}, {Statusbar1, form_.StatusBar2()}}) {
    SendMessageW(form_.Handle(), WM_COMMAND, id, 0);
    EXPECT_FALSE(IsWindowVisible(bar)) << id;
    EXPECT_FALSE(GetMenuState(form_.MainMenu1(), id, MF_BYCOMMAND) & MF_CHECKED);
    SendMessageW(form_.Handle(), WM_COMMAND, id, 0);
    EXPECT_TRUE(IsWindowVisible(bar)) << id;
  }
  // Ctrl+A and F5 are the list's keys.
  RefreshStartupList(form_);
  MSG key = {form_.ListView1(), WM_KEYDOWN, 'A', 0, 0, {}};
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_TRUE(TranslateAcceleratorW(form_.Handle(), form_.Accelerators(), &key));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(form_.SelectedRows().size(), 2u);
  test::SetString(RootKey::CurrentUser, kRun, L"C new", idle_);
  MSG f5 = {form_.ListView1(), WM_KEYDOWN, VK_F5, 0, 0, {}};
  EXPECT_TRUE(TranslateAcceleratorW(form_.Handle(), form_.Accelerators(), &f5));
  EXPECT_EQ(form_.Rows().size(), 3u);
}

TEST_F(MainWindowList, ARefreshKeepsTheSelectionTheFocusAndTheTopRow) {
  // Forty machine rows, more than the window shows; each starts a program
  // already seen, so the cycle reports nothing new.
  const std::wstring seen = idle_;
  auto name = [](int i) {
    return L"Kv Row " + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i);
  };
  for (int i = 0; i < 40; ++i) test::SetString(RootKey::LocalMachine, kRun, name(i), seen);
  HWND list = form_.ListView1();
  RefreshStartupList(form_);
  SaveStartupList(form_.Rows());
  const int first = 2;  // the two rows of the current user's Run key come first
  ASSERT_EQ(form_.Rows()[first + 20].name, name(20));
  ListView_SetItemState(list, first + 20, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(list, first + 25, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, 39 + first, FALSE);
  ListView_EnsureVisible(list, first + 15, FALSE);
  const int top = ListView_GetTopIndex(list);
  ASSERT_GT(top, 0);
  const std::wstring top_name = form_.Rows()[top].name;

  // Behind the program's back: a row before all of them, and a selected row gone.
  test::SetString(RootKey::CurrentUser, kRun, L"0 Kv new", seen);
  {
    TRegistry reg;
    reg.SetRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(kRun, false));
    ASSERT_TRUE(reg.DeleteValue(name(25)));
  }
  form_.Cycle().SetMonitoring(1);
  for (int tick = 0; tick < 60; ++tick) form_.Timer1Timer();

  const StartupList& rows = form_.Rows();
  ASSERT_EQ(rows.size(), 42u);
  EXPECT_EQ(rows[0].name, L"0 Kv new");
  const StartupList selected = form_.SelectedRows();
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0].name, name(20));
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), first + 21);
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), -1);  // the focused row went
  EXPECT_EQ(rows[ListView_GetTopIndex(list)].name, top_name);

  // The same with nothing gone: two rows stay selected, the focus with them.
  ListView_SetItemState(list, first + 1 + 22, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  test::SetString(RootKey::CurrentUser, kRun, L"1 Kv newer", seen);
  RunRefreshCycle(form_);
  ASSERT_EQ(form_.SelectedRows().size(), 2u);
  EXPECT_EQ(form_.SelectedRows()[0].name, name(20));
  EXPECT_EQ(form_.SelectedRows()[1].name, name(22));
  EXPECT_EQ(form_.Rows()[ListView_GetNextItem(list, -1, LVNI_FOCUSED)].name, name(22));
  EXPECT_EQ(form_.Rows()[ListView_GetTopIndex(list)].name, top_name);

  // Scrolled to the end, the list grows by the row above and still shows
  // the same top row.
  ListView_EnsureVisible(list, ListView_GetItemCount(list) - 1, FALSE);
  const std::wstring end_top = form_.Rows()[ListView_GetTopIndex(list)].name;
  test::SetString(RootKey::CurrentUser, kRun, L"2 Kv newest", seen);
  RunRefreshCycle(form_);
  EXPECT_EQ(form_.Rows()[ListView_GetTopIndex(list)].name, end_top);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(MainWindowActivation, TheListIsFilledOnceAndNotAgainOnAnotherActivation) {
  test::ResetWorld();
  const std::wstring file = test::kRoot + L"\\first.exe";
  test::PutFile(file);
  test::SetString(RootKey::CurrentUser, kRun, L"First", file);
  TMainForm form;
  // Filled while the window was made; the first activation goes on from there.
  EXPECT_EQ(ListView_GetItemCount(form.ListView1()), 1);
  ShowWindow(form.Handle(), SW_SHOW);
  SetForegroundWindow(form.Handle());
  korvane::testing::PumpMessages();
  ASSERT_EQ(ListView_GetItemCount(form.ListView1()), 1);

  // Coming back from another window is no first activation: no cycle runs.
  korvane::testing::ScanCounter scans(form.StatusBar2());
  TMainForm other;
  ShowWindow(other.Handle(), SW_SHOW);
  SetForegroundWindow(other.Handle());
  korvane::testing::PumpMessages();
  SetForegroundWindow(form.Handle());
  korvane::testing::PumpMessages();
  EXPECT_EQ(scans.Scans(), 0);
  SendMessageW(form.Handle(), WM_COMMAND, Refreshlist1, 0);
  EXPECT_EQ(scans.Scans(), 1);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(MainWindowView, FontAndColourDialogsStartFromTheListsOwn) {
  TMainForm form;
  ListView_SetBkColor(form.ListView1(), RGB(10, 20, 30));
  const auto font = SendMessageW(form.ListView1(), WM_GETFONT, 0, 0);
  {
    korvane::testing::MessageBoxAnswerer cancel(IDCANCEL);
    SendMessageW(form.Handle(), WM_COMMAND, Font1, 0);
    EXPECT_EQ(cancel.Boxes().size(), 1u);
  }
  EXPECT_EQ(SendMessageW(form.ListView1(), WM_GETFONT, 0, 0), font);
  {
    korvane::testing::MessageBoxAnswerer ok(IDOK);
    SendMessageW(form.Handle(), WM_COMMAND, Backgroundcolor1, 0);
    EXPECT_EQ(ok.Boxes().size(), 1u);
  }
  // OK without a change keeps the colour the dialog opened with.
  EXPECT_EQ(ListView_GetBkColor(form.ListView1()), RGB(10, 20, 30));
  EXPECT_EQ(ListView_GetTextBkColor(form.ListView1()), RGB(10, 20, 30));
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

// The list's header and its first row after the list is given a larger font.
struct HeaderAndRow {
  int header_bottom = 0, header_needed = 0, row_top = 0;
};

HeaderAndRow Measure(HWND list) {
  HeaderAndRow m;
  HWND header = ListView_GetHeader(list);
  RECT place;
  GetWindowRect(header, &place);
  MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&place), 2);
  m.header_bottom = place.bottom;
  RECT client;
  GetClientRect(list, &client);
  WINDOWPOS wanted = {};
  HDLAYOUT layout = {&client, &wanted};
  SendMessageW(header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
  m.header_needed = wanted.cy;
  RECT row = {};
  ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
  m.row_top = row.top;
  return m;
}

// How many pixels of `window`'s rows [top, bottom) as the screen shows them,
// `margin` pixels in from its sides, are dark as text is.
int DarkPixelsOnScreen(HWND window, int margin, int top, int bottom) {
  for (int i = 0; i < 10; ++i) {
    testing::PumpMessages();
    Sleep(30);
  }
  RECT place;
  GetWindowRect(window, &place);
  const int width = place.right - place.left - 2 * margin, height = bottom - top;
  if (width <= 0 || height <= 0) return -1;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, place.left + margin, place.top + top, SRCCOPY);
  GdiFlush();
  int dark = 0;
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) {
    const uint32_t p = pixels[i];
    const int light = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    if (light < 3 * 128) ++dark;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return dark;
}

// Answers the font dialog with a size of its own: types it into the size
// box and presses OK.
class FontSizeTyper {
 public:
  explicit FontSizeTyper(int points)
      : hook_(SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId())) {
    current_ = this;
    points_ = points;
  }
  ~FontSizeTyper() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  FontSizeTyper(const FontSizeTyper&) = delete;
  FontSizeTyper& operator=(const FontSizeTyper&) = delete;
  int Shown() const { return shown_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && current_) {
      auto window = reinterpret_cast<HWND>(wparam);
      constexpr int kSizeBox = 0x472;  // the common font dialog's size combo box
      if (GetDlgItem(window, kSizeBox)) {
        ++current_->shown_;
        SetDlgItemTextW(window, kSizeBox, std::to_wstring(current_->points_).c_str());
        PostMessageW(window, WM_COMMAND, IDOK, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static inline FontSizeTyper* current_ = nullptr;
  static inline int points_ = 0;
  HHOOK hook_;
  int shown_ = 0;
};

TEST_F(MainWindowList, ALargerFontLaysTheListOutAndDrawsItsHeaderAnew) {
  RefreshStartupList(form_);
  ASSERT_GT(ListView_GetItemCount(form_.ListView1()), 0);
  const HeaderAndRow before = Measure(form_.ListView1());
  {
    FontSizeTyper typer(28);
    SendMessageW(form_.Handle(), WM_COMMAND, Font1, 0);
    EXPECT_EQ(typer.Shown(), 1);
  }
  testing::PumpMessages();
  const HeaderAndRow after = Measure(form_.ListView1());
  std::cout << "header bottom " << before.header_bottom << " -> " << after.header_bottom
            << ", header needs " << after.header_needed << ", first row top " << before.row_top
            << " -> " << after.row_top << "\n";
  ASSERT_GT(after.header_needed, before.header_needed);  // the font did grow
  EXPECT_EQ(after.header_bottom, after.header_needed);
  EXPECT_LE(after.header_bottom, after.row_top);
  // Nothing of the old rows stays on screen inside the grown header: its
  // lowest lines, under the captions, are plain.
  const int dark = DarkPixelsOnScreen(ListView_GetHeader(form_.ListView1()), 4,
                                      after.header_bottom - 6, after.header_bottom - 1);
  EXPECT_EQ(dark, 0);
}

}  // namespace
}  // namespace korvane
