// The main list under Wine: its file columns and the missing-file mark, the
// search box, sorting by a header, Jump to entry, and what the window keeps
// from one start to the next.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gui/list_view.h"
#include "gui/metrics.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "support/programs.h"
#include "support/windows.h"
#include "support/world.h"
#include "ui/entry_actions.h"
#include "ui/settings.h"
#include "ui/win32/main_form.h"

namespace korvane {
namespace {

using testing::HelperProgram;

constexpr int kSignatureColumn = static_cast<int>(ListColumn::Signature);

// Forgets the window's place and layout, so that no other test meets them.
void ForgetWindowState() {
  TRegistry registry;
  if (!registry.OpenKey(kSettingsKey, false)) return;
  for (const wchar_t* name :
       {L"window_left", L"window_top", L"window_width", L"window_height", L"window_maximised",
        L"list_columns", L"column_widths", L"hide_windows_entries"}) {
    registry.DeleteValue(name);
  }
}

class MainWindowFind : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    ForgetWindowState();
    test::PutFile(tool_);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"C versioned",
                    HelperProgram(L"korvane_versioned_program.exe"));
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"A gone", gone_ + L" -q");
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"B tool", tool_);
    test::PutFile(test::kRoot + L"\\Startup\\News.url",
                  "[InternetShortcut]\r\nURL=https://news.example/\r\n");
  }
  void TearDown() override { ForgetWindowState(); }

  // The window with the list scanned and every program file looked at.
  std::unique_ptr<TMainForm> OpenWindow() {
    auto form = std::make_unique<TMainForm>();
    form->Settings = AppSettings{};
    ShowWindow(form->Handle(), SW_SHOW);
    RefreshStartupList(*form);
    testing::PumpMessages();
    EXPECT_TRUE(form->WaitForFileFacts(20000));
    return form;
  }
  static std::vector<std::wstring> Column(const TMainForm& form, int column) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < ListView_GetItemCount(form.ListView1()); ++i) {
      texts.push_back(ListItemText(form.ListView1(), i, column));
    }
    return texts;
  }
  // The text colour the list is told to draw a row in.
  static COLORREF RowColour(TMainForm& form, int item) {
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = form.ListView1();
    draw.nmcd.hdr.idFrom = kListView1;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item);
    draw.clrText = CLR_DEFAULT;
    SendMessageW(form.Handle(), WM_NOTIFY, kListView1, reinterpret_cast<LPARAM>(&draw));
    return draw.clrText;
  }
  void Search(TMainForm& form, const std::wstring& text) {
    SetWindowTextW(form.FilterBox(), text.c_str());
    testing::PumpMessages();
  }
  static std::wstring StatusText(const TMainForm& form) {
    wchar_t text[128] = {};
    if (!SendMessageW(form.StatusBar2(), SB_ISSIMPLE, 0, 0)) return L"<panels>";
    // Part 0 stands for the simple text (Wine refuses SB_SIMPLEID here).
    SendMessageW(form.StatusBar2(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }
  void ClickHeader(TMainForm& form, ListColumn column) {
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = form.ListView1();
    click.hdr.idFrom = kListView1;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = static_cast<int>(column);
    SendMessageW(form.Handle(), WM_NOTIFY, kListView1, reinterpret_cast<LPARAM>(&click));
  }

  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring gone_ = test::kRoot + L"\\Gone\\gone.exe";
};

TEST_F(MainWindowFind, TheFileColumnsFillInAndAMissingFileIsMarkedButNotAWebAddress) {
  auto form = OpenWindow();
  // Scan order: the key's values by name, then the Startup folder.
  EXPECT_EQ(Column(*form, 0),
            (std::vector<std::wstring>{L"A gone", L"B tool", L"C versioned", L"News.url"}));
  EXPECT_EQ(Column(*form, static_cast<int>(ListColumn::Publisher)),
            (std::vector<std::wstring>{L"", L"", L"Korvane Test Works", L""}));
  EXPECT_EQ(Column(*form, static_cast<int>(ListColumn::Description)),
            (std::vector<std::wstring>{L"", L"", L"Versioned helper program", L""}));
  EXPECT_EQ(Column(*form, kSignatureColumn),
            (std::vector<std::wstring>{L"File not found", L"Not signed", L"Not signed", L""}));
  EXPECT_NE(RowColour(*form, 0), static_cast<COLORREF>(CLR_DEFAULT));  // the warning colour
  EXPECT_NE(RowColour(*form, 0), GetSysColor(COLOR_GRAYTEXT));
  for (int row : {1, 2, 3}) EXPECT_EQ(RowColour(*form, row), static_cast<COLORREF>(CLR_DEFAULT));
}

TEST_F(MainWindowFind, TheSearchBoxKeepsMatchingRowsAcrossARefreshAndEscEmptiesIt) {
  auto form = OpenWindow();
  Search(*form, L"TOOLS");
  EXPECT_EQ(Column(*form, 0), (std::vector<std::wstring>{L"B tool"}));
  EXPECT_EQ(StatusText(*form), L"1 of 4 entries");
  Search(*form, L"korvane test");  // a publisher
  EXPECT_EQ(Column(*form, 0), (std::vector<std::wstring>{L"C versioned"}));

  // Commands act on the selected row as the list shows it.
  ListView_SetItemState(form->ListView1(), 0, LVIS_SELECTED, LVIS_SELECTED);
  ASSERT_EQ(form->SelectedRows().size(), 1u);
  EXPECT_EQ(form->SelectedRows()[0].name, L"C versioned");

  test::SetString(RootKey::CurrentUser, test::kRunKey, L"D korvane test copy",
                  HelperProgram(L"korvane_startup_program.exe"));
  RefreshStartupList(*form);
  EXPECT_EQ(Column(*form, 0), (std::vector<std::wstring>{L"C versioned", L"D korvane test copy"}));
  EXPECT_EQ(StatusText(*form), L"2 of 5 entries");
  EXPECT_EQ(form->SelectedRows()[0].name, L"C versioned");

  // Ctrl+F goes to the box; Esc there empties it and every row is back.
  SendMessageW(form->Handle(), WM_COMMAND, Searchentries1, 0);
  EXPECT_EQ(GetFocus(), form->FilterBox());
  SendMessageW(form->FilterBox(), WM_KEYDOWN, VK_ESCAPE, 0);
  testing::PumpMessages();
  EXPECT_EQ(GetWindowTextLengthW(form->FilterBox()), 0);
  EXPECT_EQ(ListView_GetItemCount(form->ListView1()), 5);
  EXPECT_EQ(StatusText(*form), L"<panels>");
}

TEST_F(MainWindowFind, AHeaderSortsUpDownAndBackToScanOrderWithItsArrow) {
  auto form = OpenWindow();
  auto arrow = [&form](ListColumn column) {
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(form->ListView1()), static_cast<int>(column), &item);
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
  };
  ClickHeader(*form, ListColumn::Signature);
  EXPECT_EQ(Column(*form, 0),
            (std::vector<std::wstring>{L"News.url", L"A gone", L"B tool", L"C versioned"}));
  EXPECT_EQ(arrow(ListColumn::Signature), HDF_SORTUP);
  // The selection follows its row through the sorting.
  ListView_SetItemState(form->ListView1(), 1, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  ClickHeader(*form, ListColumn::Signature);
  EXPECT_EQ(Column(*form, 0),
            (std::vector<std::wstring>{L"B tool", L"C versioned", L"A gone", L"News.url"}));
  EXPECT_EQ(arrow(ListColumn::Signature), HDF_SORTDOWN);
  EXPECT_EQ(ListView_GetNextItem(form->ListView1(), -1, LVNI_SELECTED), 2);
  ASSERT_EQ(form->SelectedRows().size(), 1u);
  EXPECT_EQ(form->SelectedRows()[0].name, L"A gone");
  ClickHeader(*form, ListColumn::Signature);
  EXPECT_EQ(Column(*form, 0),
            (std::vector<std::wstring>{L"A gone", L"B tool", L"C versioned", L"News.url"}));
  EXPECT_EQ(arrow(ListColumn::Signature), 0);
  EXPECT_EQ(ListView_GetNextItem(form->ListView1(), -1, LVNI_SELECTED), 0);
}

TEST_F(MainWindowFind, JumpToEntryWritesLastKeyAndStartsTheRegistryEditor) {
  auto form = OpenWindow();
  {
    TRegistry registry;
    registry.DeleteKey(kRegistryEditorKey);
  }
  ListView_SetItemState(form->ListView1(), 1, LVIS_SELECTED, LVIS_SELECTED);
  SendMessageW(form->Handle(), WM_COMMAND, Jumptoentry1, 0);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kRegistryEditorKey, false));
  EXPECT_EQ(registry.ReadString(L"LastKey"),
            L"Computer\\HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  // The editor starts (Wine's shows its window under its own class).
  HWND editor = nullptr;
  for (int i = 0; i < 200 && !editor; ++i) {
    Sleep(50);
    editor = FindWindowW(L"RegEdit_RegEdit", nullptr);
  }
  ASSERT_TRUE(editor);
  DWORD id = 0;
  GetWindowThreadProcessId(editor, &id);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  ASSERT_TRUE(process);
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
}

