#include <algorithm>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/world.h"
#include "platform/text.h"

namespace korvane {

using namespace memory::detail;

namespace {

// The platform's rule for a name that is searched as it stands rather than
// along the search order: a drive, a leading backslash, "./" or "../".
bool HasExplicitFolder(const std::wstring& name) {
  if (name.size() >= 2 && name[1] == L':') return true;
  if (StartsWith(name, L"\\") || StartsWith(name, L"/")) return true;
  if (!StartsWith(name, L".")) return false;
  std::wstring rest = name.substr(StartsWith(name, L"..") ? 2 : 1);
  return StartsWith(rest, L"\\") || StartsWith(rest, L"/");
}

std::vector<std::wstring> SearchOrder() {
  const World& w = TheWorld();
  if (w.search_order) return *w.search_order;
  return {ExtractFilePath(w.own_executable), w.current_directory, w.system_directory,
          w.windows_directory};
}

std::optional<std::wstring> Search(const std::wstring& name) {
  std::vector<std::wstring> candidates;
  if (HasExplicitFolder(name)) {
    candidates.push_back(name);
  } else {
    for (const std::wstring& folder : SearchOrder()) {
      candidates.push_back(IncludeTrailingBackslash(folder) + name);
    }
  }
  for (const std::wstring& c : candidates) {
    if (!FitsPathLimit(c)) continue;
    std::optional<std::vector<std::wstring>> parts = FullParts(c);
    if (parts && FindItem(c, false) != nullptr) return FullPath(*parts);
  }
  return std::nullopt;
}

}  // namespace

bool FileExists(const std::wstring& path) {
  const FsNode* item = FitsPathLimit(path) ? FindItem(path, false) : nullptr;
  return item != nullptr && !item->folder;
}

bool MayChangeFolder(const std::wstring& folder) {
  return !TheWorld().read_only_folders.count(Upper(ExcludeTrailingBackslash(folder)));
}

bool FolderExists(const std::wstring& path) {
  const FsNode* item = FitsPathLimit(path) ? FindItem(path, false) : nullptr;
  return item != nullptr && item->folder;
}

std::optional<FileStamp> ReadFileStamp(const std::wstring& path) {
  const FsNode* item = FitsPathLimit(path) ? FindItem(path, false) : nullptr;
  if (item == nullptr || item->folder) return std::nullopt;
  return FileStamp{item->content.size(), item->write_time};
}

bool AnyItemWithStem(const std::wstring& path) {
  std::wstring stem;
  const FsNode* folder = FitsPathLimit(path) ? ParentFolder(path, false, &stem) : nullptr;
  if (stem.empty()) return true;
  return folder != nullptr &&
         std::any_of(folder->children.begin(), folder->children.end(),
                     [&stem](const auto& child) { return HasStem(child.second->name, stem); });
}

bool RemoveFile(const std::wstring& path) {
  if (TakeFault(memory::Fault::FileDelete)) return false;
  std::wstring leaf;
  FsNode* folder = ParentFolder(path, false, &leaf);
  const FsNode* file = folder != nullptr ? Child(*folder, leaf) : nullptr;
  if (file == nullptr || file->folder) return false;
  folder->children.erase(Upper(leaf));
  return true;
}

bool MoveFileTo(const std::wstring& from, const std::wstring& to) {
  if (TakeFault(memory::Fault::FileMove)) return false;
  std::wstring from_leaf, to_leaf;
  FsNode* source = ParentFolder(from, false, &from_leaf);
  FsNode* target = ParentFolder(to, false, &to_leaf);
  if (source == nullptr || target == nullptr || FindItem(to, false) != nullptr) return false;
  auto item = source->children.find(Upper(from_leaf));
  if (item == source->children.end() || item->second->folder) return false;
  std::unique_ptr<FsNode> file = std::move(item->second);
  source->children.erase(item);
  file->name = to_leaf;
  AddChild(*target, std::move(file));
  return true;
}

std::vector<FolderItem> ListFolder(const std::wstring& folder) {
  std::vector<FolderItem> items;
  const FsNode* node = FindItem(folder, true);
  std::optional<std::vector<std::wstring>> parts = FullParts(folder);
  if (node == nullptr || !node->folder || !parts) return items;
  if (parts->size() > 1) {
    items.push_back({L".", true, false});
    items.push_back({L"..", true, false});
  }
  for (const auto& [key, c] : node->children) {
    items.push_back({c->name, c->folder, c->junction.has_value(), c->content.size()});
  }
  return items;
}

std::optional<std::wstring> SearchPathFor(const std::wstring& name) {
  if (!FitsPathLimit(name)) return std::nullopt;
  ++TheWorld().file_search_calls;
  return Search(name);
}

std::optional<std::wstring> FindExecutableFor(const std::wstring& file,
                                              const std::wstring& directory) {
  if (file.size() >= kMaxPath || directory.size() >= kMaxPath) return std::nullopt;
  World& w = TheWorld();
  ++w.file_search_calls;
  // The shell looks for the file from the given directory, trying ".exe" for
  // a name without an extension.
  const std::wstring saved = w.current_directory;
  if (!directory.empty()) w.current_directory = directory;
  std::optional<std::wstring> found = Search(file);
  if (!found && ExtractFileExt(file).empty()) found = Search(file + L".exe");
  w.current_directory = saved;
  if (!found || !FileExists(*found)) return std::nullopt;
  const std::wstring ext = Upper(ExtractFileExt(*found));
  for (const wchar_t* program : {L".EXE", L".COM", L".BAT", L".CMD", L".PIF"}) {
    if (ext == program) return found;
  }
  auto association = w.associations.find(ext);
  if (association == w.associations.end()) return std::nullopt;
  return association->second;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  const World& w = TheWorld();
  std::wstring out;
  size_t at = 0;
  for (size_t open = text.find(L'%'); open != std::wstring::npos; open = text.find(L'%', at)) {
    size_t close = text.find(L'%', open + 1);
    if (close == std::wstring::npos) break;
    auto variable = w.environment.find(Upper(text.substr(open + 1, close - open - 1)));
    if (variable == w.environment.end()) {
      // An unknown name stays, and its closing mark may open the next one.
      out += text.substr(at, close - at);
      at = close;
      continue;
    }
    out += text.substr(at, open - at) + variable->second;
    at = close + 1;
  }
  return out + text.substr(at);
}

std::wstring WindowsDirectory() {
  return TheWorld().windows_directory;
}
std::wstring OwnExecutablePath() {
  return TheWorld().own_executable;
}
std::wstring KnownStartupFolder(bool all_users) {
  return TheWorld().startup_folders[all_users ? 1 : 0];
}

void WriteAnsiTextFile(const std::wstring& path, const std::wstring& text) {
  // As the platform does, a character the code page lacks becomes a question mark.
  std::string ansi;
  for (wchar_t c : text) ansi += ToAnsi(std::wstring(1, c)).value_or("?");
  ReplaceFileBytes(path, ansi);
}

void WriteFileBytes(const std::wstring& path, std::string_view bytes) {
  std::wstring leaf;
  FsNode* folder = ParentFolder(path, false, &leaf);
  FsNode* existing = FindItem(path, false);
  std::vector<std::wstring>& failing = TheWorld().failing_writes;
  auto failing_here = std::find(failing.begin(), failing.end(), Upper(path));
  const bool fail_here = failing_here != failing.end();
  if (fail_here) failing.erase(failing_here);
  if (fail_here || TakeFault(memory::Fault::FileWrite) || folder == nullptr ||
      (existing != nullptr && existing->folder)) {
    throw PlatformError(L"Cannot write the file " + path);
  }
  memory::PutFile(path, std::string(bytes));
}

void ReplaceFileBytes(const std::wstring& path, std::string_view bytes) {
  // One step in memory: the old file or the new one, as on disk.
  WriteFileBytes(path, bytes);
}

bool CreateFileWhole(const std::wstring& path, std::string_view bytes) {
  if (FindItem(path, false) != nullptr) return false;
  WriteFileBytes(path, bytes);
  return true;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  if (TakeFault(memory::Fault::FileRead)) return std::nullopt;
  const FsNode* file = FindItem(path, false);
  if (file == nullptr || file->folder) return std::nullopt;
  return file->content;
}

std::optional<FileTimes> ReadFileTimes(const std::wstring& path) {
  const FsNode* file = FindItem(path, false);
  if (file == nullptr || file->folder) return std::nullopt;
  return FileTimes{file->attributes, file->created, file->accessed, file->write_time};
}

bool WriteFileTimes(const std::wstring& path, const FileTimes& times) {
  FsNode* file = FindItem(path, false);
  if (file == nullptr || file->folder) return false;
  file->attributes = times.attributes;
  file->created = times.created;
  file->accessed = times.accessed;
  file->write_time = times.written;
  return true;
}

bool CreateFolder(const std::wstring& path) {
  std::wstring leaf;
  FsNode* parent = ParentFolder(ExcludeTrailingBackslash(path), false, &leaf);
  if (parent == nullptr || (FindItem(path, false) != nullptr && !FolderExists(path))) return false;
  memory::MakeFolder(path);
  return true;
}

std::wstring ShellLocalAppDataFolder() {
  return TheWorld().local_app_data;
}

uint64_t FileSearchCalls() {
  return TheWorld().file_search_calls;
}
bool StartupApprovalsHonoured() {
  return TheWorld().approvals_honoured;
}

uint64_t FileTimeNow() {
  return TheWorld().file_time_now;
}

uint32_t PlatformId() {
  return TheWorld().platform_id;
}

namespace memory {

namespace detail {

uint64_t WriteClock() {
  static uint64_t clock = 0;
  return ++clock;
}

}  // namespace detail

void PutFile(const std::wstring& path, const std::string& content) {
  std::wstring leaf;
  FsNode* folder = ParentFolder(path, true, &leaf);
  if (folder == nullptr) throw PlatformError(L"Cannot put the file " + path);
  if (FsNode* existing = Child(*folder, leaf)) {
    if (existing->folder) throw PlatformError(L"A folder is in the way of the file " + path);
    existing->content = content;
    existing->write_time = WriteClock();
    return;
  }
  auto file = std::make_unique<FsNode>();
  file->name = leaf;
  file->content = content;
  file->write_time = WriteClock();
  AddChild(*folder, std::move(file));
}

void MakeFolder(const std::wstring& path) {
  // A trailing piece makes every folder of the path, the last one included.
  std::wstring leaf;
  if (ParentFolder(IncludeTrailingBackslash(path) + L"*", true, &leaf) == nullptr) {
    throw PlatformError(L"Cannot make the folder " + path);
  }
}

void MakeFolderReadOnly(const std::wstring& path) {
  MakeFolder(path);
  TheWorld().read_only_folders.insert(Upper(ExcludeTrailingBackslash(path)));
}

void MakeJunction(const std::wstring& path, const std::wstring& target) {
  std::wstring leaf;
  FsNode* folder = ParentFolder(path, true, &leaf);
  if (folder == nullptr || FindItem(path, false) != nullptr) {
    throw PlatformError(L"Cannot make the junction " + path);
  }
  auto junction = std::make_unique<FsNode>();
  junction->name = leaf;
  junction->folder = true;
  junction->junction = target;
  AddChild(*folder, std::move(junction));
}

std::string FileContent(const std::wstring& path) {
  const FsNode* item = FindItem(path, true);
  if (item == nullptr || item->folder) throw PlatformError(L"No such file: " + path);
  return item->content;
}

}  // namespace memory

}  // namespace korvane
