#include "ui/list_rules.h"

#include <algorithm>
#include <map>

#include "catalogue/moves.h"
#include "catalogue/places/place_kind.h"
#include "catalogue/rights.h"
#include "catalogue/system_entries.h"
#include "platform/processes.h"
#include "platform/text.h"

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
  // The rights are asked once per place: a key or folder answers for all of
  // its rows (a service for itself).
  std::map<std::wstring, bool> asked;
  for (const StartupEntry& row : selected) {
    (row.enabled ? state.any_on : state.any_off) = true;
    if (!state.any_needs_administrator) {
      const std::wstring place = PlaceOf(row).RightsScope(row);
      const auto found = asked.find(place);
      state.any_needs_administrator =
          found != asked.end() ? found->second : (asked[place] = NeedsAdministrator(row));
    }
    const std::wstring not_deleted = WhyNotDeleted(row), not_moved = WhyNotMoved(row);
    if (not_deleted.empty()) state.any_deletable = true;
    if (not_moved.empty()) state.any_movable = true;
    if (why_not_deleted.empty()) why_not_deleted = not_deleted;
    if (why_not_moved.empty()) why_not_moved = not_moved;
  }
  if (!selected.empty()) {
    for (MoveTarget target : kMoveTargets) {
      state.target_needs_administrator.push_back(MoveTargetNeedsAdministrator(target));
    }
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

namespace korvane {

const std::vector<ListColumnInfo>& ListColumns() {
  static const std::vector<ListColumnInfo> columns = {
      {ListColumn::Name, L"Name", L"name", 250, false},
      {ListColumn::Running, L"Running", L"running", 60, true},
      {ListColumn::Startup, L"Startup", L"startup", 70, false},
      {ListColumn::FileName, L"File name", L"file", 200, false},
      {ListColumn::Parameters, L"Parameters", L"parameters", 100, false},
      {ListColumn::Location, L"Location", L"location", 200, false},
      {ListColumn::Publisher, L"Publisher", L"publisher", 150, false},
      {ListColumn::Description, L"Description", L"description", 200, false},
      {ListColumn::Signature, L"Signature", L"signature", 200, false},
  };
  return columns;
}

const ListColumnInfo& ColumnInfo(ListColumn column) {
  return ListColumns()[static_cast<size_t>(column)];
}

bool IsWebAddress(const StartupEntry& row) {
  return PlaceOf(row).OpensPage(row) || Contains(row.file_name, L"://");
}

bool ProgramFileMissing(const StartupEntry& row, const FileFacts* facts) {
  return facts && !facts->found && !IsWebAddress(row);
}

std::wstring CellText(const StartupEntry& row, ListColumn column, const FileFacts* facts) {
  switch (column) {
    case ListColumn::Name:
      return row.name;
    case ListColumn::Running:
      return row.running ? L"Yes" : L"No";
    case ListColumn::Startup:
      return row.enabled ? L"Enabled" : L"Disabled";
    case ListColumn::FileName:
      return row.file_name;
    case ListColumn::Parameters:
      return row.parameters;
    case ListColumn::Location:
      return row.location;
    case ListColumn::Publisher:
      return facts ? facts->publisher : L"";
    case ListColumn::Description:
      return facts ? facts->description : L"";
    case ListColumn::Signature:
      if (ProgramFileMissing(row, facts)) return kFileNotFound;
      return facts && facts->signature ? SignatureText(*facts->signature) : L"";
  }
  return {};
}

ListOrder NextOrder(const ListOrder& current, ListColumn clicked) {
  if (current.column != clicked) return {clicked, false};
  if (!current.descending) return {clicked, true};
  return {};
}

std::vector<size_t> ShownRows(size_t row_count, const CellReader& cell,
                              const std::vector<ListColumn>& columns, const std::wstring& filter,
                              const ListOrder& order,
                              const std::function<bool(size_t row)>& hidden) {
  std::vector<size_t> shown;
  const std::wstring wanted = LowerCase(filter);
  for (size_t row = 0; row < row_count; ++row) {
    if (hidden && hidden(row)) continue;
    const bool keep =
        wanted.empty() || std::any_of(columns.begin(), columns.end(), [&](ListColumn c) {
          return LowerCase(cell(row, c)).find(wanted) != std::wstring::npos;
        });
    if (keep) shown.push_back(row);
  }
  if (!order.column) return shown;
  // Each key is made once, not at every comparison.
  std::vector<std::wstring> keys(row_count);
  for (size_t row : shown) keys[row] = LowerCase(cell(row, *order.column));
  std::stable_sort(shown.begin(), shown.end(), [&](size_t a, size_t b) {
    return order.descending ? keys[b] < keys[a] : keys[a] < keys[b];
  });
  return shown;
}

std::wstring ShownCountText(size_t shown, size_t all, bool filtered, size_t windows_hidden) {
  std::wstring text =
      (filtered ? std::to_wstring(shown) + L" of " : L"") + std::to_wstring(all) + L" entries";
  if (windows_hidden > 0) text += L", " + std::to_wstring(windows_hidden) + L" of Windows hidden";
  return text;
}

}  // namespace korvane