TEST_F(MainWindowFind, PlaceSizeColumnsAndHiddenColumnsComeBackAtTheNextStart) {
  {
    auto form = OpenWindow();
    SetWindowPos(form->Handle(), nullptr, 120, 70, Scale(640), Scale(420),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ListView_SetColumnWidth(form->ListView1(), static_cast<int>(ListColumn::Location), Scale(123));
    int order[kListColumnCount] = {3, 0, 1, 2, 4, 5, 6, 7, 8};
    ListView_SetColumnOrderArray(form->ListView1(), kListColumnCount, order);
    SendMessageW(form->Handle(), WM_COMMAND, Descriptioncolumn1, 0);  // hides it
    EXPECT_EQ(ListView_GetColumnWidth(form->ListView1(), static_cast<int>(ListColumn::Description)),
              0);
  }
  {
    auto form = OpenWindow();
    RECT frame;
    GetWindowRect(form->Handle(), &frame);
    EXPECT_EQ(frame.left, 120);
    EXPECT_EQ(frame.top, 70);
    EXPECT_EQ(frame.right - frame.left, Scale(640));
    EXPECT_EQ(frame.bottom - frame.top, Scale(420));
    EXPECT_EQ(ListView_GetColumnWidth(form->ListView1(), static_cast<int>(ListColumn::Location)),
              Scale(123));
    EXPECT_EQ(ListView_GetColumnWidth(form->ListView1(), static_cast<int>(ListColumn::Description)),
              0);
    EXPECT_FALSE(GetMenuState(form->MainMenu1(), Descriptioncolumn1, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(form->MainMenu1(), Signaturecolumn1, MF_BYCOMMAND) & MF_CHECKED);
    int order[kListColumnCount] = {};
    ListView_GetColumnOrderArray(form->ListView1(), kListColumnCount, order);
    EXPECT_EQ(order[0], static_cast<int>(ListColumn::FileName));
    EXPECT_EQ(order[kListColumnCount - 1], static_cast<int>(ListColumn::Description));
    // Maximised when it closes: maximised at the next start.
    ShowWindow(form->Handle(), SW_MAXIMIZE);
  }
  {
    auto form = OpenWindow();
    EXPECT_EQ(form->FirstShowCommand(SW_SHOWNORMAL), SW_SHOWMAXIMIZED);
  }
  // Left on a monitor that is gone: back on the primary one.
  StoreWindowPlacement({{5000, 3000, 5450, 3350}, false});
  auto form = OpenWindow();
  EXPECT_EQ(form->FirstShowCommand(SW_SHOWNORMAL), SW_SHOWNORMAL);
  RECT frame;
  GetWindowRect(form->Handle(), &frame);
  HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  EXPECT_EQ(MonitorFromRect(&frame, MONITOR_DEFAULTTONULL), primary);
  EXPECT_EQ(frame.right - frame.left, 450);
}

TEST_F(MainWindowFind, MovedToAMonitorOfAnotherScaleItsFontColumnsAndGlyphsScale) {
  auto form = OpenWindow();
  const int dpi = Scale(96);  // the screen's
  const int larger = dpi * 3 / 2;
  auto font_height = [](HWND window) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return std::abs(font.lfHeight);
  };
  auto glyph_size = [&form] {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(SendMessageW(form->ToolBar1(), TB_GETIMAGELIST, 0, 0)), &cx,
        &cy);
    return cx;
  };
  const int font_before = font_height(form->ListView1());
  EXPECT_EQ(glyph_size(), MulDiv(16, dpi, 96));
  RECT suggested = {100, 100, 100 + MulDiv(450, larger, 96), 100 + MulDiv(350, larger, 96)};
  SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(larger, larger),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(font_height(form->ListView1()), MulDiv(11, larger, 96));
  EXPECT_GT(font_height(form->ListView1()), font_before);
  EXPECT_EQ(font_height(form->FilterBox()), MulDiv(11, larger, 96));
  EXPECT_EQ(ListView_GetColumnWidth(form->ListView1(), 0), MulDiv(250, larger, 96));
  EXPECT_EQ(glyph_size(), MulDiv(16, larger, 96));
  RECT frame;
  GetWindowRect(form->Handle(), &frame);
  EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
  // The search box and the list still fill the window between the bars.
  RECT box, list;
  GetWindowRect(form->FilterBox(), &box);
  GetWindowRect(form->ListView1(), &list);
  EXPECT_EQ(box.bottom, list.top);
}

