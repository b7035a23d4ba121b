#include "ui/win32/new_entries_dialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include "gui/controls.h"
#include "gui/form.h"
#include "gui/list_view.h"
#include "gui/menus.h"
#include "gui/metrics.h"
#include "catalogue/rights.h"
#include "monitor/blacklist.h"
#include "monitor/new_entries.h"
#include "platform/shell.h"
#include "ui/commands.h"
#include "ui/elevation.h"
#include "ui/entry_actions.h"
#include "ui/win32/command_bars.h"

namespace korvane {

namespace {

using namespace new_entries;

constexpr int kListWidth = 704;  // the three columns and the list's border
constexpr int kChangeWidth = 100;
constexpr int kListHeight = 240;
constexpr int kMemoHeight = 64;
constexpr int kButtonWidth = 100;

// Hands the selected rows that need administrator rights to korvanec,
// started as administrator with `verb`, and takes them out of `rows` and
// `selected` (those not done stay in `rows` when `keep_failed`). Returns the
// lines for the rows it could not change.
std::wstring ChangeRowsAsAdministrator(const std::wstring& verb, StartupList& rows,
                                       std::vector<size_t>& selected, bool keep_failed,
                                       HWND owner) {
  std::vector<bool> elevate(rows.size(), false);
  StartupList elevated;
  for (size_t index : selected) {
    if (index < rows.size() && !elevate[index] && NeedsAdministrator(rows[index])) {
      elevate[index] = true;
      elevated.push_back(rows[index]);
    }
  }
  if (elevated.empty()) return {};
  const std::vector<std::wstring> reasons =
      ElevatedReasons(elevated.size(), ChangeAsAdministrator(verb, {}, elevated, owner));
  StartupList kept;
  std::vector<size_t> new_index(rows.size(), rows.size());
  std::wstring failed;
  for (size_t i = 0, e = 0; i < rows.size(); ++i) {
    if (elevate[i]) {
      const std::wstring& reason = reasons[e++];
      if (reason.empty()) continue;
      failed += L"\n" + rows[i].name + L": " + reason;
      if (!keep_failed) continue;
      kept.push_back(std::move(rows[i]));  // not selected any more: left as it is
      continue;
    }
    new_index[i] = kept.size();
    kept.push_back(std::move(rows[i]));
  }
  std::vector<size_t> still;
  for (size_t index : selected) {
    if (index < new_index.size() && new_index[index] < kept.size())
      still.push_back(new_index[index]);
  }
  rows = std::move(kept);
  selected = std::move(still);
  return failed;
}

class TNewEntriesForm : public TForm {
 public:
  TNewEntriesForm(HWND main_list, const ReportedEntries& entries, const NewEntriesActions& actions);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateControls();
  void FillList();
  bool AnySelected() const;
  std::vector<size_t> Selection() const;
  void FormActivate();
  void ListView1Click();
  void PopupMenu1Popup(POINT at);
  void Button3Click();
  void Button2Click();
  void Button1Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void AfterDeletion();
  // Runs one of the row actions on a copy of the rows and keeps the entries
  // whose rows it left.
  template <typename Action>
  void OnRows(Action action);
  StartupList SelectedRows() const;
  void ShowChange();

