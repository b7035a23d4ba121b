#include "monitor/switching.h"

#include <algorithm>
#include <optional>

#include "catalogue/approval.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "catalogue/system_entries.h"
#include "monitor/parked.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

namespace {

// The reason a row could not be switched; empty when it was.
std::wstring Switch(const StartupEntry& row, bool on) {
  // Tasks and services keep their own state.
  if (IsSystemEntry(row)) {
    return NeedsAdministrator(row) ? kNeedsAdministrator : SwitchSystemEntry(row, on);
  }
  const std::optional<ApprovalPlace> place = ApprovalPlaceOf(row);
  auto approval_refused = [&] {
    return KeyNeedsAdministrator(place->root, RegistryView::Bits64, place->key_path);
  };
  if (on) {
    // A parked entry goes back to its place (the row's own, with its
    // command); any other is switched on where Windows keeps its state.
    if (const std::optional<ParkedEntry> parked = ParkedEntryOf(row)) {
      if (NeedsAdministrator(row)) return kNeedsAdministrator;
      ParkResult restored = RestoreParkedEntry(*parked);
      return restored.done ? std::wstring() : restored.reason;
    }
    if (!place) return L"The entry is not switched off.";
    if (approval_refused()) return kNeedsAdministrator;
    WriteApproval(*place, true);
    return {};
  }
  if (place && StartupApprovalsHonoured()) {
    if (approval_refused()) return kNeedsAdministrator;
    WriteApproval(*place, false);
    return {};
  }
  if (NeedsAdministrator(row)) return kNeedsAdministrator;
  ParkResult parked = ParkEntry(row);
  return parked.done ? std::wstring() : parked.reason;
}

constexpr wchar_t kKeptOffKey[] = L"\\Software\\Korvane\\KeptOff";

// Remembers or forgets that the user switched the row off.
void KeepOff(const StartupEntry& row, bool keep) {
  TRegistry reg;
  if (!reg.OpenKey(kKeptOffKey, keep)) return;
  if (keep) {
    reg.WriteString(EntryIdentity(row), L"");
  } else {
    reg.DeleteValue(EntryIdentity(row));
  }
}

}  // namespace

std::vector<std::wstring> KeepSwitchedOff(const StartupList& rows) {
  std::vector<std::wstring> switched;
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(kKeptOffKey)) return switched;
  std::vector<std::wstring> kept = reg.GetValueNames();
  if (kept.empty()) return switched;
  for (std::wstring& identity : kept) identity = AsciiUpper(identity);
  std::sort(kept.begin(), kept.end());
  for (const StartupEntry& row : rows) {
    if (!row.enabled || !std::binary_search(kept.begin(), kept.end(), EntryIdentity(row))) {
      continue;
    }
    try {
      if (Switch(row, false).empty()) switched.push_back(row.name);
    } catch (const PlatformError&) {
      // Tried again at the next refresh.
    }
  }
  return switched;
}

void FollowMovedEntries(const StartupList& rows, const MoveResult& result, MoveTarget target) {
  try {
    TRegistry reg;
    if (!reg.OpenKey(kKeptOffKey, false)) return;
    const StartupLocation place = MoveTargetLocation(target);
    for (size_t i = 0; i < rows.size() && i < result.size(); ++i) {
      const RowMove& move = result[i];
      if (move.outcome != MoveOutcome::Moved && move.outcome != MoveOutcome::OldKept) continue;
      const std::wstring identity = EntryIdentity(rows[i]);
      if (!reg.ValueExists(identity)) continue;
      StartupEntry moved;
      moved.location = LocationText(place);
      if (place.kind == StartupLocationKind::RegistryKeyLocation) {
        moved.source = ValueSource(place.root, place.path, move.written);
      } else {
        moved.source = FileSource(move.written);
      }
      reg.WriteString(EntryIdentity(moved), L"");
      if (move.outcome == MoveOutcome::Moved) reg.DeleteValue(identity);
    }
  } catch (const PlatformError&) {
    // The entries moved all the same; they are just not watched.
  }
}

std::wstring KeptOffBalloonText(size_t count) {
  if (count == 0) return {};
  return std::to_wstring(count) +
         (count == 1 ? L" startup entry that you switched off had switched itself on again; "
                       L"Korvane switched it off."
                     : L" startup entries that you switched off had switched themselves on "
                       L"again; Korvane switched them off.");
}

void ScanStartupListWithParked(StartupList& list) {
  ScanParts parts;
  ScanStartupListWithParked(list, parts, nullptr);
}

void ScanStartupListWithParked(StartupList& list, ScanParts& parts, const EarlierScan* earlier) {
  // The parked rows are listed even when the scheduler or the service
  // manager could not be read; the caller still hears of it.
  std::optional<SourcesUnread> unread;
  try {
    ScanStartupList(list, parts, earlier);
  } catch (const SourcesUnread& error) {
    unread = error;
  }
  for (StartupEntry& row : ParkedRows()) {
    row.enabled = false;
    list.push_back(std::move(row));
  }
  parts.push_back({L"parked", list.size()});
  if (unread) throw *unread;
}

std::vector<SwitchFailure> SwitchStartupEntries(const StartupList& rows, bool on) {
  std::vector<SwitchFailure> failures;
  for (const StartupEntry& row : rows) {
    if (row.enabled == on) continue;
    std::wstring reason;
    try {
      reason = Switch(row, on);
    } catch (const PlatformError& error) {
      reason = error.Text();
    }
    if (!reason.empty()) {
      failures.push_back({row.name, row.location, std::move(reason)});
      continue;
    }
    try {
      KeepOff(row, !on);
    } catch (const PlatformError&) {
      // The entry is switched all the same; it is just not watched.
    }
  }
  return failures;
}

std::wstring SwitchReport(const std::vector<SwitchFailure>& failures, bool on) {
  if (failures.empty()) return {};
  std::wstring report =
      on ? L"These entries were not switched on:\n" : L"These entries were not switched off:\n";
  for (const SwitchFailure& failure : failures) {
    report += L"\"" + failure.name + L"\" (" + failure.location + L"): " + failure.reason + L"\n";
  }
  report.pop_back();
  return report;
}

}  // namespace korvane
