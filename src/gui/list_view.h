#pragma once
// Reading and writing the rows of a report-style list view as texts.
#include <windows.h>

#include <string>
#include <vector>

namespace korvane {

struct ColumnSpec {
  const wchar_t* caption;
  int width;   // at 96 DPI
  int format;  // LVCFMT_LEFT, LVCFMT_CENTER
};
void AddListColumns(HWND list, const std::vector<ColumnSpec>& columns);

// One cell's text, read whole however long it is.
std::wstring ListItemText(HWND list, int item, int column);
// The selected items' indexes, first to last.
std::vector<int> SelectedListItems(HWND list);

// Appends an item: `texts[0]` is its caption, the others its sub-items.
void AppendListItem(HWND list, int image, const std::vector<std::wstring>& texts);

}  // namespace korvane
