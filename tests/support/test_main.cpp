#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#endif

#ifdef _WIN32
namespace {

// A test that waits on a window nobody answers would hold the suite until
// its time runs out, and say nothing of why: after four minutes the test is
// named with the windows this process has open, and the suite ends.
class Watchdog : public testing::EmptyTestEventListener {
 public:
  Watchdog() {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                    &state_->tests_thread, SYNCHRONIZE, FALSE, 0);
    // The state outlives the listener, which the test framework deletes at
    // exit while the thread may still look.
    std::thread([state = state_] { Watch(*state); }).detach();
  }
  void OnTestStart(const testing::TestInfo& info) override {
    const std::lock_guard<std::mutex> held(state_->lock);
    state_->name = std::string(info.test_suite_name()) + "." + info.name();
    state_->started = GetTickCount64();
  }
  void OnTestEnd(const testing::TestInfo&) override { state_->started = 0; }

 private:
  struct State {
    std::mutex lock;
    std::string name;
    std::atomic<ULONGLONG> started{0};
    HANDLE tests_thread = nullptr;  // the thread that runs the tests
  };
  static constexpr ULONGLONG kLongest = 240000;

  static BOOL CALLBACK Describe(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    wchar_t name[128] = {}, title[256] = {};
    GetClassNameW(window, name, 128);
    GetWindowTextW(window, title, 256);
    std::fwprintf(stderr, L"  window %ls \"%ls\"%ls\n", name, title,
                  IsWindowVisible(window) ? L" (shown)" : L"");
    return TRUE;
  }

  static void Watch(State& state) {
    for (;;) {
      Sleep(5000);
      const ULONGLONG started = state.started;
      if (started == 0 || GetTickCount64() - started < kLongest) continue;
      {
        const std::lock_guard<std::mutex> held(state.lock);
        std::fprintf(stderr, "\n%s has run for %llu s; it is taken as stuck.\n", state.name.c_str(),
                     (GetTickCount64() - started) / 1000);
      }
      // Wine ends a thread whose request to the wineserver it could not
      // pass on whole, and its windows go with it.
      if (state.tests_thread && WaitForSingleObject(state.tests_thread, 0) == WAIT_OBJECT_0) {
        std::fprintf(stderr, "  the thread that ran it has ended\n");
      }
      EnumWindows(&Watchdog::Describe, 0);
      std::fflush(stderr);
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }

  State* state_ = new State;
};

}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // Shell links and the shell's other objects need COM on the test thread,
  // as the program has it on its window thread.
  CoInitialize(nullptr);
#endif
  testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
  testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
#endif
  int result = RUN_ALL_TESTS();
#ifdef _WIN32
  CoUninitialize();
#endif
  return result;
}
