#include "monitor/new_entries.h"

#include "catalogue/places/place_kind.h"
#include "catalogue/removal.h"
#include "monitor/blacklist.h"
#include "monitor/parked.h"
#include "monitor/switching.h"
#include "platform/error.h"

namespace korvane {

namespace {

std::vector<bool> Marks(size_t count, const std::vector<size_t>& selected) {
  std::vector<bool> marks(count, false);
  for (size_t index : selected) {
    if (index < count) marks[index] = true;
  }
  return marks;
}

}  // namespace

std::wstring DeleteNewEntries(StartupList& rows, const std::vector<size_t>& selected) {
  const std::vector<bool> marks = Marks(rows.size(), selected);
  StartupList kept;
  std::wstring failed;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!marks[i]) {
      kept.push_back(std::move(rows[i]));
      continue;
    }
    try {
      const RemovalResult removed = DeleteListedEntry(rows[i], RemovalSource::NewEntriesList);
      if (!removed) failed += L"\n" + rows[i].name + L": " + removed.reason;
    } catch (const PlatformError&) {
      // The program could not be ended; the rescan shows where the entry stands.
    }
  }
  rows = std::move(kept);
  return failed.empty() ? failed : L"These entries were not deleted:\n" + failed;
}

std::wstring DisableNewEntries(StartupList& rows, const std::vector<size_t>& selected) {
  const std::vector<bool> marks = Marks(rows.size(), selected);
  StartupList chosen, kept;
  for (size_t i = 0; i < rows.size(); ++i) (marks[i] ? chosen : kept).push_back(rows[i]);
  const std::vector<SwitchFailure> failures = SwitchStartupEntries(chosen, false);
  // A row that stayed on stays in the dialog.
  for (const StartupEntry& row : chosen) {
    for (const SwitchFailure& failure : failures) {
      if (failure.name == row.name && failure.location == row.location) {
        kept.push_back(row);
        break;
      }
    }
  }
  rows = std::move(kept);
  return SwitchReport(failures, false);
}

void KeepReportedRows(ReportedEntries& entries, const StartupList& rows) {
  ReportedEntries kept;
  std::vector<bool> taken(entries.size(), false);
  for (const StartupEntry& row : rows) {
    const std::wstring identity = EntryIdentity(row);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!taken[i] && EntryIdentity(entries[i].row) == identity) {
        taken[i] = true;
        kept.push_back(std::move(entries[i]));
        break;
      }
    }
  }
  entries = std::move(kept);
}

std::wstring ChangeDescription(const ReportedEntry& entry) {
  std::wstring text = L"Command: " + CommandText(entry.row);
  // A hijack or a shell is more than a program started at logon.
  if (const std::wstring risk = PlaceOf(entry.row).Risk(entry.row); !risk.empty()) {
    text += L"\r\n" + risk;
  }
  if (!entry.before) return text;
  switch (entry.change) {
    case ChangeKind::Changed:
      text += L"\r\nCommand before: " + CommandText(*entry.before);
      break;
    case ChangeKind::Moved:
      text += L"\r\nMoved from: " + entry.before->location;
      break;
    case ChangeKind::EnabledAgain:
      text += L"\r\nIt was switched off and is switched on again.";
      break;
    case ChangeKind::New:
      break;
  }
  return text;
}

std::wstring BlacklistNewEntries(StartupList& rows, const std::vector<size_t>& selected) {
  const std::vector<bool> marks = Marks(rows.size(), selected);
  std::vector<std::wstring> names;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (marks[i]) names.push_back(rows[i].file_name);
  }
  AddToBlacklist(names);
  return DeleteNewEntries(rows, selected);
}

}  // namespace korvane
