#pragma once
// Knowing cheaply that nothing changed: a registry key (with its subkeys)
// and a folder (with its subfolders) watched by the system, so that what was
// read of them can be kept until they change.
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace korvane::win32 {

class ChangeWatch {
 public:
  // Either may be empty or fail to open; what can't be watched is not.
  ChangeWatch(HKEY root, const std::wstring& key_path, const std::wstring& folder);
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  // True when something is watched and nothing changed since the last Rearm.
  bool Unchanged() const;
  // Starts watching afresh: call before reading, so that a change made while
  // reading is seen next time.
  void Rearm();

 private:
  RegKey key_;
  KernelHandle key_changed_;
  HANDLE folder_changed_ = INVALID_HANDLE_VALUE;
  bool key_armed_ = false;
  bool folder_armed_ = false;
};

}  // namespace korvane::win32
