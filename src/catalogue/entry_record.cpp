#include "catalogue/entry_record.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/location.h"
#include "catalogue/system_entries.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

namespace {

// A file's bytes, or a task's definition, are kept beside the record.
bool HasBytes(const EntrySource& source) {
  return std::holds_alternative<FolderSource>(source) || std::holds_alternative<TaskSource>(source);
}

constexpr size_t kMaxRecord = 1 << 20;  // no startup entry comes near it

std::string HexOf(const std::vector<uint8_t>& bytes) {
  return Hex({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

std::optional<uint64_t> Number(std::string_view text) {
  uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Whether `path` is a file in `folder` or a folder below it.
bool InFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty()) return false;
  const std::wstring base = IncludeTrailingBackslash(folder);
  if (path.size() <= base.size() || !SameText(path.substr(0, base.size()), base)) return false;
  // No way back out of it, and no stream of another file.
  const std::wstring rest = L"\\" + path.substr(base.size()) + L"\\";
  return rest.find(L"\\..\\") == std::wstring::npos && rest.find(L"\\.\\") == std::wstring::npos &&
         rest.find_first_of(L"/:") == std::wstring::npos;
}

// Whether the record puts its entry back in one of the startup places. A
// record is a file that any program can write: one that names another key,
// folder or file must not make Korvane write there.
bool NamesStartupPlace(const StartupEntry& row, const std::vector<StartupLocation>& places) {
  auto any = [&places](auto&& test) { return std::any_of(places.begin(), places.end(), test); };
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    return any([value](const StartupLocation& place) {
      return place.kind == StartupLocationKind::RegistryKeyLocation && place.root == value->root &&
             SameText(place.path, value->key_path);
    });
  }
  if (const auto* file = std::get_if<FolderSource>(&row.source)) {
    return any([file](const StartupLocation& place) {
      return place.kind == StartupLocationKind::StartupFolderLocation &&
             InFolder(file->path, place.path);
    });
  }
  if (const auto* word = std::get_if<WinIniSource>(&row.source)) {
    return any([word](const StartupLocation& place) {
      return place.kind == StartupLocationKind::WinIniLocation &&
             SameText(place.path, word->ini_path);
    });
  }
  return std::holds_alternative<TaskSource>(row.source);
}

}  // namespace

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::optional<std::string> Unhex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

std::string EntryRecordText(const EntryRecord& record, std::string_view header) {
  const StartupEntry& row = record.row;
  std::string out = std::string(header) + "\n";
  auto line = [&out](const char* key, std::string value) {
    out += std::string(key) + " " + value + "\n";
  };
  auto text = [&line](const char* key, const std::wstring& value) {
    line(key, Hex(ToUtf8(value)));
  };
  text("name", row.name);
  text("file", row.file_name);
  text("parameters", row.parameters);
  text("location", row.location);
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    line("kind", "registry");
    line("root", std::to_string(static_cast<int>(value->root)));
    line("view", std::to_string(static_cast<int>(value->view)));
    text("key", value->key_path);
    text("value", value->value_name);
    line("type", std::to_string(static_cast<int>(value->value.type)));
    line("data", HexOf(value->value.data));
  } else if (const auto* file = std::get_if<FolderSource>(&row.source)) {
    line("kind", "folder");
    text("path", file->path);
    line("shortcut", file->shortcut ? "1" : "0");
    text("target", file->target);
    text("arguments", file->arguments);
    text("working", file->working_folder);
    line("attributes", std::to_string(record.times.attributes));
    line("created", std::to_string(record.times.created));
    line("accessed", std::to_string(record.times.accessed));
    line("written", std::to_string(record.times.written));
  } else if (const auto* word = std::get_if<WinIniSource>(&row.source)) {
    line("kind", "ini");
    text("ini", word->ini_path);
    text("inikey", word->key);
    text("word", word->word);
    line("position", std::to_string(word->position));
    line("occurrence", std::to_string(word->occurrence));
  } else if (const auto* task = std::get_if<TaskSource>(&row.source)) {
    line("kind", "task");
    text("task", task->path);
    line("action", std::to_string(task->action));
    text("working", task->working_folder);
  }
  if (record.when != 0) line("when", std::to_string(record.when));
  if (!record.how.empty()) text("how", record.how);
  if (!record.moved_to.empty()) text("to", record.moved_to);
  if (record.approval) {
    line("approvaltype", std::to_string(static_cast<int>(record.approval->type)));
    line("approval", HexOf(record.approval->data));
  }
  return out;
}

