#include "monitor/startup_list.h"

#include <exception>
#include <unordered_map>

#include "monitor/switching.h"

namespace korvane {

std::vector<ptrdiff_t> MatchRows(const StartupList& before, const StartupList& after) {
  // Rows of one identity (a folder listed twice, say) pair up in order.
  struct Places {
    std::vector<size_t> at;
    size_t taken = 0;
  };
  std::unordered_map<std::wstring, Places> places;
  for (size_t i = 0; i < after.size(); ++i) places[EntryIdentity(after[i])].at.push_back(i);
  std::vector<ptrdiff_t> old_to_new(before.size(), -1);
  for (size_t i = 0; i < before.size(); ++i) {
    auto found = places.find(EntryIdentity(before[i]));
    if (found == places.end() || found->second.taken == found->second.at.size()) continue;
    old_to_new[i] = static_cast<ptrdiff_t>(found->second.at[found->second.taken++]);
  }
  return old_to_new;
}

StartupList StartupListModel::RowsAt(const std::vector<size_t>& indices) const {
  StartupList rows;
  for (size_t i : indices) {
    if (i < rows_.size()) rows.push_back(rows_[i]);
  }
  return rows;
}

void StartupListModel::Rescan() {
  struct Scanning {
    const Listener& listener;
    explicit Scanning(const Listener& l) : listener(l) {
      if (listener.scanning) listener.scanning(true);
    }
    ~Scanning() {
      if (listener.scanning) listener.scanning(false);
    }
  } scanning{listener_};
  StartupList rows;
  std::exception_ptr error;
  try {
    ScanStartupListWithParked(rows);
  } catch (...) {
    error = std::current_exception();
  }
  Replace(std::move(rows));
  if (error) std::rethrow_exception(error);
}

void StartupListModel::Replace(StartupList rows) {
  std::vector<ptrdiff_t> old_to_new = MatchRows(rows_, rows);
  rows_ = std::move(rows);
  if (listener_.rows_changed) listener_.rows_changed(old_to_new);
}

}  // namespace korvane
