#pragma once
// The "Restore removed entries" dialog: the entries Korvane removed and kept,
// newest first, to be put back or forgotten.
#include <windows.h>

namespace korvane {

// The dialog's control ids.
namespace removed_form {
enum : UINT {
  ListView1 = 101,
  Button1,             // Restore
  Button2,             // Delete
  Button3 = IDCANCEL,  // Close
};
}  // namespace removed_form

// Shows the dialog modally over `owner`. True when an entry was restored, so
// that the caller refreshes the list.
bool ShowRemovedEntriesDialog(HWND owner);

}  // namespace korvane
