// Refresh benchmark, over a list of 4,000 entries:
// - how long one refresh holds the main window's thread once the scan is
//   done: the list takes the new rows (nothing changed, or one row more at
//   the top, with three rows selected) and paints them; the median of the
//   repetitions;
// - the longest a message sent to the window waits for its answer during a
//   whole refresh ("Refresh list", and a change another program makes), as
//   a second thread keeps sending it messages; the worst of the
//   repetitions. With --inline the scan runs on the window's thread, as it
//   did before it had a thread of its own.
//
//   korvane_refresh_bench [repetitions] [--inline]    default 21
//
// It replaces the startup configuration of the platform it runs on and
// needs a display: under Wine, run it in a prefix of its own under Xvfb.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "bench.h"
#include "catalogue/scan.h"
#include "monitor/saved_list.h"
#include "ui/settings.h"
#include "ui/win32/main_form.h"

namespace korvane {
namespace {

constexpr int kEntries = 4000;
const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// The window's part of a refresh: the list takes `rows`, as a scan hands
// them over, and paints.
double ShowRowsMilliseconds(TMainForm& form, StartupList rows) {
  const auto start = std::chrono::steady_clock::now();
  form.Model().Replace(std::move(rows));
  UpdateWindow(form.ListView1());
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

bool g_inline = false;

// Sends the window a message again and again from a thread of its own and
// keeps the longest wait for an answer.
class Prober {
 public:
  explicit Prober(HWND window)
      : thread_([this, window] {
          while (!stop_) {
            const auto start = std::chrono::steady_clock::now();
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (ms > longest_) longest_ = ms;
            Sleep(1);
          }
        }) {}
  ~Prober() {
    stop_ = true;
    thread_.join();
  }
  double Longest() const { return longest_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<double> longest_{0};
  std::thread thread_;
};

void PumpFor(unsigned milliseconds) {
  const ULONGLONG until = GetTickCount64() + milliseconds;
  while (GetTickCount64() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    PumpMessages();
  }
}

// The longest unanswered message of one "Refresh list".
double RefreshListUnanswered(TMainForm& form) {
  PumpFor(300);
  Prober prober(form.Handle());
  Sleep(20);
  form.Refreshlist1Click();
  PumpFor(100);
  return prober.Longest();
}

// The longest unanswered message from another program's write to a Run
// value until the window shows the row.
double NotifiedUnanswered(TMainForm& form, const std::wstring& program, int i) {
  PumpFor(300);
  const size_t rows = form.Rows().size();
  Prober prober(form.Handle());
  std::thread writer([&] {
    test::SetString(RootKey::CurrentUser, kRun, L"Entry " + std::to_wstring(20000 + i), program);
  });
  const ULONGLONG until = GetTickCount64() + 10000;
  while (form.Rows().size() == rows && GetTickCount64() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    PumpMessages();
  }
  writer.join();
  PumpFor(100);
  return form.Rows().size() == rows ? -1 : prober.Longest();
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int Run(int repetitions) {
  test::ResetWorld();
  std::vector<std::wstring> programs;
  for (int i = 0; i < 100; ++i) programs.push_back(bench::PutProgram(i));
  for (int i = 0; i < kEntries; ++i) {
    test::SetString(RootKey::CurrentUser, kRun, L"Entry " + std::to_wstring(10000 + i),
                    programs[i % programs.size()] + L" /n " + std::to_wstring(i));
  }
  StartupList rows;
  ScanStartupList(rows);
  // Seen before: the window's first cycle reports nothing new.
  SaveStartupList(rows);
  StartupList more = rows;
  more.insert(more.begin(), rows.back());
  more.front().name = L"Entry 0";
  std::get<RegistrySource>(more.front().source).value_name = L"Entry 0";

  {
    // Only new programs are reported: the rows added below are of programs
    // seen, and open no dialog.
    TRegistry settings;
    settings.OpenKey(kSettingsKey, true);
    settings.WriteInteger(L"report_changes", 0);
  }
  TMainForm form;
  ShowWindow(form.Handle(), SW_SHOW);
  PumpMessages();
  ShowRowsMilliseconds(form, rows);
  for (int item : {10, 20, 30}) {
    ListView_SetItemState(form.ListView1(), item, LVIS_SELECTED, LVIS_SELECTED);
  }
  PumpMessages();
  std::vector<double> same, added;
  for (int r = 0; r < repetitions; ++r) {
    same.push_back(ShowRowsMilliseconds(form, rows));
    added.push_back(ShowRowsMilliseconds(form, more));
    ShowRowsMilliseconds(form, rows);
    PumpMessages();
  }
  std::printf("entries listed:                  %zu\n", rows.size());
  std::printf("refresh, nothing changed:        %.2f ms (median of %d)\n", Median(same),
              repetitions);
  std::printf("refresh, one row added on top:   %.2f ms (median of %d)\n", Median(added),
              repetitions);

  // Whole refreshes as the user meets them: the cycle's every step. Only
  // changed commands would open the dialog, and none are made.
  if (g_inline) form.Model().SetScanner(nullptr);
  PumpFor(3000);  // the first cycle
  std::vector<double> refresh, notified;
  for (int r = 0; r < repetitions; ++r) {
    refresh.push_back(RefreshListUnanswered(form));
    if (!g_inline) notified.push_back(NotifiedUnanswered(form, programs[r % programs.size()], r));
  }
  std::sort(refresh.begin(), refresh.end());
  std::printf("longest unanswered message, Refresh list:  median %.1f ms, worst %.1f ms%s\n",
              Median(refresh), refresh.back(), g_inline ? " (scan on the window's thread)" : "");
  if (!notified.empty()) {
    std::sort(notified.begin(), notified.end());
    std::printf("longest unanswered message, a change told: median %.1f ms, worst %.1f ms%s\n",
                Median(notified), notified.back(),
                notified.front() < 0 ? " (some changes never showed)" : "");
  }
  return 0;
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[argc - 1], "--inline") == 0) {
    korvane::g_inline = true;
    --argc;
  }
  return korvane::bench::Main(argc, argv, 21, korvane::Run);
}
