#include "catalogue/approval.h"

#include <variant>

#include "catalogue/location.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr wchar_t kApproved[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
constexpr wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRun32[] = L"\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<ApprovalPlace> ForValue(const RegistrySource& source) {
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

std::optional<ApprovalPlace> ForFile(const FolderSource& source) {
  const std::wstring folder = ExcludeTrailingBackslash(ExtractFilePath(source.path));
  for (StartupFolder which : {StartupFolder::CurrentUser, StartupFolder::AllUsers}) {
    const std::wstring path = ExcludeTrailingBackslash(StartupFolderPath(which));
    if (path.empty() || !SameText(path, folder)) continue;
    return ApprovalPlace{which == StartupFolder::CurrentUser ? RootKey::CurrentUser
                                                             : RootKey::LocalMachine,
                         std::wstring(kApproved) + L"StartupFolder", ExtractFileName(source.path)};
  }
  return std::nullopt;
}

}  // namespace

std::optional<ApprovalPlace> ApprovalPlaceOf(const StartupEntry& entry) {
  if (const auto* value = std::get_if<RegistrySource>(&entry.source)) return ForValue(*value);
  if (const auto* file = std::get_if<FolderSource>(&entry.source)) return ForFile(*file);
  return std::nullopt;
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
  if (!reg.OpenKey(place.key_path, false)) return std::nullopt;
  return reg.ReadValue(place.value_name);
}

void WriteApproval(const ApprovalPlace& place, bool enabled) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(place.root);
  if (!reg.OpenKey(place.key_path, true)) {
    throw PlatformError(L"Cannot open the registry key " + std::wstring(RootKeyName(place.root)) +
                        place.key_path);
  }
  reg.WriteValue(place.value_name, ApprovalValue(enabled, FileTimeNow()));
}

bool DeleteApproval(const ApprovalPlace& place) {
  TRegistry reg(RegistryView::Bits64);
  reg.SetRootKey(place.root);
  if (!reg.OpenKey(place.key_path, false)) return !reg.KeyExists(place.key_path);
  return reg.DeleteValue(place.value_name) || !reg.ValueExists(place.value_name);
}

}  // namespace korvane
