#include "ui/window_state.h"

#include <algorithm>
#include <cstdlib>

#include "platform/registry.h"
#include "platform/text.h"
#include "ui/settings.h"

namespace korvane {

namespace {

const wchar_t kLeft[] = L"window_left";
const wchar_t kTop[] = L"window_top";
const wchar_t kWidth[] = L"window_width";
const wchar_t kHeight[] = L"window_height";
const wchar_t kMaximised[] = L"window_maximised";
const wchar_t kColumns[] = L"list_columns";
const wchar_t kWidths[] = L"column_widths";
const wchar_t kHideWindows[] = L"hide_windows_entries";

// A size that no screen has: a stored value beyond it is no size at all.
constexpr int32_t kLargest = 100000;

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) return parts;
    start = end + 1;
  }
}

std::optional<ListColumn> ColumnByKey(const std::wstring& key) {
  for (const ListColumnInfo& info : ListColumns()) {
    if (key == info.key) return info.column;
  }
  return std::nullopt;
}

std::optional<int32_t> ReadDword(TRegistry& registry, const wchar_t* name) {
  if (!registry.ValueExists(name) || registry.GetDataType(name) != RegistryDataType::DWord) {
    return std::nullopt;
  }
  return registry.ReadInteger(name);
}

std::optional<std::wstring> ReadText(TRegistry& registry, const wchar_t* name) {
  if (!registry.ValueExists(name) || registry.GetDataType(name) != RegistryDataType::String) {
    return std::nullopt;
  }
  return registry.ReadString(name);
}

}  // namespace

ListLayout DefaultListLayout() {
  ListLayout layout;
  for (const ListColumnInfo& info : ListColumns()) {
    layout.shown.push_back(info.column);
    layout.widths[static_cast<size_t>(info.column)] = info.width;
  }
  return layout;
}

std::wstring ColumnsText(const ListLayout& layout) {
  std::wstring text;
  for (ListColumn column : layout.shown) {
    if (!text.empty()) text += L',';
    text += ColumnInfo(column).key;
  }
  return text;
}

std::wstring WidthsText(const ListLayout& layout) {
  std::wstring text;
  for (const ListColumnInfo& info : ListColumns()) {
    if (!text.empty()) text += L',';
    text += std::wstring(info.key) + L"=" +
            std::to_wstring(layout.widths[static_cast<size_t>(info.column)]);
  }
  return text;
}

void ParseColumnsText(const std::wstring& text, ListLayout& layout) {
  std::vector<ListColumn> shown;
  for (const std::wstring& key : Split(text, L',')) {
    const std::optional<ListColumn> column = ColumnByKey(key);
    if (!column || std::find(shown.begin(), shown.end(), *column) != shown.end()) return;
    shown.push_back(*column);
  }
  if (!shown.empty()) layout.shown = std::move(shown);
}

void ParseWidthsText(const std::wstring& text, ListLayout& layout) {
  for (const std::wstring& part : Split(text, L',')) {
    const size_t equals = part.find(L'=');
    if (equals == std::wstring::npos) continue;
    const std::optional<ListColumn> column = ColumnByKey(part.substr(0, equals));
    const std::wstring digits = part.substr(equals + 1);
    if (!column || digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
      continue;
    }
    layout.widths[static_cast<size_t>(*column)] = std::stoi(digits);
  }
}

std::optional<WindowPlacement> ReadWindowPlacement() {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(kSettingsKey)) return std::nullopt;
  const std::optional<int32_t> left = ReadDword(registry, kLeft), top = ReadDword(registry, kTop),
                               width = ReadDword(registry, kWidth),
                               height = ReadDword(registry, kHeight);
  if (!left || !top || !width || !height) return std::nullopt;
  if (*width <= 0 || *height <= 0 || *width > kLargest || *height > kLargest ||
      std::abs(*left) > kLargest || std::abs(*top) > kLargest) {
    return std::nullopt;
  }
  WindowPlacement placement;
  placement.normal = {*left, *top, *left + *width, *top + *height};
  placement.maximised = ReadDword(registry, kMaximised).value_or(0) != 0;
  return placement;
}

void StoreWindowPlacement(const WindowPlacement& placement) {
  TRegistry registry;
  if (!registry.OpenKey(kSettingsKey, true)) return;
  registry.WriteInteger(kLeft, placement.normal.left);
  registry.WriteInteger(kTop, placement.normal.top);
  registry.WriteInteger(kWidth, placement.normal.Width());
  registry.WriteInteger(kHeight, placement.normal.Height());
  registry.WriteBool(kMaximised, placement.maximised);
}

ListLayout ReadListLayout() {
  ListLayout layout = DefaultListLayout();
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(kSettingsKey)) return layout;
  if (std::optional<std::wstring> columns = ReadText(registry, kColumns)) {
    ParseColumnsText(*columns, layout);
  }
  if (std::optional<std::wstring> widths = ReadText(registry, kWidths)) {
    ParseWidthsText(*widths, layout);
  }
  return layout;
}

void StoreListLayout(const ListLayout& layout) {
  TRegistry registry;
  if (!registry.OpenKey(kSettingsKey, true)) return;
  registry.WriteString(kColumns, ColumnsText(layout));
  registry.WriteString(kWidths, WidthsText(layout));
}

bool ReadHideWindowsEntries() {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(kSettingsKey)) return true;
  return ReadDword(registry, kHideWindows).value_or(1) != 0;
}

void StoreHideWindowsEntries(bool hide) {
  TRegistry registry;
  if (!registry.OpenKey(kSettingsKey, true)) return;
  registry.WriteBool(kHideWindows, hide);
}

ScreenRect PlaceOnMonitors(const ScreenRect& frame, const std::vector<ScreenRect>& work_areas) {
  if (work_areas.empty()) return frame;
  // Enough of the caption must be on a monitor to take the window by it.
  constexpr int32_t kGrip = 40;
  for (const ScreenRect& area : work_areas) {
    const int32_t wide = std::min(frame.right, area.right) - std::max(frame.left, area.left);
    if (wide >= kGrip && frame.top >= area.top - kGrip / 2 && frame.top < area.bottom - kGrip / 2) {
      return frame;
    }
  }
  const ScreenRect& primary = work_areas.front();
  const int32_t width = std::min(frame.Width(), primary.Width());
  const int32_t height = std::min(frame.Height(), primary.Height());
  const int32_t left = primary.left + (primary.Width() - width) / 2;
  const int32_t top = primary.top + (primary.Height() - height) / 2;
  return {left, top, left + width, top + height};
}

}  // namespace korvane
