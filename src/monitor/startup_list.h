#pragma once
// The startup list of the last scan: what the main window draws and what the
// refresh cycle and the commands act on.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "catalogue/scan.h"

namespace korvane {

// For each row of `before`, the index of the same entry (EntryIdentity) in
// `after`, or -1 when it is gone. Each row of `after` answers for one row of
// `before` at most.
std::vector<ptrdiff_t> MatchRows(const StartupList& before, const StartupList& after);
// The same for rows that stayed where they were: each index is its own.
std::vector<ptrdiff_t> SamePlaces(size_t count);

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

  // How a scan runs: here and now by default. The window runs it on a
  // thread of its own and answers its messages meanwhile; `scan` touches
  // nothing of the model.
  using Scanner = std::function<void(const std::function<void()>& scan)>;
  void SetScanner(Scanner scanner) { scanner_ = std::move(scanner); }

  // Scans every location into the list, and the entries Korvane moved aside;
  // then, beside the window as the scan, the signer of each row's program
  // (catalogue/signers.h), the rows first shown with the signers already
  // known. When the scan fails,
  // the list holds what it found before the error, and the error goes on to the caller.
  // A scan that ends after the list was replaced meanwhile (a command's own
  // rescan while the window waited) is dropped: the newer list stays, and
  // its scan's error, if any, goes on to the caller.
  void Rescan();
  // The same, reading again only the parts of the scan named (ScanPart
  // names) and keeping the rows of the others; everything when the last
  // scan was not whole.
  void Rescan(const std::set<std::wstring>& changed);
  // Takes `rows` as the list, in their order.
  void Replace(StartupList rows);

 private:
  void Scan(const std::set<std::wstring>* changed);
  // Checks the rows' signatures and takes the signers into the rows, unless
  // they were replaced meanwhile; the listener hears of it when a row became
  // or stopped being Windows' own.
  void Sign();
  void Replace(StartupList rows, ScanParts parts, std::exception_ptr error);

  StartupList rows_;
  ScanParts parts_;           // empty unless the rows are a whole scan's
  std::exception_ptr error_;  // what ended the scan of these rows, if anything
  uint64_t replaced_ = 0;     // how many times the rows were replaced
  Listener listener_;
  Scanner scanner_;
};

}  // namespace korvane
