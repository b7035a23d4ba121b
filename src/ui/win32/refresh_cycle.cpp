// The refresh cycle, the main window's heartbeat: after the first activation,
// on "Refresh list", and after every command that changes the startup
// configuration.
#include "catalogue/scan.h"
#include "monitor/saved_list.h"
#include "monitor/win32/new_entries_dialog.h"
#include "platform/shell.h"
#include "ui/win32/main_form.h"

namespace korvane {

namespace {

const wchar_t kRefreshingText[] = L"Refreshing startup list, please wait...";

// Restores the list's drawing and the status bar even when the scan fails.
class ScanDisplay {
 public:
  explicit ScanDisplay(TMainForm& form) : form_(form) {
    form_.SetStatusText(kRefreshingText);
    SendMessageW(form_.ListView1(), WM_SETREDRAW, FALSE, 0);
  }
  ~ScanDisplay() {
    SendMessageW(form_.ListView1(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(form_.ListView1(), nullptr, TRUE);
    form_.SetStatusText(L"");
  }
  ScanDisplay(const ScanDisplay&) = delete;
  ScanDisplay& operator=(const ScanDisplay&) = delete;

 private:
  TMainForm& form_;
};

}  // namespace

void RefreshStartupList(TMainForm& form) {
  StartupList rows;
  ScanDisplay display(form);
  try {
    ScanStartupList(rows);
  } catch (...) {
    form.FillRows(rows);  // what the scan found before it failed
    throw;
  }
  form.FillRows(rows);
}

void RunRefreshCycle(TMainForm& form) {
  form.Cycle().Run();
}

std::unique_ptr<RefreshCycle> MakeRefreshCycle(TMainForm& form) {
  CycleWindows windows;
  windows.refresh_list = [&form] { RefreshStartupList(form); };
  windows.rows = [&form] { return form.Rows(); };
  windows.show_balloon = [&form](const std::wstring& title, const std::wstring& text) {
    form.TrayIcon().ShowBalloonHint(title, text, BalloonIcon::Info, 15);
  };
  windows.show_new_entries = [&form](const StartupList& found) {
    ShowNewEntriesDialog(
        form.Handle(), form.ListView1(), found,
        {[&form] { RefreshStartupList(form); }, [&form] { SaveStartupList(form.Rows()); }});
  };
  return std::make_unique<RefreshCycle>(std::move(windows));
}

void TMainForm::Timer1Timer() {
  cycle_->Tick();
}

void TMainForm::TrayIconBalloonHintClick() {
  if (std::optional<std::wstring> file = RemovedFileToOpen(cycle_->RemovedFileWritten())) {
    ShellOpen(*file, L"", L"");
  }
}

}  // namespace korvane
