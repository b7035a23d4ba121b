// The main window's sizes at the DPI of the monitor it stands on, and what is
// made anew when it moves to a monitor of another scale.
#include <windows.h>

#include <commctrl.h>

#include "gui/metrics.h"
#include "ui/win32/main_form.h"
#include "ui/win32/main_form_glyphs.h"

namespace korvane {

int TMainForm::ScaleHere(int size_at_96dpi) const {
  return ScaleTo(size_at_96dpi, dpi_);
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
  REBARBANDINFOW band = ToolBarBandSize();
  SendMessageW(cool_bar_, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));

  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayoutControls();
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace korvane
