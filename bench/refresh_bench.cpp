// Refresh benchmark: how long one refresh of a list of 4,000 entries holds
// the main window's thread once the scan is done: the list takes the new
// rows (nothing changed, or one row more at the top, with three rows
// selected) and paints them. The median of the repetitions.
//
//   korvane_refresh_bench [repetitions]    default 21
//
// It replaces the startup configuration of the platform it runs on and
// needs a display: under Wine, run it in a prefix of its own under Xvfb.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench.h"
#include "catalogue/scan.h"
#include "monitor/saved_list.h"
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
  return 0;
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  return korvane::bench::Main(argc, argv, 21, korvane::Run);
}
