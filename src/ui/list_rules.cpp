#include "ui/list_rules.h"

#include <algorithm>

#include "platform/processes.h"

namespace korvane {

bool AnyRunning(const StartupList& selected) {
  TWindowsAPI& processes = TWindowsAPI::Instance();
  return std::any_of(selected.begin(), selected.end(), [&](const StartupEntry& row) {
    return processes.FindProcessFile(row.file_name) >= 0;
  });
}

namespace {

EntryCommandsEnabled AllBut(bool any, bool stop) {
  return {.run = any,
          .stop = stop,
          .open_folder = any,
          .properties = any,
          .move = any,
          .remove = any,
          .blacklist = any};
}

}  // namespace

EntryCommandsEnabled EnabledAfterListClick(const StartupList& selected) {
  return AllBut(!selected.empty(), !selected.empty() && AnyRunning(selected));
}

EntryCommandsEnabled EnabledInFileMenu(const StartupList& selected) {
  return AllBut(!selected.empty(), AnyRunning(selected));
}

PopupLayout ListPopupLayout(const StartupList& selected) {
  using enum PopupItem;
  PopupLayout layout;
  if (selected.empty()) {
    layout.shown = {Refreshlist2, N25, Showgridlines2, Rowselection2, N26, Font2, Backgroundcolor2};
  } else {
    layout.shown = {Runstartupentry1,
                    Stopstartupentry1,
                    N17,
                    Openfolder2,
                    Fileproperties2,
                    N18,
                    Moveto2,
                    N23,
                    Deletestartupentry2,
                    N20,
                    Addtoblacklist2};
  }
  TWindowsAPI::Instance().InvalidateProcessList();
  layout.stop_enabled = AnyRunning(selected);
  return layout;
}

}  // namespace korvane
