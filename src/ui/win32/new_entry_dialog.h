#pragma once
// The new startup entry dialog.
#include <windows.h>

namespace korvane {

// Shows the dialog modally over `owner`.
void ShowNewEntryDialog(HWND owner);

}  // namespace korvane