// Wine's WinVerifyTrust asks for no trusted root: a program signed by a test
// certificate in Windows' name verifies there, as Windows' own files do on
// Windows, where such a certificate would not.
TEST_F(MainWindowFind, WindowsOwnEntriesAreHiddenOnceKnownUnlessTheSwitchIsOff) {
  const std::wstring own = test::kRoot + L"\\Windows\\kvown.exe";
  const std::wstring vendor = test::kRoot + L"\\Vendor\\1.0\\vendor.exe";
  if (!FileExists(HelperProgram(L"korvane_windows_program.exe"))) {
    GTEST_SKIP() << "no osslsigncode: the programs are not signed";
  }
  test::MakeFolder(ExtractFilePath(own));
  test::MakeFolder(ExtractFilePath(vendor));
  ASSERT_TRUE(CopyFileW(HelperProgram(L"korvane_windows_program.exe").c_str(), own.c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileW(HelperProgram(L"korvane_vendor_program.exe").c_str(), vendor.c_str(), FALSE));
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"E own", own);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"F vendor", vendor);
  auto form = OpenWindow();
  EXPECT_EQ(Column(*form, 0), (std::vector<std::wstring>{L"A gone", L"B tool", L"C versioned",
                                                         L"F vendor", L"News.url"}));
  EXPECT_EQ(StatusText(*form), L"5 entries, 1 of Windows hidden");
  EXPECT_TRUE(GetMenuState(form->MainMenu1(), HideWindowsentries1, MF_BYCOMMAND) & MF_CHECKED);
  // The search finds nothing hidden; Select all takes what is shown.
  Search(*form, L"kvown");
  EXPECT_TRUE(Column(*form, 0).empty());
  EXPECT_EQ(StatusText(*form), L"0 of 5 entries, 1 of Windows hidden");
  Search(*form, L"");
  SetFocus(form->ListView1());
  SendMessageW(form->Handle(), WM_COMMAND, SelectAll, 0);
  ASSERT_EQ(form->SelectedRows().size(), 5u);
  for (const StartupEntry& row : form->SelectedRows()) EXPECT_NE(row.name, L"E own");

  // Switched off, Windows' own are listed again, and stay so at the next start.
  SendMessageW(form->Handle(), WM_COMMAND, HideWindowsentries1, 0);
  EXPECT_EQ(Column(*form, 0).size(), 6u);
  EXPECT_EQ(StatusText(*form), L"<panels>");
  form.reset();
  form = OpenWindow();
  EXPECT_FALSE(GetMenuState(form->MainMenu1(), HideWindowsentries1, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_EQ(Column(*form, kSignatureColumn)[3], L"Verified: Microsoft Windows");
  SendMessageW(form->Handle(), WM_COMMAND, HideWindowsentries1, 0);
  EXPECT_EQ(Column(*form, 0).size(), 5u);
}

}  // namespace
}  // namespace korvane