std::optional<EntryRecord> ParseEntryRecord(const std::string& text, std::string_view header) {
  if (text.size() > kMaxRecord) return std::nullopt;
  std::map<std::string, std::string> fields;
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) return std::nullopt;  // cut short
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (first) {
      if (line != header) return std::nullopt;
      first = false;
      continue;
    }
    const size_t blank = line.find(' ');
    if (blank == std::string::npos) return std::nullopt;
    if (!fields.emplace(line.substr(0, blank), line.substr(blank + 1)).second) return std::nullopt;
  }
  if (first) return std::nullopt;
  auto get = [&fields](const char* key) -> std::optional<std::string> {
    auto found = fields.find(key);
    if (found == fields.end()) return std::nullopt;
    return found->second;
  };
  auto text_of = [&get](const char* key) -> std::optional<std::wstring> {
    std::optional<std::string> hex = get(key);
    if (!hex) return std::nullopt;
    std::optional<std::string> bytes = Unhex(*hex);
    if (!bytes) return std::nullopt;
    return FromUtf8(*bytes);
  };
  auto number_of = [&get](const char* key, uint64_t max) -> std::optional<uint64_t> {
    std::optional<std::string> value = get(key);
    std::optional<uint64_t> n = value ? Number(*value) : std::nullopt;
    if (!n || *n > max) return std::nullopt;
    return n;
  };
  auto bytes_of = [&get](const char* key) -> std::optional<std::vector<uint8_t>> {
    std::optional<std::string> hex = get(key);
    std::optional<std::string> bytes = hex ? Unhex(*hex) : std::nullopt;
    if (!bytes) return std::nullopt;
    return std::vector<uint8_t>(bytes->begin(), bytes->end());
  };
  constexpr uint64_t kLastType = static_cast<int>(RegistryDataType::MultiString);

  EntryRecord record;
  StartupEntry& row = record.row;
  auto name = text_of("name"), file = text_of("file"), parameters = text_of("parameters"),
       location = text_of("location");
  auto kind = get("kind");
  if (!name || !file || !parameters || !location || !kind) return std::nullopt;
  row.name = *name;
  row.file_name = *file;
  row.parameters = *parameters;
  row.location = *location;
  row.enabled = false;
  if (*kind == "registry") {
    auto root = number_of("root", 2), view = number_of("view", 2),
         type = number_of("type", kLastType);
    auto key = text_of("key"), value = text_of("value");
    auto data = bytes_of("data");
    if (!root || !view || !type || !key || !value || !data || *type == 0) return std::nullopt;
    row.source = RegistrySource{static_cast<RootKey>(*root),
                                static_cast<RegistryView>(*view),
                                *key,
                                *value,
                                {static_cast<RegistryDataType>(*type), std::move(*data)}};
  } else if (*kind == "folder") {
    auto path = text_of("path"), target = text_of("target"), arguments = text_of("arguments"),
         working = text_of("working");
    auto shortcut = number_of("shortcut", 1), attributes = number_of("attributes", 0xFFFFFFFF),
         created = number_of("created", UINT64_MAX), accessed = number_of("accessed", UINT64_MAX),
         written = number_of("written", UINT64_MAX);
    if (!path || !target || !arguments || !working || !shortcut || !attributes || !created ||
        !accessed || !written || !IsAbsolutePath(*path)) {
      return std::nullopt;
    }
    row.source = FolderSource{*path, *shortcut == 1, *target, *arguments, *working};
    record.times = {static_cast<uint32_t>(*attributes), *created, *accessed, *written};
  } else if (*kind == "ini") {
    auto ini = text_of("ini"), key = text_of("inikey"), word = text_of("word");
    auto position = number_of("position", 1 << 20), occurrence = number_of("occurrence", 1 << 20);
    // A word is one of the list's words: no blank, and nothing (a line
    // break, a NUL) that would cut win.ini's line when it is written back.
    if (!ini || !key || !word || !position || !occurrence || word->empty() ||
        std::any_of(word->begin(), word->end(), [](wchar_t c) { return c <= L' '; }) ||
        (*key != L"run" && *key != L"load")) {
      return std::nullopt;
    }
    row.source = WinIniSource{*ini, *key, *word, static_cast<size_t>(*position),
                              static_cast<size_t>(*occurrence)};
  } else if (*kind == "task") {
    auto path = text_of("task"), working = text_of("working");
    auto action = number_of("action", 1 << 10);
    if (!path || !working || !action || path->empty() || (*path)[0] != L'\\') return std::nullopt;
    row.source = TaskSource{*path, static_cast<size_t>(*action), *working};
  } else {
    return std::nullopt;
  }
  // The fields of the undo store: each one there must be well formed.
  if (get("when")) {
    auto when = number_of("when", UINT64_MAX);
    if (!when) return std::nullopt;
    record.when = *when;
  }
  for (auto [key, field] : {std::pair{"how", &record.how}, std::pair{"to", &record.moved_to}}) {
    if (!get(key)) continue;
    auto value = text_of(key);
    if (!value) return std::nullopt;
    *field = *value;
  }
  if (get("approval") || get("approvaltype")) {
    auto type = number_of("approvaltype", kLastType);
    auto data = bytes_of("approval");
    if (!type || !data || *type == 0) return std::nullopt;
    record.approval = RegistryValue{static_cast<RegistryDataType>(*type), std::move(*data)};
  }
  return record;
}

