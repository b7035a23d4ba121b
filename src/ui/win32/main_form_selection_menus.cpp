// The main window's commands that follow the selection: the toolbar's and
// the File menu's enabling, and the list's context menu.
#include "ui/win32/main_form.h"

#include <commctrl.h>

#include "ui/list_rules.h"
#include "ui/win32/command_bars.h"

namespace korvane {

void TMainForm::ListView1Click() {
  const SelectionState selection = SelectionOf(SelectedRows());
  // Tells why Delete or Move to went grey for a task or a service; at the
  // next click elsewhere the bar says again what it said before.
  if (!selection.why_not.empty()) {
    SetStatusText(selection.why_not);
  } else if (showing_why_not_) {
    showing_count_ = true;
    ShowListStatus();
  }
  showing_why_not_ = !selection.why_not.empty();
  const std::vector<ToolButton> buttons = ToolButtons(selection);
  for (size_t i = 0; i < buttons.size(); ++i) {
    const ToolButton& button = buttons[i];
    if (!button.id) continue;
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_BYINDEX | TBIF_COMMAND | TBIF_IMAGE | TBIF_TEXT | TBIF_STATE;
    info.idCommand = static_cast<int>(button.id);
    info.iImage = button.glyph;
    info.pszText = const_cast<wchar_t*>(button.tip.c_str());
    info.fsState = button.enabled ? TBSTATE_ENABLED : 0;
    SendMessageW(tool_bar_, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
  }
}

void TMainForm::File1Click(HMENU menu) {
  EnableMenuCommands(menu, MainMenuLayout()[0].items, SelectionOf(SelectedRows()));
}

win32::Menu TMainForm::ListPopupPopup() {
  const StartupList selected = SelectedRows();
  const SelectionState selection = FreshSelectionOf(selected);
  return BuildPopupMenu(MenuItems(
      ListPopupLayout(!selected.empty()),
      [&](CommandId id) -> UINT {
        if (id == Showgridlines2) return ListStyle(LVS_EX_GRIDLINES) ? MFS_CHECKED : 0;
        if (id == Rowselection2) return ListStyle(LVS_EX_FULLROWSELECT) ? MFS_CHECKED : 0;
        return CommandEnabled(id, selection) ? 0 : MFS_GRAYED;
      },
      &selection));
}

void TMainForm::ShowListPopup(POINT at) {
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: at the focused row, or at the list's corner.
    RECT place = {};
    const int focused = ListView_GetNextItem(list_view_, -1, LVNI_FOCUSED);
    if (focused < 0 || !ListView_GetItemRect(list_view_, focused, &place, LVIR_LABEL)) {
      GetClientRect(list_view_, &place);
    }
    at = {place.left, place.bottom};
    ClientToScreen(list_view_, &at);
  }
  win32::Menu menu = ListPopupPopup();
  const UINT id =
      TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, Handle(), nullptr);
  if (id) OnCommand(id);
}

}  // namespace korvane
