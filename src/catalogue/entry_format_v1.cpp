#include "catalogue/entry_format_v1.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "catalogue/entry_format.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr size_t kMaxRecord = 1 << 20;  // no startup entry comes near it

std::optional<uint64_t> Number(std::string_view text) {
  uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<EntryRecord> ParseEntryRecordV1(const std::string& text, std::string_view header) {
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

}  // namespace korvane
