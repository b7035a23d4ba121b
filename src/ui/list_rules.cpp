#include "ui/list_rules.h"

#include <algorithm>

#include "catalogue/system_entries.h"
#include "platform/processes.h"

namespace korvane {

bool AnyRunning(const StartupList& selected) {
  TWindowsAPI& processes = TWindowsAPI::Instance();
  return std::any_of(selected.begin(), selected.end(), [&](const StartupEntry& row) {
    return processes.FindProcessFile(row.file_name) >= 0;
  });
}

SelectionState SelectionOf(const StartupList& selected) {
  SelectionState state;
  state.rows = selected.size();
  state.any_running = AnyRunning(selected);
  std::wstring why_not_deleted, why_not_moved;
  for (const StartupEntry& row : selected) {
    (row.enabled ? state.any_on : state.any_off) = true;
    const std::wstring not_deleted = WhyNotDeleted(row), not_moved = WhyNotMoved(row);
    if (not_deleted.empty()) state.any_deletable = true;
    if (not_moved.empty()) state.any_movable = true;
    if (why_not_deleted.empty()) why_not_deleted = not_deleted;
    if (why_not_moved.empty()) why_not_moved = not_moved;
  }
  // Only a command greyed for the whole selection needs its reason told.
  if (!state.any_deletable && !why_not_deleted.empty()) {
    state.why_not = why_not_deleted;
  } else if (!state.any_movable && !why_not_moved.empty()) {
    state.why_not = why_not_moved;
  }
  return state;
}

SelectionState FreshSelectionOf(const StartupList& selected) {
  TWindowsAPI::Instance().InvalidateProcessList();
  return SelectionOf(selected);
}

}  // namespace korvane
