// The main window's place, size and columns from one start to the next, and
// its sizes at the DPI of the monitor it stands on.
#include <windows.h>

#include <commctrl.h>

#include "gui/metrics.h"
#include "ui/win32/main_form.h"
#include "ui/win32/main_form_glyphs.h"

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

int TMainForm::ScaleHere(int size_at_96dpi) const {
  return ScaleTo(size_at_96dpi, dpi_);
}

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

void TMainForm::DpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  // Widths are kept at 96 DPI, read at the old scale.
  const ListLayout layout = CurrentListLayout();
  dpi_ = dpi;
  form_font_.reset(CreateFormFont(dpi_));
  if (!list_font_) {
    SendMessageW(list_view_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), TRUE);
  }
  SendMessageW(filter_box_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), TRUE);
  ApplyListLayout(layout);

  // The toolbar's glyphs are drawn anew at the new size.
  interface_images_.reset(CreateInterfaceImageList(ScaleHere(16)));
  SendMessageW(tool_bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(interface_images_.get()));
  SendMessageW(tool_bar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(ScaleHere(23), ScaleHere(22)));
  SendMessageW(tool_bar_, TB_AUTOSIZE, 0, 0);
  SIZE ideal = {};
  SendMessageW(tool_bar_, TB_GETIDEALSIZE, FALSE, reinterpret_cast<LPARAM>(&ideal));
  const DWORD button_size = static_cast<DWORD>(SendMessageW(tool_bar_, TB_GETBUTTONSIZE, 0, 0));
  REBARBANDINFOW band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE;
  band.cxMinChild = static_cast<UINT>(ideal.cx);
  band.cyMinChild = HIWORD(button_size);
  band.cx = static_cast<UINT>(ideal.cx);
  SendMessageW(cool_bar_, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));

  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutControls();
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace korvane
