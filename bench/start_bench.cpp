// Start benchmark: how long korvane.exe takes from its start to a main list
// that holds 100 entries, next to a trivial program that creates a window
// with a list view and fills 100 rows, both started the same way in the same
// run; the median of 7 starts of each, with the memory each holds then.
//
//   korvane_start_bench [path\to\korvane.exe]    default: beside this program
//
// The trivial program is korvane_trivial_window.exe, beside this program.
//
// It replaces the startup configuration of the platform it runs on and
// needs a display: under Wine, run it in a prefix of its own under Xvfb.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench.h"
#include "catalogue/scan.h"
#include "monitor/saved_list.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

constexpr int kEntries = 100;
constexpr int kStarts = 7;

struct Search {
  DWORD process_id;
  int rows;
};

BOOL CALLBACK CountListRows(HWND child, LPARAM param) {
  wchar_t name[64];
  if (GetClassNameW(child, name, 64) && lstrcmpiW(name, WC_LISTVIEWW) == 0) {
    auto& s = *reinterpret_cast<Search*>(param);
    s.rows = std::max<int>(s.rows, SendMessageW(child, LVM_GETITEMCOUNT, 0, 0));
  }
  return TRUE;
}

BOOL CALLBACK SearchWindow(HWND window, LPARAM param) {
  auto& s = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s.process_id) EnumChildWindows(window, CountListRows, param);
  return TRUE;
}

// The largest row count among the list views of the process's windows.
int ListRows(DWORD process_id) {
  Search search{process_id, -1};
  EnumWindows(SearchWindow, reinterpret_cast<LPARAM>(&search));
  return search.rows;
}

struct Start {
  double milliseconds = -1;  // negative: no full list within a minute
  double private_mb = 0, resident_mb = 0;
  double settled_private_mb = 0;  // two seconds later, with everything drawn
};

// The commit charge: the private bytes (Wine leaves PrivateUsage at 0).
double PrivateMegabytes(HANDLE process, double* resident_mb = nullptr) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  if (!GetProcessMemoryInfo(process, &memory, memory.cb)) return 0;
  if (resident_mb) *resident_mb = memory.WorkingSetSize / 1048576.0;
  return memory.PagefileUsage / 1048576.0;
}

// From CreateProcess to a list view holding every entry, and the program's
// memory at that moment and once it has settled.
Start TimeStart(const std::wstring& program) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  Start result;
  auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return result;
  }
  while (std::chrono::steady_clock::now() - start < std::chrono::minutes(1)) {
    if (ListRows(process.dwProcessId) >= kEntries) {
      result.milliseconds =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      result.private_mb = PrivateMegabytes(process.hProcess, &result.resident_mb);
      Sleep(2000);
      result.settled_private_mb = PrivateMegabytes(process.hProcess);
      break;
    }
    Sleep(2);
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // A program killed with a window still up leaves the system busy for a
  // moment (the next window waits on it): let that pass before the next start.
  Sleep(3000);
  return result;
}

// The median of one measure over the starts.
double Median(const std::vector<Start>& starts, double Start::*measure) {
  std::vector<double> values;
  for (const Start& s : starts) values.push_back(s.*measure);
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BuildConfiguration() {
  test::ResetWorld();
  bench::KeepTaskSchedulerRunning();
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int i = 0; i < kEntries; ++i) {
    const std::wstring program = bench::PutProgram(i);
    test::SetString(i % 2 ? RootKey::CurrentUser : RootKey::LocalMachine, run,
                    L"Entry " + std::to_wstring(i),
                    i % 3 ? L"\"" + program + L"\" /background" : program + L" -minimized");
  }
  // Saved as seen: the program starts as it does every day, with nothing new
  // to report.
  StartupList rows;
  ScanStartupList(rows);
  SaveStartupList(rows);
}

int Run(const std::wstring& korvane) {
  BuildConfiguration();
  const std::wstring trivial_program =
      ExtractFilePath(OwnExecutablePath()) + L"korvane_trivial_window.exe";
  std::vector<Start> trivial, program;
  for (int i = 0; i < kStarts; ++i) {
    trivial.push_back(TimeStart(trivial_program));
    program.push_back(TimeStart(korvane));
    std::printf("  start %d: trivial %.0f ms, korvane.exe %.0f ms\n", i + 1,
                trivial.back().milliseconds, program.back().milliseconds);
    if (trivial.back().milliseconds < 0 || program.back().milliseconds < 0) {
      std::printf("a program did not show %d rows within a minute\n", kEntries);
      return 1;
    }
  }
  const double floor = Median(trivial, &Start::milliseconds);
  const double start = Median(program, &Start::milliseconds);
  std::printf("medians of %d starts, at %d rows:\n", kStarts, kEntries);
  auto report = [](const char* label, const std::vector<Start>& starts) {
    std::printf("  %-17s%4.0f ms, %5.1f MB private, %5.1f MB resident, %5.1f MB private 2 s later",
                label, Median(starts, &Start::milliseconds), Median(starts, &Start::private_mb),
                Median(starts, &Start::resident_mb), Median(starts, &Start::settled_private_mb));
  };
  report("trivial program:", trivial);
  std::printf("\n");
  report("korvane.exe:", program);
  std::printf("; %.2f x trivial\n", start / floor);
  return 0;
}

}  // namespace
}  // namespace korvane

int wmain(int argc, wchar_t** argv) {
  std::wstring korvane =
      argc > 1 ? argv[1] : korvane::ExtractFilePath(korvane::OwnExecutablePath()) + L"korvane.exe";
  return korvane::Run(korvane);
}
