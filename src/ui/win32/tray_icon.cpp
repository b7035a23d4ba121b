#include "ui/win32/tray_icon.h"

#include <shellapi.h>

#include <cwchar>
#include <utility>

#include "platform/win32/lazy_libraries.h"
#include "ui/lifecycle.h"

namespace korvane {

namespace {

template <size_t N>
void CopyInto(wchar_t (&target)[N], const std::wstring& text) {
  wcsncpy(target, text.c_str(), N - 1);
  target[N - 1] = L'\0';
}

}  // namespace

UINT TCoolTrayIcon::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

TCoolTrayIcon::TCoolTrayIcon(HMENU menu, std::function<void(UINT)> on_command)
    : menu_(menu), on_command_(std::move(on_command)) {
  CreateForm(L"TCoolTrayIcon", L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, nullptr);
  TaskbarCreatedMessage();
}

TCoolTrayIcon::~TCoolTrayIcon() {
  HideIcon();
}

NOTIFYICONDATAW TCoolTrayIcon::IconData(UINT flags) const {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = Handle();
  data.uID = 1;
  data.uFlags = flags;
  data.uCallbackMessage = kIconMessage;
  data.hIcon = ApplicationIcon(true);
  return data;
}

bool TCoolTrayIcon::ShowIcon() {
  NOTIFYICONDATAW data = IconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  visible_ = true;
  return win32::Shell().Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void TCoolTrayIcon::HideIcon() {
  if (!visible_ || !Handle()) return;
  NOTIFYICONDATAW data = IconData(0);
  win32::Shell().Shell_NotifyIconW(NIM_DELETE, &data);
  visible_ = false;
}

bool TCoolTrayIcon::ShowBalloonHint(const std::wstring& title, const std::wstring& text,
                                    BalloonIcon icon, int timeout_seconds) {
  NOTIFYICONDATAW data = IconData(NIF_INFO);
  win32::Shell().Shell_NotifyIconW(NIM_MODIFY, &data);  // an empty text takes the old balloon away
  CopyInto(data.szInfoTitle, BalloonTitle(title));
  CopyInto(data.szInfo, BalloonText(text));
  static const DWORD kFlags[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
  data.dwInfoFlags = kFlags[static_cast<int>(icon)];
  data.uTimeout = static_cast<UINT>(timeout_seconds) * 1000;
  return win32::Shell().Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void TCoolTrayIcon::PopupMenuAtCursor() {
  POINT cursor;
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(Handle());
  const UINT command = TrackPopupMenu(menu_, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                      cursor.x, cursor.y, 0, Handle(), nullptr);
  PostMessageW(Handle(), WM_NULL, 0, 0);
  if (command) on_command_(command);
}

LRESULT TCoolTrayIcon::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kIconMessage) {
    switch (LOWORD(lparam)) {
      case WM_RBUTTONDOWN:
        PopupMenuAtCursor();
        break;
      case WM_LBUTTONDBLCLK: {
        const UINT item = GetMenuDefaultItem(menu_, FALSE, 0);
        if (item != static_cast<UINT>(-1)) on_command_(item);
        break;
      }
      case NIN_BALLOONUSERCLICK:
        if (OnBalloonHintClick) OnBalloonHintClick();
        break;
    }
    return 0;
  }
  if (message == TaskbarCreatedMessage() && message != 0) {
    if (visible_) ShowIcon();
    return 0;
  }
  if (message == WM_CLOSE) return 0;  // the icon lives as long as the program
  return TForm::HandleMessage(message, wparam, lparam);
}

}  // namespace korvane
