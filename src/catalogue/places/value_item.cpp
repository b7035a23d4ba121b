#include "catalogue/places/value_item.h"

#include <algorithm>

#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "catalogue/places/active_setup.h"
#include "catalogue/places/appinit_dlls.h"
#include "catalogue/places/boot_execute.h"
#include "catalogue/places/image_hijacks.h"
#include "catalogue/places/logon_script.h"
#include "catalogue/places/policies_shell.h"
#include "catalogue/places/run_once_ex.h"
#include "catalogue/places/safe_boot.h"
#include "catalogue/places/terminal_server.h"
#include "catalogue/places/value_list.h"
#include "catalogue/places/winlogon.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

const ValueItemSource& Item(const StartupEntry& row) {
  return std::get<ValueItemSource>(row.source);
}

// The key path without the 32-bit programs' node.
std::wstring WithoutWow(const std::wstring& path) {
  const std::wstring node = L"\\Software\\Wow6432Node\\";
  if (!StartsWith(AsciiUpper(path), AsciiUpper(node))) return path;
  return L"\\Software\\" + path.substr(node.size());
}

const ValuePlace* PlaceFor(const RegistrySource& value) {
  const std::wstring key = WithoutWow(value.key_path);
  for (const ValuePlace& place : ValuePlaces()) {
    if (place.root != value.root) continue;
    if (key != value.key_path && !place.both_views) continue;
    if (!place.value.empty() && !SameText(place.value, value.value_name)) continue;
    if (place.subkeys) {
      const std::wstring parent = IncludeTrailingBackslash(place.key);
      const std::wstring sub = key.size() > parent.size() ? key.substr(parent.size()) : L"";
      if (SameText(key.substr(0, parent.size()), parent) && !sub.empty() &&
          sub.find(L'\\') == std::wstring::npos) {
        return &place;
      }
    } else if (SameText(place.key, key)) {
      return &place;
    }
  }
  return nullptr;
}

std::optional<RegistryValue> ReadNow(const RegistrySource& value) {
  TRegistry reg(value.view);
  reg.SetRootKey(value.root);
  if (!reg.OpenKeyReadOnly(value.key_path)) return std::nullopt;
  return reg.ReadValue(value.value_name);
}

std::wstring KeyText(RootKey root, const std::wstring& path) {
  StartupLocation location;
  location.root = root;
  location.path = path;
  return LocationText(location);
}

class ValueItemKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry& row) const override {
    const ValuePlace* place = PlaceFor(Item(row).value);
    return place ? place->word : L"";
  }

  std::wstring Place(const StartupEntry& row) const override {
    const ValueItemSource& item = Item(row);
    std::wstring place = L"V" + item.value.value_name;
    if (item.list != ItemList::Whole) {
      place += L"|" + std::to_wstring(item.occurrence) + L"|" + item.item;
    }
    return place;
  }

  bool SamePlace(const StartupEntry& a, const StartupEntry& b) const override {
    const ValueItemSource &x = Item(a), &y = Item(b);
    return x.value.root == y.value.root && x.value.view == y.value.view &&
           SameText(x.value.key_path, y.value.key_path) &&
           SameText(x.value.value_name, y.value.value_name) && x.position == y.position &&
           x.item == y.item;
  }

  bool StillThere(const StartupEntry& row) const override {
    std::optional<RegistryValue> now = ReadNow(Item(row).value);
    return now && Holds(*now, Item(row));
  }

  bool Occupied(const StartupEntry& row) const override {
    return ReadNow(Item(row).value).has_value();
  }

  bool Capture(EntryCopy& copy, std::wstring& reason) const override {
    ValueItemSource& item = std::get<ValueItemSource>(copy.record.row.source);
    std::optional<RegistryValue> now = ReadNow(item.value);
    if (!now || !Holds(*now, item)) {
      reason = L"The entry is no longer in its location.";
      return false;
    }
    item.value.value = std::move(*now);
    return true;
  }

  // The item is all its content: the value's other items are other entries.
  std::string Content(const EntryCopy& copy) const override {
    return ToUtf8(Item(copy.record.row).item);
  }

  bool Remove(const StartupEntry& row) const override {
    const ValueItemSource& item = Item(row);
    TRegistry reg(item.value.view);
    reg.SetRootKey(item.value.root);
    if (!reg.OpenKey(item.value.key_path, false)) return !reg.KeyExists(item.value.key_path);
    const std::wstring& name = item.value.value_name;
    std::optional<RegistryValue> now = reg.ReadValue(name);
    if (!now) return true;
    if (item.list == ItemList::Whole) return reg.DeleteValue(name) || !reg.ValueExists(name);
    if (std::optional<RegistryValue> rest = Without(*now, item)) reg.WriteValue(name, *rest);
    return true;
  }

  PutBackResult PutBack(const EntryCopy& copy, TakenPlace taken) const override {
    const ValueItemSource& item = Item(copy.record.row);
    const RegistryValue& was = item.value.value;
    TRegistry reg(item.value.view);
    reg.SetRootKey(item.value.root);
    if (!reg.OpenKey(item.value.key_path, true)) {
      return {PutBackResult::Failed,
              L"The key " + Jump(copy.record.row).target + L" cannot be opened.",
              {}};
    }
    std::wstring name = item.value.value_name;
    std::optional<RegistryValue> there = reg.ReadValue(name);
    RegistryValue written = was;
    if (item.list == ItemList::Whole) {
      if (there && *there != was) {
        // A value that Windows reads by its name can't go back under another.
        const ValuePlace* place = PlaceFor(item.value);
        if (taken == TakenPlace::Refuse ||
            (taken == TakenPlace::Rename && place && !place->value.empty())) {
          return {PutBackResult::Taken, L"Another entry of that name is in its location now.", {}};
        }
        for (int n = 2; taken == TakenPlace::Rename && there && *there != was; ++n) {
          name = NumberedName(item.value.value_name, n, L"");
          there = reg.ReadValue(name);
        }
      }
      if (!there || *there != was) reg.WriteValue(name, was);
    } else if (!there || !Holds(*there, item)) {
      // When nothing else changed the value comes back byte for byte, its
      // separators as they were; else the item goes in at its position.
      const std::optional<RegistryValue> without = Without(was, item);
      const bool untouched =
          without && (there ? *there == *without : Trimmed(ListText(*without, item.list)).empty());
      written = untouched ? was : With(there.value_or(RegistryValue{was.type, {}}), item);
      reg.WriteValue(name, written);
    } else {
      written = *there;
    }
    StartupEntry row = copy.record.row;
    ValueItemSource& back = std::get<ValueItemSource>(row.source);
    back.value.value_name = name;
    back.value.value = written;
    if (name != item.value.value_name) row.name = name;
    return {PutBackResult::Done, {}, std::move(row)};
  }

  bool Restorable(const StartupEntry& row) const override {
    return WritableValue(Item(row).value.value) && !Trimmed(Item(row).item).empty();
  }

  bool NamesStartupPlace(const StartupEntry& row,
                         const std::vector<StartupLocation>&) const override {
    return PlaceFor(Item(row).value) != nullptr;
  }

  bool NeedsAdministrator(const StartupEntry& row) const override {
    const RegistrySource& value = Item(row).value;
    return KeyNeedsAdministrator(value.root, value.view, value.key_path);
  }

  std::wstring WhyNotMoved() const override {
    return L"Only the entries of the Run keys, the Startup folders and win.ini can be moved.";
  }

  JumpPlace Jump(const StartupEntry& row) const override {
    return {JumpPlace::Kind::RegistryKey, KeyText(Item(row).value.root, Item(row).value.key_path)};
  }

  std::optional<std::wstring> WrittenCommand(const StartupEntry& row) const override {
    return Trimmed(Item(row).item);
  }

  bool WindowsOwn(const StartupEntry& row) const override {
    const ValuePlace* place = PlaceFor(Item(row).value);
    if (!place) return false;
    const std::wstring item = Trimmed(Item(row).item);
    return std::any_of(
        place->windows_own.begin(), place->windows_own.end(), [&](const std::wstring& own) {
          return SameText(item, own) || SameText(ExtractFileName(row.file_name), own);
        });
  }

  std::wstring Risk(const StartupEntry& row) const override {
    const ValuePlace* place = PlaceFor(Item(row).value);
    return place ? place->risk : L"";
  }

 private:
  static bool Holds(const RegistryValue& value, const ValueItemSource& item) {
    const std::wstring list_text = ListText(value, item.list);
    return item.list == ItemList::Whole ? list_text == item.item
                                        : FindItem(list_text, item).has_value();
  }
};

}  // namespace

