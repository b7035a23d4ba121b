// The main list: a virtual list view that draws the startup list model. The
// control keeps only which rows are selected and focused; every text comes
// from the model.
#include "ui/win32/main_form.h"

#include <commctrl.h>

#include "gui/controls.h"
#include "gui/list_view.h"
#include "platform/shell.h"

namespace korvane {

namespace {

const wchar_t kYes[] = L"Yes";
const wchar_t kNo[] = L"No";
const wchar_t kEnabled[] = L"Enabled";
const wchar_t kDisabled[] = L"Disabled";

// Where the old row `index` went; -1 when it is gone.
ptrdiff_t NewPlace(const std::vector<ptrdiff_t>& old_to_new, int index) {
  return index >= 0 && static_cast<size_t>(index) < old_to_new.size() ? old_to_new[index] : -1;
}

}  // namespace

StartupList TMainForm::SelectedRows() const {
  std::vector<size_t> indices;
  for (int i : SelectedListItems(list_view_)) indices.push_back(static_cast<size_t>(i));
  return model_.RowsAt(indices);
}

void TMainForm::RowsChanged(const std::vector<ptrdiff_t>& old_to_new) {
  // What the user had before the change, in old places.
  const std::vector<int> selected = SelectedListItems(list_view_);
  const int focused = ListView_GetNextItem(list_view_, -1, LVNI_FOCUSED);
  const int old_count = ListView_GetItemCount(list_view_);
  const int old_top = old_count > 0 ? ListView_GetTopIndex(list_view_) : 0;
  // The top row stays on top; when it went, the first of the rows below it
  // that stayed.
  ptrdiff_t top = -1;
  for (int i = old_top; i < old_count && top < 0; ++i) top = NewPlace(old_to_new, i);

  std::vector<RowIcon> icons(Rows().size());
  for (size_t i = 0; i < old_to_new.size() && i < icons_.size(); ++i) {
    if (old_to_new[i] >= 0) icons[old_to_new[i]] = std::move(icons_[i]);
  }
  icons_ = std::move(icons);

  SendMessageW(list_view_, WM_SETREDRAW, FALSE, 0);
  // Row by row: the control would otherwise visit every row of the list.
  for (int i : selected) ListView_SetItemState(list_view_, i, 0, LVIS_SELECTED);
  if (focused >= 0) ListView_SetItemState(list_view_, focused, 0, LVIS_FOCUSED);
  ListView_SetItemCountEx(list_view_, static_cast<int>(Rows().size()), LVSICF_NOSCROLL);
  for (int i : selected) {
    if (ptrdiff_t at = NewPlace(old_to_new, i); at >= 0) {
      ListView_SetItemState(list_view_, static_cast<int>(at), LVIS_SELECTED, LVIS_SELECTED);
    }
  }
  if (ptrdiff_t at = NewPlace(old_to_new, focused); at >= 0) {
    ListView_SetItemState(list_view_, static_cast<int>(at), LVIS_FOCUSED, LVIS_FOCUSED);
  }
  if (top >= 0) {
    const int now = ListView_GetTopIndex(list_view_);
    RECT row = {};
    if (now != top && ListView_GetItemRect(list_view_, 0, &row, LVIR_BOUNDS)) {
      ListView_Scroll(list_view_, 0, (static_cast<int>(top) - now) * (row.bottom - row.top));
    }
  }
  SendMessageW(list_view_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_view_, nullptr, TRUE);
}

void TMainForm::AttachSystemIcons() {
  // The system's small-icon list: shared by every program, never destroyed.
  ListView_SetImageList(list_view_, SystemSmallIcons(), LVSIL_SMALL);
  ListView_SetImageList(list_view_, SystemSmallIcons(), LVSIL_NORMAL);
}

LRESULT TMainForm::OnNotify(NMHDR& header) {
  if (header.hwndFrom == list_view_) {
    // A switched-off entry is drawn grey.
    if (header.code == NM_CUSTOMDRAW) {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.dwItemSpec < Rows().size() &&
          !Rows()[draw.nmcd.dwItemSpec].enabled) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
      }
      return CDRF_DODEFAULT;
    }
    if (header.code == LVN_GETDISPINFOW) {
      ListView1GetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(header).item);
    }
    if (header.code == NM_CLICK) PostMessageW(Handle(), kListClicked, 0, 0);
    if (header.code == NM_DBLCLK) OnCommand(Run1);
    // The keys of Explorer's lists: Enter opens, Del deletes.
    if (header.code == LVN_KEYDOWN) {
      const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
      if (key == VK_RETURN) OnCommand(Run1);
      if (key == VK_DELETE) OnCommand(Deletestartupentry1);
    }
  }
  return 0;
}

void TMainForm::ListView1GetDispInfo(LVITEMW& item) {
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= Rows().size()) return;
  const StartupEntry& row = Rows()[item.iItem];
  if (item.mask & LVIF_TEXT) {
    const wchar_t* text = L"";
    switch (item.iSubItem) {
      case 0:
        text = row.name.c_str();
        break;
      case 1:
        text = row.running ? kYes : kNo;
        break;
      case 2:
        text = row.enabled ? kEnabled : kDisabled;
        break;
      case 3:
        text = row.file_name.c_str();
        break;
      case 4:
        text = row.parameters.c_str();
        break;
      case 5:
        text = row.location.c_str();
        break;
    }
    if (item.cchTextMax > 0) lstrcpynW(item.pszText, text, item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) {
    // Looked up when a row is first drawn, and kept while the row starts
    // the same file.
    RowIcon& icon = icons_[item.iItem];
    if (icon.index < 0 || icon.file_name != row.file_name) {
      icon = {row.file_name, CachedIconIndex(row.file_name)};
    }
    item.iImage = icon.index;
  }
}

}  // namespace korvane
