#include <windows.h>
#include "platform/win32/write_hook.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace korvane {

struct TRegistry::Key {
  win32::RegKey handle;
};

HKEY win32::RootHandle(RootKey root) {
  switch (root) {
    case RootKey::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RootKey::Users:
      return HKEY_USERS;
    case RootKey::CurrentUser:
      break;
  }
  return HKEY_CURRENT_USER;
}

namespace {

using win32::RootHandle;

// How errors name a key: "HKEY_CURRENT_USER\Software\...".
std::wstring KeyText(RootKey root, const std::wstring& path) {
  std::wstring key = RootKeyName(root);
  if (!path.empty()) key += L"\\" + path;
  return key;
}

// How errors name a value: "the registry value "Run" of HKEY_CURRENT_USER\Software\...".
std::wstring ValueText(RootKey root, const std::wstring& path, const std::wstring& name) {
  return L"the registry value \"" + name + L"\" of " + KeyText(root, path);
}

[[noreturn]] void ThrowWrongType(const std::wstring& value_text) {
  throw PlatformError(L"Invalid data type for " + value_text);
}

// Raw data of a value, read whole; nothing when the value does not exist.
struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

std::optional<RawValue> QueryValue(HKEY key, const std::wstring& name,
                                   const std::wstring& value_text) {
  RawValue value;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size);
  // The value may grow between the size query and the read: ask again then.
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    value.data.assign(size + sizeof(wchar_t), 0);
    DWORD got = size;
    result = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &got);
    if (result == ERROR_SUCCESS) {
      value.data.resize(got);
      return value;
    }
    if (result == ERROR_MORE_DATA) size = got > size ? got : size * 2 + 64;
  }
  if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
  win32::ThrowCallError(L"RegQueryValueExW", value_text, result);
}

void SetValue(HKEY key, const std::wstring& name, const std::wstring& value_text, DWORD type,
              const void* data, DWORD size) {
  if (!key) throw PlatformError(L"No registry key is open to write " + value_text);
  LONG result = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  if (result != ERROR_SUCCESS) win32::ThrowCallError(L"RegSetValueExW", value_text, result);
  KORVANE_WRITE_DONE();
}

// Names of the values or subkeys of a key, growing the name buffer as needed.
// A list cut short by an error is never passed off as whole: any error but
// the end of the list throws, naming the key.
template <typename Enum>
std::vector<std::wstring> EnumerateNames(DWORD longest, const wchar_t* call,
                                         const std::wstring& key_text, Enum enumerate) {
  // No name is longer than 16,383 characters; a buffer beyond twice that
  // would only mean that the call keeps asking for more.
  constexpr size_t kLongestName = 32768;
  std::vector<std::wstring> names;
  std::wstring buffer(longest + 1, L'\0');
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG result = enumerate(index, buffer.data(), &length);
    if (result == ERROR_MORE_DATA && buffer.size() < kLongestName) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) win32::ThrowCallError(call, key_text, result);
    names.emplace_back(buffer.data(), length);
    ++index;
  }
  return names;
}

// A value or subkey written or deleted while a key is enumerated shifts the
// indices, and one is skipped or given twice (another program, or korvanec
// beside the window, changes the same Run key): what was read while the key's
// last write time changed is read again, at most ten times.
template <typename Read>
auto ReadUnchanged(HKEY key, Read read) {
  auto last_write = [key] {
    FILETIME time = {};
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, &time);
    return time;
  };
  for (int attempt = 1;; ++attempt) {
    const FILETIME before = last_write();
    auto result = read();
    const FILETIME after = last_write();
    if (attempt == 10 || CompareFileTime(&before, &after) == 0) return result;
  }
}

std::vector<std::wstring> SubkeyNames(HKEY key, const std::wstring& key_text) {
  return ReadUnchanged(key, [&] {
    DWORD longest = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    return EnumerateNames(
        longest, L"RegEnumKeyExW", key_text, [key](DWORD index, wchar_t* name, DWORD* length) {
          return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
        });
  });
}

