#include "monitor/win32/blacklist_dialog.h"

#include "gui/form.h"

namespace korvane {

void ShowBlacklistDialog(HWND owner) {
  ShowEmptyDialog(owner, L"TBlacklistForm", L"Blacklist");
}

}  // namespace korvane
