#include "monitor/snapshot_v1.h"

#include <charconv>

#include "catalogue/entry_format.h"
#include "platform/text.h"

namespace korvane {

namespace {

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

}  // namespace

std::optional<StartupList> ParseSnapshotV1(std::string_view all) {
  size_t end = all.find('\n');
  if (end == std::string_view::npos || all.substr(0, end) != kSnapshotV1Header) return std::nullopt;
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

}  // namespace korvane
