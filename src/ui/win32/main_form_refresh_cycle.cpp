// The refresh cycle, the main window's heartbeat: after the first activation,
// on "Refresh list", and after every command that changes the startup
// configuration.
#include "catalogue/scan.h"
#include "gui/background.h"
#include "monitor/saved_list.h"
#include "platform/shell.h"
#include "ui/elevation.h"
#include "ui/win32/main_form.h"
#include "ui/win32/new_entries_dialog.h"

namespace korvane {

namespace {

const wchar_t kRefreshingText[] = L"Refreshing startup list, please wait...";

}  // namespace

ScannedList ScanStartupLocations() {
  ScannedList scanned;
  try {
    ScanStartupList(scanned.rows);
  } catch (...) {
    scanned.error = std::current_exception();
  }
  return scanned;
}

void RefreshStartupList(TMainForm& form) {
  form.Model().Rescan();
}

void RunRefreshCycle(TMainForm& form) {
  if (!form.HeldForScan(TMainForm::kRunRefreshCycle)) form.Cycle().Run();
}

std::unique_ptr<RefreshCycle> MakeRefreshCycle(TMainForm& form) {
  // The wait text stands in the status bar for the length of a scan, even
  // one that fails.
  form.Model().SetListener(
      {[&form](bool scanning) {
         form.SetStatusText(scanning ? kRefreshingText : L"");
         // A filter's count comes back after the scan.
         if (!scanning) form.ShowListStatus();
       },
       [&form](const std::vector<ptrdiff_t>& old_to_new) { form.RowsChanged(old_to_new); }});
  CycleWindows windows;
  windows.show_balloon = [&form](const std::wstring& title, const std::wstring& text) {
    form.TrayIcon().ShowBalloonHint(title, text, BalloonIcon::Info, 15);
  };
  windows.show_unread = [&form](const std::wstring& unread) { form.SetUnreadSources(unread); };
  windows.show_new_entries = [&form](const ReportedEntries& found) {
    NewEntriesActions actions;
    actions.refresh_list = [&form] { RefreshStartupList(form); };
    actions.save_list = [&form] { form.Cycle().RecordSeen(form.Rows()); };
    actions.show_changes = form.Cycle().ReportsChanges();
    ShowNewEntriesDialog(form.Handle(), form.ListView1(), found, actions);
  };
  return std::make_unique<RefreshCycle>(form.Model(), std::move(windows));
}

void TMainForm::ScanBesideWindow(const std::function<void()>& scan) {
  ++scans_waited_on_;
  RunBesideMessages(scan, Handle(), Accelerators());
  if (--scans_waited_on_ > 0) return;
  for (UINT message : std::exchange(held_for_scan_, {})) PostMessageW(Handle(), message, 0, 0);
}

bool TMainForm::HeldForScan(UINT message) {
  if (scans_waited_on_ == 0) return false;
  held_for_scan_.insert(message);
  return true;
}

void TMainForm::Timer1Timer() {
  // A tick while a scan answers messages is passed over, so that no cycle
  // starts inside it; a cycle that is due comes at the next tick.
  if (scans_waited_on_ == 0) cycle_->Tick();
}

void TMainForm::TrayIconBalloonHintClick() {
  // The balloon offered to remove what the blacklist could not: korvanec,
  // started as administrator, removes them as the blacklist does.
  if (const StartupList rows = cycle_->TakeBlacklistedNeedingAdministrator(); !rows.empty()) {
    const std::wstring failed =
        ElevatedFailures(rows, ChangeAsAdministrator(L"blacklist add", {}, rows, Handle()));
    if (!failed.empty()) {
      const std::wstring text = L"These blacklisted entries were not removed:\n\n" + failed;
      MessageBoxW(Handle(), text.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
    }
    return RunRefreshCycle(*this);
  }
  if (std::optional<std::wstring> file = RemovedFileToOpen(cycle_->RemovedFileWritten())) {
    ShellOpen(*file, L"", L"");
  }
}

}  // namespace korvane
