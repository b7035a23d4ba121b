#include "gui/form.h"

#include <cstdint>

#include "gui/guard.h"
#include "gui/metrics.h"
#include "gui/placement.h"
#include "platform/error.h"

namespace korvane {

HICON ApplicationIcon(bool small_icon) {
  const int size = GetSystemMetrics(small_icon ? SM_CXSMICON : SM_CXICON);
  // Shared icons from LoadImage need no owner.
  HANDLE icon =
      LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, LR_SHARED);
  // The system's icon at the size asked too: at no size it comes as its
  // largest image, 256 pixels square, which the notification area is sent
  // whole with every change of the tray icon.
  if (!icon) icon = LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, size, size, LR_SHARED);
  return static_cast<HICON>(icon);
}

namespace {

// The program is aware of each monitor's DPI, but only the main window
// scales itself when it moves; the dialogs are laid out at the system's DPI
// and made system-aware, so that on a monitor of another scale Windows
// scales them whole rather than showing them too small. Their child controls
// take the dialog's awareness. Before Windows 10 there is nothing to set.
class SystemAwareWhileInScope {
 public:
  SystemAwareWhileInScope() {
    using SetContextFn = HANDLE(WINAPI*)(HANDLE);
    static const auto set_context = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    set_ = set_context;
    // DPI_AWARENESS_CONTEXT_SYSTEM_AWARE
    if (set_) previous_ = set_(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)));
  }
  ~SystemAwareWhileInScope() {
    if (set_ && previous_) set_(previous_);
  }
  SystemAwareWhileInScope(const SystemAwareWhileInScope&) = delete;
  SystemAwareWhileInScope& operator=(const SystemAwareWhileInScope&) = delete;

 private:
  HANDLE(WINAPI* set_)(HANDLE) = nullptr;
  HANDLE previous_ = nullptr;
};

}  // namespace

TForm::~TForm() {
  if (handle_) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

void TForm::CreateForm(const wchar_t* class_name, const std::wstring& caption, DWORD style,
                       DWORD ex_style, int width, int height, HWND owner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing = {};
  if (!GetClassInfoExW(instance, class_name, &existing)) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = ApplicationIcon(false);
    wc.hIconSm = ApplicationIcon(true);
    wc.lpszClassName = class_name;
    RegisterClassExW(&wc);
  }
  if (!ScalesPerMonitor) {
    const SystemAwareWhileInScope system_aware;
    CreateWindowExW(ex_style, class_name, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                    width, height, owner, nullptr, instance, this);
  } else {
    CreateWindowExW(ex_style, class_name, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                    width, height, owner, nullptr, instance, this);
  }
  if (!handle_) throw PlatformError(L"Failed to create the window " + std::wstring(class_name));
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE && in_modal_) {
    EndModal(IDCANCEL);
    return 0;
  }
  if (message == WM_CLOSE) {
    ShowWindow(handle_, SW_HIDE);
    return 0;
  }
  return DefWindowProcW(handle_, message, wparam, lparam);
}

LRESULT CALLBACK TForm::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    // A window of a form's class made by anyone but CreateForm has no form.
    if (auto* form =
            static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams)) {
      form->handle_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
  }
  auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    form->handle_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return DefWindowProcW(window, message, wparam, lparam);
  }
  LRESULT result = 0;
  Guarded(window, [&] { result = form->HandleMessage(message, wparam, lparam); });
  return result;
}

int TForm::ShowModal(HWND owner) {
  if (in_modal_) return IDCANCEL;
  if (owner) SetWindowLongPtrW(handle_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  PlaceOnOwner(handle_, owner);
  in_modal_ = true;
  modal_result_ = IDCANCEL;
  const bool owner_was_enabled = owner && IsWindowEnabled(owner);
  if (owner_was_enabled) EnableWindow(owner, FALSE);
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
  MSG msg;
  while (in_modal_ && handle_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The quit request belongs to the outer loop.
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (IsDialogMessageW(handle_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  in_modal_ = false;
  // The owner comes back before the dialog hides, so it takes the focus directly.
  if (owner_was_enabled) EnableWindow(owner, TRUE);
  if (owner) SetActiveWindow(owner);
  if (handle_) ShowWindow(handle_, SW_HIDE);
  return modal_result_;
}

void TForm::EndModal(int result) {
  modal_result_ = result;
  in_modal_ = false;
  PostMessageW(handle_, WM_NULL, 0, 0);  // wakes the modal loop
}

namespace {

class TEmptyDialogForm : public TForm {
 public:
  TEmptyDialogForm(const wchar_t* class_name, const std::wstring& caption) {
    CreateForm(class_name, caption, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME,
               WS_EX_DLGMODALFRAME, Scale(400), Scale(300), nullptr);
  }
};

}  // namespace

int ShowEmptyDialog(HWND owner, const wchar_t* class_name, const std::wstring& caption) {
  TEmptyDialogForm form(class_name, caption);
  return form.ShowModal(owner);
}

}  // namespace korvane