std::optional<EntryCopy> CaptureEntry(const StartupEntry& row, std::wstring& reason) {
  EntryCopy copy;
  copy.record.row = row;
  try {
    if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
      TRegistry reg(value->view);
      reg.SetRootKey(value->root);
      std::optional<RegistryValue> now;
      if (reg.OpenKeyReadOnly(value->key_path)) now = reg.ReadValue(value->value_name);
      if (!now) {
        reason = L"The entry is no longer in its location.";
        return std::nullopt;
      }
      std::get<RegistrySource>(copy.record.row.source).value = std::move(*now);
    } else if (const auto* file = std::get_if<FolderSource>(&row.source)) {
      // The times first: reading the bytes may set the last access.
      std::optional<FileTimes> times = ReadFileTimes(file->path);
      std::optional<std::string> bytes = times ? ReadFileBytes(file->path) : std::nullopt;
      if (!bytes) {
        reason = FileExists(file->path) ? L"The file " + file->path + L" cannot be read."
                                        : L"The entry is no longer in its location.";
        return std::nullopt;
      }
      copy.bytes = std::move(*bytes);
      copy.record.times = *times;
    } else if (const auto* task = std::get_if<TaskSource>(&row.source)) {
      // A task goes on record as its whole definition.
      std::optional<std::wstring> definition = ReadTaskDefinition(task->path);
      if (!definition) {
        reason = L"The entry is no longer in its location.";
        return std::nullopt;
      }
      copy.bytes = ToUtf8(*definition);
    } else if (std::holds_alternative<ServiceSource>(row.source)) {
      reason = WhyNotDeleted(row);
      return std::nullopt;
    } else if (!std::holds_alternative<WinIniSource>(row.source)) {
      reason = L"The entry is no longer in its location.";
      return std::nullopt;
    }
    if (std::optional<ApprovalPlace> place = ApprovalPlaceOf(row)) {
      copy.record.approval = ReadApproval(*place);
    }
  } catch (const PlatformError& error) {
    reason = error.Text();
    return std::nullopt;
  }
  return copy;
}

bool StandsInPlace(const EntryCopy& copy) {
  if (const auto* word = std::get_if<WinIniSource>(&copy.record.row.source)) {
    try {
      const std::wstring list = TIniFile(word->ini_path).ReadString(L"windows", word->key, L"");
      for (const auto& [at, length] : WinIniWords(list)) {
        if (SameText(list.substr(at, length), word->word)) return true;
      }
    } catch (const PlatformError&) {
    }
    return false;
  }
  std::wstring reason;
  std::optional<EntryCopy> now = CaptureEntry(copy.record.row, reason);
  return now && SameEntryContent(*now, copy);
}

bool SameEntryContent(const EntryCopy& a, const EntryCopy& b) {
  if (EntryIdentity(a.record.row) != EntryIdentity(b.record.row)) return false;
  if (const auto* value = std::get_if<RegistrySource>(&a.record.row.source)) {
    const auto* other = std::get_if<RegistrySource>(&b.record.row.source);
    return other && other->value == value->value;
  }
  if (HasBytes(a.record.row.source)) return a.bytes == b.bytes;
  return true;  // a win.ini word is all its content
}

RecordStore::RecordStore(std::wstring folder_name, std::string header)
    : folder_name_(std::move(folder_name)), header_(std::move(header)) {}

std::wstring RecordStore::Folder() const {
  const std::wstring local = LocalAppDataFolder();
  if (local.empty()) return {};
  return IncludeTrailingBackslash(local) + L"Korvane\\" + folder_name_ + L"\\";
}

std::wstring RecordStore::RecordPath(const std::wstring& id) const {
  return Folder() + id + L".txt";
}

