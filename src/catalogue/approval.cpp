#include "catalogue/approval.h"

#include <map>
#include <utility>
#include <variant>

#include "catalogue/location.h"
#include "catalogue/places/place_kind.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr wchar_t kApproved[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
constexpr wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRun32[] = L"\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

std::optional<ApprovalPlace> ApprovalPlaceOfValue(const RegistrySource& source) {
  const std::wstring path = ExcludeTrailingBackslash(source.key_path);
  if (SameText(path, kRun) &&
      (source.root == RootKey::CurrentUser || source.root == RootKey::LocalMachine)) {
    return ApprovalPlace{source.root, std::wstring(kApproved) + L"Run", source.value_name};
  }
  if (SameText(path, kRun32) && source.root == RootKey::LocalMachine) {
    return ApprovalPlace{source.root, std::wstring(kApproved) + L"Run32", source.value_name};
  }
  return std::nullopt;
}

GovernedFolders::GovernedFolders()
    : user(ExcludeTrailingBackslash(StartupFolderPath(StartupFolder::CurrentUser))),
      all(ExcludeTrailingBackslash(StartupFolderPath(StartupFolder::AllUsers))) {}

std::optional<ApprovalPlace> ApprovalPlaceOfFile(const FolderSource& source,
                                                 const GovernedFolders& folders) {
  // Only the items directly in the folder; Windows starts nothing from below.
  const std::wstring folder = ExcludeTrailingBackslash(ExtractFilePath(source.path));
  for (auto [path, root] : {std::pair{&folders.user, RootKey::CurrentUser},
                            std::pair{&folders.all, RootKey::LocalMachine}}) {
    if (path->empty() || !SameText(*path, folder)) continue;
    return ApprovalPlace{root, std::wstring(kApproved) + L"StartupFolder",
                         ExtractFileName(source.path)};
  }
  return std::nullopt;
}

std::optional<ApprovalPlace> ApprovalPlaceOf(const StartupEntry& entry) {
  return PlaceOf(entry).Approval(entry, nullptr);
}

void ReadApprovals(StartupList& rows) {
  if (!StartupApprovalsHonoured()) return;
  const GovernedFolders folders;
  // Each approval key is read once, whole, for all its rows.
  std::map<std::pair<RootKey, std::wstring>, std::map<std::wstring, RegistryValue>> keys;
  for (StartupEntry& row : rows) {
    const std::optional<ApprovalPlace> place = PlaceOf(row).Approval(row, &folders);
    if (!place) continue;
    auto [key, added] = keys.try_emplace({place->root, place->key_path});
    if (added) {
      TRegistry reg(RegistryView::Bits64);
      reg.SetRootKey(place->root);
      if (reg.OpenKeyReadOnly(place->key_path)) {
        for (auto& [name, value] : reg.GetValues()) {
          key->second.emplace(AsciiUpper(name), std::move(value));
        }
      }
    }
    auto found = key->second.find(AsciiUpper(place->value_name));
    row.enabled = found == key->second.end() || !ApprovalSaysOff(found->second);
  }
}

bool ApprovalSaysOff(const RegistryValue& value) {
  return !value.data.empty() && (value.data[0] & 1) != 0;
}

RegistryValue ApprovalValue(bool enabled, uint64_t file_time) {
  RegistryValue value{RegistryDataType::Binary, std::vector<uint8_t>(12, 0)};
  value.data[0] = enabled ? 0x02 : 0x03;
  if (!enabled) {
    for (int i = 0; i < 8; ++i) value.data[4 + i] = static_cast<uint8_t>(file_time >> (8 * i));
  }
  return value;
}

std::optional<RegistryValue> ReadApproval(const ApprovalPlace& place) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(place.root);
  if (!reg.OpenKeyReadOnly(place.key_path)) return std::nullopt;
  return reg.ReadValue(place.value_name);
}

void WriteApproval(const ApprovalPlace& place, bool enabled) {
  WriteApprovalValue(place, ApprovalValue(enabled, FileTimeNow()));
}

void WriteApprovalValue(const ApprovalPlace& place, const RegistryValue& value) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(place.root);
  if (!reg.OpenKey(place.key_path, true)) {
    throw PlatformError(L"Cannot open the registry key " + std::wstring(RootKeyName(place.root)) +
                        place.key_path);
  }
  reg.WriteValue(place.value_name, value);
}

bool ClearApproval(const StartupEntry& entry) {
  const std::optional<ApprovalPlace> place = ApprovalPlaceOf(entry);
  return !place || DeleteApproval(*place);
}

bool DeleteApproval(const ApprovalPlace& place) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(place.root);
  if (!reg.OpenKey(place.key_path, false)) return !reg.KeyExists(place.key_path);
  return reg.DeleteValue(place.value_name) || !reg.ValueExists(place.value_name);
}

}  // namespace korvane
