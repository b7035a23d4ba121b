#include "gui/metrics.h"

#include "platform/win32/handles.h"

namespace korvane {

int Scale(int size_at_96dpi) {
  static const int dpi = [] {
    const win32::WindowDc screen(nullptr);
    const int value = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return value > 0 ? value : 96;
  }();
  return MulDiv(size_at_96dpi, dpi, 96);
}

HFONT FormFont() {
  static const win32::Font font(CreateFormFont(Scale(96)));
  return font.get();
}

int WindowDpi(HWND window) {
  // Windows 10's call, looked up: older systems have one DPI for all.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = get_dpi && window ? get_dpi(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : Scale(96);
}

int ScaleTo(int size_at_96dpi, int dpi) {
  return MulDiv(size_at_96dpi, dpi, 96);
}

HFONT CreateFormFont(int dpi) {
  return CreateFontW(-ScaleTo(11, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

}  // namespace korvane
