#pragma once
// The refresh cycle: rescan, enforce the blacklist, report new entries, save
// the list; never one cycle inside another. And the monitoring timer's rule.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "monitor/blacklist.h"
#include "monitor/startup_list.h"

namespace korvane {

// What the cycle tells the windows. The rows themselves they learn from the
// model.
struct CycleWindows {
  std::function<void(const std::wstring& title, const std::wstring& text)> show_balloon;
  // The new entries dialog, modal: the cycle waits until it is closed.
  std::function<void(const StartupList& new_rows)> show_new_entries;
};

class RefreshCycle {
 public:
  RefreshCycle(StartupListModel& model, CycleWindows windows);

  // Runs the four steps in order. An error ends the cycle at its step and goes
  // on to the caller. Asked for while a cycle runs (from the new entries
  // dialog's message loop), it runs once more after that cycle has ended
  // well; requests made meanwhile count as one.
  void Run();
  bool Running() const { return running_; }

  // Timer1Timer: one tick of the one-second timer. The cycle is due after
  // `monitoring` minutes of ticks; the counter starts again after every cycle
  // that ran while it was due, also one that failed.
  void Tick();
  // The stored interval, clamped to 1..60 minutes; takes effect at once.
  void SetMonitoring(int32_t minutes);
  int32_t Ticks() const { return ticks_; }

  // The removed.txt written last in this run, if any.
  const std::optional<std::wstring>& RemovedFileWritten() const { return removed_file_; }

 private:
  void RunSteps();
  void EnforceBlacklist();
  // The saved names it read, while they are still those stored.
  std::optional<std::vector<std::wstring>> DetectNewEntries();

  StartupListModel& model_;
  CycleWindows windows_;
  bool running_ = false;
  bool pending_ = false;
  int32_t ticks_ = 0;
  int32_t period_ = 60;
  RemovalFailures failures_;
  std::optional<std::wstring> removed_file_;
};

}  // namespace korvane
