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
#include <utility>
#include <vector>

namespace korvane {

enum class RootKey { CurrentUser, LocalMachine, Users };

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS".
const wchar_t* RootKeyName(RootKey root);

enum class RegistryDataType { None, String, ExpandString, DWord, Binary, MultiString, Other };

// On 64-bit Windows the keys under HKEY_LOCAL_MACHINE\Software exist in two
// views: the 64-bit programs' keys, and the 32-bit programs' keys, which the
// 64-bit view shows under Software\Wow6432Node (some keys are shared by both).
// Native is the view of this program's own kind. Elsewhere there is one view,
// and every choice opens it.
enum class RegistryView { Native, Bits64, Bits32 };

// True on 64-bit Windows, where the two views differ.
bool RegistryHasViews();

// A value's type and data exactly as stored.
struct RegistryValue {
  RegistryDataType type = RegistryDataType::None;
  std::vector<uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

// The text of REG_SZ or REG_EXPAND_SZ data up to its first NUL; nothing for
// any other type.
std::optional<std::wstring> RegistryText(const RegistryValue& value);

class TRegistry {
 public:
  // Root HKEY_CURRENT_USER; keys are opened in `view`. The
  // 64-bit view by default: both builds then see the keys that the registry
  // editor shows, the 32-bit programs' keys under Software\Wow6432Node.
  explicit TRegistry(RegistryView view = RegistryView::Bits64);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRootKey(RootKey root);  // closes the open key
  RootKey GetRootKey() const { return root_; }
  void SetView(RegistryView view);  // closes the open key
  RegistryView GetView() const { return view_; }

  // Opens the key to read and write its values and subkeys. False when the
  // key is missing or cannot be opened so (a machine key for a user without
  // administrator rights, say); never throws for that.
  bool OpenKey(const std::wstring& path, bool can_create) { return Open(path, can_create, true); }
  // Opens the key to read it only, as any user may read the machine's keys.
  // A write to a key opened so fails. False as OpenKey is.
  bool OpenKeyReadOnly(const std::wstring& path) { return Open(path, false, false); }
  void CloseKey();
  bool KeyExists(const std::wstring& path);
  // The open key's path from the root, without a leading backslash.
  const std::wstring& CurrentPath() const { return current_path_; }
  bool HasOpenKey() const;
  // The open key's full name as the system knows it, after any redirection
  // of its view ("\REGISTRY\MACHINE\Software\Wow6432Node\..."); empty when
  // no key is open or the system does not tell.
  std::wstring SystemKeyName();

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
  // A list that cannot be read whole (the key deleted meanwhile, say) throws,
  // naming the key, rather than pass for all there is.
  std::vector<std::wstring> GetValueNames();
  // Every value of the open key with its type and data, read while
  // enumerating; throws as GetValueNames does.
  std::vector<std::pair<std::wstring, RegistryValue>> GetValues();
  // Every subkey name of the open key; throws as GetValueNames does.
  std::vector<std::wstring> GetKeyNames();
  // True when deleted; false when it was not (missing, or refused): a failed
  // delete never throws.
  bool DeleteValue(const std::wstring& name);
  bool DeleteKey(const std::wstring& path);  // subkeys go first

  struct Key;  // the backend's open key

 private:
  bool Open(const std::wstring& path, bool can_create, bool to_write);

  RootKey root_ = RootKey::CurrentUser;
  RegistryView view_ = RegistryView::Bits64;
  std::wstring current_path_;
  std::unique_ptr<Key> key_;
};

}  // namespace korvane
