#pragma once
// The refresh cycle: rescan, enforce the blacklist, report new entries, save
// the list; never one cycle inside another. And the monitoring timer's rule.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "monitor/blacklist.h"
#include "monitor/snapshot.h"
#include "monitor/startup_list.h"

namespace korvane {

// What the cycle tells the windows. The rows themselves they learn from the
// model.
struct CycleWindows {
  std::function<void(const std::wstring& title, const std::wstring& text)> show_balloon;
  // The new entries dialog, modal: the cycle waits until it is closed.
  std::function<void(const ReportedEntries& found)> show_new_entries;
  // Which sources could not be read, and why (the status bar says it); empty
  // once every source is read again. Told after every scan of a cycle.
  std::function<void(const std::wstring& unread)> show_unread;
};

// The balloon's text for programs that updated their own entries.
std::wstring UpdatesBalloonText(size_t programs);

class RefreshCycle {
 public:
  RefreshCycle(StartupListModel& model, CycleWindows windows);

  // Runs the four steps in order. An error ends the cycle at its step and goes
  // on to the caller; a source that can't be read (the Task Scheduler, the
  // service manager) is told to show_unread instead, the blacklist still acts
  // on the rows that were read, and a list without that source's rows is
  // neither compared with the saved one nor saved. Asked for while a cycle runs (from the new
  // entries dialog's message loop), it runs once more after that cycle has ended well; requests
  // made meanwhile count as one.
  void Run();
  // The cycle after a change the system told of: its first scan reads only
  // the parts named (ScanPart names). Asked for while a cycle runs, it is
  // kept, with any others, and runs after; a whole cycle asked for too
  // stands for them all.
  void RunForChanges(const std::set<std::wstring>& parts);
  bool Running() const { return running_; }

  // Timer1Timer: one tick of the one-second timer. The cycle is due after
  // `monitoring` minutes of ticks; the counter starts again after every cycle
  // that ran while it was due, also one that failed.
  void Tick();
  // The stored interval, clamped to 1..60 minutes; takes effect at once.
  void SetMonitoring(int32_t minutes);
  int32_t Ticks() const { return ticks_; }

  // "Report changed commands, not only new programs": on, the rows are
  // compared with the snapshot of the entries (new, changed, moved, enabled
  // again); off, only a file name missing from the saved list is new. The
  // snapshot is kept up to date either way.
  void SetReportChanges(bool on) { report_changes_ = on; }
  bool ReportsChanges() const { return report_changes_; }
  // "Report Windows' own entries too": off, a new or changed entry whose
  // program is signed as Windows' own (catalogue/signers.h) is recorded
  // without a report. Either way a program's own update (a new or changed
  // entry signed as a program of that file name seen before) is recorded
  // without one, and a balloon says now and then how many programs updated.
  void SetReportWindowsEntries(bool on) { report_windows_ = on; }
  // Entries Korvane itself has just written, moved or switched on, as they
  // stood before (a moved file with its new path): the next cycle does not
  // report them.
  void AcceptOwnChanges(const StartupList& rows);
  // The rows as the user has now seen them, outside a cycle (the new entries
  // dialog's "Close", an entry the user added): the saved list and the
  // snapshot. The saved list's failures go on to the caller.
  void RecordSeen(const StartupList& rows);

  // The removed.txt written last in this run, if any.
  const std::optional<std::wstring>& RemovedFileWritten() const { return removed_file_; }
  // The blacklisted entries the last balloon offered to remove as
  // administrator; taken once.
  StartupList TakeBlacklistedNeedingAdministrator() {
    return std::exchange(needs_administrator_, {});
  }

 private:
  // Runs what was asked for, and what is asked for meanwhile.
  void Request(const std::set<std::wstring>* parts);
  void RunSteps(const std::set<std::wstring>* changed);
  // The model's scan (of the parts named, when given); false when a source
  // could not be read.
  bool Rescan(const std::set<std::wstring>* changed = nullptr);
  void EnforceBlacklist();
  // The saved names it read, while they are still those stored.
  std::optional<std::vector<std::wstring>> DetectNewEntries(
      const std::optional<std::string>& snapshot_text);
  void SaveSnapshotOf(const StartupList& rows, const std::optional<std::string>& stored);
  // The entries of `found` to report; Windows' own and updates are passed
  // over (the updates counted for the balloon).
  ReportedEntries ToReport(ReportedEntries found, const std::optional<std::string>& snapshot_text);
  void TellUpdates(const std::set<std::wstring>& programs);

  StartupListModel& model_;
  CycleWindows windows_;
  bool running_ = false;
  bool pending_ = false;                  // a whole cycle
  std::set<std::wstring> pending_parts_;  // a cycle for these parts' changes
  int32_t ticks_ = 0;
  int32_t period_ = 60;
  bool report_changes_ = false;
  bool report_windows_ = false;
  // The programs that updated their entries since the balloon said so last.
  std::set<std::wstring> updated_untold_;
  std::optional<std::chrono::steady_clock::time_point> updates_told_;
  bool read_whole_ = true;  // the last scan read every source
  StartupList accepted_;
  // The rows last seen when the snapshot could not be written: they stand in
  // for it until it can, so that nothing is reported twice.
  std::optional<StartupList> unsaved_snapshot_;
  RemovalFailures failures_;
  std::optional<std::wstring> removed_file_;
  StartupList needs_administrator_;
};

}  // namespace korvane
