// The main list: a virtual list view that draws the startup list model,
// filtered and sorted. The control keeps only which rows are selected and
// focused; every text comes from the model and from what is known of the
// program files, and `shown_` maps the control's rows to the model's.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>

#include "catalogue/signers.h"
#include "gui/controls.h"
#include "gui/list_view.h"
#include "gui/metrics.h"
#include "platform/shell.h"
#include "ui/win32/main_form.h"

namespace korvane {

namespace {

// A program file that is gone is drawn in a warning colour.
constexpr COLORREF kMissingFileColour = RGB(0xC0, 0x00, 0x00);

// Where the old row `index` went; -1 when it is gone.
ptrdiff_t NewPlace(const std::vector<ptrdiff_t>& old_to_new, size_t index) {
  return index < old_to_new.size() ? old_to_new[index] : -1;
}

}  // namespace

StartupList TMainForm::SelectedRows() const {
  std::vector<size_t> indices;
  for (int i : SelectedListItems(list_view_)) {
    if (static_cast<size_t>(i) < shown_.size()) indices.push_back(ModelRow(i));
  }
  // Commands walk the rows from first to last in scan order, whatever the
  // list's order.
  std::sort(indices.begin(), indices.end());
  return model_.RowsAt(indices);
}

int TMainForm::ListItemOf(size_t model_row) const {
  const auto found = std::find(shown_.begin(), shown_.end(), model_row);
  return found == shown_.end() ? -1 : static_cast<int>(found - shown_.begin());
}

const FileFacts* TMainForm::FactsOf(size_t model_row) const {
  return model_row < facts_.size() && facts_[model_row] ? &*facts_[model_row] : nullptr;
}

void TMainForm::RowsChanged(const std::vector<ptrdiff_t>& old_to_new) {
  std::vector<RowIcon> icons(Rows().size());
  for (size_t i = 0; i < old_to_new.size() && i < icons_.size(); ++i) {
    if (old_to_new[i] >= 0) icons[old_to_new[i]] = std::move(icons_[i]);
  }
  icons_ = std::move(icons);
  // What is known of the files comes along; files new to the list are asked
  // for (and the known ones looked at again, should they have changed).
  facts_.assign(Rows().size(), std::nullopt);
  std::vector<std::wstring> files;
  files.reserve(Rows().size());
  for (size_t i = 0; i < Rows().size(); ++i) {
    if (file_facts_) facts_[i] = file_facts_->Known(Rows()[i].file_name);
    files.push_back(Rows()[i].file_name);
  }
  if (file_facts_) file_facts_->Ask(files);
  UpdateShownRows(old_to_new);
}

void TMainForm::UpdateShownRows(const std::vector<ptrdiff_t>& old_to_new) {
  // What the user had before the change, in the old list's places.
  const std::vector<int> selected_items = SelectedListItems(list_view_);
  const int focused = ListView_GetNextItem(list_view_, -1, LVNI_FOCUSED);
  const int old_count = ListView_GetItemCount(list_view_);
  const int old_top = old_count > 0 ? ListView_GetTopIndex(list_view_) : 0;
  const std::vector<size_t> old_shown = shown_;

  // Windows' own rows go once their signature says so, never before.
  const auto hidden = [this](size_t row) { return hide_windows_ && IsWindowsEntry(Rows()[row]); };
  windows_hidden_ =
      hide_windows_
          ? static_cast<size_t>(std::count_if(Rows().begin(), Rows().end(), IsWindowsEntry))
          : 0;
  shown_ = ShownRows(
      Rows().size(),
      [this](size_t row, ListColumn column) { return CellText(Rows()[row], column, FactsOf(row)); },
      layout_.shown, filter_, order_, hidden);
  std::vector<ptrdiff_t> model_to_item(Rows().size(), -1);
  for (size_t i = 0; i < shown_.size(); ++i) model_to_item[shown_[i]] = static_cast<ptrdiff_t>(i);
  // An old item's place in the new list: through its old and new scan rows.
  auto new_item = [&](int item) -> ptrdiff_t {
    if (item < 0 || static_cast<size_t>(item) >= old_shown.size()) return -1;
    const ptrdiff_t row = NewPlace(old_to_new, old_shown[item]);
    return row < 0 ? -1 : model_to_item[row];
  };
  // The top row stays on top; when it went, the first of the rows below it
  // that stayed.
  ptrdiff_t top = -1;
  for (int i = old_top; i < old_count && top < 0; ++i) top = new_item(i);

  SendMessageW(list_view_, WM_SETREDRAW, FALSE, 0);
  // Row by row: the control would otherwise visit every row of the list.
  for (int i : selected_items) ListView_SetItemState(list_view_, i, 0, LVIS_SELECTED);
  if (focused >= 0) ListView_SetItemState(list_view_, focused, 0, LVIS_FOCUSED);
  ListView_SetItemCountEx(list_view_, static_cast<int>(shown_.size()), LVSICF_NOSCROLL);
  for (int i : selected_items) {
    if (ptrdiff_t at = new_item(i); at >= 0) {
      ListView_SetItemState(list_view_, static_cast<int>(at), LVIS_SELECTED, LVIS_SELECTED);
    }
  }
  if (ptrdiff_t at = new_item(focused); at >= 0) {
    ListView_SetItemState(list_view_, static_cast<int>(at), LVIS_FOCUSED, LVIS_FOCUSED);
  }
  SendMessageW(list_view_, WM_SETREDRAW, TRUE, 0);
  // Only with drawing on again does the list know how far it can scroll now:
  // before, a list scrolled to its end could not follow its top row down.
  if (top >= 0) {
    const int now = ListView_GetTopIndex(list_view_);
    RECT row = {};
    if (now != top && ListView_GetItemRect(list_view_, 0, &row, LVIR_BOUNDS)) {
      ListView_Scroll(list_view_, 0, (static_cast<int>(top) - now) * (row.bottom - row.top));
    }
  }
  InvalidateRect(list_view_, nullptr, TRUE);
  ShowListStatus();
}

void TMainForm::ShowListStatus() {
  // Without a filter or hidden rows the bar stays as it is: empty between
  // scans.
  const bool counting = !filter_.empty() || windows_hidden_ > 0;
  if (!counting && !showing_count_ && unread_.empty()) return;
  showing_count_ = counting || !unread_.empty();
  std::wstring text = counting ? ShownCountText(shown_.size(), Rows().size() - windows_hidden_,
                                                !filter_.empty(), windows_hidden_)
                               : L"";
  if (!unread_.empty()) text = unread_ + (text.empty() ? L"" : L"  " + text);
  SetStatusText(text);
}

void TMainForm::SetUnreadSources(const std::wstring& unread) {
  if (unread == unread_) return;
  unread_ = unread;
  showing_count_ = true;  // the bar is cleared when the sources are read again
  ShowListStatus();
}

void TMainForm::SetFilter(const std::wstring& text) {
  if (text == filter_) return;
  filter_ = text;
  UpdateShownRows(SamePlaces(Rows().size()));
}

void TMainForm::ListView1ColumnClick(ListColumn column) {
  order_ = NextOrder(order_, column);
  ShowSortArrow();
  UpdateShownRows(SamePlaces(Rows().size()));
}

void TMainForm::ShowSortArrow() {
  HWND header = ListView_GetHeader(list_view_);
  for (size_t i = 0; i < kListColumnCount; ++i) {
    HDITEMW item = {};
    item.mask = HDI_FORMAT;
    if (!Header_GetItem(header, static_cast<int>(i), &item)) continue;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (order_.column && static_cast<size_t>(*order_.column) == i) {
      item.fmt |= order_.descending ? HDF_SORTDOWN : HDF_SORTUP;
    }
    Header_SetItem(header, static_cast<int>(i), &item);
  }
}

void TMainForm::TakeFileFacts() {
  if (!file_facts_) return;
  bool changed = false;
  for (size_t i = 0; i < Rows().size(); ++i) {
    std::optional<FileFacts> facts = file_facts_->Known(Rows()[i].file_name);
    if (!facts) continue;
    if (!facts_[i] || facts_[i]->found != facts->found ||
        facts_[i]->publisher != facts->publisher || facts_[i]->description != facts->description ||
        facts_[i]->signature != facts->signature) {
      facts_[i] = std::move(facts);
      changed = true;
    }
  }
  if (!changed) return;
  // The new texts may let rows through the filter or move them in the order.
  if (!filter_.empty() || order_.column) {
    UpdateShownRows(SamePlaces(Rows().size()));
  } else {
    InvalidateRect(list_view_, nullptr, FALSE);
  }
}

bool TMainForm::WaitForFileFacts(unsigned milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (file_facts_ && file_facts_->Idle()) {
      TakeFileFacts();
      return true;
    }
    Sleep(5);
  }
  return false;
}

