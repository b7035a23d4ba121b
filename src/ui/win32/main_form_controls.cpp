// The main window's controls: the bars, the search box and the list, made and
// laid out in the window.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "gui/metrics.h"
#include "ui/win32/command_bars.h"
#include "ui/win32/main_form.h"
#include "ui/win32/main_form_glyphs.h"

namespace korvane {

namespace {

// The bar's own switch: IsWindowVisible says no for every child of a hidden
// window, and the list would be laid out without the bars until the window
// shows, then laid out again as it appears.
bool BarShown(HWND bar) {
  return (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The search box is as high as a line of its font and its frame.
int FilterBoxHeight(HWND box) {
  const win32::WindowDc dc(box);
  auto font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc.get(), font);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc.get(), &metrics);
  SelectObject(dc.get(), old);
  return metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE) + 4;
}

// Esc empties the search box; Enter and Down go to the list.
LRESULT CALLBACK FilterBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                               DWORD_PTR data) {
  auto* form = reinterpret_cast<TMainForm*>(data);
  if (message == WM_KEYDOWN && wparam == VK_ESCAPE) {
    SetWindowTextW(box, L"");
    return 0;
  }
  if (message == WM_KEYDOWN && (wparam == VK_RETURN || wparam == VK_DOWN)) {
    SetFocus(form->ListView1());
    if (ListView_GetNextItem(form->ListView1(), -1, LVNI_FOCUSED) < 0 &&
        ListView_GetItemCount(form->ListView1()) > 0) {
      ListView_SetItemState(form->ListView1(), 0, LVIS_FOCUSED | LVIS_SELECTED,
                            LVIS_FOCUSED | LVIS_SELECTED);
    }
    return 0;
  }
  // No beep for the keys handled above.
  if (message == WM_CHAR && (wparam == VK_ESCAPE || wparam == VK_RETURN)) return 0;
  return DefSubclassProc(box, message, wparam, lparam);
}

}  // namespace

void TMainForm::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  CreateToolBar();
  list_view_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                          LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                      0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(kListView1), instance, nullptr);
  ListView_SetExtendedListViewStyle(list_view_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                    LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
  form_font_.reset(CreateFormFont(dpi_));
  SendMessageW(list_view_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), FALSE);
  // Every column is made, in one order, so that a column's index names it
  // always; a hidden one has no width and stands last.
  for (const ListColumnInfo& info : ListColumns()) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = info.centred ? LVCFMT_CENTER : LVCFMT_LEFT;
    column.cx = ScaleHere(info.width);
    column.pszText = const_cast<wchar_t*>(info.caption);
    ListView_InsertColumn(list_view_, static_cast<int>(info.column), &column);
  }
  ApplyListLayout(layout_);

  // The search box: what is typed keeps the rows that hold it.
  filter_box_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                Handle(), reinterpret_cast<HMENU>(kFilterBox), instance, nullptr);
  SendMessageW(filter_box_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), FALSE);
  SendMessageW(filter_box_, EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Search entries (Ctrl+F)"));
  SetWindowSubclass(filter_box_, FilterBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));

  status_bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                Handle(), reinterpret_cast<HMENU>(kStatusBar2), instance, nullptr);
  LayoutControls();
}

void TMainForm::CreateToolBar() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  cool_bar_ =
      CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                          RBS_AUTOSIZE | CCS_NODIVIDER,
                      0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(kCoolBar1), instance, nullptr);
  tool_bar_ =
      CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                      WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                          CCS_NODIVIDER | CCS_NOPARENTALIGN,
                      0, 0, 0, 0, cool_bar_, reinterpret_cast<HMENU>(kToolBar1), instance, nullptr);
  SendMessageW(tool_bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  interface_images_.reset(CreateInterfaceImageList(ScaleHere(16)));
  SendMessageW(tool_bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(interface_images_.get()));
  // Texts serve as tooltips only: the buttons carry no captions.
  SendMessageW(tool_bar_, TB_SETMAXTEXTROWS, 0, 0);
  AddToolButtons(tool_bar_, ToolButtons({}));
  REBARBANDINFOW band = ToolBarBandSize();
  band.fMask |= RBBIM_CHILD | RBBIM_STYLE;
  band.fStyle = RBBS_CHILDEDGE;
  band.hwndChild = tool_bar_;
  SendMessageW(cool_bar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

REBARBANDINFOW TMainForm::ToolBarBandSize() {
  SendMessageW(tool_bar_, TB_AUTOSIZE, 0, 0);
  SIZE ideal = {};
  SendMessageW(tool_bar_, TB_GETIDEALSIZE, FALSE, reinterpret_cast<LPARAM>(&ideal));
  const DWORD button_size = static_cast<DWORD>(SendMessageW(tool_bar_, TB_GETBUTTONSIZE, 0, 0));
  REBARBANDINFOW band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE;
  band.cxMinChild = static_cast<UINT>(ideal.cx);
  band.cyMinChild = HIWORD(button_size);
  band.cx = static_cast<UINT>(ideal.cx);
  return band;
}

void TMainForm::LayoutControls() {
  RECT client;
  GetClientRect(Handle(), &client);
  int top = 0;
  int bottom = client.bottom;
  if (BarShown(cool_bar_)) {
    SendMessageW(cool_bar_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(cool_bar_, &bar);
    top = bar.bottom - bar.top;
  }
  // The search box stands in a row of its own above the list.
  const int box_height = FilterBoxHeight(filter_box_);
  SetWindowPos(filter_box_, nullptr, 0, top, client.right, box_height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  top += box_height;
  if (BarShown(status_bar_)) {
    SendMessageW(status_bar_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(status_bar_, &bar);
    bottom -= bar.bottom - bar.top;
  }
  // A bar shown or hidden moves the list: its old picture, header included,
  // is not copied along but drawn anew.
  SetWindowPos(list_view_, nullptr, 0, top, client.right, std::max(0, bottom - top),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

}  // namespace korvane
