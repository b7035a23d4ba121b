// The commands on the selected rows of the list (run, stop, open the folder,
// the file's properties, delete, add to the blacklist), the Service menu's
// tools, and the moves to another location. Each is reached through the
// command table; ConfirmCommand (command_bars.h) asks its question.
#include "ui/win32/main_form.h"

namespace korvane {

void TMainForm::OnEntryCommand(CommandId id) {
  switch (id) {
    default:
      // Run1, Stop1, Openfolder1, Fileproperties1, Deletestartupentry1,
      // Addtoblacklist1, Systemregistry1, Currentuser1, Allusers1 and
      // Wininifile1 come here; none acts yet.
      break;
  }
}

void TMainForm::OnMoveCommand(CommandId target) {
  // One of the eight "Move to" targets, Registrycurrentuser1 to
  // Startmenuallusers1; no move acts yet.
  (void)target;
}

}  // namespace korvane
