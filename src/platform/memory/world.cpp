#include "platform/memory/world.h"

#include <algorithm>
#include <cwctype>

#include "platform/error.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace korvane::memory {

namespace detail {

World& TheWorld() {
  static World world;
  return world;
}

bool TakeFault(Fault fault) {
  std::vector<Fault>& faults = TheWorld().faults;
  auto it = std::find(faults.begin(), faults.end(), fault);
  if (it == faults.end()) return false;
  faults.erase(it);
  return true;
}

std::wstring Upper(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return out;
}

std::vector<std::wstring> SplitPath(std::wstring_view path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::wstring JoinPath(const std::vector<std::wstring>& parts) {
  std::wstring out;
  for (const std::wstring& p : parts) {
    if (!out.empty()) out += L'\\';
    out += p;
  }
  return out;
}

std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool terminate) {
  std::vector<uint8_t> out;
  auto put = [&out](uint32_t unit) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  };
  for (wchar_t c : text) {
    uint32_t code = static_cast<uint32_t>(c);
    if (code >= 0x10000) {
      code -= 0x10000;
      put(0xD800 + (code >> 10));
      put(0xDC00 + (code & 0x3FF));
    } else {
      put(code);
    }
  }
  if (terminate) put(0);
  return out;
}

std::wstring FromUtf16Bytes(const std::vector<uint8_t>& data) {
  std::wstring out;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    uint32_t unit = data[i] | (data[i + 1] << 8);
    if (unit == 0) break;
    if constexpr (sizeof(wchar_t) == 4) {
      if (unit >= 0xDC00 && unit <= 0xDFFF && !out.empty() && out.back() >= 0xD800 &&
          out.back() <= 0xDBFF) {
        out.back() =
            static_cast<wchar_t>(0x10000 + ((out.back() - 0xD800) << 10) + (unit - 0xDC00));
        continue;
      }
    }
    out += static_cast<wchar_t>(unit);
  }
  return out;
}

std::optional<std::vector<std::wstring>> FullParts(const std::wstring& path) {
  std::wstring p = path;
  std::replace(p.begin(), p.end(), L'/', L'\\');
  if (p.empty() || StartsWith(p, L"\\\\")) return std::nullopt;
  const std::vector<std::wstring> current = SplitPath(TheWorld().current_directory);
  std::vector<std::wstring> parts;
  std::wstring rest;
  if (p.size() >= 2 && p[1] == L':') {
    parts.push_back(Upper(p.substr(0, 2)));
    rest = p.substr(2);
    // "D:name" is relative to the current directory when that is on D:.
    if (!StartsWith(rest, L"\\") && !current.empty() && SameText(current[0], parts[0])) {
      parts = current;
    }
  } else if (StartsWith(p, L"\\")) {
    if (current.empty()) return std::nullopt;
    parts.push_back(current[0]);
    rest = p;
  } else {
    if (current.empty()) return std::nullopt;
    parts = current;
    rest = p;
  }
  for (std::wstring& piece : SplitPath(rest)) {
    if (piece == L".") continue;
    if (piece == L"..") {
      if (parts.size() > 1) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(piece));
  }
  return parts;
}

std::wstring FullPath(const std::vector<std::wstring>& parts) {
  return parts.size() == 1 ? parts[0] + L"\\" : JoinPath(parts);
}

std::wstring PathKey(const std::wstring& path) {
  std::optional<std::vector<std::wstring>> parts = FullParts(path);
  return Upper(parts ? FullPath(*parts) : path);
}

FsNode* Child(FsNode& folder, const std::wstring& name) {
  auto found = folder.children.find(Upper(name));
  return found == folder.children.end() ? nullptr : found->second.get();
}

namespace {

// Junctions that lead on for longer than this are taken as a loop, as the
// platform gives up on a name that does not resolve.
constexpr int kMaxJunctionHops = 32;

FsNode* Walk(std::vector<std::wstring> parts, bool follow_last, int hops) {
  FsNode* node = &TheWorld().drives;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!node->folder) return nullptr;
    node = Child(*node, parts[i]);
    if (node == nullptr) return nullptr;
    const bool last = i + 1 == parts.size();
    if (node->junction && (!last || follow_last)) {
      if (hops >= kMaxJunctionHops) return nullptr;
      std::optional<std::vector<std::wstring>> target = FullParts(*node->junction);
      if (!target) return nullptr;
      target->insert(target->end(), parts.begin() + i + 1, parts.end());
      return Walk(std::move(*target), follow_last, hops + 1);
    }
  }
  return node;
}

}  // namespace