std::vector<std::wstring> ValuePlaceParents(const ValuePlace& place) {
  std::vector<std::wstring> parents = {place.key};
  if (place.both_views) {
    StartupLocation location;
    location.root = place.root;
    location.path = place.key;
    if (std::optional<StartupLocation> twin = ThirtyTwoBitTwin(location)) {
      parents.push_back(twin->path);
    }
  }
  return parents;
}

std::vector<std::wstring> ValuePlaceKeys(const ValuePlace& place) {
  std::vector<std::wstring> parents = ValuePlaceParents(place);
  if (!place.subkeys) return parents;
  std::vector<std::wstring> keys;
  for (const std::wstring& parent : parents) {
    TRegistry reg;
    reg.SetRootKey(place.root);
    if (!reg.OpenKeyReadOnly(parent)) continue;
    for (const std::wstring& sub : reg.GetKeyNames()) keys.push_back(parent + L"\\" + sub);
  }
  return keys;
}

namespace {

void ListValue(const ValuePlace& place, TRegistry& reg, const std::wstring& key,
               const std::wstring& name, RegistryValue data, StartupScan& scan,
               const std::wstring& note) {
  if (data.type != RegistryDataType::String && data.type != RegistryDataType::ExpandString &&
      data.type != RegistryDataType::MultiString) {
    return;  // a number or binary data names no program
  }
  const std::wstring list_text = ListText(data, place.list);
  const std::vector<Piece> pieces = Pieces(list_text, place.list);
  std::wstring location = KeyText(place.root, key);
  if (!place.value.empty()) location += L", " + name;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const std::wstring item = list_text.substr(pieces[i].at, pieces[i].length);
    std::wstring command = Trimmed(item);
    if (command.empty()) continue;
    size_t occurrence = 0;
    for (size_t j = 0; j < i; ++j) {
      if (list_text.compare(pieces[j].at, pieces[j].length, item) == 0) ++occurrence;
    }
    if (data.type == RegistryDataType::ExpandString) command = ExpandEnvironment(command);
    SplitCommand split = place.split ? place.split(command) : SplitCommandLine(command);
    // A program that is gone is listed as written: Windows still tries it.
    std::wstring file = ResolveProgramFile(split.file_name);
    if (file.empty()) file = split.file_name;
    std::wstring row_name = place.value.empty() ? name
                            : place.subkeys     ? key.substr(key.rfind(L'\\') + 1)
                                                : ExtractFileName(file);
    ValueItemSource source{
        {place.root, reg.GetView(), key, name, data}, place.list, item, i, occurrence};
    scan.Add(row_name + note, std::move(file), std::move(split.parameters), location,
             std::move(source));
  }
}

}  // namespace

const std::vector<ValuePlace>& ValuePlaces() {
  static const std::vector<ValuePlace> places = [] {
    std::vector<ValuePlace> all;
    for (auto unit : {WinlogonPlaces, PoliciesShellPlaces, ActiveSetupPlaces, ImageHijackPlaces,
                      AppInitDllPlaces, LogonScriptPlaces, TerminalServerPlaces, RunOnceExPlaces,
                      SafeBootPlaces, BootExecutePlaces}) {
      for (ValuePlace& place : unit()) all.push_back(std::move(place));
    }
    return all;
  }();
  return places;
}

const PlaceKind& ValueItemPlace() {
  static const ValueItemKind kind;
  return kind;
}

void ListValuePlace(const ValuePlace& place, StartupScan& scan) {
  for (const std::wstring& key : ValuePlaceKeys(place)) {
    TRegistry reg;
    reg.SetRootKey(place.root);
    if (!reg.OpenKeyReadOnly(key)) continue;
    std::wstring note;
    if (!place.switch_value.empty()) {
      std::optional<RegistryValue> on = reg.ReadValue(place.switch_value);
      if (on && on->type == RegistryDataType::DWord && on->data.size() >= 4 &&
          std::all_of(on->data.begin(), on->data.begin() + 4, [](uint8_t b) { return b == 0; })) {
        note = L" (inactive: " + place.switch_value + L" is 0)";
      }
    }
    if (place.value.empty()) {
      for (auto& [name, data] : reg.GetValues()) {
        // A section's unnamed value is its title.
        if (place.subkeys && name.empty()) continue;
        ListValue(place, reg, key, name, std::move(data), scan, note);
      }
    } else if (std::optional<RegistryValue> data = reg.ReadValue(place.value)) {
      ListValue(place, reg, key, place.value, std::move(*data), scan, note);
    }
  }
}

}  // namespace korvane
