#pragma once
// Menus, popups and toolbars built from tables.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"

namespace korvane {

// One item: a separator when it has neither caption nor items; a submenu
// when it has items (its `id` then names the submenu item itself, so that
// it can be enabled by command like any other item).
struct MenuItem {
  UINT id = 0;
  std::wstring caption;
  UINT state = 0;       // MFS_CHECKED, MFS_GRAYED, MFS_DEFAULT
  bool shield = false;  // the command needs administrator rights
  std::vector<MenuItem> items;
};

// The system's shield, as a menu item's picture (made once, kept while the
// program runs); null when the system has none.
HBITMAP ShieldBitmap();
// Shows or takes away the shield on the item `id` of `menu`.
void ShowMenuShield(HMENU menu, UINT id, bool shield);

// A menu bar for a window (destroyed with the window it is set on).
HMENU BuildMenuBar(const std::vector<MenuItem>& items);
win32::Menu BuildPopupMenu(const std::vector<MenuItem>& items);

// One toolbar button; a separator when `glyph` is negative. `tip` is shown
// as the tooltip only.
struct ToolButton {
  int glyph = -1;
  UINT id = 0;
  std::wstring tip;
  bool enabled = true;
};
void AddToolButtons(HWND toolbar, const std::vector<ToolButton>& buttons);

}  // namespace korvane
