#pragma once
// The dialog of the startup entries that appeared since the last saved list.
#include <windows.h>

#include <functional>

#include "catalogue/entry.h"
#include "monitor/snapshot.h"

namespace korvane {

// The dialog's controls. Its context menu's items are the command table's
// (NewEntriesPopupLayout).
namespace new_entries {
enum : UINT {
  Label1 = 301,
  ListView1,
  Button1,  // Add to blacklist
  Button2,  // Delete entry
  Button3,  // File properties
  Button4,  // Disable
  Button5,  // Close
  Button6,  // Undo change
  Memo1,    // what changed in the selected entry
};
}  // namespace new_entries

// What the dialog asks of the main window.
struct NewEntriesActions {
  std::function<void()> refresh_list;  // the scan alone, after a deletion
  std::function<void()> save_list;     // "Close": the main list becomes the saved list
  // "Report changed commands, not only new programs": the "Change" column,
  // the memo with the earlier command and "Undo change". Off, the dialog
  // lists new programs only, in three columns.
  bool show_changes = false;
};

// Shows `rows` modally over `owner` until the user closes the dialog or
// deletes its last row. `main_list` is the main window's list, whose grid
// lines, row selection, font, colour and icons the dialog's list takes.
void ShowNewEntriesDialog(HWND owner, HWND main_list, const ReportedEntries& entries,
                          const NewEntriesActions& actions);
// Rows that are all new.
void ShowNewEntriesDialog(HWND owner, HWND main_list, const StartupList& rows,
                          const NewEntriesActions& actions);

}  // namespace korvane
