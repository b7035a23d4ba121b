#include <algorithm>

#include "platform/error.h"
#include "platform/memory/world.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

using namespace memory::detail;

namespace {

RegNode& Root(RootKey root) {
  return TheWorld().roots[static_cast<size_t>(root)];
}

RegNode* SubKey(RegNode& node, const std::wstring& name) {
  for (auto& k : node.keys) {
    if (SameText(k->name, name)) return k.get();
  }
  return nullptr;
}

RegNode* FindKey(RootKey root, const std::vector<std::wstring>& parts) {
  RegNode* node = &Root(root);
  for (const std::wstring& p : parts) {
    node = SubKey(*node, p);
    if (node == nullptr) return nullptr;
  }
  return node;
}

// Makes the missing keys of `parts`. Null when a key on the way refuses the
// creation of subkeys.
RegNode* CreateKey(RootKey root, const std::vector<std::wstring>& parts, bool respect_denial) {
  RegNode* node = &Root(root);
  for (const std::wstring& p : parts) {
    RegNode* next = SubKey(*node, p);
    if (next == nullptr) {
      if (respect_denial && node->denied) return nullptr;
      auto made = std::make_unique<RegNode>();
      made->name = p;
      const std::wstring key = memory::detail::Upper(p);
      auto at = std::find_if(node->keys.begin(), node->keys.end(), [&key](const auto& k) {
        return memory::detail::Upper(k->name) > key;
      });
      next = node->keys.insert(at, std::move(made))->get();
    }
    node = next;
  }
  return node;
}

// True when the key of `parts` or one above it takes reads only (its rights
// are inherited, as a DACL's are by the subkeys).
bool ReadOnlyOnTheWay(RootKey root, const std::vector<std::wstring>& parts) {
  RegNode* node = &Root(root);
  for (const std::wstring& p : parts) {
    if (node->read_only) return true;
    node = SubKey(*node, p);
    if (node == nullptr) return false;
  }
  return node->read_only;
}

RegValue* FindValue(RegNode& node, const std::wstring& name) {
  for (RegValue& v : node.values) {
    if (SameText(v.name, name)) return &v;
  }
  return nullptr;
}

void PutValue(RegNode& node, const std::wstring& name, RegistryDataType type,
              std::vector<uint8_t> data) {
  RegValue* value = FindValue(node, name);
  if (value == nullptr) value = &node.values.emplace_back(RegValue{name, type, {}});
  value->type = type;
  value->data = std::move(data);
}

bool StartsWithParts(const std::vector<std::wstring>& parts,
                     const std::vector<std::wstring>& prefix) {
  if (prefix.size() > parts.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!SameText(parts[i], prefix[i])) return false;
  }
  return true;
}

// Where a path of the given view lies in the one tree: the 32-bit view of
// HKLM\Software is Software\Wow6432Node, apart from the shared keys and the
// Wow6432Node path itself.
std::vector<std::wstring> InView(RootKey root, RegistryView view, std::vector<std::wstring> parts) {
  const World& world = TheWorld();
  if (view != RegistryView::Bits32 || !world.registry_views || root != RootKey::LocalMachine ||
      parts.empty() || !SameText(parts[0], L"Software") ||
      (parts.size() > 1 && SameText(parts[1], L"Wow6432Node"))) {
    return parts;
  }
  for (const auto& shared : world.shared_keys) {
    if (StartsWithParts(parts, shared)) return parts;
  }
  parts.insert(parts.begin() + 1, L"Wow6432Node");
  return parts;
}

}  // namespace

struct TRegistry::Key {
  RootKey root;
  std::vector<std::wstring> parts;  // in the one tree, after the view's redirection
  bool read_only = false;
  // Null when the key has been deleted since it was opened.
  RegNode* Node() const { return FindKey(root, parts); }
};

namespace {

// The full path of `path` as OpenKey takes it: a leading backslash starts at
// the root, anything else continues from the open key.
std::wstring Resolve(const std::wstring& path, bool key_open, const std::wstring& current) {
  if (StartsWith(path, L"\\")) return path.substr(1);
  if (!key_open || current.empty()) return path;
  if (path.empty()) return current;
  return current + L"\\" + path;
}

}  // namespace

bool RegistryHasViews() {
  return TheWorld().registry_views;
}

TRegistry::TRegistry(RegistryView view) : view_(view) {}
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

void TRegistry::SetView(RegistryView view) {
  CloseKey();
  view_ = view;
}