// The access flag that picks a view; none where the system has one view
// (older systems refuse flags they do not know).
REGSAM ViewFlag(RegistryView view) {
  if (!RegistryHasViews()) return 0;
  switch (view) {
    case RegistryView::Bits64:
      return KEY_WOW64_64KEY;
    case RegistryView::Bits32:
      return KEY_WOW64_32KEY;
    case RegistryView::Native:
      break;
  }
  return 0;
}

// RegDeleteKeyW deletes in the program's own view; the other view needs
// RegDeleteKeyExW, which only systems with two views have.
LONG DeleteKeyIn(HKEY parent, const std::wstring& path, REGSAM view) {
  using DeleteKeyExFn = LONG(WINAPI*)(HKEY, const wchar_t*, REGSAM, DWORD);
  static const auto delete_ex = reinterpret_cast<DeleteKeyExFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
  if (view != 0 && delete_ex) return delete_ex(parent, path.c_str(), view, 0);
  return RegDeleteKeyW(parent, path.c_str());
}

bool DeleteTree(HKEY parent, const std::wstring& path, REGSAM view) {
  {
    // Listing its subkeys takes read rights; deleting each asks the system
    // for that key's own DELETE right, whatever this handle holds.
    win32::RegKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
      return false;
    }
    std::vector<std::wstring> subkeys;
    try {
      subkeys = SubkeyNames(key.get(), path);
    } catch (const PlatformError&) {
      return false;  // a key whose subkeys cannot be listed cannot go either
    }
    for (const std::wstring& name : subkeys) DeleteTree(key.get(), name, view);
  }
  return DeleteKeyIn(parent, path, view) == ERROR_SUCCESS;
}

}  // namespace

bool RegistryHasViews() {
#ifdef _WIN64
  return true;
#else
  // IsWow64Process is missing from the oldest systems, which are all 32-bit.
  static const bool wow64 = [] {
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
    auto is_wow64 = reinterpret_cast<IsWow64Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL result = FALSE;
    return is_wow64 && is_wow64(GetCurrentProcess(), &result) && result;
  }();
  return wow64;
#endif
}

TRegistry::TRegistry(RegistryView view) : view_(view) {}
TRegistry::~TRegistry() = default;

void TRegistry::SetView(RegistryView view) {
  CloseKey();
  view_ = view;
}

void TRegistry::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

bool TRegistry::HasOpenKey() const {
  return key_ != nullptr;
}

void TRegistry::CloseKey() {
  key_.reset();
  current_path_.clear();
}

namespace {

// The full path from the root: a leading backslash starts at the root, any
// other path continues from the open key.
std::wstring FullPath(const std::wstring& current, bool has_open_key, const std::wstring& path) {
  if (!path.empty() && path.front() == L'\\') return path.substr(1);
  if (!has_open_key || current.empty()) return path;
  if (path.empty()) return current;
  return current + L"\\" + path;
}

}  // namespace

// The key is opened for what the caller does with it, nothing more: a user
// without administrator rights may read the machine's keys but not write them.
bool TRegistry::Open(const std::wstring& path, bool can_create, bool to_write) {
  std::wstring full = FullPath(current_path_, HasOpenKey(), path);
  while (!full.empty() && full.back() == L'\\') full.pop_back();
  win32::RegKey key;
  const REGSAM access = (to_write ? KEY_READ | KEY_WRITE : KEY_READ) | ViewFlag(view_);
  LONG result = can_create
                    ? RegCreateKeyExW(RootHandle(root_), full.c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, access, nullptr, key.put(), nullptr)
                    : RegOpenKeyExW(RootHandle(root_), full.c_str(), 0, access, key.put());
  if (result != ERROR_SUCCESS) return false;
  key_ = std::make_unique<Key>(Key{std::move(key)});
  current_path_ = std::move(full);
  return true;
}

bool TRegistry::KeyExists(const std::wstring& path) {
  win32::RegKey key;
  std::wstring full = FullPath(current_path_, HasOpenKey(), path);
  return RegOpenKeyExW(RootHandle(root_), full.c_str(), 0, KEY_READ | ViewFlag(view_), key.put()) ==
         ERROR_SUCCESS;
}

