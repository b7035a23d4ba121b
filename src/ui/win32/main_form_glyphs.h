#pragma once
// The toolbar's glyphs, drawn at the size the screen wants.
#include <windows.h>
#include <commctrl.h>

#include "ui/commands.h"

namespace korvane {

// An image list of kGlyphCount square glyphs of `size` pixels, followed by
// each with the administrator shield; the caller destroys it.
HIMAGELIST CreateInterfaceImageList(int size);

}  // namespace korvane
