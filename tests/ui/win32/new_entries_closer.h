#pragma once
// The ui suite closes every new entries dialog as soon as it becomes active
// (new_entries_closer.cpp), so that the main window's tests never wait on it.
// The dialog's own tests keep it open while one of these lives.
namespace korvane::test {

class KeepNewEntriesOpen {
 public:
  KeepNewEntriesOpen();
  ~KeepNewEntriesOpen();
  KeepNewEntriesOpen(const KeepNewEntriesOpen&) = delete;
  KeepNewEntriesOpen& operator=(const KeepNewEntriesOpen&) = delete;
};

}  // namespace korvane::test
