#pragma once
// The startup list of the last scan: what the main window draws and what the
// refresh cycle and the commands act on.
#include <cstddef>
#include <functional>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

// For each row of `before`, the index of the same entry (EntryIdentity) in
// `after`, or -1 when it is gone. Each row of `after` answers for one row of
// `before` at most.
std::vector<ptrdiff_t> MatchRows(const StartupList& before, const StartupList& after);

class StartupListModel {
 public:
  struct Listener {
    // A scan starts (true) and ends (false), also one that fails.
    std::function<void(bool)> scanning;
    // The rows were replaced; `old_to_new` is MatchRows of the old rows
    // against the new ones.
    std::function<void(const std::vector<ptrdiff_t>& old_to_new)> rows_changed;
  };
  void SetListener(Listener listener) { listener_ = std::move(listener); }

  const StartupList& Rows() const { return rows_; }
  // The rows at `indices`, in the order given; indices past the end are
  // passed over.
  StartupList RowsAt(const std::vector<size_t>& indices) const;

  // Scans every location into the list, and the entries Korvane moved aside. When the scan fails,
  // the list holds what it found before the error, and the error goes on to the caller.
  void Rescan();
  // Takes `rows` as the list, in their order.
  void Replace(StartupList rows);

 private:
  StartupList rows_;
  Listener listener_;
};

}  // namespace korvane
