// The refresh cycle, the main window's heartbeat: after the first activation,
// on "Refresh list", and after every command that changes the startup
// configuration.
#include "catalogue/scan.h"
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
  RefreshStartupList(form);
}

}  // namespace korvane