std::wstring TRegistry::SystemKeyName() {
  if (!key_) return {};
  // NtQueryKey is the only call that names a key after redirection.
  using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  constexpr int kKeyNameInformation = 3;
  static const win32::Module ntdll = win32::LoadSystemLibrary(L"ntdll.dll");
  static const auto query = ntdll ? reinterpret_cast<NtQueryKeyFn>(reinterpret_cast<void*>(
                                        GetProcAddress(ntdll.get(), "NtQueryKey")))
                                  : nullptr;
  if (!query) return {};
  // KEY_NAME_INFORMATION: the name's length in bytes, then the name.
  std::vector<ULONG> buffer(128);
  for (;;) {
    ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    ULONG needed = 0;
    LONG status = query(key_->handle.get(), kKeyNameInformation, buffer.data(), size, &needed);
    if (status >= 0) break;
    // STATUS_BUFFER_OVERFLOW or STATUS_BUFFER_TOO_SMALL: grow; anything else: no name.
    if ((status != LONG(0x80000005) && status != LONG(0xC0000023)) || needed <= size) return {};
    buffer.resize(needed / sizeof(ULONG) + 1);
  }
  size_t bytes = std::min<size_t>(buffer[0], (buffer.size() - 1) * sizeof(ULONG));
  return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1), bytes / sizeof(wchar_t));
}

bool TRegistry::ValueExists(const std::wstring& name) {
  return GetDataType(name) != RegistryDataType::None;
}

namespace {

RegistryDataType DataType(DWORD type) {
  switch (type) {
    case REG_SZ:
      return RegistryDataType::String;
    case REG_EXPAND_SZ:
      return RegistryDataType::ExpandString;
    case REG_DWORD:
      return RegistryDataType::DWord;
    case REG_BINARY:
      return RegistryDataType::Binary;
    case REG_MULTI_SZ:
      return RegistryDataType::MultiString;
    default:
      return RegistryDataType::Other;
  }
}

}  // namespace

std::optional<std::wstring> RegistryText(const RegistryValue& value) {
  if (value.type != RegistryDataType::String && value.type != RegistryDataType::ExpandString) {
    return std::nullopt;
  }
  // Stored data need not end in a NUL, and may hold one early: take the text
  // up to the first NUL or the end of the data, whichever comes first.
  std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
  text.resize(std::min(text.find(L'\0'), text.size()));
  return text;
}

RegistryDataType TRegistry::GetDataType(const std::wstring& name) {
  if (!key_) return RegistryDataType::None;
  DWORD type = REG_NONE;
  if (RegQueryValueExW(key_->handle.get(), name.c_str(), nullptr, &type, nullptr, nullptr) !=
      ERROR_SUCCESS) {
    return RegistryDataType::None;
  }
  return DataType(type);
}

std::optional<RegistryValue> TRegistry::ReadValue(const std::wstring& name) {
  if (!key_) return std::nullopt;
  std::optional<RawValue> raw =
      QueryValue(key_->handle.get(), name, ValueText(root_, current_path_, name));
  if (!raw) return std::nullopt;
  return RegistryValue{DataType(raw->type), std::move(raw->data)};
}

void TRegistry::WriteValue(const std::wstring& name, const RegistryValue& value) {
  const std::wstring value_text = ValueText(root_, current_path_, name);
  DWORD type = REG_NONE;
  switch (value.type) {
    case RegistryDataType::String:
      type = REG_SZ;
      break;
    case RegistryDataType::ExpandString:
      type = REG_EXPAND_SZ;
      break;
    case RegistryDataType::DWord:
      type = REG_DWORD;
      break;
    case RegistryDataType::Binary:
      type = REG_BINARY;
      break;
    case RegistryDataType::MultiString:
      type = REG_MULTI_SZ;
      break;
    case RegistryDataType::None:
    case RegistryDataType::Other:
      ThrowWrongType(value_text);
  }
  SetValue(key_ ? key_->handle.get() : nullptr, name, value_text, type, value.data.data(),
           static_cast<DWORD>(value.data.size()));
}

