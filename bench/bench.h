#pragma once
// What the benchmarks share: the programs of their small configurations, and
// a main that runs one with COM ready (shortcuts need it on Windows).
#include <algorithm>
#include <cstdlib>
#include <string>

#include "support/world.h"

#ifdef _WIN32
#include <objbase.h>
#endif

namespace korvane::bench {

// The test world starts the prefix's own services on demand. The Task
// Scheduler runs on every real system, and each refresh asks it for the
// tasks: started on demand it would be started anew for each program start,
// which no user sees. So it is made to start on its own again, and started.
inline void KeepTaskSchedulerRunning() {
#ifdef _WIN32
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return;
  if (SC_HANDLE service =
          OpenServiceW(manager, L"Schedule", SERVICE_CHANGE_CONFIG | SERVICE_START)) {
    ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    StartServiceW(service, 0, nullptr);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
#endif
}

// "<root>\Program Files\Vendor <i>\app<i>.exe", put in place as a file.
inline std::wstring PutProgram(int i) {
  const std::wstring number = std::to_wstring(i);
  std::wstring program =
      test::kRoot + L"\\Program Files\\Vendor " + number + L"\\app" + number + L".exe";
  test::PutFile(program);
  return program;
}

// Runs `run(repetitions)`, the repetitions given as the first argument or
// `default_repetitions`.
template <typename Run>
int Main(int argc, char** argv, int default_repetitions, Run run) {
#ifdef _WIN32
  CoInitialize(nullptr);
#endif
  const int result = run(argc > 1 ? std::max(1, std::atoi(argv[1])) : default_repetitions);
#ifdef _WIN32
  CoUninitialize();
#endif
  return result;
}

}  // namespace korvane::bench
