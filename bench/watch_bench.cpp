// Watch benchmark: how long from another program's write to a startup place
// until the running window has handled it: the new entries dialog shown, or
// a blacklisted program's entry removed. For a Run value, a file in the
// Startup folder and a task file, the median and the worst of the
// repetitions each.
//
//   korvane_watch_bench [repetitions]    default 20
//
// The writes come from a thread of the bench's own, beside the window's: to
// the system they are writes like any other program's. It replaces the
// startup configuration of the platform it runs on and needs a display:
// under Wine, run it in a prefix of its own under Xvfb.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "bench.h"
#include "monitor/blacklist.h"
#include "platform/files.h"
#include "support/task_files.h"
#include "ui/win32/main_form.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUp = std::chrono::seconds(10);

std::atomic<bool> g_reported{false};
HHOOK g_hook = nullptr;

// Closes each new entries dialog as soon as it is active, and says it came.
LRESULT CALLBACK CloseNewEntries(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    auto window = reinterpret_cast<HWND>(wparam);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"TNewEntriesForm") == 0) {
      g_reported = true;
      PostMessageW(window, WM_CLOSE, 0, 0);
    }
  }
  return CallNextHookEx(g_hook, code, wparam, lparam);
}

// Answers the window's messages until `done` or the time runs out.
void PumpUntil(const std::function<bool()>& done, Clock::duration longest) {
  const auto until = Clock::now() + longest;
  while (!done() && Clock::now() < until) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// One kind of place: how an entry of program `i` is written there, whether
// it is still there, and how it is taken away again.
struct Place {
  const char* name;
  std::function<std::wstring(int i)> program;  // what the blacklist names
  std::function<void(int i)> write;
  std::function<bool(int i)> stands;
  std::function<void(int i)> remove;
};

std::vector<Place> Places() {
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const auto value = [](int i) { return L"Kv watch " + std::to_wstring(i); };
  const auto batch = [](int i) {
    return test::kRoot + L"\\Startup\\kv watch " + std::to_wstring(i) + L".bat";
  };
  const auto task = [](int i) { return L"\\KvTest\\Watch " + std::to_wstring(i); };
  return {
      {"Run value", [](int i) { return bench::PutProgram(i); },
       [=](int i) { test::SetString(RootKey::CurrentUser, run, value(i), bench::PutProgram(i)); },
       [=](int i) {
         TRegistry reg;
         return reg.OpenKeyReadOnly(run) && reg.ValueExists(value(i));
       },
       [=](int i) {
         TRegistry reg;
         if (reg.OpenKey(run, false)) reg.DeleteValue(value(i));
       }},
      {"Startup folder file", batch, [=](int i) { test::PutFile(batch(i), "@echo off\r\n"); },
       [=](int i) { return FileExists(batch(i)); }, [=](int i) { RemoveFile(batch(i)); }},
      {"task file", [](int i) { return bench::PutProgram(i); },
       [=](int i) {
         test::PutTaskFile(task(i), test::kLogonTrigger, test::TaskExec(bench::PutProgram(i)));
       },
       [=](int i) { return FileExists(test::TaskStoreFolder() + task(i)); },
       [=](int i) { RemoveFile(test::TaskStoreFolder() + task(i)); }},
  };
}

struct Times {
  std::vector<double> ms;
  int missed = 0;
};

void Print(const char* what, const Place& place, Times times) {
  std::sort(times.ms.begin(), times.ms.end());
  if (times.ms.empty()) {
    std::printf("%-22s %-20s never (of %d)\n", what, place.name, times.missed);
    return;
  }
  std::printf("%-22s %-20s median %7.0f ms, worst %7.0f ms", what, place.name,
              times.ms[times.ms.size() / 2], times.ms.back());
  if (times.missed) std::printf(", %d not within 10 s", times.missed);
  std::printf("\n");
}

int Run(int repetitions) {
  test::ResetWorld();
  bench::KeepTaskSchedulerRunning();
  TMainForm form;
  ShowWindow(form.Handle(), SW_SHOW);
  g_hook = SetWindowsHookExW(WH_CBT, CloseNewEntries, nullptr, GetCurrentThreadId());
  // The first cycle, and the quiet after it.
  PumpUntil([] { return false; }, std::chrono::seconds(3));
  int program = 0;
  for (const Place& place : Places()) {
    Times reported, removed;
    for (int r = 0; r < repetitions; ++r) {
      // A program never seen before: it is new.
      const int i = ++program;
      place.program(i);
      g_reported = false;
      const auto start = Clock::now();
      std::thread writer([&] { place.write(i); });
      PumpUntil([] { return g_reported.load(); }, kGiveUp);
      writer.join();
      if (g_reported) {
        reported.ms.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      } else {
        ++reported.missed;
      }
      place.remove(i);
      PumpUntil([] { return false; }, std::chrono::milliseconds(600));
    }
    for (int r = 0; r < repetitions; ++r) {
      const int i = ++program;
      AddToBlacklist({place.program(i)});
      const auto start = Clock::now();
      std::atomic<bool> gone{false};
      std::atomic<double> took{0};
      std::thread writer([&] {
        place.write(i);
        while (place.stands(i) && Clock::now() - start < kGiveUp) Sleep(1);
        took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        gone = true;
      });
      PumpUntil([&] { return gone.load(); }, kGiveUp + std::chrono::seconds(1));
      writer.join();
      if (!place.stands(i)) {
        removed.ms.push_back(took);
      } else {
        ++removed.missed;
        place.remove(i);
      }
      PumpUntil([] { return false; }, std::chrono::milliseconds(600));
    }
    Print("write to report:", place, reported);
    Print("write to removal:", place, removed);
  }
  UnhookWindowsHookEx(g_hook);
  return 0;
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  return korvane::bench::Main(argc, argv, 20, korvane::Run);
}
