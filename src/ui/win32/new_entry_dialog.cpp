#include "ui/win32/new_entry_dialog.h"

#include "gui/form.h"

namespace korvane {

void ShowNewEntryDialog(HWND owner) {
  ShowEmptyDialog(owner, L"TNewEntryForm", L"New startup entry");
}

}  // namespace korvane
