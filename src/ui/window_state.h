#pragma once
// The main window's place and its list's columns, kept from one start to
// the next beside the settings (values window_left, window_top,
// window_width, window_height, window_maximised, list_columns, column_widths
// and hide_windows_entries of \Software\Korvane).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/list_rules.h"

namespace korvane {

struct ScreenRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

struct WindowPlacement {
  ScreenRect normal;  // the restored window's frame
  bool maximised = false;
  bool operator==(const WindowPlacement&) const = default;
};

// The list's columns: those shown, in the order the user sees them, and the
// width of every column at 96 DPI (kept for hidden ones too).
struct ListLayout {
  std::vector<ListColumn> shown;
  std::array<int, kListColumnCount> widths{};
  bool operator==(const ListLayout&) const = default;
};
// Every column, in the order they are made, at their first widths.
ListLayout DefaultListLayout();

// What is stored; nothing (or the default layout) where nothing usable is.
// Another program may write there: values of the wrong type or shape are
// passed over, never trusted.
std::optional<WindowPlacement> ReadWindowPlacement();
void StoreWindowPlacement(const WindowPlacement& placement);
ListLayout ReadListLayout();
void StoreListLayout(const ListLayout& layout);

// View › "Hide Windows entries" (value hide_windows_entries): on unless
// stored off.
bool ReadHideWindowsEntries();
void StoreHideWindowsEntries(bool hide);

// The stored texts: "name,running,..." and "name=250,running=60,...".
std::wstring ColumnsText(const ListLayout& layout);
std::wstring WidthsText(const ListLayout& layout);
// Reads them into `layout`; parts that don't parse leave it as it was. A
// column list that names no column, or one twice, is passed over whole.
void ParseColumnsText(const std::wstring& text, ListLayout& layout);
void ParseWidthsText(const std::wstring& text, ListLayout& layout);

// Where a window of frame `frame` comes back: where it was when it overlaps
// one of the monitors' work areas; otherwise on the primary monitor's (the
// first of `work_areas`), at the same size where that fits.
ScreenRect PlaceOnMonitors(const ScreenRect& frame, const std::vector<ScreenRect>& work_areas);

}  // namespace korvane
