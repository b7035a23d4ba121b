#include "monitor/startup_changes.h"

#include <chrono>

namespace korvane {

StartupChanges::StartupChanges() : places_(WatchedStartupPlaces()), notifier_(PlacesOf(places_)) {}

std::vector<WatchedPlace> StartupChanges::PlacesOf(const std::vector<WatchedParts>& watched) {
  std::vector<WatchedPlace> places;
  for (const WatchedParts& w : watched) places.push_back(w.place);
  return places;
}

void StartupChanges::Add(const std::vector<size_t>& changed, std::set<std::wstring>& parts) const {
  for (size_t i : changed) {
    if (i < places_.size()) parts.insert(places_[i].parts.begin(), places_[i].parts.end());
  }
}

std::set<std::wstring> StartupChanges::Wait(uint32_t milliseconds) {
  std::set<std::wstring> parts;
  Add(notifier_.WaitForChanges(milliseconds), parts);
  using Clock = std::chrono::steady_clock;
  const auto hold_until = Clock::now() + std::chrono::milliseconds(kLongestHold);
  while (!parts.empty() && !stopped_ && Clock::now() < hold_until) {
    const std::vector<size_t> more = notifier_.WaitForChanges(kQuietMilliseconds);
    if (more.empty()) break;
    Add(more, parts);
  }
  if (stopped_) parts.clear();
  return parts;
}

void StartupChanges::Stop() {
  stopped_ = true;
  notifier_.Stop();
}

}  // namespace korvane
