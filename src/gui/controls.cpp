#include "gui/controls.h"

#include <shellapi.h>

#include "gui/metrics.h"
#include "platform/win32/lazy_libraries.h"

namespace korvane {

HWND AddControl(HWND form, const wchar_t* window_class, const wchar_t* text, DWORD style, int x,
                int y, int width, int height, UINT id, DWORD ex_style) {
  HWND control = CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style,
                                 Scale(x), Scale(y), Scale(width), Scale(height), form,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
  return control;
}

SIZE WindowSizeForClient(DWORD style, DWORD ex_style, int client_width, int client_height) {
  RECT rect = {0, 0, Scale(client_width), Scale(client_height)};
  AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void AddHint(HWND tooltips, HWND control, const wchar_t* text) {
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text);
  SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring ControlText(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

HIMAGELIST SystemSmallIcons() {
  SHFILEINFOW info = {};
  return reinterpret_cast<HIMAGELIST>(win32::Shell().SHGetFileInfoW(
      L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

}  // namespace korvane
