#pragma once
// Sizes and the font the program's windows are drawn with.
#include <windows.h>

namespace korvane {

// A size given at 96 DPI, scaled to the screen's DPI.
int Scale(int size_at_96dpi);

// The program's font for dialogs and lists: "MS Sans Serif", 8 point.
HFONT FormFont();

}  // namespace korvane
