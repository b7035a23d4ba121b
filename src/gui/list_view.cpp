#include "gui/list_view.h"

#include <commctrl.h>

#include "gui/metrics.h"

namespace korvane {

void AddListColumns(HWND list, const std::vector<ColumnSpec>& columns) {
  int index = 0;
  for (const ColumnSpec& c : columns) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = c.format;
    column.cx = Scale(c.width);
    column.pszText = const_cast<wchar_t*>(c.caption);
    ListView_InsertColumn(list, index++, &column);
  }
}

std::wstring ListItemText(HWND list, int item, int column) {
  std::wstring text(260, L'\0');
  for (;;) {
    LVITEMW lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = text.data();
    lvi.cchTextMax = static_cast<int>(text.size());
    const auto length = static_cast<size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi)));
    // A text that fills the buffer may have been cut: try again with more room.
    if (length + 1 < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

std::vector<int> SelectedListItems(HWND list) {
  std::vector<int> items;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    items.push_back(i);
  }
  return items;
}

void AppendListItem(HWND list, int image, const std::vector<std::wstring>& texts) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ListView_GetItemCount(list);
  item.pszText = const_cast<wchar_t*>(texts.empty() ? L"" : texts[0].c_str());
  item.iImage = image;
  const int at = ListView_InsertItem(list, &item);
  for (size_t column = 1; column < texts.size(); ++column) {
    ListView_SetItemText(list, at, static_cast<int>(column),
                         const_cast<wchar_t*>(texts[column].c_str()));
  }
}

}  // namespace korvane
