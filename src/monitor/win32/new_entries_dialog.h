#pragma once
// The dialog of the startup entries that appeared since the last saved list.
#include <windows.h>

namespace korvane {

// Shows the dialog modally over `owner`.
void ShowNewEntriesDialog(HWND owner);

}  // namespace korvane
