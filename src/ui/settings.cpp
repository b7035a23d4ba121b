#include "ui/settings.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "platform/error.h"
#include "platform/registry.h"

namespace korvane {

const wchar_t kSettingsKey[] = L"\\Software\\Korvane";
const wchar_t kOwnRunKey[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kOwnRunValue[] = L"Korvane";

namespace {

const wchar_t kMonitoring[] = L"monitoring";

// The switches in the order they are defaulted and read.
const std::pair<const wchar_t*, bool AppSettings::*> kSwitches[] = {
    {L"min_to_tray", &AppSettings::min_to_tray},
    {L"close_to_tray", &AppSettings::close_to_tray},
    {L"confirm_exit", &AppSettings::confirm_exit},
    {L"single_deletion", &AppSettings::single_deletion},
    {L"multiple_deletion", &AppSettings::multiple_deletion},
    {L"single_launching", &AppSettings::single_launching},
    {L"multiple_launching", &AppSettings::multiple_launching},
    {L"single_movement", &AppSettings::single_movement},
    {L"multiple_movement", &AppSettings::multiple_movement},
    {L"single_stopping", &AppSettings::single_stopping},
    {L"multiple_stopping", &AppSettings::multiple_stopping},
    {L"single_addition", &AppSettings::single_addition},
    {L"multiple_addition", &AppSettings::multiple_addition},
    {L"report_changes", &AppSettings::report_changes},
    {L"report_windows", &AppSettings::report_windows},
};

// The switches that start off; every other one starts on.
bool StartsOn(const wchar_t* name) {
  return std::wstring_view(name) != L"report_windows";
}

// Existing values are left as they are, whatever they hold; only a
// non-positive interval is mended.
void WriteDefaults(TRegistry& registry) {
  for (const auto& [name, member] : kSwitches) {
    if (!registry.ValueExists(name)) registry.WriteInteger(name, StartsOn(name) ? 1 : 0);
  }
  if (!registry.ValueExists(kMonitoring) || registry.ReadInteger(kMonitoring) < 1) {
    registry.WriteInteger(kMonitoring, 1);
  }
}

}  // namespace

bool ReadSettings(AppSettings& settings) {
  TRegistry registry;
  if (!registry.OpenKey(kSettingsKey, true)) return false;
  WriteDefaults(registry);
  // The interval sits between the tray switches and the confirmations.
  for (size_t i = 0; i < std::size(kSwitches); ++i) {
    if (i == 2) settings.monitoring = registry.ReadInteger(kMonitoring);
    settings.*kSwitches[i].second = registry.ReadBool(kSwitches[i].first);
  }
  return true;
}

void StoreSettings(const AppSettings& settings) {
  TRegistry registry;
  if (!registry.OpenKey(kSettingsKey, true)) {
    // Silently dropping the user's choices would look like success.
    throw PlatformError(L"Failed to open the registry key HKEY_CURRENT_USER" +
                        std::wstring(kSettingsKey));
  }
  for (const auto& [name, member] : kSwitches) registry.WriteBool(name, settings.*member);
  registry.WriteInteger(kMonitoring, settings.monitoring);
}

int32_t ShownMonitoring(int32_t stored) {
  return std::clamp<int32_t>(stored, 1, 60);
}

int32_t TypedMonitoring(const std::wstring& text, int32_t shown) {
  size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return ShownMonitoring(shown);
  size_t last = text.find_last_not_of(L" \t");
  std::wstring_view number(text.data() + first, last - first + 1);
  bool negative = number.front() == L'-';
  if (negative || number.front() == L'+') number.remove_prefix(1);
  if (number.empty()) return ShownMonitoring(shown);
  int64_t value = 0;
  for (wchar_t c : number) {
    if (c < L'0' || c > L'9') return ShownMonitoring(shown);
    value = std::min<int64_t>(value * 10 + (c - L'0'), 1000);  // large enough to clamp
  }
  return ShownMonitoring(static_cast<int32_t>(negative ? -value : value));
}

bool ListHoldsProgram(const StartupList& rows, const std::wstring& own_path) {
  return std::any_of(rows.begin(), rows.end(),
                     [&](const StartupEntry& row) { return row.file_name == own_path; });
}

bool SetRunOnStartup(bool run, const StartupList& rows, const std::wstring& own_path) {
  if (run) {
    PlaceRegistryEntry(RootKey::CurrentUser, kOwnRunKey, kOwnRunValue, own_path, L"");
    return true;
  }
  // The entry goes, the program stays: a close request would reach this
  // very program.
  bool all_gone = true;
  for (const StartupEntry& row : rows) {
    if (row.file_name == own_path && !RemoveStartupEntry(row)) all_gone = false;
  }
  return all_gone;
}

}  // namespace korvane
