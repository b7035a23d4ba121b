#include "monitor/cycle.h"

#include <algorithm>
#include <utility>

#include "catalogue/scan.h"
#include "catalogue/signers.h"
#include "monitor/saved_list.h"
#include "monitor/switching.h"
#include "platform/error.h"

namespace korvane {

RefreshCycle::RefreshCycle(StartupListModel& model, CycleWindows windows)
    : model_(model), windows_(std::move(windows)) {}

void RefreshCycle::Run() {
  Request(nullptr);
}

void RefreshCycle::RunForChanges(const std::set<std::wstring>& parts) {
  Request(&parts);
}

void RefreshCycle::Request(const std::set<std::wstring>* parts) {
  if (!parts) {
    pending_ = true;
    pending_parts_.clear();
  } else if (!pending_) {
    pending_parts_.insert(parts->begin(), parts->end());
  }
  if (running_) return;
  running_ = true;
  struct Finish {
    RefreshCycle& cycle;
    ~Finish() {
      cycle.running_ = false;
      cycle.pending_ = false;
      cycle.pending_parts_.clear();
      // A timed cycle that came due meanwhile has just been served.
      if (cycle.ticks_ >= cycle.period_) cycle.ticks_ = 0;
    }
  } finish{*this};
  while (pending_ || !pending_parts_.empty()) {
    const bool whole = std::exchange(pending_, false);
    const std::set<std::wstring> changed = std::exchange(pending_parts_, {});
    RunSteps(whole ? nullptr : &changed);
  }
}

void RefreshCycle::Tick() {
  if (ticks_ < period_) ++ticks_;
  if (ticks_ >= period_) Run();
}

void RefreshCycle::SetMonitoring(int32_t minutes) {
  period_ = std::clamp<int32_t>(minutes, 1, 60) * 60;
}

bool RefreshCycle::Rescan(const std::set<std::wstring>* changed) {
  std::wstring unread;
  try {
    if (changed) {
      model_.Rescan(*changed);
    } else {
      model_.Rescan();
    }
  } catch (const SourcesUnread& error) {
    unread = error.Text();
  }
  read_whole_ = unread.empty();
  if (windows_.show_unread) windows_.show_unread(unread);
  return read_whole_;
}

void RefreshCycle::RunSteps(const std::set<std::wstring>* changed) {
  // Only the first scan reads just what changed; after the cycle's own
  // changes everything is read again.
  Rescan(changed);
  EnforceBlacklist();
  // Entries the user switched off that switched themselves on again.
  const std::vector<std::wstring> kept_off = KeepSwitchedOff(model_.Rows());
  if (!kept_off.empty()) {
    needs_administrator_.clear();  // a click on this balloon offers nothing
    windows_.show_balloon(kBlacklistBalloonTitle, KeptOffBalloonText(kept_off.size()));
    Rescan();
  }
  // Compared or saved without a source's rows, they would come back as new.
  if (!read_whole_) return;
  const std::optional<std::string> snapshot_text = ReadSnapshotText();
  std::optional<std::vector<std::wstring>> saved = DetectNewEntries(snapshot_text);
  // The new entries dialog may have deleted entries, rescanned and saved:
  // then the saved list and the snapshot are read again.
  if (saved) {
    SaveStartupList(model_.Rows(), *saved);
    SaveSnapshotOf(model_.Rows(), snapshot_text);
  } else {
    SaveStartupList(model_.Rows());
    SaveSnapshotOf(model_.Rows(), ReadSnapshotText());
  }
  accepted_.clear();
}

void RefreshCycle::RecordSeen(const StartupList& rows) {
  SaveStartupList(rows);
  SaveSnapshotOf(rows, ReadSnapshotText());
}

void RefreshCycle::AcceptOwnChanges(const StartupList& rows) {
  accepted_.insert(accepted_.end(), rows.begin(), rows.end());
}

void RefreshCycle::SaveSnapshotOf(const StartupList& rows,
                                  const std::optional<std::string>& stored) {
  try {
    SaveSnapshot(rows, stored);
    unsaved_snapshot_.reset();
  } catch (const PlatformError&) {
    // Like the saved list, the snapshot fails quietly; this run remembers
    // the rows instead.
    unsaved_snapshot_ = rows;
  }
}

void RefreshCycle::EnforceBlacklist() {
  std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist();
  if (!blacklist || blacklist->empty()) return;
  Enforcement done = RemoveBlacklisted(model_.Rows(), *blacklist, failures_);
  const std::wstring text = BlacklistBalloonText(done);
  if (!text.empty()) {
    needs_administrator_ = done.needs_administrator;
    windows_.show_balloon(kBlacklistBalloonTitle, text);
  }
  if (done.removed.empty()) return;
  removed_file_ = WriteRemovedFile(done.removed);
  Rescan();
}

std::optional<std::vector<std::wstring>> RefreshCycle::DetectNewEntries(
    const std::optional<std::string>& snapshot_text) {
  std::optional<std::vector<std::wstring>> saved = ReadSavedList();
  if (!saved) return saved;
  ReportedEntries found;
  if (report_changes_) {
    found = unsaved_snapshot_
                ? DetectEntryChanges(model_.Rows(), unsaved_snapshot_, *saved, accepted_)
                : DetectEntryChanges(model_.Rows(), snapshot_text, *saved, accepted_);
  } else {
    const bool no_snapshot = !snapshot_text && !unsaved_snapshot_;
    for (StartupEntry& row : no_snapshot ? NewEntriesWithoutSnapshot(model_.Rows(), *saved)
                                         : NewEntriesIn(model_.Rows(), *saved))
      found.push_back({std::move(row), ChangeKind::New, std::nullopt});
  }
  found = ToReport(std::move(found), snapshot_text);
  if (found.empty()) return saved;
  windows_.show_new_entries(found);
  return std::nullopt;
}

ReportedEntries RefreshCycle::ToReport(ReportedEntries found,
                                       const std::optional<std::string>& snapshot_text) {
  ReportedEntries reported;
  std::set<std::wstring> updated;
  std::optional<StartupList> snapshot = unsaved_snapshot_;
  if (!snapshot && snapshot_text && !found.empty()) snapshot = ParseSnapshot(*snapshot_text);
  const SeenPrograms seen(snapshot ? *snapshot : StartupList{});
  for (ReportedEntry& entry : found) {
    // A move or a switch back on is the user's business whoever signed it.
    const bool new_or_changed =
        entry.change == ChangeKind::New || entry.change == ChangeKind::Changed;
    // Windows' own follow their switch alone: with it on, every one is
    // reported, never passed over as an update.
    if (new_or_changed && IsWindowsEntry(entry.row)) {
      if (!report_windows_) continue;
    } else if (new_or_changed && seen.IsUpdate(entry.row)) {
      updated.insert(ProgramKey(entry.row));
      continue;
    }
    reported.push_back(std::move(entry));
  }
  TellUpdates(updated);
  return reported;
}

void RefreshCycle::TellUpdates(const std::set<std::wstring>& programs) {
  // Not every time: an hour at least between two balloons. Updates that
  // came meanwhile are told by the first cycle after it.
  constexpr auto kBetweenBalloons = std::chrono::hours(1);
  updated_untold_.insert(programs.begin(), programs.end());
  const auto now = std::chrono::steady_clock::now();
  if (updated_untold_.empty() || (updates_told_ && now - *updates_told_ < kBetweenBalloons)) {
    return;
  }
  updates_told_ = now;
  const size_t count = std::exchange(updated_untold_, {}).size();
  if (!windows_.show_balloon) return;
  needs_administrator_.clear();  // a click on this balloon offers nothing
  windows_.show_balloon(kBlacklistBalloonTitle, UpdatesBalloonText(count));
}

std::wstring UpdatesBalloonText(size_t programs) {
  return std::to_wstring(programs) + (programs == 1
                                          ? L" program updated its own startup entry."
                                          : L" programs updated their own startup entries.");
}

}  // namespace korvane
