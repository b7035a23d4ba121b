#include "ui/win32/blacklist_dialog.h"

#include <commctrl.h>

#include <vector>

#include "gui/controls.h"
#include "gui/file_chooser.h"
#include "gui/form.h"
#include "gui/list_view.h"
#include "gui/metrics.h"
#include "monitor/blacklist_rows.h"
#include "monitor/blacklist.h"
#include "ui/entry_actions.h"

namespace korvane {

namespace {

using namespace blacklist_form;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

class TBlacklistForm : public TForm {
 public:
  TBlacklistForm();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  HWND Item(UINT id) const { return GetDlgItem(Handle(), static_cast<int>(id)); }
  std::vector<std::wstring> SelectedNames() const;

  void FormActivate();
  void ListView1Click();
  void Button1Click();
  void Button2Click();

  std::vector<BlacklistRow> rows_;  // as the list shows them
  std::wstring chooser_file_;
};

TBlacklistForm::TBlacklistForm() {
  const SIZE size = WindowSizeForClient(kStyle, kExStyle, 462, 266);
  CreateForm(L"TBlacklistForm", L"Blacklist", kStyle, kExStyle, size.cx, size.cy, nullptr);
  HWND form = Handle();
  HWND list = AddControl(form, WC_LISTVIEWW, L"",
                         WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                             LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                         8, 8, 350, 250, ListView1);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  ListView_SetImageList(list, SystemSmallIcons(), LVSIL_SMALL);
  AddListColumns(list, {{L"Filename", 333, LVCFMT_LEFT}});
  const DWORD button = BS_PUSHBUTTON | WS_TABSTOP;
  AddControl(form, L"BUTTON", L"Add", button, 366, 8, 88, 25, Button1);
  AddControl(form, L"BUTTON", L"Delete", button | WS_DISABLED, 366, 40, 88, 25, Button2);
  AddControl(form, L"BUTTON", L"Open folder", button | WS_DISABLED, 366, 72, 88, 25, Button4);
  AddControl(form, L"BUTTON", L"Properties", button | WS_DISABLED, 366, 104, 88, 25, Button5);
  AddControl(form, L"BUTTON", L"Close", button, 366, 233, 88, 25, Button3);
  FormActivate();
}

std::vector<std::wstring> TBlacklistForm::SelectedNames() const {
  std::vector<std::wstring> names;
  for (int item : SelectedListItems(Item(ListView1))) {
    if (static_cast<size_t>(item) < rows_.size()) names.push_back(rows_[item].file_name);
  }
  return names;
}

// Rebuilds the list from the key: at each showing and after each change.
void TBlacklistForm::FormActivate() {
  HWND list = Item(ListView1);
  ListView_DeleteAllItems(list);
  rows_ = BlacklistRows();
  for (const BlacklistRow& row : rows_) AppendListItem(list, row.icon, {BlacklistRowCaption(row)});
  // Wide enough for the longest name, so that "(file not found)" shows.
  ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE);
  if (ListView_GetColumnWidth(list, 0) < Scale(333)) ListView_SetColumnWidth(list, 0, Scale(333));
  ListView1Click();
}

// The selection buttons follow the selection, however it was made.
void TBlacklistForm::ListView1Click() {
  const bool any = ListView_GetSelectedCount(Item(ListView1)) > 0;
  for (UINT id : {Button2, Button4, Button5}) EnableWindow(Item(id), any);
}

void TBlacklistForm::Button1Click() {
  FileChoice choice{kExecutablesFilter, true, chooser_file_};
  const std::vector<std::wstring> files = ChooseFiles(Handle(), choice);
  chooser_file_ = choice.file_name;
  AddToBlacklist(files);
  FormActivate();
}

void TBlacklistForm::Button2Click() {
  RemoveFromBlacklist(SelectedNames());
  FormActivate();
}

LRESULT TBlacklistForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->idFrom == ListView1 && header->code == LVN_ITEMCHANGED) ListView1Click();
      break;
    }
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED) return 0;
      switch (LOWORD(wparam)) {
        case Button1:
          Button1Click();
          break;
        case Button2:
          Button2Click();
          break;
        case Button4:
          OpenFolders(SelectedNames());
          break;
        case Button5:
          ShowProperties(SelectedNames(), Handle());
          break;
        case Button3:
          EndModal(IDCANCEL);
          break;
      }
      return 0;
  }
  return TForm::HandleMessage(message, wparam, lparam);
}

}  // namespace

void ShowBlacklistDialog(HWND owner) {
  TBlacklistForm form;
  form.ShowModal(owner);
}

}  // namespace korvane
