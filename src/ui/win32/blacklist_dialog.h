#pragma once
// The blacklist dialog: the programs removed from startup at every refresh.
#include <windows.h>

namespace korvane {

// The dialog's control ids, named after its components.
namespace blacklist_form {
enum : UINT {
  ListView1 = 101,
  Button1,             // Add
  Button2,             // Delete
  Button4,             // Open folder
  Button5,             // Properties
  Button3 = IDCANCEL,  // Close
};
}  // namespace blacklist_form

// Shows the dialog modally over `owner`. It edits the blacklist key itself;
// the next refresh cycle acts on what it holds then.
void ShowBlacklistDialog(HWND owner);

}  // namespace korvane
