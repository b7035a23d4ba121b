#include "ui/win32/startup_watch.h"

#include <memory>
#include <system_error>
#include <utility>

#include "monitor/startup_changes.h"
#include "platform/processes.h"

namespace korvane {

StartupWatch::StartupWatch(HWND window, UINT message) : window_(window), message_(message) {
  // Without a thread only the timer sees changes.
  try {
    thread_ = std::thread([this] { Watch(); });
  } catch (const std::system_error&) {
  }
}

StartupWatch::~StartupWatch() {
  {
    std::lock_guard<std::mutex> held(lock_);
    stopping_ = true;
    if (changes_) changes_->Stop();
  }
  if (thread_.joinable()) thread_.join();
}

std::set<std::wstring> StartupWatch::Take() {
  std::lock_guard<std::mutex> held(lock_);
  return std::exchange(changed_, {});
}

void StartupWatch::Watch() {
  RunThisThreadInBackground();
  // Made here: a key's watch belongs to the thread that set it. A place that
  // can't be read to watch leaves the timer to see changes.
  std::unique_ptr<StartupChanges> changes;
  try {
    changes = std::make_unique<StartupChanges>();
  } catch (const std::exception&) {
    return;
  }
  {
    std::lock_guard<std::mutex> held(lock_);
    if (stopping_) return;
    changes_ = changes.get();
  }
  for (;;) {
    std::set<std::wstring> parts = changes->Wait(TChangeNotifier::kForever);
    std::lock_guard<std::mutex> held(lock_);
    if (stopping_) break;
    if (parts.empty()) continue;
    // One message stands for every change until the window takes them.
    const bool told = !changed_.empty();
    changed_.merge(parts);
    if (!told) PostMessageW(window_, message_, 0, 0);
  }
  std::lock_guard<std::mutex> held(lock_);
  changes_ = nullptr;
}

}  // namespace korvane
