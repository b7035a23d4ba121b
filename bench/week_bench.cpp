// A week in an hour: the main window over 100 entries runs the refresh cycle
// (what the timer does every minute) `cycles` times, then opens and closes
// each dialog as often, and samples what the process holds every 100 times:
// private bytes, handles, GDI and USER objects. After the first 100 nothing
// may grow (private bytes within 1 %).
//
//   korvane_week_bench [cycles]    default 1000
//
// It replaces the startup configuration of the platform it runs on and
// needs a display: under Wine, run it in a prefix of its own under Xvfb.
// Wine answers none of these counts (each reads 0 there): watch the Wine
// process from outside instead.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench.h"
#include "catalogue/scan.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "ui/win32/blacklist_dialog.h"
#include "ui/win32/main_form.h"
#include "ui/win32/new_entries_dialog.h"
#include "ui/win32/new_entry_dialog.h"
#include "ui/win32/parameters_dialog.h"
#include "ui/win32/removed_dialog.h"

namespace korvane {
namespace {

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Sample {
  double private_kb = 0;
  DWORD handles = 0, gdi = 0, user = 0;
};

Sample Take() {
  Sample sample;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    sample.private_kb = static_cast<double>(memory.PrivateUsage) / 1024;
  } else {
    // Wine takes only the short form, whose commit charge is the private bytes.
    PROCESS_MEMORY_COUNTERS short_form = {};
    short_form.cb = sizeof short_form;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &short_form, sizeof short_form)) {
      sample.private_kb = static_cast<double>(short_form.PagefileUsage) / 1024;
    }
  }
  GetProcessHandleCount(GetCurrentProcess(), &sample.handles);
  sample.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  sample.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  return sample;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Every window of this thread but the main one is closed as soon as it shows,
// as a user closes a dialog at once. A timer does it: each dialog's own
// message loop runs it, however the dialog was activated.
HWND main_window = nullptr;
BOOL CALLBACK CloseIfDialog(HWND window, LPARAM) {
  if (window != main_window && IsWindowVisible(window) && IsWindowEnabled(window)) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  return TRUE;
}
VOID CALLBACK CloseDialogs(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), CloseIfDialog, 0);
}

// Runs `step` `count` times, printing a sample every 100; true when nothing
// grew after the first 100.
bool Measure(const char* what, int count, const std::function<void()>& step) {
  std::printf("%s\n  %6s %12s %8s %6s %6s %10s\n", what, "times", "private KB", "handles", "GDI",
              "USER", "ms each");
  std::fflush(stdout);
  auto since = std::chrono::steady_clock::now();
  Sample first;
  bool steady = true;
  for (int i = 1; i <= count; ++i) {
    step();
    PumpMessages();
    if (i % 100 != 0) continue;
    const Sample now = Take();
    const auto taken = std::chrono::steady_clock::now();
    std::printf("  %6d %12.0f %8lu %6lu %6lu %10.1f\n", i, now.private_kb, now.handles, now.gdi,
                now.user, std::chrono::duration<double, std::milli>(taken - since).count() / 100);
    std::fflush(stdout);
    since = taken;
    if (i == 100) {
      first = now;
    } else if (now.handles > first.handles || now.gdi > first.gdi || now.user > first.user ||
               now.private_kb > first.private_kb * 1.01) {
      steady = false;
    }
  }
  std::printf("  %s\n", steady ? "steady after the first 100" : "GROWS after the first 100");
  std::fflush(stdout);
  return steady;
}

int Run(int cycles) {
  test::ResetWorld();
  for (int i = 0; i < 100; ++i) {
    test::SetString(RootKey::CurrentUser, kRun, L"Entry " + std::to_wstring(100 + i),
                    bench::PutProgram(i) + L" /n " + std::to_wstring(i));
  }
  StartupList rows;
  ScanStartupList(rows);
  // Seen before: a cycle finds nothing to report.
  SaveStartupList(rows);
  SaveSnapshot(rows);

  TMainForm form;
  main_window = form.Handle();
  ShowWindow(form.Handle(), SW_SHOW);
  PumpMessages();
  const UINT_PTR closer = SetTimer(nullptr, 0, 20, CloseDialogs);
  const HWND owner = form.Handle();
  const StartupList reported(rows.begin(), rows.begin() + 10);
  bool steady = true;
  steady &= Measure("refresh cycle", cycles, [&] { RunRefreshCycle(form); });
  steady &= Measure("new entries dialog", cycles, [&] {
    ShowNewEntriesDialog(owner, form.ListView1(), reported, NewEntriesActions{});
  });
  steady &= Measure("new startup entry dialog", cycles, [&] {
    NewEntryDialogState state;
    ShowNewEntryDialog(owner, state, [] {});
  });
  steady &= Measure("blacklist dialog", cycles, [&] { ShowBlacklistDialog(owner); });
  steady &= Measure("parameters dialog", cycles,
                    [&] { ShowParametersDialog(owner, ParametersChoice{}); });
  steady &=
      Measure("restore removed entries dialog", cycles, [&] { ShowRemovedEntriesDialog(owner); });
  KillTimer(nullptr, closer);
  std::printf("%s\n", steady ? "no growth" : "GROWTH");
  return steady ? 0 : 1;
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  return korvane::bench::Main(argc, argv, 1000, korvane::Run);
}
