// Start benchmark: how long korvane.exe takes from its start to a main list
// that holds 100 entries, next to a trivial program that creates a window
// with a list view and fills 100 rows, both started the same way in the same
// run; the median of 7 starts of each.
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/scan.h"
#include "catalogue/world.h"
#include "monitor/saved_list.h"
#include "platform/files.h"
#include "platform/text.h"

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

// Milliseconds from CreateProcess to a list view holding every entry; a
// negative number when it never did within a minute.
double TimeStart(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  double elapsed = -1;
  while (std::chrono::steady_clock::now() - start < std::chrono::minutes(1)) {
    if (ListRows(process.dwProcessId) >= kEntries) {
      elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
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
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BuildConfiguration() {
  test::ResetWorld();
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int i = 0; i < kEntries; ++i) {
    std::wstring program = test::kRoot + L"\\Program Files\\Vendor " + std::to_wstring(i) +
                           L"\\app" + std::to_wstring(i) + L".exe";
    test::PutFile(program);
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
  std::vector<double> trivial, program;
  for (int i = 0; i < kStarts; ++i) {
    trivial.push_back(TimeStart(trivial_program, L""));
    program.push_back(TimeStart(korvane, L""));
  }
  if (*std::min_element(program.begin(), program.end()) < 0 ||
      *std::min_element(trivial.begin(), trivial.end()) < 0) {
    std::printf("a program did not show %d rows within a minute\n", kEntries);
    return 1;
  }
  for (int i = 0; i < kStarts; ++i)
    std::printf("  start %d: trivial %.0f ms, korvane.exe %.0f ms\n", i + 1, trivial[i],
                program[i]);
  double floor = Median(trivial), start = Median(program);
  std::printf("trivial program, start to %d rows (median of %d): %.0f ms\n", kEntries, kStarts,
              floor);
  std::printf("korvane.exe, start to %d rows (median of %d):     %.0f ms, %.2f x trivial\n",
              kEntries, kStarts, start, start / floor);
  return 0;
}

}  // namespace
}  // namespace korvane

int wmain(int argc, wchar_t** argv) {
  std::wstring korvane =
      argc > 1 ? argv[1] : korvane::ExtractFilePath(korvane::OwnExecutablePath()) + L"korvane.exe";
  return korvane::Run(korvane);
}
