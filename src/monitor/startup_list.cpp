#include "monitor/startup_list.h"

#include <exception>
#include <unordered_map>

#include "catalogue/signers.h"
#include "monitor/switching.h"
#include "platform/processes.h"

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

std::vector<ptrdiff_t> SamePlaces(size_t count) {
  std::vector<ptrdiff_t> same(count);
  for (size_t i = 0; i < count; ++i) same[i] = static_cast<ptrdiff_t>(i);
  return same;
}

StartupList StartupListModel::RowsAt(const std::vector<size_t>& indices) const {
  StartupList rows;
  for (size_t i : indices) {
    if (i < rows_.size()) rows.push_back(rows_[i]);
  }
  return rows;
}

void StartupListModel::Rescan() {
  Scan(nullptr);
}

void StartupListModel::Rescan(const std::set<std::wstring>& changed) {
  Scan(&changed);
}

void StartupListModel::Scan(const std::set<std::wstring>* changed) {
  struct Scanning {
    const Listener& listener;
    explicit Scanning(const Listener& l) : listener(l) {
      if (listener.scanning) listener.scanning(true);
    }
    ~Scanning() {
      if (listener.scanning) listener.scanning(false);
    }
  } scanning{listener_};
  // The scan may run beside the window, which may take other rows
  // meanwhile: it starts from copies.
  const bool partial = changed && !parts_.empty() && !error_;
  const StartupList earlier_rows = partial ? rows_ : StartupList{};
  const ScanParts earlier_parts = partial ? parts_ : ScanParts{};
  static const std::set<std::wstring> kNothing;
  const EarlierScan earlier{earlier_rows, earlier_parts, partial ? *changed : kNothing};
  const uint64_t replaced = replaced_;
  StartupList rows;
  ScanParts parts;
  std::exception_ptr error;
  const auto scan = [&] {
    try {
      ScanStartupListWithParked(rows, parts, partial ? &earlier : nullptr);
      SignRows(rows, false);
    } catch (...) {
      error = std::current_exception();
    }
  };
  if (scanner_) {
    scanner_(scan);
  } else {
    scan();
  }
  if (replaced_ == replaced) {
    // The scan saw which programs run now: the commands' own snapshot, taken
    // before, is no longer what the rows say.
    TWindowsAPI::Instance().InvalidateProcessList();
    // Rows cut short by an error say nothing of where a part ends.
    if (error && (parts.empty() || parts.back().end != rows.size())) parts.clear();
    Replace(std::move(rows), std::move(parts), error);
    Sign();
  }
  if (error_) std::rethrow_exception(error_);
}

void StartupListModel::Sign() {
  // The scan's rows stay the model's: the worker gets the file names only.
  const std::vector<std::wstring> files = SignedFiles(rows_);
  std::vector<std::optional<std::wstring>> signers;
  const uint64_t replaced = replaced_;
  const auto sign = [&] { signers = SignersOf(files, true); };
  if (scanner_) {
    scanner_(sign);
  } else {
    sign();
  }
  if (replaced_ != replaced) return;
  // Of the signer the list shows only whether a row is Windows' own.
  bool shown_otherwise = false;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!signers[i]) continue;
    const bool was_windows = IsWindowsEntry(rows_[i]);
    rows_[i].signer = std::move(signers[i]);
    shown_otherwise = shown_otherwise || was_windows != IsWindowsEntry(rows_[i]);
  }
  if (!shown_otherwise || !listener_.rows_changed) return;
  listener_.rows_changed(SamePlaces(rows_.size()));
}

void StartupListModel::Replace(StartupList rows) {
  Replace(std::move(rows), {}, nullptr);
}

void StartupListModel::Replace(StartupList rows, ScanParts parts, std::exception_ptr error) {
  std::vector<ptrdiff_t> old_to_new = MatchRows(rows_, rows);
  rows_ = std::move(rows);
  parts_ = std::move(parts);
  error_ = std::move(error);
  ++replaced_;
  if (listener_.rows_changed) listener_.rows_changed(old_to_new);
}

}  // namespace korvane
