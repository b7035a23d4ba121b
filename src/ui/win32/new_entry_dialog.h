#pragma once
// The new startup entry dialog: a title, a file and its parameters, one of
// fourteen locations, and whether to start the program at once.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/new_entry.h"

namespace korvane {

// The dialog's control ids, named after its components.
namespace new_entry_form {
enum : UINT {
  Edit1 = 101,  // title
  Edit2,        // file name
  Button1,      // browse
  Edit3,        // parameters
  CheckBox1,    // start after addition
  Memo1,        // file information
  Button3 = IDOK,
  Button2 = IDCANCEL,
  RadioButtons = 200,  // plus the location's index in NewEntryLocations()
};
}  // namespace new_entry_form

// What the dialog shows. Its owner keeps it from one showing to the next:
// "OK" and "Cancel" empty it, the close box leaves it as it was.
struct NewEntryDialogState {
  NewEntry entry;
  std::vector<std::wstring> memo;
  bool start_after_addition = true;
  bool start_enabled = true;  // only a browse changes it
  std::wstring chooser_file;  // the file the chooser shows first
};

// Shows the dialog modally over `owner`. After "OK" has written an entry,
// `entry_added` runs (the owner rescans and saves its list), then the
// program is started when so chosen. True when an entry was written.
bool ShowNewEntryDialog(HWND owner, NewEntryDialogState& state,
                        const std::function<void()>& entry_added);

}  // namespace korvane
