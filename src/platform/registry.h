#pragma once
// Registry accessor. One object per operation: it holds at most one open
// key and closes it when it is closed, reopened or destroyed.
//
// Paths: a leading backslash starts at the root; a path without one is taken
// relative to the key that is open, or to the root when none is.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

enum class RootKey { CurrentUser, LocalMachine, Users };

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS".
const wchar_t* RootKeyName(RootKey root);

enum class RegistryDataType { None, String, ExpandString, DWord, Binary, MultiString, Other };

// A value's type and data exactly as stored.
struct RegistryValue {
  RegistryDataType type = RegistryDataType::None;
  std::vector<uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

class TRegistry {
 public:
  TRegistry();  // root HKEY_CURRENT_USER; keys are opened for full access
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRootKey(RootKey root);  // closes the open key
  RootKey GetRootKey() const { return root_; }

  // False when the key is missing or cannot be opened; never throws for that.
  bool OpenKey(const std::wstring& path, bool can_create);
  void CloseKey();
  bool KeyExists(const std::wstring& path);
  // The open key's path from the root, without a leading backslash.
  const std::wstring& CurrentPath() const { return current_path_; }
  bool HasOpenKey() const;

  bool ValueExists(const std::wstring& name);
  // None when the value does not exist.
  RegistryDataType GetDataType(const std::wstring& name);

  // REG_SZ or REG_EXPAND_SZ data as stored (unexpanded), whole, up to its
  // first NUL; empty for a missing value; any other type throws.
  std::wstring ReadString(const std::wstring& name);
  void WriteString(const std::wstring& name, const std::wstring& value);  // REG_SZ
  // REG_DWORD; a missing value or any other type throws.
  int32_t ReadInteger(const std::wstring& name);
  // Type and data as stored, whole; nothing when the value does not exist.
  std::optional<RegistryValue> ReadValue(const std::wstring& name);
  // Writes type and data unchanged; a value of type Other or None throws.
  void WriteValue(const std::wstring& name, const RegistryValue& value);
  void WriteInteger(const std::wstring& name, int32_t value);
  bool ReadBool(const std::wstring& name) { return ReadInteger(name) != 0; }
  void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }

  // Every value name of the open key, in the platform's enumeration order.
  std::vector<std::wstring> GetValueNames();
  // Every subkey name of the open key.
  std::vector<std::wstring> GetKeyNames();
  bool DeleteValue(const std::wstring& name);  // true when deleted
  bool DeleteKey(const std::wstring& path);    // subkeys go first

  struct Key;  // the backend's open key

 private:
  RootKey root_ = RootKey::CurrentUser;
  std::wstring current_path_;
  std::unique_ptr<Key> key_;
};

}  // namespace korvane
