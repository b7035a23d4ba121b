#include "monitor/restored.h"

#include "monitor/blacklist.h"
#include "monitor/saved_list.h"
#include "platform/error.h"

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
    if (std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist()) {
      for (const std::wstring& name : file_names) {
        if (IsBlacklisted(name, *blacklist)) report.blacklisted.push_back(name);
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

std::wstring BlacklistedQuestion(const std::vector<std::wstring>& file_names) {
  std::wstring text =
      L"These programs are on the blacklist, so the next refresh would remove "
      L"them again:\n";
  for (const std::wstring& name : file_names) text += L"\n" + name;
  return text + L"\n\nTake them off the blacklist?";
}

}  // namespace korvane