bool TRegistry::Open(const std::wstring& path, bool can_create, bool to_write) {
  if (TakeFault(memory::Fault::RegistryOpen)) return false;
  std::wstring full = Resolve(path, HasOpenKey(), current_path_);
  while (EndsWith(full, L"\\")) full.pop_back();
  const std::vector<std::wstring> parts = InView(root_, view_, SplitPath(full));
  if (to_write && ReadOnlyOnTheWay(root_, parts)) return false;
  RegNode* node = can_create ? CreateKey(root_, parts, true) : FindKey(root_, parts);
  if (node == nullptr || node->denied) return false;
  key_ = std::make_unique<Key>(Key{root_, parts, !to_write});
  current_path_ = full;
  return true;
}

void TRegistry::CloseKey() {
  key_.reset();
  current_path_.clear();
}

bool TRegistry::HasOpenKey() const {
  return key_ != nullptr;
}

bool TRegistry::KeyExists(const std::wstring& path) {
  return FindKey(root_, InView(root_, view_,
                               SplitPath(Resolve(path, HasOpenKey(), current_path_)))) != nullptr;
}

std::wstring TRegistry::SystemKeyName() {
  if (!key_) return {};
  // As the system names its hives; the current user is a user of HKEY_USERS.
  const wchar_t* hive = key_->root == RootKey::LocalMachine ? L"\\REGISTRY\\MACHINE"
                        : key_->root == RootKey::Users      ? L"\\REGISTRY\\USER"
                                                            : L"\\REGISTRY\\USER\\S-1-5-21-1000";
  std::wstring name = hive;
  if (!key_->parts.empty()) name += L"\\" + JoinPath(key_->parts);
  return name;
}

namespace {

RegNode* OpenNode(const std::unique_ptr<TRegistry::Key>& key) {
  return key ? key->Node() : nullptr;
}

std::wstring ValueText(const TRegistry& reg, const std::wstring& name) {
  return L"'" + name + L"' of " + RootKeyName(reg.GetRootKey()) + L"\\" + reg.CurrentPath();
}

}  // namespace

bool TRegistry::ValueExists(const std::wstring& name) {
  return GetDataType(name) != RegistryDataType::None;
}

RegistryDataType TRegistry::GetDataType(const std::wstring& name) {
  RegNode* node = OpenNode(key_);
  RegValue* value = node ? FindValue(*node, name) : nullptr;
  return value ? value->type : RegistryDataType::None;
}

std::wstring TRegistry::ReadString(const std::wstring& name) {
  if (TakeFault(memory::Fault::RegistryRead)) {
    throw PlatformError(L"Cannot read the registry value " + ValueText(*this, name));
  }
  RegNode* node = OpenNode(key_);
  RegValue* value = node ? FindValue(*node, name) : nullptr;
  if (value == nullptr) return {};
  if (value->type != RegistryDataType::String && value->type != RegistryDataType::ExpandString) {
    throw PlatformError(L"The registry value " + ValueText(*this, name) + L" is not a string");
  }
  return FromUtf16Bytes(value->data);
}

int32_t TRegistry::ReadInteger(const std::wstring& name) {
  RegNode* node = OpenNode(key_);
  RegValue* value = node ? FindValue(*node, name) : nullptr;
  if (TakeFault(memory::Fault::RegistryRead) || value == nullptr) {
    throw PlatformError(L"Cannot read the registry value " + ValueText(*this, name));
  }
  if (value->type != RegistryDataType::DWord || value->data.size() != 4) {
    throw PlatformError(L"The registry value " + ValueText(*this, name) + L" is not a number");
  }
  const std::vector<uint8_t>& d = value->data;
  return static_cast<int32_t>(d[0] | (d[1] << 8) | (d[2] << 16) | (uint32_t{d[3]} << 24));
}

namespace {

void Write(std::unique_ptr<TRegistry::Key>& key, const TRegistry& reg, const std::wstring& name,
           RegistryDataType type, std::vector<uint8_t> data) {
  RegNode* node = OpenNode(key);
  if (node && key->read_only) {
    throw PlatformError(L"Cannot write the registry value " + ValueText(reg, name) +
                        L": Access is denied.");
  }
  if (TakeFault(memory::Fault::RegistryWrite) || node == nullptr) {
    throw PlatformError(L"Cannot write the registry value " + ValueText(reg, name));
  }
  PutValue(*node, name, type, std::move(data));
}

std::vector<uint8_t> DWordBytes(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

}  // namespace

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
  Write(key_, *this, name, RegistryDataType::String, Utf16Bytes(value, true));
}

void TRegistry::WriteInteger(const std::wstring& name, int32_t value) {
  Write(key_, *this, name, RegistryDataType::DWord, DWordBytes(static_cast<uint32_t>(value)));
}

namespace {

// The open key for a listing; a key deleted since it was opened cannot be
// listed, as on Windows.
RegNode* ListedNode(const TRegistry& reg, const std::unique_ptr<TRegistry::Key>& key) {
  RegNode* node = OpenNode(key);
  if (key && node == nullptr) {
    throw PlatformError(L"Cannot list the registry key " +
                        std::wstring(RootKeyName(reg.GetRootKey())) + L"\\" + reg.CurrentPath() +
                        L": the key has been deleted");
  }
  return node;
}

}  // namespace

