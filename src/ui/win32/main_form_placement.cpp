// The main window's place, size and columns from one start to the next.
#include <windows.h>

#include <commctrl.h>

#include "gui/metrics.h"
#include "ui/win32/main_form.h"

namespace korvane {

namespace {

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM data) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  auto& list = *reinterpret_cast<std::vector<ScreenRect>*>(data);
  const ScreenRect area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  if (info.dwFlags & MONITORINFOF_PRIMARY) {
    list.insert(list.begin(), area);
  } else {
    list.push_back(area);
  }
  return TRUE;
}

// The work areas of the monitors, the primary one first.
std::vector<ScreenRect> MonitorWorkAreas() {
  std::vector<ScreenRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace

int TMainForm::FirstShowCommand(int show) const {
  if (start_maximised_ && (show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT || show == SW_SHOW)) {
    return SW_SHOWMAXIMIZED;
  }
  return show;
}

void TMainForm::RestoreWindowPlacement() {
  const std::optional<WindowPlacement> stored = ReadWindowPlacement();
  if (!stored) return;
  const ScreenRect frame = PlaceOnMonitors(stored->normal, MonitorWorkAreas());
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  GetWindowPlacement(Handle(), &placement);
  // Hidden until the program block shows it.
  placement.showCmd = SW_HIDE;
  placement.rcNormalPosition = {frame.left, frame.top, frame.right, frame.bottom};
  SetWindowPlacement(Handle(), &placement);
  start_maximised_ = stored->maximised;
  // A monitor of another scale sent WM_DPICHANGED before the controls were
  // made: they are made at the DPI found now.
  dpi_ = WindowDpi(Handle());
}

void TMainForm::StoreWindowState() {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  if (GetWindowPlacement(Handle(), &placement)) {
    const RECT& r = placement.rcNormalPosition;
    const bool maximised =
        IsZoomed(Handle()) || (IsIconic(Handle()) && (placement.flags & WPF_RESTORETOMAXIMIZED));
    StoreWindowPlacement({{r.left, r.top, r.right, r.bottom}, maximised});
  }
  StoreListLayout(CurrentListLayout());
}

}  // namespace korvane