  HWND main_list_;
  HWND list_ = nullptr;
  ReportedEntries entries_;
  const NewEntriesActions& actions_;
};

TNewEntriesForm::TNewEntriesForm(HWND main_list, const ReportedEntries& entries,
                                 const NewEntriesActions& actions)
    : main_list_(main_list), entries_(entries), actions_(actions) {
  CreateForm(L"TNewEntriesForm", L"New startup entries", WS_POPUP | WS_CAPTION | WS_SYSMENU,
             WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, nullptr);
  CreateControls();
  FillList();
}

void TNewEntriesForm::CreateControls() {
  HWND form = Handle();
  const int margin = 8;
  AddControl(form, L"STATIC", L"New entries in the startup list:", 0, margin, margin, 300, 16,
             Label1);
  const int list_top = margin + 20;
  const bool changes = actions_.show_changes;
  const int list_width = kListWidth + (changes ? kChangeWidth : 0);
  list_ = AddControl(form, WC_LISTVIEWW, L"",
                     LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_TABSTOP, margin,
                     list_top, list_width, kListHeight, ListView1, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  std::vector<ColumnSpec> columns = {{L"Name", 300, LVCFMT_LEFT},
                                     {L"File name", 200, LVCFMT_LEFT},
                                     {L"Location", 200, LVCFMT_LEFT}};
  if (changes) columns.push_back({L"Change", kChangeWidth, LVCFMT_LEFT});
  AddListColumns(list_, columns);
  int bottom = list_top + kListHeight;
  if (changes) {
    // The selected entry's earlier command, where there was one.
    AddControl(form, L"EDIT", L"",
               ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, margin,
               bottom + margin, list_width, kMemoHeight, Memo1, WS_EX_CLIENTEDGE);
    bottom += margin + kMemoHeight;
  }

  const int left = margin + list_width + margin;
  struct Button {
    UINT id;
    const wchar_t* caption;
    bool enabled;
  } buttons[] = {{Button3, L"File properties", false}, {Button2, L"Delete entry", false},
                 {Button4, L"Disable", false},         {Button1, L"Add to blacklist", false},
                 {Button6, L"Undo change", false},     {Button5, L"Close", true}};
  int y = list_top;
  for (const Button& b : buttons) {
    if (b.id == Button6 && !changes) continue;
    HWND button = AddControl(form, L"BUTTON", b.caption, BS_PUSHBUTTON | WS_TABSTOP, left, y,
                             kButtonWidth, 25, b.id);
    EnableWindow(button, b.enabled);
    y += 25 + 8;
  }

  const SIZE size = WindowSizeForClient(static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE)),
                                        static_cast<DWORD>(GetWindowLongPtrW(form, GWL_EXSTYLE)),
                                        left + kButtonWidth + margin, bottom + margin);
  SetWindowPos(form, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNewEntriesForm::FillList() {
  ListView_DeleteAllItems(list_);
  for (const ReportedEntry& entry : entries_) {
    const StartupEntry& row = entry.row;
    std::vector<std::wstring> texts = {row.name, row.file_name, row.location};
    if (actions_.show_changes) texts.push_back(ChangeKindText(entry.change));
    AppendListItem(list_, CachedIconIndex(row.file_name), texts);
  }
}

bool TNewEntriesForm::AnySelected() const {
  return ListView_GetSelectedCount(list_) > 0;
}

std::vector<size_t> TNewEntriesForm::Selection() const {
  std::vector<size_t> selected;
  for (int item : SelectedListItems(list_)) selected.push_back(static_cast<size_t>(item));
  return selected;
}

void TNewEntriesForm::FormActivate() {
  if (!main_list_) return;
  const DWORD copied = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyleEx(list_, copied,
                                      ListView_GetExtendedListViewStyle(main_list_) & copied);
  SendMessageW(list_, WM_SETFONT, SendMessageW(main_list_, WM_GETFONT, 0, 0), TRUE);
  const COLORREF background = ListView_GetBkColor(main_list_);
  ListView_SetBkColor(list_, background);
  ListView_SetTextBkColor(list_, background);
  // The main list's icons: the shell's list, whose indices the rows share.
  ListView_SetImageList(list_, SystemSmallIcons(), LVSIL_SMALL);
}

void TNewEntriesForm::ListView1Click() {
  const bool any = AnySelected();
  for (UINT id : {Button1, Button2, Button3, Button4}) EnableWindow(GetDlgItem(Handle(), id), any);
  // The buttons that change a row carry the shield while one of the
  // selected rows needs administrator rights.
  bool needs = false;
  for (size_t index : Selection()) needs = needs || NeedsAdministrator(entries_[index].row);
  for (UINT id : {Button1, Button2, Button4}) {
    SendMessageW(GetDlgItem(Handle(), id), BCM_SETSHIELD, 0, needs);
  }
  if (!actions_.show_changes) return;
  bool undoable = false;
  for (size_t index : Selection()) undoable = undoable || CanUndoChange(entries_[index]);
  EnableWindow(GetDlgItem(Handle(), Button6), undoable);
  ShowChange();
}

void TNewEntriesForm::ShowChange() {
  // The focused row, or else the first selected one.
  int item = ListView_GetNextItem(list_, -1, LVNI_FOCUSED | LVNI_SELECTED);
  if (item < 0) item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  std::wstring text;
  if (item >= 0 && static_cast<size_t>(item) < entries_.size()) {
    const ReportedEntry& entry = entries_[static_cast<size_t>(item)];
    text = ChangeDescription(entry);
  }
  SetWindowTextW(GetDlgItem(Handle(), Memo1), text.c_str());
}

void TNewEntriesForm::PopupMenu1Popup(POINT at) {
  const UINT state = AnySelected() ? 0 : MFS_GRAYED;
  win32::Menu menu =
      BuildPopupMenu(MenuItems(NewEntriesPopupLayout(), [state](CommandId) { return state; }));
  if (at.x == -1 && at.y == -1) {  // from the keyboard: under the list's top-left corner
    at = {0, 0};
    ClientToScreen(list_, &at);
  }
  TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

void TNewEntriesForm::Button3Click() {
  std::vector<std::wstring> files;
  for (size_t index : Selection()) files.push_back(entries_[index].row.file_name);
  ShowProperties(files, Handle());
}

template <typename Action>
void TNewEntriesForm::OnRows(Action action) {
  StartupList rows = RowsOf(entries_);
  action(rows, Selection());
  KeepReportedRows(entries_, rows);
}

// The rows of the selection, for a question about them.
StartupList TNewEntriesForm::SelectedRows() const {
  const StartupList rows = RowsOf(entries_);
  StartupList selected;
  for (size_t index : Selection()) {
    if (index < rows.size()) selected.push_back(rows[index]);
  }
  return selected;
}

void TNewEntriesForm::Button2Click() {
  if (!AskAboutWindowsOwn(Handle(), SelectedRows())) return;
  std::wstring report;
  OnRows([&report, owner = Handle()](StartupList& rows, std::vector<size_t> selected) {
    const std::wstring refused = ChangeRowsAsAdministrator(L"delete", rows, selected, false, owner);
    report = DeleteNewEntries(rows, selected);
    if (!refused.empty()) {
      report = (report.empty() ? L"These entries were not deleted:\n" : report) + refused;
    }
  });
  if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  AfterDeletion();
}

void TNewEntriesForm::Button4Click() {
  // Switched off rather than deleted: the main window's Enable brings it back.
  std::wstring report;
  OnRows([&report, owner = Handle()](StartupList& rows, std::vector<size_t> selected) {
    const std::wstring refused = ChangeRowsAsAdministrator(L"disable", rows, selected, true, owner);
    report = DisableNewEntries(rows, selected);
    if (!refused.empty()) {
      report = (report.empty() ? L"These entries were not switched off:\n" : report) + refused;
    }
  });
  if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  AfterDeletion();
}

void TNewEntriesForm::Button1Click() {
  if (!AskAboutWindowsOwn(Handle(), SelectedRows())) return;
  std::wstring report;
  OnRows([&report, owner = Handle()](StartupList& rows, std::vector<size_t> selected) {
    // On this user's blacklist first, all of them; then removed.
    std::vector<std::wstring> names;
    for (size_t index : selected) {
      if (index < rows.size()) names.push_back(rows[index].file_name);
    }
    AddToBlacklist(names);
    const std::wstring refused = ChangeRowsAsAdministrator(L"delete", rows, selected, false, owner);
    report = BlacklistNewEntries(rows, selected);
    if (!refused.empty()) {
      report = (report.empty() ? L"These entries were not deleted:\n" : report) + refused;
    }
  });
  if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  AfterDeletion();
}

void TNewEntriesForm::Button6Click() {
  // The entries get their earlier commands back; what they held goes to the
  // undo store first.
  const std::wstring report = UndoNewEntryChanges(entries_, Selection());
  if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  AfterDeletion();
}

void TNewEntriesForm::AfterDeletion() {
  FillList();
  ListView1Click();
  actions_.refresh_list();
  if (entries_.empty()) EndModal(IDOK);
}

void TNewEntriesForm::Button5Click() {
  actions_.save_list();
  EndModal(IDOK);
}

LRESULT TNewEntriesForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) FormActivate();
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == list_ &&
          (header->code == NM_CLICK || header->code == LVN_ITEMCHANGED)) {
        ListView1Click();
      }
      break;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == list_) {
        PopupMenu1Popup({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
        return 0;
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case Button3:
        case Fileproperties1:
          Button3Click();
          return 0;
        case Jumptoentry1:
          // The first selected entry: the editor and Explorer show one place.
          if (const std::vector<size_t> selected = Selection(); !selected.empty()) {
            JumpToEntry(entries_[selected.front()].row);
          }
          return 0;
        case Button2:
        case Deletestartupentry1:
          Button2Click();
          return 0;
        case Button4:
        case Disablestartupentry1:
          Button4Click();
          return 0;
        case Button1:
        case Addtoblacklist1:
          Button1Click();
          return 0;
        case Button5:
          Button5Click();
          return 0;
        case Button6:
          Button6Click();
          return 0;
        case IDCANCEL:  // Escape closes, as the close box does
          EndModal(IDCANCEL);
          return 0;
      }
      break;
  }
  return TForm::HandleMessage(message, wparam, lparam);
}

}  // namespace

void ShowNewEntriesDialog(HWND owner, HWND main_list, const ReportedEntries& entries,
                          const NewEntriesActions& actions) {
  TNewEntriesForm form(main_list, entries, actions);
  form.ShowModal(owner);
}

void ShowNewEntriesDialog(HWND owner, HWND main_list, const StartupList& rows,
                          const NewEntriesActions& actions) {
  ReportedEntries entries;
  for (const StartupEntry& row : rows) entries.push_back({row, ChangeKind::New, std::nullopt});
  ShowNewEntriesDialog(owner, main_list, entries, actions);
}

}  // namespace korvane