void TMainForm::AttachSystemIcons() {
  // The system's small-icon list: shared by every program, never destroyed.
  ListView_SetImageList(list_view_, SystemSmallIcons(), LVSIL_SMALL);
  ListView_SetImageList(list_view_, SystemSmallIcons(), LVSIL_NORMAL);
  // The program files are looked at once the list shows: the first paint
  // does not wait for them.
  if (!file_facts_) {
    HWND window = Handle();
    file_facts_ = std::make_unique<FileFactsKeeper>(
        [window] { PostMessageW(window, kFileFactsAnswered, 0, 0); });
    std::vector<std::wstring> files;
    for (const StartupEntry& row : Rows()) files.push_back(row.file_name);
    file_facts_->Ask(files);
  }
}

LRESULT TMainForm::OnNotify(NMHDR& header) {
  if (header.hwndFrom == ListView_GetHeader(list_view_)) {
    // A hidden column keeps no width the user could drag open.
    if (header.code == HDN_BEGINTRACKW || header.code == HDN_BEGINTRACKA ||
        header.code == HDN_DIVIDERDBLCLICKW || header.code == HDN_DIVIDERDBLCLICKA) {
      const int item = reinterpret_cast<NMHEADERW&>(header).iItem;
      const auto column = static_cast<ListColumn>(item);
      return item >= 0 && static_cast<size_t>(item) < kListColumnCount &&
             std::find(layout_.shown.begin(), layout_.shown.end(), column) == layout_.shown.end();
    }
    return 0;
  }
  if (header.hwndFrom == list_view_) {
    // A switched-off entry is drawn grey, one whose file is gone in the
    // warning colour.
    if (header.code == NM_CUSTOMDRAW) {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.dwItemSpec < shown_.size()) {
        const size_t row = shown_[draw.nmcd.dwItemSpec];
        if (ProgramFileMissing(Rows()[row], FactsOf(row))) {
          draw.clrText = kMissingFileColour;
        } else if (!Rows()[row].enabled) {
          draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        }
      }
      return CDRF_DODEFAULT;
    }
    if (header.code == LVN_GETDISPINFOW) {
      ListView1GetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(header).item);
    }
    if (header.code == LVN_COLUMNCLICK) {
      const int column = reinterpret_cast<NMLISTVIEW&>(header).iSubItem;
      if (column >= 0 && static_cast<size_t>(column) < kListColumnCount) {
        ListView1ColumnClick(static_cast<ListColumn>(column));
      }
    }
    const bool selection_changed =
        header.code == LVN_ITEMCHANGED && ((reinterpret_cast<const NMLISTVIEW&>(header).uNewState ^
                                            reinterpret_cast<const NMLISTVIEW&>(header).uOldState) &
                                           LVIS_SELECTED);
    if ((header.code == NM_CLICK || selection_changed) && !list_click_posted_) {
      list_click_posted_ = PostMessageW(Handle(), kListClicked, 0, 0);
    }
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
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= shown_.size()) return;
  const size_t index = shown_[item.iItem];
  const StartupEntry& row = Rows()[index];
  if (item.mask & LVIF_TEXT) {
    if (item.iSubItem >= 0 && static_cast<size_t>(item.iSubItem) < kListColumnCount &&
        item.cchTextMax > 0) {
      const std::wstring text =
          CellText(row, static_cast<ListColumn>(item.iSubItem), FactsOf(index));
      lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
  }
  if (item.mask & LVIF_IMAGE) {
    // Looked up when a row is first drawn, and kept while the row starts
    // the same file.
    RowIcon& icon = icons_[index];
    if (icon.index < 0 || icon.file_name != row.file_name) {
      icon = {row.file_name, CachedIconIndex(row.file_name)};
    }
    item.iImage = icon.index;
  }
}

