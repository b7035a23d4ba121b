#pragma once
// The startup places watched on a thread of their own: the window hears of a
// change as a message and takes the scan parts it touched.
#include <windows.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace korvane {

class StartupChanges;

class StartupWatch {
 public:
  // Posts `message` to `window` after each change (a burst of writes is one).
  StartupWatch(HWND window, UINT message);
  // Stops watching and waits for the thread.
  ~StartupWatch();
  StartupWatch(const StartupWatch&) = delete;
  StartupWatch& operator=(const StartupWatch&) = delete;

  // The parts changed since the last call.
  std::set<std::wstring> Take();

 private:
  void Watch();

  HWND window_;
  UINT message_;
  std::mutex lock_;
  std::set<std::wstring> changed_;
  StartupChanges* changes_ = nullptr;  // while the thread watches
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace korvane
