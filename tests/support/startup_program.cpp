// korvane_startup_program: stands in for a program that Windows starts.
//
// It opens one visible top-level window and runs until that window is closed.
//
//   /refuse-close     ignore WM_CLOSE (a close request leaves it running)
//   /exit-after N     end on its own after N seconds (default 120), so a test
//                     that fails half-way never leaves it behind
//   /title TEXT       the window's caption (default "Korvane startup program")
//   /side-windows     also open, after the main window, a hidden top-level
//                     window and a visible window owned by the main one; a
//                     close request to either of them only closes that one
//   /report FILE      write its working folder and then its command line, each
//                     on a line of its own, to FILE (UTF-8) when it starts
//
// It exits with code 0 when closed and 3 when it ends on its own.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

bool refuse_close = false;
constexpr UINT_PTR kExitTimer = 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      if (refuse_close) return 0;
      break;
    case WM_TIMER:
      if (wparam == kExitTimer) PostQuitMessage(3);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Report(const wchar_t* file) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring text = std::wstring(folder) + L"\n" + GetCommandLineW() + L"\n";
  std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()),
                      nullptr, nullptr);
  utf8.pop_back();
  HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(out);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  unsigned seconds = 120;
  std::wstring title = L"Korvane startup program";
  bool side_windows = false;
  for (int i = 1; i < __argc; ++i) {
    std::wstring option = __wargv[i];
    if (option == L"/refuse-close") {
      refuse_close = true;
    } else if (option == L"/exit-after" && i + 1 < __argc) {
      seconds = static_cast<unsigned>(std::wcstoul(__wargv[++i], nullptr, 10));
    } else if (option == L"/title" && i + 1 < __argc) {
      title = __wargv[++i];
    } else if (option == L"/side-windows") {
      side_windows = true;
    } else if (option == L"/report" && i + 1 < __argc) {
      Report(__wargv[++i]);
    }
  }

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"KorvaneStartupProgram";
  RegisterClassExW(&window_class);
  HWND window =
      CreateWindowExW(0, window_class.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  if (side_windows) {
    // Plain windows of a system class: closing them ends nothing.
    CreateWindowExW(0, L"STATIC", L"hidden", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                    instance, nullptr);
    HWND owned = CreateWindowExW(0, L"STATIC", L"owned", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0,
                                 100, 100, window, nullptr, instance, nullptr);
    ShowWindow(owned, SW_SHOWNORMAL);
  }
  SetTimer(window, kExitTimer, seconds * 1000, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
