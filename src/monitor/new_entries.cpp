#include "monitor/new_entries.h"

#include "catalogue/removal.h"
#include "monitor/blacklist.h"
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
      const RemovalResult removed = DeleteStartupEntry(rows[i], RemovalSource::NewEntriesList);
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
