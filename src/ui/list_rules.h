#pragma once
// What the main list shows of each row, which rows and in what order, and
// what the main window's commands see of the rows selected in it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "ui/commands.h"
#include "ui/file_facts.h"

namespace korvane {

// True when a selected row's program runs, by the process list as it stands
// (not rebuilt first); the walk stops at the first running row.
bool AnyRunning(const StartupList& selected);

// The selection as the toolbar (after a mouse click in the list) and the File
// menu (when it opens) see it: by the process list as it stands.
SelectionState SelectionOf(const StartupList& selected);
// The selection as the context menu sees it: the process list is rebuilt
// first so that "Stop startup entry" reflects the programs running now.
SelectionState FreshSelectionOf(const StartupList& selected);

// The main list's columns, in the order they are made.
enum class ListColumn {
  Name,
  Running,
  Startup,
  FileName,
  Parameters,
  Location,
  Publisher,
  Description,
  Signature
};
inline constexpr size_t kListColumnCount = 9;

struct ListColumnInfo {
  ListColumn column;
  const wchar_t* caption;
  const wchar_t* key;  // its name where the layout is stored
  int width;           // at 96 DPI, when nothing else is stored
  bool centred;
};
const std::vector<ListColumnInfo>& ListColumns();
const ListColumnInfo& ColumnInfo(ListColumn column);

// A web address in a Startup folder (an Internet shortcut): it names no
// program file, so its file can't be missing.
bool IsWebAddress(const StartupEntry& row);
// The row's program file is known not to exist (`facts` nothing: not known yet).
bool ProgramFileMissing(const StartupEntry& row, const FileFacts* facts);
inline const wchar_t kFileNotFound[] = L"File not found";

// A cell's text as the list shows it; the file's cells stay empty until
// `facts` are known.
std::wstring CellText(const StartupEntry& row, ListColumn column, const FileFacts* facts);

// A header click's effect: sorted up by the column, then down, then back to
// scan order.
struct ListOrder {
  std::optional<ListColumn> column;  // nothing: scan order
  bool descending = false;
  bool operator==(const ListOrder&) const = default;
};
ListOrder NextOrder(const ListOrder& current, ListColumn clicked);

// The rows the list shows, as indexes of the scan's rows: those not
// `hidden` (Windows' own, when they are set apart) of which a cell in one of
// `columns` holds `filter` (without regard to letter case; every row when it
// is empty), in `order`; rows that sort alike keep their scan order.
using CellReader = std::function<std::wstring(size_t row, ListColumn column)>;
std::vector<size_t> ShownRows(size_t row_count, const CellReader& cell,
                              const std::vector<ListColumn>& columns, const std::wstring& filter,
                              const ListOrder& order,
                              const std::function<bool(size_t row)>& hidden = {});

// The status bar's count of the rows not hidden: "3 of 40 entries" while a
// filter is set, "40 entries" without one; then how many of Windows' own
// are hidden, if any ("40 entries, 61 of Windows hidden").
std::wstring ShownCountText(size_t shown, size_t all, bool filtered = true,
                            size_t windows_hidden = 0);

}  // namespace korvane
