#pragma once
// Where a dialog opens.
#include <windows.h>

namespace korvane {

// Centres `dialog` on `owner` and then moves it so that it lies whole inside
// the work area of the owner's monitor (its top-left corner wins when it is
// larger). With no owner, or one that is hidden or minimised (in the tray,
// say), the dialog is centred on the work area instead.
void PlaceOnOwner(HWND dialog, HWND owner);

}  // namespace korvane
