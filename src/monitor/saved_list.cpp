#include "monitor/saved_list.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "catalogue/system_entries.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

const wchar_t kSavedListKey[] = L"\\Software\\Korvane\\SavedList";

namespace {

bool Holds(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::wstring& n) { return SameText(n, name); });
}

}  // namespace

void SaveStartupList(const StartupList& rows, const std::vector<std::wstring>& stored) {
  TRegistry reg;
  if (!reg.OpenKey(kSavedListKey, true)) return;
  // Most refreshes find the list as it was saved: then nothing is written.
  const std::unordered_set<std::wstring> stored_set(stored.begin(), stored.end());
  std::unordered_set<std::wstring> listed;
  for (const StartupEntry& row : rows) listed.insert(row.file_name);
  if (listed != stored_set) {
    std::vector<std::wstring> names;
    for (const StartupEntry& row : rows) {
      if (!Holds(names, row.file_name)) names.push_back(row.file_name);
    }
    for (const std::wstring& name : names) {
      if (stored_set.count(name)) continue;
      // A value keeps the spelling it was made with: one stored in another
      // letter case is made again, as the list now spells it.
      auto same = std::find_if(stored.begin(), stored.end(),
                               [&name](const std::wstring& n) { return SameText(n, name); });
      if (same != stored.end()) reg.DeleteValue(*same);
      reg.WriteString(name, L"");
    }
    for (const std::wstring& name : stored) {
      if (!Holds(names, name)) reg.DeleteValue(name);
    }
  }
  for (const std::wstring& key : reg.GetKeyNames()) reg.DeleteKey(key);
}

void SaveStartupList(const StartupList& rows) {
  if (std::optional<std::vector<std::wstring>> stored = ReadSavedList()) {
    SaveStartupList(rows, *stored);
  }
}

void AddToSavedList(const std::vector<std::wstring>& file_names) {
  TRegistry reg;
  if (!reg.OpenKey(kSavedListKey, true)) return;
  std::vector<std::wstring> stored = reg.GetValueNames();
  for (const std::wstring& name : file_names) {
    if (name.empty() || Holds(stored, name)) continue;
    reg.WriteString(name, L"");
    stored.push_back(name);
  }
}

std::optional<std::vector<std::wstring>> ReadSavedList() {
  TRegistry reg;
  if (!reg.OpenKey(kSavedListKey, true)) return std::nullopt;
  return reg.GetValueNames();
}

StartupList NewEntriesIn(const StartupList& rows, const std::vector<std::wstring>& saved) {
  StartupList found;
  // Saved as the list spells it, a name is found at once; only the others
  // are compared without regard to case.
  const std::unordered_set<std::wstring> exact(saved.begin(), saved.end());
  for (const StartupEntry& row : rows) {
    if (!exact.count(row.file_name) && !Holds(saved, row.file_name)) found.push_back(row);
  }
  return found;
}

StartupList NewEntriesWithoutSnapshot(const StartupList& rows,
                                      const std::vector<std::wstring>& saved) {
  StartupList found = NewEntriesIn(rows, saved);
  if (!saved.empty()) std::erase_if(found, IsSystemEntry);
  return found;
}

StartupList FindNewEntries(const StartupList& rows) {
  std::optional<std::vector<std::wstring>> saved = ReadSavedList();
  return saved ? NewEntriesIn(rows, *saved) : StartupList{};
}

}  // namespace korvane