std::optional<RegistryValue> TRegistry::ReadValue(const std::wstring& name) {
  if (TakeFault(memory::Fault::RegistryRead)) {
    throw PlatformError(L"Cannot read the registry value " + ValueText(*this, name));
  }
  RegNode* node = OpenNode(key_);
  RegValue* value = node ? FindValue(*node, name) : nullptr;
  if (value == nullptr) return std::nullopt;
  return RegistryValue{value->type, value->data};
}

void TRegistry::WriteValue(const std::wstring& name, const RegistryValue& value) {
  if (value.type == RegistryDataType::None || value.type == RegistryDataType::Other) {
    throw PlatformError(L"Cannot write a value of this type as " + ValueText(*this, name));
  }
  Write(key_, *this, name, value.type, value.data);
}

std::vector<std::wstring> TRegistry::GetValueNames() {
  std::vector<std::wstring> names;
  if (RegNode* node = ListedNode(*this, key_)) {
    for (const RegValue& v : node->values) names.push_back(v.name);
  }
  return names;
}

std::vector<std::pair<std::wstring, RegistryValue>> TRegistry::GetValues() {
  if (TakeFault(memory::Fault::RegistryRead)) {
    throw PlatformError(L"Cannot read the values of " + std::wstring(RootKeyName(root_)) + L"\\" +
                        current_path_);
  }
  std::vector<std::pair<std::wstring, RegistryValue>> values;
  if (RegNode* node = ListedNode(*this, key_)) {
    for (const RegValue& v : node->values) values.push_back({v.name, {v.type, v.data}});
  }
  return values;
}

std::optional<std::wstring> RegistryText(const RegistryValue& value) {
  if (value.type != RegistryDataType::String && value.type != RegistryDataType::ExpandString) {
    return std::nullopt;
  }
  return FromUtf16Bytes(value.data);
}

std::vector<std::wstring> TRegistry::GetKeyNames() {
  std::vector<std::wstring> names;
  if (RegNode* node = ListedNode(*this, key_)) {
    for (const auto& k : node->keys) names.push_back(k->name);
  }
  return names;
}

bool TRegistry::DeleteValue(const std::wstring& name) {
  // A refused delete answers false, as it does on Windows.
  if (TakeFault(memory::Fault::RegistryWrite)) return false;
  RegNode* node = OpenNode(key_);
  if (node == nullptr || key_->read_only) return false;
  auto it = std::find_if(node->values.begin(), node->values.end(),
                         [&name](const RegValue& v) { return SameText(v.name, name); });
  if (it == node->values.end()) return false;
  node->values.erase(it);
  return true;
}

bool TRegistry::DeleteKey(const std::wstring& path) {
  std::vector<std::wstring> parts =
      InView(root_, view_, SplitPath(Resolve(path, HasOpenKey(), current_path_)));
  if (parts.empty()) return false;
  RegNode* node = FindKey(root_, parts);
  if (node == nullptr || node->denied || ReadOnlyOnTheWay(root_, parts)) return false;
  parts.pop_back();
  RegNode* parent = FindKey(root_, parts);
  std::erase_if(parent->keys, [node](const auto& k) { return k.get() == node; });
  return true;
}

namespace memory {

void MakeKey(RootKey root, const std::wstring& path) {
  CreateKey(root, SplitPath(path), false);
}

void SetValue(RootKey root, const std::wstring& path, const std::wstring& name,
              RegistryDataType type, const std::vector<uint8_t>& data) {
  PutValue(*CreateKey(root, SplitPath(path), false), name, type, data);
}

void SetString(RootKey root, const std::wstring& path, const std::wstring& name,
               const std::wstring& value) {
  SetValue(root, path, name, RegistryDataType::String, Utf16Bytes(value, true));
}

void SetDWord(RootKey root, const std::wstring& path, const std::wstring& name, uint32_t value) {
  SetValue(root, path, name, RegistryDataType::DWord, DWordBytes(value));
}

void DenyKey(RootKey root, const std::wstring& path) {
  CreateKey(root, SplitPath(path), false)->denied = true;
}

void MakeKeyReadOnly(RootKey root, const std::wstring& path, bool read_only) {
  CreateKey(root, SplitPath(path), false)->read_only = read_only;
}

void SetRegistryViews(bool two_views) {
  TheWorld().registry_views = two_views;
}

void ShareKey(const std::wstring& path) {
  TheWorld().shared_keys.push_back(SplitPath(path));
}

}  // namespace memory

}  // namespace korvane
