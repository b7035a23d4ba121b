#include "support/windows.h"

#include <commctrl.h>

namespace korvane::testing {

namespace {
MessageBoxAnswerer* current = nullptr;

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}
}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(int answer)
    : hook_(SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId())), answer_(answer) {
  current = this;
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  UnhookWindowsHookEx(hook_);
  current = nullptr;
}

LRESULT CALLBACK MessageBoxAnswerer::Hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE && current) {
    auto window = reinterpret_cast<HWND>(wparam);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (std::wstring(class_name) == L"#32770") {
      current->boxes_.push_back({WindowText(window), WindowText(GetDlgItem(window, 0xFFFF))});
      PostMessageW(window, WM_COMMAND, current->answer_, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::wstring MenuCaption(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  std::wstring caption;
  for (const wchar_t* c = text; *c && *c != L'\t'; ++c) {
    if (*c != L'&') caption += *c;
  }
  return caption;
}

std::vector<std::wstring> MenuCaptions(HMENU menu) {
  std::vector<std::wstring> captions;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    captions.push_back((info.fType & MFT_SEPARATOR) ? L"-"
                                                    : MenuCaption(menu, static_cast<UINT>(i)));
  }
  return captions;
}

bool MenuItemEnabled(HMENU menu, UINT id) {
  return (GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

ScanCounter::ScanCounter(HWND status_bar) : status_bar_(status_bar) {
  SetWindowSubclass(status_bar_, Count, 1, reinterpret_cast<DWORD_PTR>(this));
}

ScanCounter::~ScanCounter() {
  RemoveWindowSubclass(status_bar_, Count, 1);
}

LRESULT CALLBACK ScanCounter::Count(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR self) {
  if (message == SB_SETTEXTW && *reinterpret_cast<const wchar_t*>(lparam)) {
    ++reinterpret_cast<ScanCounter*>(self)->scans_;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace korvane::testing
