#pragma once
// Being told of a change: registry keys and folders watched by the system,
// so that a program that adds itself to a startup place is seen at once and
// not at the next timed refresh.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace korvane {

struct WatchedPlace {
  enum class Kind {
    Key,       // a registry key, in the 64-bit view (as the scan reads them)
    Folder,    // a folder
    Tasks,     // the Task Scheduler's store, wherever the system keeps it
    Services,  // the service manager's store
  };
  Kind kind = Kind::Key;
  RootKey root = RootKey::CurrentUser;  // keys
  std::wstring path;                    // a key's path (leading backslash) or a folder
  bool subtree = false;                 // its subkeys or subfolders too
  bool operator==(const WatchedPlace&) const = default;
};

class TChangeNotifier {
 public:
  // Watches every place; one that is missing is watched at its nearest
  // parent that exists, and told of once it appears. One that can't be
  // watched at all is left to the timed refresh.
  explicit TChangeNotifier(std::vector<WatchedPlace> places);
  ~TChangeNotifier();
  TChangeNotifier(const TChangeNotifier&) = delete;
  TChangeNotifier& operator=(const TChangeNotifier&) = delete;

  static constexpr uint32_t kForever = 0xFFFFFFFF;

  // Waits until a place changes, `milliseconds` pass (kForever: no end) or
  // Stop is called, and
  // returns the indices of the places that changed since the last call, each
  // watched again before it returns (so a change made while the caller reads
  // the place is told of next time). Called from one thread at a time, the
  // one that made the notifier. The memory platform looks once and returns.
  std::vector<size_t> WaitForChanges(uint32_t milliseconds);
  // Ends a wait from any thread; every later wait returns at once.
  void Stop();
  // For what is kept until its places change: whether one changed since the
  // last look (or one can't be watched, and so may have). Does not wait.
  bool Changed() { return WatchedCount() < places_ || !WaitForChanges(0).empty(); }
  // The places the system watches; the others only the timer sees.
  size_t WatchedCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
  size_t places_ = 0;
};

}  // namespace korvane
