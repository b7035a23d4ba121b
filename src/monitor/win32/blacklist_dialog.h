#pragma once
// The blacklist dialog: the programs removed from startup at every refresh.
#include <windows.h>

namespace korvane {

// Shows the dialog modally over `owner`.
void ShowBlacklistDialog(HWND owner);

}  // namespace korvane
