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

SelectionState SelectionOf(const StartupList& selected) {
  SelectionState state{.rows = selected.size(), .any_running = AnyRunning(selected)};
  for (const StartupEntry& row : selected) (row.enabled ? state.any_on : state.any_off) = true;
  return state;
}

SelectionState FreshSelectionOf(const StartupList& selected) {
  TWindowsAPI::Instance().InvalidateProcessList();
  return SelectionOf(selected);
}

}  // namespace korvane
