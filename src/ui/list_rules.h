#pragma once
// What the main window offers for the rows selected in its list: which
// toolbar buttons and File menu items are enabled, and which items the
// list's context menu shows.
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

// True when a selected row's program runs, by the process list as it stands
// (not rebuilt first); the walk stops at the first running row.
bool AnyRunning(const StartupList& selected);

struct EntryCommandsEnabled {
  bool run = false;
  bool stop = false;
  bool open_folder = false;
  bool properties = false;
  bool move = false;
  bool remove = false;
  bool blacklist = false;
};

// After a mouse click in the list: the buttons follow the selection; stop
// needs a running row besides.
EntryCommandsEnabled EnabledAfterListClick(const StartupList& selected);
// On opening the File menu: stop needs a running row only.
EntryCommandsEnabled EnabledInFileMenu(const StartupList& selected);

// The context menu's items, in menu order.
enum class PopupItem {
  Runstartupentry1,
  Stopstartupentry1,
  N17,
  Openfolder2,
  Fileproperties2,
  N18,
  Editstartupentry2,
  Moveto2,
  N23,
  Dizablestartupentry2,
  Deletestartupentry2,
  N20,
  Addtoblacklist2,
  Addtofavorites2,
  Refreshlist2,
  N24,
  Showextendedhint2,
  N25,
  Showgridlines2,
  Rowselection2,
  N26,
  Font2,
  Backgroundcolor2,
};

struct PopupLayout {
  std::vector<PopupItem> shown;  // in menu order
  bool stop_enabled = false;
};

// An entry menu when rows are selected, a view menu when none is. The process
// list is rebuilt first so that "Stop startup entry" reflects the programs
// running now.
PopupLayout ListPopupLayout(const StartupList& selected);

}  // namespace korvane
