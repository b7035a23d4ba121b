#include "catalogue/entry_record.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/entry_format.h"
#include "catalogue/entry_format_v1.h"
#include "catalogue/location.h"
#include "catalogue/places/place_kind.h"
#include "catalogue/system_entries.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

namespace {

// A file's bytes, or a task's definition, are kept beside the record.
bool HasBytes(const EntrySource& source) {
  return PlaceOf(source).KeepsBytes();
}

constexpr int kRecordVersion = 2;
// No startup entry comes near them. A record of the first format at its bound of 1 MiB
// (entry_format_v1.cpp) writes to at most three times that: a byte of text given as two hex digits
// there may need six characters here ("\u0001").
constexpr size_t kMaxRecord = 4 << 20;
constexpr size_t kMaxRecordDepth = 8;
constexpr size_t kMaxRecordValues = 1024;

// Whether the record holds what can be put back as it was: a place of a
// kind that has records, a value of a type that can be written back, and no
// word that would cut win.ini's line.
bool Restorable(const EntryRecord& record) {
  if (record.approval && !WritableValue(*record.approval)) return false;
  return PlaceOf(record.row).Restorable(record.row);
}

// Whether the record puts its entry back in one of the startup places. A
// record is a file that any program can write: one that names another key,
// folder or file must not make Korvane write there.
bool NamesStartupPlace(const StartupEntry& row, const std::vector<StartupLocation>& places) {
  return PlaceOf(row).NamesStartupPlace(row, places);
}

}  // namespace

std::string EntryRecordText(const EntryRecord& record, std::string_view kind) {
  Json j;
  j["format"] = std::string(kind) + " " + std::to_string(kRecordVersion);
  to_json(j, record);
  return JsonText(j);
}

std::optional<EntryRecord> ParseEntryRecord(const std::string& text, std::string_view kind) {
  const std::string old_header = std::string(kind) + " 1\n";
  if (text.compare(0, old_header.size(), old_header) == 0) {
    return ParseEntryRecordV1(text, old_header.substr(0, old_header.size() - 1));
  }
  // The writer's last byte: a file cut short anywhere is no record.
  if (text.empty() || text.back() != '\n') return std::nullopt;
  try {
    const Json j = ParseJson(text, {kMaxRecord, kMaxRecordDepth, kMaxRecordValues, "a record"});
    const Json& format = Member(j, "format");
    if (!format.is_string() || format.get_ref<const std::string&>() !=
                                   std::string(kind) + " " + std::to_string(kRecordVersion)) {
      return std::nullopt;
    }
    EntryRecord record = j.get<EntryRecord>();
    if (!Restorable(record)) return std::nullopt;
    // What stands on record is out of its place: it neither runs nor starts.
    record.row.running = false;
    record.row.enabled = false;
    return record;
  } catch (const EntryFormatError&) {
    return std::nullopt;
  }
}

std::optional<EntryCopy> CaptureEntry(const StartupEntry& row, std::wstring& reason) {
  EntryCopy copy;
  copy.record.row = row;
  try {
    if (!PlaceOf(row).Capture(copy, reason)) return std::nullopt;
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
  return PlaceOf(copy.record.row).StandsInPlace(copy);
}

bool SameEntryContent(const EntryCopy& a, const EntryCopy& b) {
  if (EntryIdentity(a.record.row) != EntryIdentity(b.record.row)) return false;
  return PlaceOf(a.record.row).Content(a) == PlaceOf(b.record.row).Content(b);
}

RecordStore::RecordStore(std::wstring folder_name, std::string kind)
    : folder_name_(std::move(folder_name)), kind_(std::move(kind)) {}

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
  const std::string text = EntryRecordText(copy.record, kind_);
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
    std::optional<EntryRecord> record = text ? ParseEntryRecord(*text, kind_) : std::nullopt;
    if (record && NamesStartupPlace(record->row, places))
      records.emplace_back(id, std::move(*record));
  }
  return records;
}

std::optional<EntryCopy> RecordStore::Read(const std::wstring& id) const {
  if (Folder().empty() || id.find_first_of(L"\\/:") != std::wstring::npos) return std::nullopt;
  std::optional<std::string> text = ReadFileBytes(RecordPath(id));
  std::optional<EntryRecord> record = text ? ParseEntryRecord(*text, kind_) : std::nullopt;
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
