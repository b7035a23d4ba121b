// "Undo change" of the new entries dialog: a changed entry gets back the
// command the snapshot held, once what it holds now is safe in the undo
// store.
#include "catalogue/places/place_kind.h"
#include "catalogue/undo_store.h"
#include "monitor/new_entries.h"
#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

bool CanUndoChange(const ReportedEntry& entry) {
  if (entry.change != ChangeKind::Changed || !entry.before) return false;
  if (EntryIdentity(entry.row) != EntryIdentity(*entry.before)) return false;
  const PlaceKind& kind = PlaceOf(*entry.before);
  return &kind == &PlaceOf(entry.row) && kind.CanWriteBack(*entry.before, entry.row);
}

bool UndoEntryChange(const ReportedEntry& entry, std::wstring& reason) {
  if (!CanUndoChange(entry)) {
    reason = L"The entry's earlier command is not known.";
    return false;
  }
  // What is about to be written over goes to the undo store first.
  if (!RecordBeforeOverwrite(entry.row, RemovalWay::Changed, reason)) return false;
  try {
    PlaceOf(entry.row).WriteBack(*entry.before, entry.row);
  } catch (const PlatformError& error) {
    reason = error.Text();
    return false;
  }
  return true;
}

std::wstring UndoNewEntryChanges(ReportedEntries& entries, const std::vector<size_t>& selected) {
  std::vector<bool> marks(entries.size(), false);
  for (size_t index : selected) {
    if (index < entries.size()) marks[index] = true;
  }
  ReportedEntries kept;
  std::wstring report;
  for (size_t i = 0; i < entries.size(); ++i) {
    std::wstring reason;
    if (marks[i] && CanUndoChange(entries[i]) && UndoEntryChange(entries[i], reason)) continue;
    if (marks[i] && CanUndoChange(entries[i])) {
      report += entries[i].row.name + L" (" + entries[i].row.location + L"): " + reason + L"\n";
    }
    kept.push_back(std::move(entries[i]));
  }
  entries = std::move(kept);
  if (report.empty()) return report;
  return L"The change of these entries could not be undone:\n\n" + report;
}

}  // namespace korvane
