#include "monitor/parked.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <variant>

#include "catalogue/location.h"
#include "catalogue/removal.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr char kHeader[] = "Korvane parked entry 1";
constexpr size_t kMaxRecord = 1 << 20;  // no startup entry comes near it

// Every text goes as the hex digits of its UTF-8 bytes: no character of a
// name or command can break a line or a field.
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

std::optional<uint64_t> Number(std::string_view text) {
  uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::wstring StoreFolder() {
  const std::wstring local = LocalAppDataFolder();
  if (local.empty()) return {};
  return IncludeTrailingBackslash(local) + L"Korvane\\Parked\\";
}

std::wstring RecordPath(const std::wstring& folder, const std::wstring& id) {
  return folder + id + L".txt";
}

std::wstring BytesPath(const std::wstring& folder, const std::wstring& id) {
  return folder + id + L".bin";
}

// A name that sorts by the time of parking.
std::wstring NewId(const std::wstring& folder) {
  wchar_t stamp[17];
  const uint64_t now = FileTimeNow();
  for (int i = 0; i < 16; ++i) stamp[i] = L"0123456789abcdef"[(now >> (60 - 4 * i)) & 15];
  stamp[16] = 0;
  for (int n = 0;; ++n) {
    std::wstring id = std::wstring(stamp) + L"-" + std::to_wstring(n);
    if (!FileExists(RecordPath(folder, id)) && !FileExists(BytesPath(folder, id))) return id;
  }
}

// The value as it stands in its key now, which is what goes aside.
std::optional<RegistryValue> CurrentValue(const RegistrySource& source) {
  TRegistry reg(source.view);
  reg.SetRootKey(source.root);
  if (!reg.OpenKey(source.key_path, false)) return std::nullopt;
  return reg.ReadValue(source.value_name);
}

void Forget(const std::wstring& folder, const std::wstring& id) {
  RemoveFile(RecordPath(folder, id));
  RemoveFile(BytesPath(folder, id));
}

ParkResult Failed(std::wstring reason) {
  return {false, std::move(reason)};
}

// Puts `word` back at its place among the words of the list.
std::wstring WithWord(const std::wstring& words, const WinIniSource& source) {
  const auto places = WinIniWords(words);
  if (source.position >= places.size()) {
    return words.empty() ? source.word : words + L" " + source.word;
  }
  std::wstring out = words;
  out.insert(places[source.position].first, source.word + L" ");
  return out;
}

// Whether the parked entry holds what `record` (and `bytes`) would.
bool SameContent(const ParkedEntry& parked, const ParkedRecord& record, const std::string& bytes) {
  if (const auto* value = std::get_if<RegistrySource>(&record.row.source)) {
    const auto* old = std::get_if<RegistrySource>(&parked.row.source);
    return old && old->value == value->value;
  }
  if (std::holds_alternative<FolderSource>(record.row.source)) {
    return ReadFileBytes(BytesPath(StoreFolder(), parked.id)) == bytes;
  }
  return true;  // a win.ini word is all its content
}

}  // namespace

std::string ParkedRecordText(const ParkedRecord& record) {
  const StartupEntry& row = record.row;
  std::string out = std::string(kHeader) + "\n";
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
    line("data",
         Hex({reinterpret_cast<const char*>(value->value.data.data()), value->value.data.size()}));
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
  }
  return out;
}

std::optional<ParkedRecord> ParseParkedRecord(const std::string& text) {
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
      if (line != kHeader) return std::nullopt;
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

  ParkedRecord record;
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
         type = number_of("type", static_cast<int>(RegistryDataType::MultiString));
    auto key = text_of("key"), value = text_of("value");
    auto data_hex = get("data");
    std::optional<std::string> data = data_hex ? Unhex(*data_hex) : std::nullopt;
    if (!root || !view || !type || !key || !value || !data || *type == 0) return std::nullopt;
    row.source = RegistrySource{
        static_cast<RootKey>(*root),
        static_cast<RegistryView>(*view),
        *key,
        *value,
        {static_cast<RegistryDataType>(*type), std::vector<uint8_t>(data->begin(), data->end())}};
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
    if (!ini || !key || !word || !position || !occurrence || word->empty() ||
        Contains(*word, L" ") || (*key != L"run" && *key != L"load")) {
      return std::nullopt;
    }
    row.source = WinIniSource{*ini, *key, *word, *position, *occurrence};
  } else {
    return std::nullopt;
  }
  return record;
}

