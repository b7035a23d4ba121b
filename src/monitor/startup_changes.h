#pragma once
// The startup places watched, and what the system tells of them gathered
// into one change: a burst of writes (an installer's ten values) is told once
// the places have been quiet for a moment.
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "catalogue/watched_places.h"
#include "platform/changes.h"

namespace korvane {

class StartupChanges {
 public:
  // How long the places must stay quiet before a change is told, and the
  // longest a change is held back by writes that keep coming.
  static constexpr uint32_t kQuietMilliseconds = 250;
  static constexpr uint32_t kLongestHold = 2000;

  // Watches every startup place; made on the thread that waits.
  StartupChanges();

  // Waits up to `milliseconds` for a change, gathers what follows until the
  // places are quiet, and returns the scan parts touched (ScanPart names);
  // empty when nothing changed in time or after Stop.
  std::set<std::wstring> Wait(uint32_t milliseconds);
  // Ends a wait from any thread; every later wait returns at once.
  void Stop();
  // How many places the system watches, of how many there are.
  size_t WatchedCount() const { return notifier_.WatchedCount(); }
  size_t PlaceCount() const { return places_.size(); }

 private:
  void Add(const std::vector<size_t>& changed, std::set<std::wstring>& parts) const;
  static std::vector<WatchedPlace> PlacesOf(const std::vector<WatchedParts>& watched);

  std::vector<WatchedParts> places_;
  TChangeNotifier notifier_;
  std::atomic<bool> stopped_{false};
};

}  // namespace korvane
