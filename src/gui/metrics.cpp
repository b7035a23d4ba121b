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
  static const win32::Font font(CreateFontW(
      -Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
  return font.get();
}

}  // namespace korvane