ParkResult ParkEntry(const StartupEntry& row) {
  const std::wstring folder = StoreFolder();
  if (folder.empty()) return Failed(L"The local application data folder is not known.");
  ParkedRecord record{row, {}};
  std::string bytes;
  // What goes aside is the entry as it stands now.
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    std::optional<RegistryValue> now = CurrentValue(*value);
    if (!now) return Failed(L"The entry is no longer in its location.");
    std::get<RegistrySource>(record.row.source).value = std::move(*now);
  } else if (const auto* file = std::get_if<FolderSource>(&row.source)) {
    // The times first: reading the bytes may set the last access.
    std::optional<FileTimes> times = ReadFileTimes(file->path);
    std::optional<std::string> content = ReadFileBytes(file->path);
    if (!content || !times) return Failed(L"The file " + file->path + L" cannot be read.");
    bytes = std::move(*content);
    record.times = *times;
  } else if (!std::holds_alternative<WinIniSource>(row.source)) {
    return Failed(L"The entry is no longer in its location.");
  }
  // The same entry already aside (a program wrote it back as it was) is
  // only removed again: its record holds it.
  for (const ParkedEntry& parked : ReadParkedEntries()) {
    if (EntryIdentity(parked.row) != EntryIdentity(row) || !SameContent(parked, record, bytes)) {
      continue;
    }
    if (!RemoveStartupEntry(row)) return Failed(L"The entry cannot be removed from its location.");
    return {true, {}};
  }
  try {
    CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(ExcludeTrailingBackslash(folder))));
    CreateFolder(ExcludeTrailingBackslash(folder));
    const std::wstring id = NewId(folder);
    // The copy is whole on disk before the entry leaves its place.
    if (std::holds_alternative<FolderSource>(row.source)) {
      ReplaceFileBytes(BytesPath(folder, id), bytes);
    }
    try {
      ReplaceFileBytes(RecordPath(folder, id), ParkedRecordText(record));
    } catch (const PlatformError&) {
      Forget(folder, id);
      throw;
    }
    if (!RemoveStartupEntry(row)) {
      Forget(folder, id);
      return Failed(L"The entry cannot be removed from its location.");
    }
  } catch (const PlatformError& error) {
    return Failed(L"The entry could not be put aside: " + error.Text());
  }
  return {true, {}};
}

std::vector<ParkedEntry> ReadParkedEntries() {
  std::vector<ParkedEntry> entries;
  const std::wstring folder = StoreFolder();
  if (folder.empty()) return entries;
  std::vector<std::wstring> ids;
  for (const FolderItem& item : ListFolder(folder)) {
    if (!item.is_folder && SameText(ExtractFileExt(item.name), L".txt")) {
      ids.push_back(item.name.substr(0, item.name.size() - 4));
    }
  }
  std::sort(ids.begin(), ids.end());
  for (const std::wstring& id : ids) {
    std::optional<std::string> text = ReadFileBytes(RecordPath(folder, id));
    std::optional<ParkedRecord> record = text ? ParseParkedRecord(*text) : std::nullopt;
    if (record) entries.push_back({id, std::move(record->row)});
  }
  return entries;
}

StartupList ParkedRows() {
  StartupList rows;
  for (ParkedEntry& entry : ReadParkedEntries()) rows.push_back(std::move(entry.row));
  return rows;
}

ParkResult RestoreParkedEntry(const ParkedEntry& entry) {
  const std::wstring folder = StoreFolder();
  if (folder.empty()) return Failed(L"The local application data folder is not known.");
  // The record is read again: it is what goes back, not what was listed.
  std::optional<std::string> text = ReadFileBytes(RecordPath(folder, entry.id));
  std::optional<ParkedRecord> record = text ? ParseParkedRecord(*text) : std::nullopt;
  if (!record) return Failed(L"The record of the entry cannot be read.");
  const EntrySource& source = record->row.source;
  try {
    if (const auto* value = std::get_if<RegistrySource>(&source)) {
      TRegistry reg(value->view);
      reg.SetRootKey(value->root);
      if (!reg.OpenKey(value->key_path, true)) {
        return Failed(L"The key " + record->row.location + L" cannot be opened.");
      }
      std::optional<RegistryValue> there = reg.ReadValue(value->value_name);
      if (there && *there != value->value) {
        return Failed(L"Another entry of that name is in its location now.");
      }
      if (!there) reg.WriteValue(value->value_name, value->value);
    } else if (const auto* file = std::get_if<FolderSource>(&source)) {
      std::optional<std::string> bytes = ReadFileBytes(BytesPath(folder, entry.id));
      if (!bytes) return Failed(L"The copy of the file cannot be read.");
      std::optional<std::string> there = ReadFileBytes(file->path);
      if (FileExists(file->path) && there != bytes) {
        return Failed(L"Another file of that name is in its folder now.");
      }
      if (!there) {
        CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(file->path)));
        WriteFileBytes(file->path, *bytes);
        WriteFileTimes(file->path, record->times);
      }
    } else if (const auto* word = std::get_if<WinIniSource>(&source)) {
      TIniFile ini(word->ini_path);
      const std::wstring words = ini.ReadStringForUpdate(L"Windows", word->key);
      ini.WriteString(L"windows", word->key, WithWord(words, *word));
    }
  } catch (const PlatformError& error) {
    return Failed(error.Text());
  }
  Forget(folder, entry.id);
  return {true, {}};
}

}  // namespace korvane
