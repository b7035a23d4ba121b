#include "monitor/snapshot.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "catalogue/entry_format.h"
#include "catalogue/places/place_kind.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot_v1.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr char kFormat[] = "Korvane snapshot 2";
// Thousands of entries stay far below them; a larger file is not ours.
constexpr uint64_t kMaxSnapshot = 16u << 20;
constexpr size_t kMaxSnapshotDepth = 8;
constexpr size_t kMaxSnapshotValues = 4000000;

bool SameCommand(const StartupEntry& a, const StartupEntry& b) {
  return SameText(a.file_name, b.file_name) && SameText(a.parameters, b.parameters);
}

}  // namespace

std::wstring SnapshotPath() {
  const std::wstring local = LocalAppDataFolder();
  if (local.empty()) return {};
  return IncludeTrailingBackslash(local) + L"Korvane\\snapshot.txt";
}

std::string SnapshotText(const StartupList& rows) {
  Json j;
  j["format"] = kFormat;
  Json& entries = j["entries"] = Json::array();
  for (const StartupEntry& row : rows) {
    // Programs start and end all day: a refresh where only that changed
    // must not rewrite the file, so the snapshot keeps no running state.
    Json& entry = entries.emplace_back(row);
    entry["running"] = false;
  }
  return JsonText(j);
}

std::optional<StartupList> ParseSnapshot(const std::string& text) {
  if (text.size() > kMaxSnapshot) return std::nullopt;
  if (text.rfind(kSnapshotV1Header, 0) == 0) return ParseSnapshotV1(text);
  // The writer's last byte: a file cut short anywhere is no snapshot.
  if (text.empty() || text.back() != '\n') return std::nullopt;
  try {
    const Json j =
        ParseJson(text, {kMaxSnapshot, kMaxSnapshotDepth, kMaxSnapshotValues, "a snapshot"});
    const Json& format = Member(j, "format");
    if (!format.is_string() || format.get_ref<const std::string&>() != kFormat) return std::nullopt;
    const Json& entries = Member(j, "entries");
    if (!entries.is_array()) return std::nullopt;
    StartupList rows;
    rows.reserve(entries.size());
    for (const Json& entry : entries) rows.push_back(entry.get<StartupEntry>());
    return rows;
  } catch (const EntryFormatError&) {
    return std::nullopt;
  }
}

std::optional<std::string> ReadSnapshotText() {
  const std::wstring path = SnapshotPath();
  if (path.empty()) return std::nullopt;
  std::optional<FileStamp> stamp = ReadFileStamp(path);
  if (!stamp || stamp->size > kMaxSnapshot) return std::nullopt;
  return ReadFileBytes(path);
}

std::optional<StartupList> ReadEntrySnapshot() {
  std::optional<std::string> text = ReadSnapshotText();
  return text ? ParseSnapshot(*text) : std::nullopt;
}

void SaveSnapshot(const StartupList& rows, const std::optional<std::string>& stored) {
  const std::string text = SnapshotText(rows);
  if (stored == text) return;
  const std::wstring path = SnapshotPath();
  if (path.empty()) throw PlatformError(L"The local application data folder is not known.");
  CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(path)));
  ReplaceFileBytes(path, text);
}

void SaveSnapshot(const StartupList& rows) {
  SaveSnapshot(rows, ReadSnapshotText());
}

void AddToSnapshot(const StartupList& rows) {
  const std::optional<std::string> text = ReadSnapshotText();
  std::optional<StartupList> held = text ? ParseSnapshot(*text) : std::nullopt;
  if (!held || rows.empty()) return;
  for (const StartupEntry& row : rows) {
    const std::wstring identity = EntryIdentity(row);
    auto same = std::find_if(held->begin(), held->end(), [&identity](const StartupEntry& h) {
      return EntryIdentity(h) == identity;
    });
    if (same != held->end()) {
      *same = row;
    } else {
      held->push_back(row);
    }
  }
  SaveSnapshot(*held, text);
}

void AcceptPlacedEntries(const std::function<bool(const StartupEntry&)>& placed) {
  try {
    StartupList rows;
    ScanStartupListWithParked(rows);
    std::erase_if(rows, [&placed](const StartupEntry& row) { return !placed(row); });
    AddToSnapshot(rows);
  } catch (const PlatformError&) {
    // Then the next refresh reports the entry, which is no loss.
  }
}

