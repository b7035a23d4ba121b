// The View commands: the bars, the list's grid lines and row selection, its
// font and its background colour.
#include "ui/win32/main_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include "gui/metrics.h"
#include "platform/win32/lazy_libraries.h"

namespace korvane {

void TMainForm::OnViewCommand(CommandId id) {
  switch (id) {
    case oolbar1:
      ShowWindow(cool_bar_, ToggleAutoCheck(oolbar1) ? SW_SHOW : SW_HIDE);
      LayoutControls();
      break;
    case Statusbar1:
      ShowWindow(status_bar_, ToggleAutoCheck(Statusbar1) ? SW_SHOW : SW_HIDE);
      LayoutControls();
      break;
    case Showgridlines1:
      SetListStyle(LVS_EX_GRIDLINES, ToggleAutoCheck(Showgridlines1));
      break;
    case Rowselection1:
      SetListStyle(LVS_EX_FULLROWSELECT, ToggleAutoCheck(Rowselection1));
      break;
    // The context menu's twins were checked by the list's state when it opened.
    case Showgridlines2:
      SetListStyle(LVS_EX_GRIDLINES, !ListStyle(LVS_EX_GRIDLINES));
      break;
    case Rowselection2:
      SetListStyle(LVS_EX_FULLROWSELECT, !ListStyle(LVS_EX_FULLROWSELECT));
      break;
    case Font1:
      Font1Click();
      break;
    case Backgroundcolor1:
      Backgroundcolor1Click();
      break;
    case SelectAll:
      // In the search box Ctrl+A takes its text, as in any edit box.
      if (GetFocus() == filter_box_) {
        SendMessageW(filter_box_, EM_SETSEL, 0, -1);
      } else {
        ListView_SetItemState(list_view_, -1, LVIS_SELECTED, LVIS_SELECTED);
      }
      break;
    case Searchentries1:
      SetFocus(filter_box_);
      SendMessageW(filter_box_, EM_SETSEL, 0, -1);
      break;
    case Publishercolumn1:
      ShowColumn(ListColumn::Publisher, ToggleAutoCheck(Publishercolumn1));
      break;
    case Descriptioncolumn1:
      ShowColumn(ListColumn::Description, ToggleAutoCheck(Descriptioncolumn1));
      break;
    case Signaturecolumn1:
      ShowColumn(ListColumn::Signature, ToggleAutoCheck(Signaturecolumn1));
      break;
    case HideWindowsentries1:
      hide_windows_ = ToggleAutoCheck(HideWindowsentries1);
      StoreHideWindowsEntries(hide_windows_);
      UpdateShownRows(SamePlaces(Rows().size()));
      break;
    default:
      break;
  }
}

void TMainForm::View1Click(HMENU menu) {
  CheckMenuItem(menu, Showgridlines1, ListStyle(LVS_EX_GRIDLINES) ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, Rowselection1, ListStyle(LVS_EX_FULLROWSELECT) ? MF_CHECKED : MF_UNCHECKED);
}

bool TMainForm::ListStyle(DWORD style) const {
  return (ListView_GetExtendedListViewStyle(list_view_) & style) != 0;
}

void TMainForm::SetListStyle(DWORD style, bool on) {
  ListView_SetExtendedListViewStyleEx(list_view_, style, on ? style : 0);
}

bool TMainForm::ToggleAutoCheck(UINT id) {
  const bool checked = (GetMenuState(main_menu_, id, MF_BYCOMMAND) & MF_CHECKED) == 0;
  CheckMenuItem(main_menu_, id, checked ? MF_CHECKED : MF_UNCHECKED);
  return checked;
}

void TMainForm::Font1Click() {
  LOGFONTW font = {};
  auto current = reinterpret_cast<HFONT>(SendMessageW(list_view_, WM_GETFONT, 0, 0));
  GetObjectW(current ? current : FormFont(), sizeof(font), &font);
  CHOOSEFONTW choose = {};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = Handle();
  choose.lpLogFont = &font;
  choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  choose.rgbColors = ListView_GetTextColor(list_view_);
  if (!win32::CommonDialogs().ChooseFontW(&choose)) return;
  win32::Font chosen(CreateFontIndirectW(&font));
  if (!chosen) return;
  SendMessageW(list_view_, WM_SETFONT, reinterpret_cast<WPARAM>(chosen.get()), TRUE);
  list_font_ = std::move(chosen);
  ListView_SetTextColor(list_view_, choose.rgbColors);
  // The header grows with the font: the list is laid out again and drawn
  // anew, header included, so that no part of the old rows stays beside it.
  LayoutControls();
  RedrawWindow(list_view_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TMainForm::Backgroundcolor1Click() {
  CHOOSECOLORW choose = {};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = Handle();
  choose.rgbResult = ListView_GetBkColor(list_view_);
  choose.lpCustColors = custom_colors_;
  choose.Flags = CC_RGBINIT;
  if (!win32::CommonDialogs().ChooseColorW(&choose)) return;
  ListView_SetBkColor(list_view_, choose.rgbResult);
  ListView_SetTextBkColor(list_view_, choose.rgbResult);
  InvalidateRect(list_view_, nullptr, TRUE);
}

}  // namespace korvane