std::wstring RecordStore::BytesPath(const std::wstring& id) const {
  return Folder() + id + L".bin";
}

std::wstring RecordStore::Write(const EntryCopy& copy, const std::wstring& tag) {
  const std::wstring folder = Folder();
  if (folder.empty()) throw PlatformError(L"The local application data folder is not known.");
  CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(ExcludeTrailingBackslash(folder))));
  CreateFolder(ExcludeTrailingBackslash(folder));
  // Ids sort in the order of writing, even when the clock went back: a new
  // one comes after every id there is.
  uint64_t now = FileTimeNow();
  const std::vector<std::wstring> ids = Ids();
  if (!ids.empty()) {
    const std::string last = ToUtf8(ids.back().substr(0, 16));
    uint64_t stamp = 0;
    auto [end, error] = std::from_chars(last.data(), last.data() + last.size(), stamp, 16);
    if (error == std::errc() && end == last.data() + last.size() && stamp >= now) now = stamp + 1;
  }
  // Each name is taken only when it is free, so that the window and korvanec
  // writing at the same moment never write over each other's records. The
  // bytes go first: a record on disk always has what it names.
  const bool has_bytes = HasBytes(copy.record.row.source);
  const std::string text = EntryRecordText(copy.record, header_);
  for (;; ++now) {
    std::wstring id;
    for (int i = 0; i < 16; ++i) id += L"0123456789abcdef"[(now >> (60 - 4 * i)) & 15];
    id += L"-0" + tag;
    if (FileExists(RecordPath(id)) || FileExists(BytesPath(id))) continue;
    if (has_bytes && !CreateFileWhole(BytesPath(id), copy.bytes)) continue;
    try {
      if (CreateFileWhole(RecordPath(id), text)) return id;
    } catch (const PlatformError&) {
      if (has_bytes) RemoveFile(BytesPath(id));
      throw;
    }
    if (has_bytes) RemoveFile(BytesPath(id));
  }
}

std::vector<std::wstring> RecordStore::Ids() const {
  std::vector<std::wstring> ids;
  for (const auto& [id, size] : Sizes()) ids.push_back(id);
  return ids;
}

std::vector<std::pair<std::wstring, uint64_t>> RecordStore::Sizes() const {
  std::map<std::wstring, uint64_t> sizes;  // the records, with their bytes added
  std::vector<std::pair<std::wstring, uint64_t>> bytes;
  const std::wstring folder = Folder();
  if (folder.empty()) return {};
  for (const FolderItem& item : ListFolder(folder)) {
    if (item.is_folder) continue;
    const std::wstring extension = ExtractFileExt(item.name);
    const std::wstring id = item.name.substr(0, item.name.size() - extension.size());
    if (SameText(extension, L".txt")) {
      sizes[id] += item.size;
    } else if (SameText(extension, L".bin")) {
      bytes.emplace_back(id, item.size);
    }
  }
  for (const auto& [id, size] : bytes) {
    if (auto found = sizes.find(id); found != sizes.end()) found->second += size;
  }
  return {sizes.begin(), sizes.end()};
}

std::vector<std::pair<std::wstring, EntryRecord>> RecordStore::ReadAll() const {
  std::vector<std::pair<std::wstring, EntryRecord>> records;
  const std::vector<StartupLocation> places = StartupLocations();
  for (const std::wstring& id : Ids()) {
    std::optional<std::string> text = ReadFileBytes(RecordPath(id));
    std::optional<EntryRecord> record = text ? ParseEntryRecord(*text, header_) : std::nullopt;
    if (record && NamesStartupPlace(record->row, places))
      records.emplace_back(id, std::move(*record));
  }
  return records;
}

std::optional<EntryCopy> RecordStore::Read(const std::wstring& id) const {
  if (Folder().empty() || id.find_first_of(L"\\/:") != std::wstring::npos) return std::nullopt;
  std::optional<std::string> text = ReadFileBytes(RecordPath(id));
  std::optional<EntryRecord> record = text ? ParseEntryRecord(*text, header_) : std::nullopt;
  if (!record || !NamesStartupPlace(record->row, StartupLocations())) return std::nullopt;
  EntryCopy copy{std::move(*record), {}};
  if (HasBytes(copy.record.row.source)) {
    std::optional<std::string> bytes = ReadFileBytes(BytesPath(id));
    if (!bytes) return std::nullopt;
    copy.bytes = std::move(*bytes);
  }
  return copy;
}

void RecordStore::Forget(const std::wstring& id) const {
  RemoveFile(RecordPath(id));
  RemoveFile(BytesPath(id));
}

}  // namespace korvane
