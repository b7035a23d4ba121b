#include "monitor/blacklist.h"

#include <unordered_set>

#include "catalogue/removal.h"
#include "catalogue/rights.h"
#include "catalogue/system_entries.h"
#include "monitor/parked.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

const wchar_t kBlacklistKey[] = L"\\Software\\Korvane\\blacklist";
const wchar_t kBlacklistBalloonTitle[] = L"Korvane notification";

namespace {

const wchar_t kRemovedFileName[] = L"removed.txt";

// True when the entry has left its location.
bool RemoveEntry(const StartupEntry& row) {
  // What is never deleted (a service) is switched off, its former start type kept.
  if (!WhyNotDeleted(row).empty()) return SwitchSystemEntry(row, false).empty();
  try {
    return DeleteListedEntry(row, RemovalSource::Blacklist).done;
  } catch (const PlatformError&) {
    // The program could not be asked to close; the entry went or stayed all the same.
    return RecordAndRemove(row, RemovalWay::Blacklisted).done;
  }
}

std::wstring BesideProgram() {
  return IncludeTrailingBackslash(ExtractFilePath(OwnExecutablePath())) + kRemovedFileName;
}

// Empty when the user has no local application data folder.
std::wstring InLocalAppData() {
  const std::wstring local = LocalAppDataFolder();
  if (local.empty()) return {};
  return IncludeTrailingBackslash(local) + L"Korvane\\" + kRemovedFileName;
}

}  // namespace

std::optional<std::vector<std::wstring>> ReadBlacklist() {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return std::nullopt;
  return reg.GetValueNames();
}

bool AddToBlacklist(const std::vector<std::wstring>& names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return false;
  for (const std::wstring& name : names) reg.WriteString(name, L"");
  return true;
}

bool IsBlacklisted(const std::wstring& file_name, const std::vector<std::wstring>& blacklist) {
  for (const std::wstring& name : blacklist) {
    if (SameText(file_name, name)) return true;
  }
  return false;
}

Enforcement RemoveBlacklisted(const StartupList& rows, const std::vector<std::wstring>& blacklist,
                              RemovalFailures& failures) {
  Enforcement result;
  // One look-up a row: thousands of rows against a long blacklist, name by
  // name, would hold the window.
  std::unordered_set<std::wstring> names;
  for (const std::wstring& name : blacklist) names.insert(LowerCase(name));
  for (const StartupEntry& row : rows) {
    if (!names.count(LowerCase(row.file_name))) continue;
    const bool service = !WhyNotDeleted(row).empty();
    if (service && !row.enabled) continue;  // switched off already
    auto entry = std::make_tuple(row.name, row.file_name, row.location);
    if (RemoveEntry(row)) {
      result.removed.push_back(row.file_name);
      // Those the system keeps (tasks, services) are named in the balloon.
      if (service) {
        result.services_switched_off.push_back(row.name);
      } else if (IsSystemEntry(row)) {
        result.tasks_deleted.push_back(row.name);
      }
      failures.erase(entry);
    } else if (failures.insert(entry).second) {
      ++result.newly_failed;
      if (NeedsAdministrator(row)) result.needs_administrator.push_back(row);
    }
  }
  return result;
}

std::wstring BlacklistBalloonText(const Enforcement& enforcement) {
  std::wstring text;
  if (!enforcement.removed.empty()) {
    // The missing blank before "programs" is how users have always seen it.
    text = L"Korvane has been found " + std::to_wstring(enforcement.removed.size()) +
           L"programs, specified in the blacklist. Click this message to see the full list of "
           L"removed programs";
  }
  // Tasks and services are named: the user did not see them in any Run key.
  auto names = [](const std::vector<std::wstring>& list) {
    std::wstring joined;
    for (const std::wstring& name : list) joined += (joined.empty() ? L"" : L", ") + name;
    return joined;
  };
  if (!enforcement.tasks_deleted.empty()) {
    text += L". Scheduled tasks deleted: " + names(enforcement.tasks_deleted);
  }
  if (!enforcement.services_switched_off.empty()) {
    text += L". Services switched off: " + names(enforcement.services_switched_off);
  }
  if (enforcement.newly_failed > 0) {
    if (!text.empty()) text += L". ";
    text += std::to_wstring(enforcement.newly_failed);
    text += enforcement.newly_failed == 1
                ? L" blacklisted program could not be removed: its startup location may not be "
                  L"changed without administrator rights."
                : L" blacklisted programs could not be removed: their startup locations may not "
                  L"be changed without administrator rights.";
    if (!enforcement.needs_administrator.empty()) {
      text += L" Click this message to remove them as administrator.";
    }
  }
  return text;
}

std::string RemovedFileBytes(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (const std::wstring& name : names) text += name + L"\r\n";
  if (std::optional<std::string> ansi = ToAnsi(text)) return *ansi;
  return "\xEF\xBB\xBF" + ToUtf8(text);
}

std::wstring WriteRemovedFile(const std::vector<std::wstring>& names) {
  const std::string bytes = RemovedFileBytes(names);
  const std::wstring beside = BesideProgram();
  try {
    // Replaced whole: a reader (the editor a balloon click opens) never
    // sees half a list.
    ReplaceFileBytes(beside, bytes);
    return beside;
  } catch (const PlatformError&) {
    // Installed where the user may not write (Program Files): the user's own
    // folder takes it, so the error does not come back with every cycle.
    const std::wstring local = InLocalAppData();
    if (local.empty()) throw;
    CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(local)));
    ReplaceFileBytes(local, bytes);
    return local;
  }
}

std::optional<std::wstring> RemovedFileToOpen(const std::optional<std::wstring>& written_last) {
  if (written_last) {
    if (FileExists(*written_last)) return written_last;
    return std::nullopt;
  }
  for (const std::wstring& path : {BesideProgram(), InLocalAppData()}) {
    if (!path.empty() && FileExists(path)) return path;
  }
  return std::nullopt;
}

}  // namespace korvane