FsNode* FindItem(const std::wstring& path, bool follow_last) {
  std::optional<std::vector<std::wstring>> parts = FullParts(path);
  if (!parts) return nullptr;
  return Walk(std::move(*parts), follow_last, 0);
}

FsNode* AddChild(FsNode& folder, std::unique_ptr<FsNode> child) {
  std::wstring key = Upper(child->name);
  return folder.children.emplace(std::move(key), std::move(child)).first->second.get();
}

FsNode* ParentFolder(const std::wstring& path, bool make, std::wstring* leaf) {
  std::optional<std::vector<std::wstring>> parts = FullParts(path);
  if (!parts || parts->size() < 2) return nullptr;
  *leaf = parts->back();
  parts->pop_back();
  if (!make) {
    FsNode* folder = Walk(*parts, true, 0);
    return folder != nullptr && folder->folder ? folder : nullptr;
  }
  FsNode* node = &TheWorld().drives;
  for (const std::wstring& piece : *parts) {
    FsNode* next = Child(*node, piece);
    if (next == nullptr) {
      auto made = std::make_unique<FsNode>();
      made->name = piece;
      made->folder = true;
      next = AddChild(*node, std::move(made));
    }
    if (next->junction) {
      std::optional<std::vector<std::wstring>> target = FullParts(*next->junction);
      next = target ? Walk(std::move(*target), true, 0) : nullptr;
    }
    if (next == nullptr || !next->folder) return nullptr;
    node = next;
  }
  return node;
}

}  // namespace detail

using namespace detail;

void Reset() {
  World& w = TheWorld();
  w = World{};
  w.drives.folder = true;
  w.current_directory = L"C:\\";
  w.windows_directory = L"C:\\WINDOWS";
  w.system_directory = L"C:\\WINDOWS\\system32";
  w.own_executable = L"C:\\Program Files\\Korvane\\korvane.exe";
  w.environment = {{L"WINDIR", w.windows_directory}, {L"SYSTEMROOT", w.windows_directory}};
  w.local_app_data = L"C:\\Users\\user\\AppData\\Local";
  MakeFolder(w.system_directory);
  MakeFolder(w.local_app_data);
  PutFile(w.own_executable);
  // The shared process snapshot belongs to the world it was taken of.
  TWindowsAPI::Instance().InvalidateProcessList();
}

void FailNext(Fault fault) {
  TheWorld().faults.push_back(fault);
}

void FailNextWriteOf(const std::wstring& path) {
  TheWorld().failing_writes.push_back(Upper(path));
}

void ClearFaults() {
  TheWorld().faults.clear();
  TheWorld().failing_writes.clear();
}

void SetCurrentDirectory(const std::wstring& path) {
  TheWorld().current_directory = path;
}
void SetWindowsDirectory(const std::wstring& path) {
  TheWorld().windows_directory = path;
}
void SetOwnExecutable(const std::wstring& path) {
  TheWorld().own_executable = path;
}
void SetSearchOrder(const std::vector<std::wstring>& folders) {
  TheWorld().search_order = folders;
}
void SetKnownStartupFolder(bool all_users, const std::wstring& path) {
  TheWorld().startup_folders[all_users ? 1 : 0] = path;
}
void SetLocalAppDataFolder(const std::wstring& path) {
  TheWorld().local_app_data = path;
}
void SetAssociation(const std::wstring& extension, const std::wstring& program) {
  TheWorld().associations[Upper(extension)] = program;
}
void SetEnvironmentVariable(const std::wstring& name, const std::wstring& value) {
  TheWorld().environment[Upper(name)] = value;
}
void SetStartupApprovalsHonoured(bool honoured) {
  TheWorld().approvals_honoured = honoured;
}

void SetPlatformId(uint32_t id) {
  TheWorld().platform_id = id;
}

}  // namespace korvane::memory
