#include "catalogue/places/registry_value.h"

#include <algorithm>

#include "catalogue/approval.h"
#include "catalogue/command_line.h"
#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

const RegistrySource& Value(const StartupEntry& row) {
  return std::get<RegistrySource>(row.source);
}

std::optional<RegistryValue> ReadNow(const RegistrySource& value) {
  TRegistry reg(value.view);
  reg.SetRootKey(value.root);
  if (!reg.OpenKeyReadOnly(value.key_path)) return std::nullopt;
  return reg.ReadValue(value.value_name);
}

PutBackResult Taken(std::wstring reason) {
  return {PutBackResult::Taken, std::move(reason), {}};
}

class RegistryValueKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry&) const override { return L"registry"; }

  std::wstring Place(const StartupEntry& row) const override {
    return L"R" + Value(row).value_name;
  }

  bool SamePlace(const StartupEntry& a, const StartupEntry& b) const override {
    const RegistrySource &x = Value(a), &y = Value(b);
    return x.root == y.root && x.view == y.view && SameText(x.key_path, y.key_path) &&
           SameText(x.value_name, y.value_name);
  }

  bool StillThere(const StartupEntry& row) const override {
    const RegistrySource& value = Value(row);
    TRegistry reg(value.view);
    reg.SetRootKey(value.root);
    return !reg.OpenKeyReadOnly(value.key_path) ? reg.KeyExists(value.key_path)
                                                : reg.ValueExists(value.value_name);
  }

  // A row built from texts alone (no type) stands wherever a value of its name does.
  bool StandsAsRead(const StartupEntry& row) const override {
    const RegistrySource& value = Value(row);
    std::optional<RegistryValue> now = ReadNow(value);
    return now && (value.value.type == RegistryDataType::None || *now == value.value);
  }

  bool Occupied(const StartupEntry& row) const override {
    const RegistrySource& value = Value(row);
    TRegistry reg(value.view);
    reg.SetRootKey(value.root);
    return reg.OpenKeyReadOnly(value.key_path) && reg.ValueExists(value.value_name);
  }

  bool Capture(EntryCopy& copy, std::wstring& reason) const override {
    std::optional<RegistryValue> now = ReadNow(Value(copy.record.row));
    if (!now) {
      reason = L"The entry is no longer in its location.";
      return false;
    }
    std::get<RegistrySource>(copy.record.row.source).value = std::move(*now);
    return true;
  }

  std::string Content(const EntryCopy& copy) const override {
    const RegistryValue& value = Value(copy.record.row).value;
    return std::string(1, static_cast<char>(value.type)) +
           std::string(value.data.begin(), value.data.end());
  }

  bool Remove(const StartupEntry& row) const override {
    const RegistrySource& value = Value(row);
    TRegistry reg(value.view);
    reg.SetRootKey(value.root);
    if (!reg.OpenKey(value.key_path, false)) return !reg.KeyExists(value.key_path);
    return reg.DeleteValue(value.value_name) || !reg.ValueExists(value.value_name);
  }

  PutBackResult PutBack(const EntryCopy& copy, TakenPlace taken) const override {
    const RegistrySource& value = Value(copy.record.row);
    TRegistry reg(value.view);
    reg.SetRootKey(value.root);
    if (!reg.OpenKey(value.key_path, true)) {
      return {PutBackResult::Failed,
              L"The key " + copy.record.row.location + L" cannot be opened.",
              {}};
    }
    std::wstring name = value.value_name;
    std::optional<RegistryValue> there = reg.ReadValue(name);
    if (there && *there != value.value) {
      if (taken == TakenPlace::Refuse) {
        return Taken(L"Another entry of that name is in its location now.");
      }
      if (taken == TakenPlace::Rename) {
        for (int n = 2; there && *there != value.value; ++n) {
          name = NumberedName(value.value_name, n, L"");
          there = reg.ReadValue(name);
        }
      }
    }
    if (!there || *there != value.value) reg.WriteValue(name, value.value);
    StartupEntry row = copy.record.row;
    std::get<RegistrySource>(row.source).value_name = name;
    row.name = name;
    return {PutBackResult::Done, {}, std::move(row)};
  }

  bool Restorable(const StartupEntry& row) const override {
    return WritableValue(Value(row).value);
  }

  bool NamesStartupPlace(const StartupEntry& row,
                         const std::vector<StartupLocation>& places) const override {
    const RegistrySource& value = Value(row);
    return std::any_of(places.begin(), places.end(), [&value](const StartupLocation& place) {
      return place.kind == StartupLocationKind::RegistryKeyLocation && place.root == value.root &&
             SameText(place.path, value.key_path);
    });
  }

  std::optional<ApprovalPlace> Approval(const StartupEntry& row,
                                        const GovernedFolders*) const override {
    return ApprovalPlaceOfValue(Value(row));
  }

  bool NeedsAdministrator(const StartupEntry& row) const override {
    const RegistrySource& value = Value(row);
    return KeyNeedsAdministrator(value.root, value.view, value.key_path);
  }

  // The location text is the key as the registry editor shows it, also in
  // the 32-bit view (...\Wow6432Node\...).
  JumpPlace Jump(const StartupEntry& row) const override {
    return {JumpPlace::Kind::RegistryKey, row.location};
  }

  std::optional<std::wstring> WrittenCommand(const StartupEntry& row) const override {
    return RegistryText(Value(row).value);
  }

  bool CanWriteBack(const StartupEntry& before, const StartupEntry&) const override {
    return Value(before).value.type != RegistryDataType::None;
  }

  void WriteBack(const StartupEntry& before, const StartupEntry& now) const override {
    const RegistrySource& value = Value(now);
    TRegistry reg(value.view);
    reg.SetRootKey(value.root);
    if (!reg.OpenKey(value.key_path, false)) {
      throw PlatformError(L"The key of the value " + value.value_name + L" cannot be opened.");
    }
    reg.WriteValue(value.value_name, Value(before).value);
  }
};

}  // namespace

const PlaceKind& RegistryValuePlace() {
  static const RegistryValueKind kind;
  return kind;
}

void ListRegistryKey(const StartupLocation& location, TRegistry& reg, StartupScan& scan) {
  reg.SetRootKey(location.root);
  if (!reg.OpenKeyReadOnly(location.path)) return;
  std::wstring text = LocationText(location);
  for (auto& [name, data] : reg.GetValues()) {
    // A value that holds no string starts nothing; it must not hide the rest.
    std::optional<std::wstring> value = RegistryText(data);
    if (!value) continue;
    // The system expands such a command before it starts it.
    if (data.type == RegistryDataType::ExpandString) value = ExpandEnvironment(*value);
    SplitCommand command = SplitCommandLine(*value);
    // An entry whose program is gone is listed all the same: the system still
    // tries to start it at every logon, and the user can only clean what he sees.
    std::wstring file = ResolveProgramFile(command.file_name);
    if (!file.empty()) {
      RegistrySource source{location.root, reg.GetView(), location.path, name, std::move(data)};
      scan.Add(std::move(name), std::move(file), std::move(command.parameters), text,
               std::move(source));
    }
  }
  reg.CloseKey();
}

}  // namespace korvane
