#include "monitor/restored.h"

#include <algorithm>

#include "monitor/blacklist.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

namespace {

std::wstring Named(const RemovedEntry& entry) {
  const StartupEntry& row = entry.record.row;
  return L"\"" + (row.name.empty() ? row.file_name : row.name) + L"\"";
}

}  // namespace

RestoreReport RestoreRemoved(
    const std::vector<RemovedEntry>& entries,
    const std::function<std::optional<RestoreTaken>(const RemovedEntry&)>& when_taken) {
  RestoreReport report;
  std::vector<std::wstring> file_names;
  for (const RemovedEntry& entry : entries) {
    RestoreResult result = RestoreRemovedEntry(entry.id, RestoreTaken::Ask);
    if (result.outcome == RestoreResult::Taken) {
      std::optional<RestoreTaken> choice = when_taken(entry);
      if (!choice) continue;
      result = RestoreRemovedEntry(entry.id, *choice);
    }
    if (result.outcome != RestoreResult::Restored) {
      report.errors.push_back(Named(entry) + L": " + result.reason);
      continue;
    }
    file_names.push_back(result.row.file_name);
    report.restored.push_back(std::move(result.row));
  }
  try {
    AddToSavedList(file_names);
    AddToSnapshot(report.restored);
    if (std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist()) {
      for (const StartupEntry& row : report.restored) {
        if (IsBlacklisted(row.file_name, *blacklist)) report.blacklisted.push_back(row);
      }
    }
  } catch (const PlatformError& error) {
    report.errors.push_back(error.Text());
  }
  return report;
}

std::wstring TakenPlaceQuestion(const RemovedEntry& entry) {
  return L"Another entry named " + Named(entry) + L" is in " + entry.record.row.location +
         L" now.\n\nReplace it? (It is kept among the removed entries.)\nChoose No to restore "
         L"the entry beside it under a new name.";
}

std::wstring EntryInItsPlace(const StartupEntry& row) {
  return L"\"" + row.name + L"\" in " + row.location + L" (" + row.file_name + L")";
}

std::wstring BlacklistedQuestion(const StartupList& rows) {
  std::wstring text =
      L"These entries start programs on the blacklist, so the next refresh would remove "
      L"them again:\n";
  for (const StartupEntry& row : rows) text += L"\n" + EntryInItsPlace(row);
  return text + L"\n\nTake their programs off the blacklist?";
}

std::vector<std::wstring> BlacklistedPrograms(const StartupList& rows) {
  std::vector<std::wstring> names;
  for (const StartupEntry& row : rows) {
    if (std::none_of(names.begin(), names.end(),
                     [&](const std::wstring& name) { return SameText(name, row.file_name); })) {
      names.push_back(row.file_name);
    }
  }
  return names;
}

}  // namespace korvane
