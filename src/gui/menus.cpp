#include "gui/menus.h"

#include <commctrl.h>

namespace korvane {

namespace {

void Fill(HMENU menu, const std::vector<MenuItem>& items) {
  for (const MenuItem& item : items) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    if (item.caption.empty() && item.items.empty()) {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE;
      info.wID = item.id;
      info.fState = item.state;
      info.dwTypeData = const_cast<wchar_t*>(item.caption.c_str());
      if (item.shield) {
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = ShieldBitmap();
      }
      if (!item.items.empty()) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = CreatePopupMenu();
        Fill(info.hSubMenu, item.items);
      }
    }
    InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
  }
}

}  // namespace

HBITMAP ShieldBitmap() {
  static HBITMAP const shield = [] {
    const int size = GetSystemMetrics(SM_CXSMICON);
    const auto icon =
        static_cast<HICON>(LoadImageW(nullptr, IDI_SHIELD, IMAGE_ICON, size, size, LR_SHARED));
    if (!icon) return HBITMAP{};
    // A 32-bit picture with its alpha: menus draw it over their own colour.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    if (picture && dc) {
      HGDIOBJ old = SelectObject(dc, picture);
      DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
      SelectObject(dc, old);
    }
    if (dc) DeleteDC(dc);
    return picture;
  }();
  return shield;
}

void ShowMenuShield(HMENU menu, UINT id, bool shield) {
  MENUITEMINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_BITMAP;
  info.hbmpItem = shield ? ShieldBitmap() : nullptr;
  SetMenuItemInfoW(menu, id, FALSE, &info);
}

HMENU BuildMenuBar(const std::vector<MenuItem>& items) {
  HMENU bar = CreateMenu();
  Fill(bar, items);
  return bar;
}

win32::Menu BuildPopupMenu(const std::vector<MenuItem>& items) {
  win32::Menu menu(CreatePopupMenu());
  Fill(menu.get(), items);
  return menu;
}

void AddToolButtons(HWND toolbar, const std::vector<ToolButton>& buttons) {
  std::vector<TBBUTTON> tb;
  for (const ToolButton& b : buttons) {
    TBBUTTON button = {};
    if (b.glyph < 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.iBitmap = b.glyph;
      button.idCommand = static_cast<int>(b.id);
      button.fsState = b.enabled ? TBSTATE_ENABLED : 0;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(b.tip.c_str());
    }
    tb.push_back(button);
  }
  SendMessageW(toolbar, TB_ADDBUTTONSW, tb.size(), reinterpret_cast<LPARAM>(tb.data()));
}

}  // namespace korvane