std::wstring ChangeKindText(ChangeKind change) {
  switch (change) {
    case ChangeKind::New:
      return L"New";
    case ChangeKind::Changed:
      return L"Changed";
    case ChangeKind::Moved:
      return L"Moved";
    case ChangeKind::EnabledAgain:
      return L"Enabled again";
  }
  return {};
}

StartupList RowsOf(const ReportedEntries& entries) {
  StartupList rows;
  rows.reserve(entries.size());
  for (const ReportedEntry& entry : entries) rows.push_back(entry.row);
  return rows;
}

std::wstring CommandText(const StartupEntry& row) {
  if (std::optional<std::wstring> text = PlaceOf(row).WrittenCommand(row)) return *text;
  const std::wstring file = row.file_name.find(L' ') == std::wstring::npos
                                ? row.file_name
                                : L"\"" + row.file_name + L"\"";
  return row.parameters.empty() ? file : file + L" " + row.parameters;
}

ReportedEntries DetectEntryChanges(const StartupList& rows,
                                   const std::optional<StartupList>& snapshot,
                                   const std::vector<std::wstring>& saved,
                                   const StartupList& accepted) {
  std::unordered_set<std::wstring> accepted_places;
  for (const StartupEntry& row : accepted) accepted_places.insert(EntryIdentity(row));
  auto korvanes_own = [&](const StartupEntry& row, const std::wstring& identity) {
    if (accepted_places.count(identity)) return true;
    for (const StartupEntry& own : accepted) {
      if (SameCommand(own, row)) return true;
    }
    return false;
  };

  ReportedEntries found;
  if (!snapshot) {
    // The first start with this store: what the saved list names was seen.
    for (StartupEntry& row : NewEntriesWithoutSnapshot(rows, saved)) {
      if (!korvanes_own(row, EntryIdentity(row)))
        found.push_back({std::move(row), ChangeKind::New, std::nullopt});
    }
    return found;
  }

  std::unordered_map<std::wstring, size_t> held;
  for (size_t i = 0; i < snapshot->size(); ++i) held.emplace(EntryIdentity((*snapshot)[i]), i);
  std::unordered_set<std::wstring> listed;
  std::vector<std::wstring> identities;
  identities.reserve(rows.size());
  for (const StartupEntry& row : rows) {
    identities.push_back(EntryIdentity(row));
    listed.insert(identities.back());
  }
  std::vector<bool> moved_away(snapshot->size(), false);
  for (size_t r = 0; r < rows.size(); ++r) {
    const StartupEntry& row = rows[r];
    if (accepted_places.count(identities[r])) continue;
    if (auto same = held.find(identities[r]); same != held.end()) {
      const StartupEntry& before = (*snapshot)[same->second];
      if (!SameCommand(before, row)) {
        found.push_back({row, ChangeKind::Changed, before});
      } else if (!before.enabled && row.enabled) {
        found.push_back({row, ChangeKind::EnabledAgain, before});
      }
      continue;
    }
    if (korvanes_own(row, identities[r])) continue;
    // Each place left empty explains one move at most.
    std::optional<size_t> from;
    for (size_t s = 0; s < snapshot->size() && !from; ++s) {
      if (!moved_away[s] && SameCommand((*snapshot)[s], row) &&
          !listed.count(EntryIdentity((*snapshot)[s]))) {
        from = s;
      }
    }
    if (from) {
      moved_away[*from] = true;
      found.push_back({row, ChangeKind::Moved, (*snapshot)[*from]});
    } else {
      found.push_back({row, ChangeKind::New, std::nullopt});
    }
  }
  return found;
}

ReportedEntries DetectEntryChanges(const StartupList& rows,
                                   const std::optional<std::string>& snapshot_text,
                                   const std::vector<std::wstring>& saved,
                                   const StartupList& accepted) {
  // The refresh of an unchanged list ends here.
  if (snapshot_text && *snapshot_text == SnapshotText(rows)) return {};
  return DetectEntryChanges(rows, snapshot_text ? ParseSnapshot(*snapshot_text) : std::nullopt,
                            saved, accepted);
}

}  // namespace korvane
