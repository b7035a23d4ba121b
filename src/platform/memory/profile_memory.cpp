#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/world.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace korvane {

using namespace memory::detail;

namespace {

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t' || s.back() == L'\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// A profile named without a folder lives in the Windows directory.
std::wstring ProfilePath(const std::wstring& file_name) {
  if (!ExtractFilePath(file_name).empty()) return file_name;
  return IncludeTrailingBackslash(WindowsDirectory()) + file_name;
}

std::vector<std::wstring> Lines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  const FsNode* item = FindItem(path, true);
  if (item == nullptr || item->folder) return lines;
  const std::wstring text = FromUtf8(item->content);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The name of the section a line opens, or nothing.
std::optional<std::wstring_view> SectionName(std::wstring_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != L'[') return std::nullopt;
  size_t close = line.find(L']');
  return Trim(line.substr(1, close == std::wstring_view::npos ? line.npos : close - 1));
}

std::wstring_view KeyName(std::wstring_view line) {
  return Trim(line.substr(0, line.find(L'=')));
}

// Index of the line holding `key` in `section`, and the line after the
// section's last entry (where a new key goes); npos when the section is missing.
struct Place {
  size_t key = std::wstring::npos;
  size_t end = std::wstring::npos;
};

Place Find(const std::vector<std::wstring>& lines, const std::wstring& section,
           const std::wstring& key) {
  Place place;
  bool inside = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (std::optional<std::wstring_view> name = SectionName(lines[i])) {
      if (inside) break;
      inside = SameText(*name, section);
      if (inside) place.end = i + 1;
      continue;
    }
    if (!inside || Trim(lines[i]).empty() || Trim(lines[i]).front() == L';') continue;
    place.end = i + 1;
    if (place.key == std::wstring::npos && SameText(KeyName(lines[i]), key)) place.key = i;
  }
  return place;
}

}  // namespace

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& default_value) {
  if (TakeFault(memory::Fault::ProfileRead)) return default_value;
  const std::vector<std::wstring> lines = Lines(ProfilePath(file_name_));
  const Place place = Find(lines, section, key);
  if (place.key == std::wstring::npos) return default_value;
  const std::wstring& line = lines[place.key];
  const size_t eq = line.find(L'=');
  if (eq == std::wstring::npos) return {};
  std::wstring_view value = Trim(std::wstring_view(line).substr(eq + 1));
  // A value in matching quotes is read without them.
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::wstring(value);
}

std::wstring TIniFile::ReadStringForUpdate(const std::wstring& section, const std::wstring& key) {
  if (TakeFault(memory::Fault::ProfileRead)) {
    throw PlatformError(L"Cannot read the profile " + ProfilePath(file_name_));
  }
  return ReadString(section, key, L"");
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key,
                           const std::wstring& value) {
  const std::wstring path = ProfilePath(file_name_);
  std::wstring leaf;
  const FsNode* existing = FindItem(path, true);
  if (TakeFault(memory::Fault::ProfileWrite) || ParentFolder(path, false, &leaf) == nullptr ||
      (existing && existing->folder)) {
    throw PlatformError(L"Cannot write to the profile " + path);
  }
  std::vector<std::wstring> lines = Lines(path);
  const Place place = Find(lines, section, key);
  if (place.key != std::wstring::npos) {
    lines[place.key] = std::wstring(KeyName(lines[place.key])) + L"=" + value;
  } else if (place.end != std::wstring::npos) {
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(place.end), key + L"=" + value);
  } else {
    lines.push_back(L"[" + section + L"]");
    lines.push_back(key + L"=" + value);
  }
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  memory::PutFile(path, ToUtf8(text));
}

}  // namespace korvane
