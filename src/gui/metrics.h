#pragma once
// Sizes and the font the program's windows are drawn with.
#include <windows.h>

namespace korvane {

// A size given at 96 DPI, scaled to the screen's DPI.
int Scale(int size_at_96dpi);

// The program's font for dialogs and lists: "MS Sans Serif", 8 point.
HFONT FormFont();

// The DPI a window is drawn at: its monitor's where each monitor has its own
// (per-monitor awareness, Windows 10 and later), else the screen's.
int WindowDpi(HWND window);
// A size given at 96 DPI at `dpi`.
int ScaleTo(int size_at_96dpi, int dpi);
// The program's font at `dpi`; the caller owns it.
HFONT CreateFormFont(int dpi);

}  // namespace korvane
