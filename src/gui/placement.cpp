#include "gui/placement.h"

#include <algorithm>

namespace korvane {

void PlaceOnOwner(HWND dialog, HWND owner) {
  RECT self;
  if (!GetWindowRect(dialog, &self)) return;
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;

  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  const HMONITOR on = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                            : MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfoW(on, &monitor)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
  }
  const RECT work = monitor.rcWork;

  // A hidden or minimised owner has no place on the screen to centre on.
  RECT around = work;
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  int x = (around.left + around.right - width) / 2;
  int y = (around.top + around.bottom - height) / 2;
  x = std::max<int>(work.left, std::min<int>(x, work.right - width));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace korvane
