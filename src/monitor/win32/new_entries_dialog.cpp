#include "monitor/win32/new_entries_dialog.h"

#include "gui/form.h"

namespace korvane {

void ShowNewEntriesDialog(HWND owner) {
  ShowEmptyDialog(owner, L"TNewEntriesForm", L"New startup entries");
}

}  // namespace korvane
