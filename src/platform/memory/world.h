#pragma once
// The state of the in-memory platform, shared by its pieces. Tests reach it
// only through arrange.h and the platform classes.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/memory/arrange.h"
#include "platform/services.h"
#include "platform/tasks.h"

namespace korvane::memory::detail {

struct RegValue {
  std::wstring name;
  RegistryDataType type = RegistryDataType::None;
  std::vector<uint8_t> data;
};

struct RegNode {
  std::wstring name;
  bool denied = false;
  bool read_only = false;                      // with its subkeys: read for everyone, nothing more
  std::vector<RegValue> values;                // creation order
  std::vector<std::unique_ptr<RegNode>> keys;  // sorted by name, as the platform lists them
};

struct FsNode {
  std::wstring name;
  bool folder = false;
  std::optional<std::wstring> junction;  // target of a reparse point
  std::string content;                   // bytes of a file
  uint64_t write_time = 0;               // WriteClock() when last written
  uint64_t created = 0, accessed = 0;
  uint32_t attributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
  // By upper-case name: a look-up in a folder of a thousand records takes no
  // walk through them, and the order is the one the platform lists them in.
  std::map<std::wstring, std::unique_ptr<FsNode>> children;
};

struct FakeProcess {
  uint32_t id = 0;
  std::wstring path;
  std::vector<FakeWindow> windows;
  std::vector<int> close_requests;
  bool running = true;
};

struct VersionData {
  std::map<std::wstring, std::wstring> strings;
  std::wstring language;
};

struct FakeTask {
  ScheduledTask task;
  std::wstring definition;
};

struct World {
  std::array<RegNode, 3> roots;
  // 64-bit Windows: the 32-bit view of HKLM\Software is its Wow6432Node
  // subkey, apart from the shared keys (split paths under HKLM).
  bool registry_views = true;
  std::vector<std::vector<std::wstring>> shared_keys;
  FsNode drives;  // children are the drive roots, named "C:"
  std::wstring current_directory, windows_directory, system_directory, own_executable;
  std::optional<std::vector<std::wstring>> search_order;  // unset: the default order
  std::array<std::wstring, 2> startup_folders;            // current user, all users
  std::wstring local_app_data;
  std::map<std::wstring, std::wstring> associations;  // upper-case extension -> program
  std::map<std::wstring, std::wstring> environment;   // upper-case name -> value
  uint32_t platform_id = 2;
  bool approvals_honoured = true;
  uint64_t file_time_now = 0x01DB000000000000;
  std::vector<FakeProcess> processes;
  uint32_t next_process_id = 1000;
  std::vector<ShellOpenCall> shell_open_calls;
  bool elevated = false;
  std::function<ElevatedRun(const ElevatedStart&)> elevation;
  std::vector<ElevatedStart> elevated_starts;
  std::vector<std::wstring> properties_shown;
  std::map<std::wstring, VersionData> version_info;  // by PathKey
  std::map<std::wstring, int> icon_indexes;          // by PathKey
  std::map<std::wstring, FileSignature> signatures;  // by PathKey
  std::map<std::wstring, int> signature_checks;      // by PathKey
  std::vector<Fault> faults;
  std::vector<std::wstring> failing_writes;  // upper-case paths, once each
  uint64_t file_search_calls = 0;
  std::map<std::wstring, FakeTask> tasks;  // by upper-case path
  // What each definition put with PutTask registers, so that a task deleted
  // and registered again from its definition comes back whole.
  std::map<std::wstring, ScheduledTask> definitions;
  std::vector<ServiceRecord> services;
  // What this program may read but not change, by upper-case path or name.
  std::set<std::wstring> read_only_folders, locked_services;
};

World& TheWorld();
// Ticks on every file write and never goes back, not even when the world is
// made anew: a file written later never shows an earlier time.
uint64_t WriteClock();
// True (and forgotten) when the next operation of this kind was made to fail.
bool TakeFault(Fault fault);

std::wstring Upper(std::wstring_view text);
// Splits at backslashes, dropping empty pieces.
std::vector<std::wstring> SplitPath(std::wstring_view path);
std::wstring JoinPath(const std::vector<std::wstring>& parts);

// Registry data in the platform's own form: UTF-16 little endian.
std::vector<uint8_t> Utf16Bytes(const std::wstring& text, bool terminate);
std::wstring FromUtf16Bytes(const std::vector<uint8_t>& data);  // up to the first NUL

// A path made full the way GetFullPathName does: drive first ("C:"), then the
// folders; "." and ".." resolved; relative names against the current
// directory. Nothing for paths the memory world does not model (UNC, empty).
std::optional<std::vector<std::wstring>> FullParts(const std::wstring& path);
std::wstring FullPath(const std::vector<std::wstring>& parts);  // "C:\", "C:\a\b"
// The key under which facts about a file (version, icon) are kept.
std::wstring PathKey(const std::wstring& path);

// The item at `path`; junctions on the way are followed, and the last one too
// when `follow_last` is set. Null when missing.
FsNode* FindItem(const std::wstring& path, bool follow_last);
// The folder that would hold `path`, made with its parents when `make` is set.
// Null when it is missing (or a file is in the way).
FsNode* ParentFolder(const std::wstring& path, bool make, std::wstring* leaf);
// The child of that name in any letter case, or null.
FsNode* Child(FsNode& folder, const std::wstring& name);
// Inserts a child whose name the folder does not hold yet; returns it.
FsNode* AddChild(FsNode& folder, std::unique_ptr<FsNode> child);

}  // namespace korvane::memory::detail
