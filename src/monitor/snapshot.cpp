#include "monitor/snapshot.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "catalogue/entry_record.h"
#include "monitor/saved_list.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr char kHeader[] = "Korvane snapshot 1";
// Thousands of entries stay far below it; a larger file is not ours.
constexpr uint64_t kMaxSnapshot = 16u << 20;

std::string HexText(const std::wstring& text) {
  return Hex(ToUtf8(text));
}

// The blank-separated fields of one line, read in turn; any field that is
// missing or not of its form spoils the whole line.
class Fields {
 public:
  explicit Fields(std::string_view line) : rest_(line) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return !rest_; }

  // An empty field is a field: the last one of a line may be empty too.
  std::string_view Next() {
    if (!rest_) {
      ok_ = false;
      return {};
    }
    const size_t blank = rest_->find(' ');
    std::string_view field = rest_->substr(0, blank);
    rest_ =
        blank == std::string_view::npos ? std::nullopt : std::optional(rest_->substr(blank + 1));
    return field;
  }
  std::wstring Text() {
    std::optional<std::string> bytes = Unhex(Next());
    if (!bytes) ok_ = false;
    return bytes ? FromUtf8(*bytes) : std::wstring();
  }
  std::vector<uint8_t> Bytes() {
    std::optional<std::string> bytes = Unhex(Next());
    if (!bytes) ok_ = false;
    return bytes ? std::vector<uint8_t>(bytes->begin(), bytes->end()) : std::vector<uint8_t>();
  }
  uint64_t Number(uint64_t max) {
    const std::string_view text = Next();
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max) {
      ok_ = false;
      return 0;
    }
    return value;
  }

 private:
  std::optional<std::string_view> rest_;  // nothing once the last field was read
  bool ok_ = true;
};

std::string RowLine(const StartupEntry& row) {
  std::string line = row.enabled ? "1" : "0";
  auto add = [&line](const std::string& field) {
    line += ' ';
    line += field;
  };
  for (const std::wstring* text : {&row.location, &row.name, &row.file_name, &row.parameters}) {
    add(HexText(*text));
  }
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    add("registry");
    add(std::to_string(static_cast<int>(value->root)));
    add(std::to_string(static_cast<int>(value->view)));
    add(HexText(value->key_path));
    add(HexText(value->value_name));
    add(std::to_string(static_cast<int>(value->value.type)));
    add(Hex({reinterpret_cast<const char*>(value->value.data.data()), value->value.data.size()}));
  } else if (const auto* file = std::get_if<FolderSource>(&row.source)) {
    add("folder");
    add(HexText(file->path));
    add(file->shortcut ? "1" : "0");
    add(HexText(file->target));
    add(HexText(file->arguments));
    add(HexText(file->working_folder));
  } else if (const auto* word = std::get_if<WinIniSource>(&row.source)) {
    add("ini");
    add(HexText(word->ini_path));
    add(HexText(word->key));
    add(HexText(word->word));
    add(std::to_string(word->position));
    add(std::to_string(word->occurrence));
  } else if (const auto* task = std::get_if<TaskSource>(&row.source)) {
    add("task");
    add(HexText(task->path));
    add(std::to_string(task->action));
    add(HexText(task->working_folder));
  } else if (const auto* service = std::get_if<ServiceSource>(&row.source)) {
    add("service");
    add(HexText(service->name));
    add(std::to_string(static_cast<uint32_t>(service->start)));
    add(service->delayed ? "1" : "0");
  } else {
    add("none");
  }
  return line;
}

std::optional<StartupEntry> ParseRow(std::string_view line) {
  Fields fields(line);
  StartupEntry row;
  row.enabled = fields.Number(1) == 1;
  row.location = fields.Text();
  row.name = fields.Text();
  row.file_name = fields.Text();
  row.parameters = fields.Text();
  const std::string_view kind = fields.Next();
  constexpr uint64_t kLastType = static_cast<int>(RegistryDataType::Other);
  if (kind == "registry") {
    RegistrySource value;
    value.root = static_cast<RootKey>(fields.Number(2));
    value.view = static_cast<RegistryView>(fields.Number(2));
    value.key_path = fields.Text();
    value.value_name = fields.Text();
    const uint64_t type = fields.Number(kLastType);
    value.value = {static_cast<RegistryDataType>(type), fields.Bytes()};
    if (type == 0) return std::nullopt;
    row.source = std::move(value);
  } else if (kind == "folder") {
    FolderSource file;
    file.path = fields.Text();
    file.shortcut = fields.Number(1) == 1;
    file.target = fields.Text();
    file.arguments = fields.Text();
    file.working_folder = fields.Text();
    row.source = std::move(file);
  } else if (kind == "ini") {
    WinIniSource word;
    word.ini_path = fields.Text();
    word.key = fields.Text();
    word.word = fields.Text();
    word.position = fields.Number(1 << 20);
    word.occurrence = fields.Number(1 << 20);
    row.source = std::move(word);
  } else if (kind == "task") {
    TaskSource task;
    task.path = fields.Text();
    task.action = fields.Number(1 << 10);
    task.working_folder = fields.Text();
    row.source = std::move(task);
  } else if (kind == "service") {
    ServiceSource service;
    service.name = fields.Text();
    service.start = static_cast<ServiceStart>(fields.Number(4));
    service.delayed = fields.Number(1) == 1;
    row.source = std::move(service);
  } else if (kind != "none") {
    return std::nullopt;
  }
  if (!fields.ok() || !fields.AtEnd()) return std::nullopt;
  return row;
}

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
  std::string text = std::string(kHeader) + "\n";
  for (const StartupEntry& row : rows) text += RowLine(row) + "\n";
  return text;
}

std::optional<StartupList> ParseSnapshot(const std::string& text) {
  if (text.size() > kMaxSnapshot) return std::nullopt;
  const std::string_view all(text);
  size_t end = all.find('\n');
  if (end == std::string_view::npos || all.substr(0, end) != kHeader) return std::nullopt;
  StartupList rows;
  for (size_t at = end + 1; at < all.size(); at = end + 1) {
    end = all.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;  // cut short
    std::optional<StartupEntry> row = ParseRow(all.substr(at, end - at));
    if (!row) return std::nullopt;
    rows.push_back(std::move(*row));
  }
  return rows;
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
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    if (std::optional<std::wstring> text = RegistryText(value->value)) return *text;
  }
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
