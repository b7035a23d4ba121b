// Cycle-cost benchmark: the processor time of one refresh cycle (scan,
// blacklist, new and changed entries, saved list and snapshot) over 100
// unchanged entries, the work the monitoring timer repeats every minute for
// as long as the user is logged on.
//
//   korvane_cycle_bench [repetitions] [--tasks-and-services]
//                     default 20; prints the mean, then the cost of each step
//                     alone; with the switch, 100 logon tasks and 200
//                     automatic services are there beside the 100 entries
//
// It replaces the startup configuration, the saved list and the blacklist of
// the platform it runs on: under Wine, run it in a prefix of its own.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/scan.h"
#include "bench.h"
#include "monitor/blacklist.h"
#include "monitor/cycle.h"
#include "monitor/new_entries.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "platform/shell.h"
#include "support/world.h"

#ifdef _WIN32
#include <objbase.h>
#else
#include <ctime>

#include "platform/memory/arrange.h"
#endif

namespace korvane {
namespace {

constexpr int kEntries = 100;
constexpr int kTasks = 100;
constexpr int kServices = 200;
bool with_tasks_and_services = false;

// Processor time of this process, user and kernel, in milliseconds.
double CpuMilliseconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return (ticks(kernel) + ticks(user)) / 10000.0;
#else
  return std::clock() * 1000.0 / CLOCKS_PER_SEC;
#endif
}

// 100 entries of the usual forms: quoted and unquoted programs in folders
// with blanks, shortcuts in the Startup folder.
void BuildConfiguration() {
  test::ResetWorld();
  bench::KeepTaskSchedulerRunning();
  test::MakeFolder(LocalAppDataFolder());  // where the snapshot goes, as every profile has it
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (int i = 0; i < kEntries; ++i) {
    const std::wstring program = bench::PutProgram(i);
    switch (i % 4) {
      case 0:
        test::SetString(RootKey::CurrentUser, run, L"Entry " + std::to_wstring(i),
                        L"\"" + program + L"\" /background");
        break;
      case 1:
        test::SetString(RootKey::LocalMachine, run, L"Entry " + std::to_wstring(i),
                        program + L" -minimized");
        break;
      case 2:
        test::SetString(RootKey::CurrentUser, run, L"Entry " + std::to_wstring(i), program);
        break;
      default:
        CreateStartupShortcut(program,
                              test::kRoot + L"\\Startup\\item" + std::to_wstring(i) + L".lnk", L"",
                              L"/tray");
        break;
    }
  }
}

#ifdef _WIN32
void DeleteFolderTree(const std::wstring& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

std::wstring BenchServiceName(int i) {
  return L"KvBench" + std::to_wstring(i);
}

void RemoveBenchServices() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  for (int i = 0; i < kServices; ++i) {
    SC_HANDLE service = OpenServiceW(manager, BenchServiceName(i).c_str(), DELETE);
    if (service) DeleteService(service), CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}
#endif

// 100 logon tasks (their definitions written where the scheduler keeps them)
// and 200 automatic services, each starting a program of the configuration.
void AddTasksAndServices() {
  for (int i = 0; i < kTasks; ++i) {
    const std::wstring program = bench::PutProgram(i);
#ifdef _WIN32
    std::wstring xml =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><Task version=\"1.2\" "
        L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
        L"<Triggers><LogonTrigger/></Triggers><Actions><Exec><Command>" +
        program + L"</Command><Arguments>/update</Arguments></Exec></Actions></Task>";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : xml) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    test::PutFile(test::SystemFolder() + L"\\Tasks\\KvBench\\Task " + std::to_wstring(i), bytes);
#else
    ScheduledTask task;
    task.path = L"\\KvBench\\Task " + std::to_wstring(i);
    task.at_logon_or_boot = true;
    task.actions = {{program, L"/update", L""}};
    memory::PutTask(task);
#endif
  }
#ifdef _WIN32
  RemoveBenchServices();
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
#endif
  for (int i = 0; i < kServices; ++i) {
    const std::wstring image = L"\"" + bench::PutProgram(i % kEntries) + L"\" -service";
#ifdef _WIN32
    SC_HANDLE service = CreateServiceW(
        manager, BenchServiceName(i).c_str(), BenchServiceName(i).c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, image.c_str(), nullptr,
        nullptr, nullptr, nullptr, nullptr);
    if (service) CloseServiceHandle(service);
#else
    ServiceRecord service;
    service.name = service.display_name = L"KvBench" + std::to_wstring(i);
    service.image_path = image;
    service.start = ServiceStart::Automatic;
    memory::PutService(service);
#endif
  }
#ifdef _WIN32
  CloseServiceHandle(manager);
#endif
}

// Processor time per run of `work`, averaged over `repetitions` runs: the
// system counts processor time in ticks of several milliseconds.
template <typename Work>
double CpuPerRun(int repetitions, Work work) {
  double start = CpuMilliseconds();
  for (int r = 0; r < repetitions; ++r) work();
  return (CpuMilliseconds() - start) / repetitions;
}

int Run(int repetitions) {
  BuildConfiguration();
#ifdef _WIN32
  // What an earlier run with the switch left.
  DeleteFolderTree(test::SystemFolder() + L"\\Tasks\\KvBench");
  RemoveBenchServices();
#endif
  if (with_tasks_and_services) AddTasksAndServices();
  StartupListModel model;
  CycleWindows windows;
  windows.show_balloon = [](const std::wstring&, const std::wstring&) {};
  windows.show_new_entries = [](const ReportedEntries&) {};
  RefreshCycle cycle(model, std::move(windows));
  // As the settings have it by default: changed entries are reported too.
  cycle.SetReportChanges(true);
  StartupList rows;
  // The first cycle finds every entry new and saves the list, as the first
  // start does; the ones measured find nothing changed.
  cycle.Run();
  double unchanged = CpuPerRun(repetitions, [&] { cycle.Run(); });
  std::printf("entries listed:              %zu\n", model.Rows().size());
  std::printf("unchanged cycle (mean of %d): %.1f ms\n", repetitions, unchanged);
  std::printf("share of one core, once a minute: %.4f %%\n", unchanged / 60000.0 * 100);
  std::printf("of which, each step alone:\n");
  std::printf("  scan:              %.1f ms\n",
              CpuPerRun(repetitions, [&] { ScanStartupList(rows); }));
  std::printf("  blacklist read:    %.1f ms\n", CpuPerRun(repetitions, [] { ReadBlacklist(); }));
  std::printf("  new entries found: %.1f ms\n",
              CpuPerRun(repetitions, [&] { FindNewEntries(rows); }));
  std::printf("  saved list saved:  %.1f ms\n",
              CpuPerRun(repetitions, [&] { SaveStartupList(rows); }));
  std::printf("  snapshot compared: %.1f ms\n", CpuPerRun(repetitions, [&] {
                const std::optional<std::string> text = ReadSnapshotText();
                DetectEntryChanges(rows, text, {});
                SaveSnapshot(rows, text);
              }));
#ifdef _WIN32
  if (with_tasks_and_services) RemoveBenchServices();
#endif
  return 0;
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) {
  korvane::with_tasks_and_services = argc > 2 && std::string(argv[2]) == "--tasks-and-services";
  return korvane::bench::Main(argc, argv, 20, korvane::Run);
}
