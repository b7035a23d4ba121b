#pragma once
// What the store fuzz targets share: a small startup configuration on the
// memory platform that nothing read from a store may take away, and the
// fuzzer's bytes cut into registry values.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/entry_record.h"
#include "catalogue/scan.h"
#include "monitor/snapshot.h"
#include "platform/files.h"
#include "platform/memory/arrange.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane::fuzz {

inline const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::wstring kStartup = L"C:\\Startup";

// A Run value, a Startup folder file and a win.ini word, each with a program.
inline void ArrangeWorld() {
  memory::Reset();
  memory::SetKnownStartupFolder(false, kStartup);
  memory::SetString(RootKey::CurrentUser,
                    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                    L"Startup", kStartup);
  memory::PutFile(L"C:\\Tools\\tool.exe");
  memory::SetString(RootKey::CurrentUser, kRun, L"Tool", L"C:\\Tools\\tool.exe -q");
  memory::PutFile(kStartup + L"\\run.bat", "@echo off\r\n");
  memory::PutFile(L"C:\\WINDOWS\\win.ini", "[windows]\r\nrun=C:\\Tools\\tool.exe\r\n");
}

// The rows a scan lists in the arranged world, scanned once: a scan is far
// slower than anything a store's reader does.
inline const StartupList& Rows() {
  static const StartupList rows = [] {
    ArrangeWorld();
    StartupList list;
    ScanStartupList(list);
    return list;
  }();
  return rows;
}

// Whether the arranged entry of `row` stands in its place as it was made,
// read straight from the place.
inline bool StandsInPlace(const StartupEntry& row) {
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    TRegistry reg(value->view);
    reg.SetRootKey(value->root);
    std::optional<RegistryValue> now;
    if (reg.OpenKey(value->key_path, false)) now = reg.ReadValue(value->value_name);
    return now == value->value;
  }
  if (const auto* file = std::get_if<FolderSource>(&row.source)) {
    return FileExists(file->path) && memory::FileContent(file->path) == "@echo off\r\n";
  }
  // The word may have company now (an entry restored beside it), but not be gone.
  const std::string ini = memory::FileContent(L"C:\\WINDOWS\\win.ini");
  const size_t run = ini.find("\nrun=");
  if (run == std::string::npos) return false;
  const std::string list = ini.substr(run + 5, ini.find('\r', run + 5) - (run + 5));
  return (" " + list + " ").find(" C:\\Tools\\tool.exe ") != std::string::npos;
}

// Ends the run when an arranged entry of `kept` is gone from its place or changed.
inline void RequireKept(const StartupList& kept) {
  for (const StartupEntry& row : kept) {
    if (!StandsInPlace(row)) std::abort();
  }
}

// Takes bytes off the front of the input.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return size_ == 0; }
  uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  // Up to `max` bytes, the count given by the next byte.
  std::vector<uint8_t> Bytes(size_t max = 255) {
    size_t n = Byte();
    if (n > max) n = max;
    if (n > size_) n = size_;
    std::vector<uint8_t> out(data_, data_ + n);
    data_ += n;
    size_ -= n;
    return out;
  }
  // UTF-16 text from the bytes, two per character.
  std::wstring Text() {
    std::vector<uint8_t> bytes = Bytes();
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
  }
  std::string Rest() {
    std::string out(reinterpret_cast<const char*>(data_), size_);
    size_ = 0;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// A record and its bytes in one of Korvane's stores (`Removed`, `Parked`),
// as another program could write them: the bytes from the front of the
// input, the record's text from the rest. Gives the text.
inline std::string PutRecord(Input& in, const std::wstring& store, const std::wstring& id) {
  const std::vector<uint8_t> bytes = in.Bytes();
  std::string text = in.Rest();
  const std::wstring folder = LocalAppDataFolder() + L"\\Korvane\\" + store + L"\\";
  memory::PutFile(folder + id + L".txt", text);
  memory::PutFile(folder + id + L".bin", std::string(bytes.begin(), bytes.end()));
  return text;
}

// A record that reads writes back in the one format, and that text reads
// and writes again the same.
inline void RequireRecordRoundTrip(const std::string& text, const char* kind) {
  std::optional<EntryRecord> record = ParseEntryRecord(text, kind);
  if (!record) return;
  const std::string again = EntryRecordText(*record, kind);
  std::optional<EntryRecord> reread = ParseEntryRecord(again, kind);
  if (!reread || EntryRecordText(*reread, kind) != again) std::abort();
}

// The refresh's snapshot of `text`: reading it and reporting against it
// never crashes, and what it accepts writes back in the one format, which
// reads and writes again the same.
inline void CheckSnapshot(const std::string& text) {
  const StartupList& rows = Rows();
  std::optional<StartupList> read = ParseSnapshot(text);
  DetectEntryChanges(rows, std::optional<std::string>(text), {}, {});
  if (!read) return;
  const std::string again = SnapshotText(*read);
  std::optional<StartupList> reread = ParseSnapshot(again);
  if (!reread || SnapshotText(*reread) != again) std::abort();
  for (const ReportedEntry& entry : DetectEntryChanges(rows, read, {}, {})) {
    CommandText(entry.row);
    ChangeKindText(entry.change);
  }
}

// Values of any type, name and data in `key`, as another program could write them.
inline void PutValues(Input& in, RootKey root, const std::wstring& key) {
  memory::MakeKey(root, key);
  for (int i = 0; i < 16 && !in.Empty(); ++i) {
    const auto type = static_cast<RegistryDataType>(in.Byte() % 7);
    std::wstring name = in.Text();
    std::vector<uint8_t> data = in.Bytes();
    memory::SetValue(root, key, name, type, data);
  }
}

}  // namespace korvane::fuzz
