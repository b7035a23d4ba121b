#pragma once
// One instance per user session: a named mutex marks the running instance,
// and a second one brings the first forward instead of starting.
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace korvane {

class TLMDOneInstance {
 public:
  // Creates the instance marker named after `executable_path`.
  explicit TLMDOneInstance(const std::wstring& executable_path);

  // True when the marker existed already: an earlier instance runs.
  bool EarlierInstance() const { return earlier_instance_; }

  // Restores the earlier instance's main window (from the tray or the
  // taskbar) and brings it to the front. False when none was found.
  static bool ActivateEarlierInstance();

 private:
  win32::KernelHandle marker_;
  bool earlier_instance_ = false;
};

}  // namespace korvane