std::wstring TRegistry::ReadString(const std::wstring& name) {
  if (!key_) return {};
  std::optional<RawValue> value =
      QueryValue(key_->handle.get(), name, ValueText(root_, current_path_, name));
  if (!value) return {};
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) {
    ThrowWrongType(ValueText(root_, current_path_, name));
  }
  return *RegistryText({DataType(value->type), std::move(value->data)});
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
  SetValue(key_ ? key_->handle.get() : nullptr, name, ValueText(root_, current_path_, name), REG_SZ,
           value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

int32_t TRegistry::ReadInteger(const std::wstring& name) {
  std::optional<RawValue> value;
  if (key_) value = QueryValue(key_->handle.get(), name, ValueText(root_, current_path_, name));
  if (!value) throw PlatformError(L"Missing " + ValueText(root_, current_path_, name));
  if (value->type != REG_DWORD || value->data.size() != sizeof(DWORD))
    ThrowWrongType(ValueText(root_, current_path_, name));
  int32_t result = 0;
  std::memcpy(&result, value->data.data(), sizeof(result));
  return result;
}

void TRegistry::WriteInteger(const std::wstring& name, int32_t value) {
  SetValue(key_ ? key_->handle.get() : nullptr, name, ValueText(root_, current_path_, name),
           REG_DWORD, &value, sizeof(value));
}

std::vector<std::wstring> TRegistry::GetValueNames() {
  if (!key_) return {};
  HKEY key = key_->handle.get();
  return ReadUnchanged(key, [&] {
    DWORD longest = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                     nullptr, nullptr, nullptr);
    return EnumerateNames(longest, L"RegEnumValueW", KeyText(root_, current_path_),
                          [key](DWORD index, wchar_t* name, DWORD* length) {
                            return RegEnumValueW(key, index, name, length, nullptr, nullptr,
                                                 nullptr, nullptr);
                          });
  });
}

namespace {

// Every value of the key, with its data.
std::vector<std::pair<std::wstring, RegistryValue>> ReadValues(HKEY key,
                                                               const std::wstring& key_text) {
  std::vector<std::pair<std::wstring, RegistryValue>> values;
  DWORD longest_name = 0, longest_data = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   &longest_name, &longest_data, nullptr, nullptr);
  // As for names alone: no name is longer than 16,383 characters.
  constexpr size_t kLongestName = 32768;
  std::wstring name(longest_name + 1, L'\0');
  std::vector<BYTE> data(longest_data + sizeof(wchar_t));
  for (DWORD index = 0;;) {
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    LONG result = RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type, data.data(),
                                &data_size);
    if (result == ERROR_MORE_DATA) {
      // A value written meanwhile may be longer than the key said: the data
      // size is told, the name's is not.
      if (data_size > data.size()) {
        data.resize(data_size + sizeof(wchar_t));
        continue;
      }
      if (name.size() < kLongestName) {
        name.resize(name.size() * 2);
        continue;
      }
    }
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) {
      win32::ThrowCallError(L"RegEnumValueW", key_text, result);
    }
    values.emplace_back(std::wstring(name.data(), name_length),
                        RegistryValue{DataType(type), {data.begin(), data.begin() + data_size}});
    ++index;
  }
  return values;
}

}  // namespace

std::vector<std::pair<std::wstring, RegistryValue>> TRegistry::GetValues() {
  if (!key_) return {};
  HKEY key = key_->handle.get();
  return ReadUnchanged(key, [&] { return ReadValues(key, KeyText(root_, current_path_)); });
}

std::vector<std::wstring> TRegistry::GetKeyNames() {
  if (!key_) return {};
  return SubkeyNames(key_->handle.get(), KeyText(root_, current_path_));
}

bool TRegistry::DeleteValue(const std::wstring& name) {
  if (!key_ || RegDeleteValueW(key_->handle.get(), name.c_str()) != ERROR_SUCCESS) return false;
  KORVANE_WRITE_DONE();
  return true;
}

bool TRegistry::DeleteKey(const std::wstring& path) {
  std::wstring full = FullPath(current_path_, HasOpenKey(), path);
  while (!full.empty() && full.back() == L'\\') full.pop_back();
  if (full.empty()) return false;  // never the root itself
  if (!DeleteTree(RootHandle(root_), full, ViewFlag(view_))) return false;
  KORVANE_WRITE_DONE();
  return true;
}

}  // namespace korvane
