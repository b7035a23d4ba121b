// korvanec watch: each change to the startup places as it is noticed, until
// Ctrl+C.
#include <atomic>
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#endif

#include "catalogue/entry_format.h"
#include "catalogue/location.h"
#include "catalogue/signers.h"
#include "cli/korvanec.h"
#include "cli/snapshot.h"
#include "cli/verbs.h"
#include "monitor/snapshot.h"
#include "monitor/startup_changes.h"
#include "monitor/startup_list.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

namespace {

std::atomic<StartupChanges*> g_watching{nullptr};

#ifdef _WIN32
BOOL WINAPI StopWatching(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (StartupChanges* changes = g_watching.load()) changes->Stop();
  return TRUE;
}
#endif

struct WatchedChange {
  // "new", "changed", "updated" (new or changed: catalogue/signers.h),
  // "moved", "enabled again", "removed"
  std::wstring kind;
  StartupEntry entry;  // now; a removed entry as it was
  std::optional<StartupEntry> before;
};

// What differs from `before` to `now`, as the new entries dialog would
// report it, and the entries that are gone.
std::vector<WatchedChange> Changes(const StartupList& before, const StartupList& now) {
  std::vector<WatchedChange> changes;
  std::set<std::wstring> moved_away;
  const SeenPrograms seen(before);
  for (ReportedEntry& found : DetectEntryChanges(now, std::optional<StartupList>(before), {})) {
    static const wchar_t* const kKinds[] = {L"new", L"changed", L"moved", L"enabled again"};
    if (found.change == ChangeKind::Moved && found.before) {
      moved_away.insert(EntryIdentity(*found.before));
    }
    const bool update = (found.change == ChangeKind::New || found.change == ChangeKind::Changed) &&
                        seen.IsUpdate(found.row);
    changes.push_back({update ? L"updated" : kKinds[static_cast<int>(found.change)],
                       std::move(found.row), std::move(found.before)});
  }
  const std::vector<ptrdiff_t> old_to_new = MatchRows(before, now);
  for (size_t i = 0; i < before.size(); ++i) {
    if (old_to_new[i] < 0 && !moved_away.count(EntryIdentity(before[i]))) {
      changes.push_back({L"removed", before[i], std::nullopt});
    }
  }
  return changes;
}

// The tasks and services of `before` that a scan which could not read them
// lacks.
void KeepUnread(const StartupList& before, StartupList& now) {
  const std::vector<ptrdiff_t> old_to_new = MatchRows(before, now);
  for (size_t i = 0; i < before.size(); ++i) {
    if (old_to_new[i] < 0 &&
        (before[i].location == kTaskSchedulerLocation || before[i].location == kServicesLocation)) {
      now.push_back(before[i]);
    }
  }
}

std::string Line(const WatchedChange& change, ListFormat format, const std::wstring& time) {
  if (format == ListFormat::Json) {
    Json j;
    j["time"] = ToUtf8(time);
    j["change"] = ToUtf8(change.kind);
    j["name"] = ToUtf8(change.entry.name);
    j["fileName"] = ToUtf8(change.entry.file_name);
    j["command"] = ToUtf8(CommandText(change.entry));
    j["location"] = ToUtf8(change.entry.location);
    j["enabled"] = change.entry.enabled;
    if (change.before) {
      j["before"] = {{"command", ToUtf8(CommandText(*change.before))},
                     {"location", ToUtf8(change.before->location)}};
    }
    return j.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  }
  return ToUtf8(time + L"\t" + change.kind + L"\t" + change.entry.name + L"\t" +
                change.entry.location + L"\t" + CommandText(change.entry)) +
         "\n";
}

std::wstring Now() {
  return IsoTimeUtc(std::chrono::duration_cast<std::chrono::seconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count());
}

}  // namespace

CommandResult RunWatchVerb(const Arguments& args) {
  const ListFormat format = args.Format();
  if (format == ListFormat::Csv) return Failure(kExitUsage, L"watch writes text or json");
  CommandResult result;
  // Watched before the first scan: a change made while it reads is told.
  StartupChanges changes;
  g_watching = &changes;
  struct Unwatch {
    ~Unwatch() { g_watching = nullptr; }
  } unwatch;
#ifdef _WIN32
  SetConsoleCtrlHandler(StopWatching, TRUE);
#endif
  StartupList rows;
  ScanParts parts;
  try {
    ScanStartupListWithParked(rows, parts, nullptr);
  } catch (const SourcesUnread& error) {
    WriteError(result, error.Text());
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  SignRows(rows, true);
  // Said on standard error, so that what a script reads stays the changes.
  WriteError(result, L"watching " + std::to_wstring(changes.WatchedCount()) +
                         L" startup places; Ctrl+C ends the watch");
  for (;;) {
    const std::set<std::wstring> changed = changes.Wait(TChangeNotifier::kForever);
    if (changed.empty()) break;  // stopped
    StartupList now;
    ScanParts now_parts;
    const EarlierScan earlier{rows, parts, changed};
    try {
      ScanStartupListWithParked(now, now_parts, &earlier);
    } catch (const SourcesUnread& error) {
      // What could not be read is taken as it was, and read whole next time.
      WriteError(result, error.Text());
      KeepUnread(rows, now);
      now_parts.clear();
    } catch (const PlatformError& error) {
      // Read again whole at the next change.
      WriteError(result, error.Text());
      now_parts.clear();
    }
    SignRows(now, true);
    const std::wstring time = Now();
    for (const WatchedChange& change : Changes(rows, now)) {
      WriteOutput(result, Line(change, format, time));
    }
    rows = std::move(now);
    parts = std::move(now_parts);
  }
#ifdef _WIN32
  SetConsoleCtrlHandler(StopWatching, FALSE);
#endif
  return result;
}

}  // namespace korvane
