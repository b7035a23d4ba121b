#pragma once
// What the main window's commands see of the rows selected in its list.
#include "catalogue/entry.h"
#include "ui/commands.h"

namespace korvane {

// True when a selected row's program runs, by the process list as it stands
// (not rebuilt first); the walk stops at the first running row.
bool AnyRunning(const StartupList& selected);

// The selection as the toolbar (after a mouse click in the list) and the File
// menu (when it opens) see it: by the process list as it stands.
SelectionState SelectionOf(const StartupList& selected);
// The selection as the context menu sees it: the process list is rebuilt
// first so that "Stop startup entry" reflects the programs running now.
SelectionState FreshSelectionOf(const StartupList& selected);

}  // namespace korvane