ListLayout TMainForm::CurrentListLayout() const {
  ListLayout layout = layout_;
  std::vector<int> order(kListColumnCount);
  ListView_GetColumnOrderArray(list_view_, static_cast<int>(order.size()), order.data());
  layout.shown.clear();
  for (int index : order) {
    const auto column = static_cast<ListColumn>(index);
    if (std::find(layout_.shown.begin(), layout_.shown.end(), column) == layout_.shown.end()) {
      continue;
    }
    layout.shown.push_back(column);
    layout.widths[index] = MulDiv(ListView_GetColumnWidth(list_view_, index), 96, dpi_);
  }
  return layout;
}

void TMainForm::ApplyListLayout(const ListLayout& layout) {
  layout_ = layout;
  // Hidden columns are there, without width, after the shown ones.
  std::vector<int> order;
  for (ListColumn column : layout.shown) order.push_back(static_cast<int>(column));
  for (size_t i = 0; i < kListColumnCount; ++i) {
    if (std::find(order.begin(), order.end(), static_cast<int>(i)) == order.end()) {
      order.push_back(static_cast<int>(i));
    }
  }
  for (size_t i = 0; i < kListColumnCount; ++i) {
    const bool shown = std::find(layout.shown.begin(), layout.shown.end(),
                                 static_cast<ListColumn>(i)) != layout.shown.end();
    ListView_SetColumnWidth(list_view_, static_cast<int>(i),
                            shown ? ScaleHere(layout.widths[i]) : 0);
  }
  ListView_SetColumnOrderArray(list_view_, static_cast<int>(order.size()), order.data());
  InvalidateRect(list_view_, nullptr, TRUE);
}

void TMainForm::ShowColumn(ListColumn column, bool shown) {
  ListLayout layout = CurrentListLayout();
  auto at = std::find(layout.shown.begin(), layout.shown.end(), column);
  if (shown && at == layout.shown.end()) {
    layout.shown.push_back(column);
    // A column the user had dragged shut comes back where it can be seen.
    int& width = layout.widths[static_cast<size_t>(column)];
    if (width < 8) width = ColumnInfo(column).width;
  }
  if (!shown && at != layout.shown.end()) layout.shown.erase(at);
  ApplyListLayout(layout);
  StoreListLayout(layout);
  // A filter looks through the shown columns only.
  if (!filter_.empty()) {
    UpdateShownRows(SamePlaces(Rows().size()));
  }
}

}  // namespace korvane
