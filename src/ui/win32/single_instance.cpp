#include "ui/win32/single_instance.h"

#include "gui/messages.h"
#include "ui/elevation.h"
#include "ui/lifecycle.h"

namespace korvane {

TLMDOneInstance::TLMDOneInstance(const std::wstring& executable_path)
    : marker_(CreateMutexW(nullptr, FALSE, InstanceMarkerName(executable_path).c_str())) {
  // A marker that could not be made counts as no earlier instance.
  earlier_instance_ = marker_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

bool TLMDOneInstance::ActivateEarlierInstance() {
  // The class name alone is common to many programs: the caption is ours.
  const std::wstring elevated = std::wstring(kMainFormCaption) + kAdministratorCaption;
  HWND window = FindWindowW(kMainFormClass, kMainFormCaption);
  if (!window) window = FindWindowW(kMainFormClass, elevated.c_str());
  if (!window) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  // The earlier instance may take the foreground from us.
  AllowSetForegroundWindow(process);
  // It restores itself: only its own thread can take a hidden window out of the tray.
  PostMessageW(window, kShowInstanceMessage, 0, 0);
  return true;
}

}  // namespace korvane
