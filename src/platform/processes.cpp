#include "platform/processes.h"

#include "platform/text.h"

namespace korvane {

namespace {

std::wstring_view TrimControl(std::wstring_view s) {
  while (!s.empty() && s.front() <= 32) s.remove_prefix(1);
  while (!s.empty() && s.back() <= 32) s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool SameProcessPath(std::wstring_view a, std::wstring_view b) {
  return SameText(TrimControl(a), TrimControl(b));
}

std::wstring NormaliseModulePath(const std::wstring& path, uint32_t id,
                                 const std::wstring& windows_directory) {
  if (path.empty()) {
    if (id == 0) return L"[System Process]";
    if (id == 2 || id == 4 || id == 8) return L"System";
    return path;
  }
  if (StartsWithNoCase(path, L"\\??\\")) return path.substr(4);
  if (StartsWithNoCase(path, L"\\SystemRoot\\")) {
    return IncludeTrailingBackslash(windows_directory) + path.substr(12);
  }
  return path;
}

TWindowsAPI& TWindowsAPI::Instance() {
  static TWindowsAPI instance;
  return instance;
}

void TWindowsAPI::Build() {
  std::vector<ProcessRecord> records = EnumerateProcesses();
  paths_.clear();
  ids_.clear();
  for (ProcessRecord& r : records) {
    ids_.push_back(r.id);
    paths_.push_back(std::move(r.path));
  }
  bare_names_.clear();
  bare_names_valid_ = false;
  paths_valid_ = true;
}

const std::vector<std::wstring>& TWindowsAPI::GetProcessFileNames() {
  if (!paths_valid_) Build();
  return paths_;
}

int TWindowsAPI::FindProcessFile(const std::wstring& path) {
  const std::vector<std::wstring>& paths = GetProcessFileNames();
  for (size_t i = 0; i < paths.size(); ++i) {
    if (SameProcessPath(paths[i], path)) return static_cast<int>(i);
  }
  return -1;
}

void TWindowsAPI::InvalidateProcessList() {
  paths_.clear();
  ids_.clear();
  bare_names_.clear();
  paths_valid_ = false;
  bare_names_valid_ = false;
}

int TWindowsAPI::EndProcessByFileName(const std::wstring& path, bool all, EndMode mode) {
  GetProcessFileNames();
  if (!bare_names_valid_) {
    bare_names_.clear();
    for (const std::wstring& p : paths_) bare_names_.push_back(ExtractFileName(p));
    bare_names_valid_ = true;
  }
  const std::wstring folder = ExtractFilePath(path);
  const std::wstring name = ExtractFileName(path);
  int count = 0;
  for (size_t i = paths_.size(); i-- > 0;) {
    bool match = SameProcessPath(paths_[i], path);
    if (!match) {
      match = folder.empty() ? SameProcessPath(bare_names_[i], name)
                             : SameProcessPath(paths_[i], name);
    }
    if (!match) continue;
    if (mode == EndMode::Terminate) {
      TerminateProcessById(ids_[i]);
    } else {
      RequestProcessClose(ids_[i]);
    }
    ++count;
    if (!all) break;
  }
  return count;
}

}  // namespace korvane
