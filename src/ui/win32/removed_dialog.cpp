#include "ui/win32/removed_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "catalogue/undo_store.h"
#include "gui/controls.h"
#include "gui/form.h"
#include "gui/list_view.h"
#include "monitor/blacklist_rows.h"
#include "monitor/restored.h"

namespace korvane {

namespace {

using namespace removed_form;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The moment of a removal in the user's own date and time format.
std::wstring LocalTimeText(uint64_t file_time) {
  FILETIME utc{static_cast<DWORD>(file_time), static_cast<DWORD>(file_time >> 32)};
  FILETIME local;
  SYSTEMTIME time;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
  wchar_t date[80] = {}, clock[80] = {};
  GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 80, nullptr);
  GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 80);
  return std::wstring(date) + L" " + clock;
}

class TRemovedEntriesForm : public TForm {
 public:
  TRemovedEntriesForm();
  bool restored = false;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  HWND Item(UINT id) const { return GetDlgItem(Handle(), static_cast<int>(id)); }
  std::vector<RemovedEntry> Selected() const;

  void FormActivate();
  void ListView1Click();
  void Button1Click();
  void Button2Click();

  std::vector<RemovedEntry> entries_;  // as the list shows them
};

TRemovedEntriesForm::TRemovedEntriesForm() {
  const SIZE size = WindowSizeForClient(kStyle, kExStyle, 700, 330);
  CreateForm(L"TRemovedEntriesForm", L"Restore removed entries", kStyle, kExStyle, size.cx, size.cy,
             nullptr);
  HWND form = Handle();
  HWND list =
      AddControl(form, WC_LISTVIEWW, L"", WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                 8, 8, 588, 314, ListView1);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  AddListColumns(list, {{L"When", 120, LVCFMT_LEFT},
                        {L"Name", 110, LVCFMT_LEFT},
                        {L"File name", 150, LVCFMT_LEFT},
                        {L"Location", 110, LVCFMT_LEFT},
                        {L"How", 90, LVCFMT_LEFT}});
  const DWORD button = BS_PUSHBUTTON | WS_TABSTOP;
  AddControl(form, L"BUTTON", L"Restore", button | WS_DISABLED, 604, 8, 88, 25, Button1);
  AddControl(form, L"BUTTON", L"Delete", button | WS_DISABLED, 604, 40, 88, 25, Button2);
  AddControl(form, L"BUTTON", L"Close", button, 604, 297, 88, 25, Button3);
  FormActivate();
}

std::vector<RemovedEntry> TRemovedEntriesForm::Selected() const {
  std::vector<RemovedEntry> chosen;
  for (int item : SelectedListItems(Item(ListView1))) {
    if (static_cast<size_t>(item) < entries_.size()) chosen.push_back(entries_[item]);
  }
  return chosen;
}

// Rebuilds the list from the store: at each showing and after each change.
void TRemovedEntriesForm::FormActivate() {
  HWND list = Item(ListView1);
  ListView_DeleteAllItems(list);
  entries_ = ReadRemovedEntries();
  for (const RemovedEntry& entry : entries_) {
    const StartupEntry& row = entry.record.row;
    AppendListItem(list, -1,
                   {LocalTimeText(entry.record.when), row.name, row.file_name, row.location,
                    RemovalWayText(entry.record)});
  }
  ListView1Click();
}

void TRemovedEntriesForm::ListView1Click() {
  const bool any = ListView_GetSelectedCount(Item(ListView1)) > 0;
  for (UINT id : {Button1, Button2}) EnableWindow(Item(id), any);
}

void TRemovedEntriesForm::Button1Click() {
  const RestoreReport report = RestoreRemoved(Selected(), [this](const RemovedEntry& entry) {
    const int answer = MessageBoxW(Handle(), TakenPlaceQuestion(entry).c_str(), L"Confirm",
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) return std::optional(RestoreTaken::Replace);
    if (answer == IDNO) return std::optional(RestoreTaken::Rename);
    return std::optional<RestoreTaken>();
  });
  restored = restored || !report.restored.empty();
  if (!report.errors.empty()) {
    std::wstring text = L"These entries were not restored:\n";
    for (const std::wstring& error : report.errors) text += L"\n" + error;
    MessageBoxW(Handle(), text.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  }
  if (!report.blacklisted.empty() &&
      MessageBoxW(Handle(), BlacklistedQuestion(report.blacklisted).c_str(), L"Confirm",
                  MB_YESNO | MB_ICONQUESTION) == IDYES) {
    RemoveFromBlacklist(BlacklistedPrograms(report.blacklisted));
  }
  FormActivate();
}

void TRemovedEntriesForm::Button2Click() {
  const std::vector<RemovedEntry> chosen = Selected();
  const std::wstring question = L"Forget the " + std::to_wstring(chosen.size()) +
                                L" selected removed entries? They can't be restored after this.";
  if (MessageBoxW(Handle(), question.c_str(), L"Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  std::vector<std::wstring> ids;
  for (const RemovedEntry& entry : chosen) ids.push_back(entry.id);
  if (!ForgetRemovedEntries(ids)) {
    MessageBoxW(Handle(), L"Some of the records could not be deleted.", L"Korvane",
                MB_OK | MB_ICONWARNING);
  }
  FormActivate();
}

LRESULT TRemovedEntriesForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
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
        case Button3:
          EndModal(IDCANCEL);
          break;
      }
      return 0;
  }
  return TForm::HandleMessage(message, wparam, lparam);
}

}  // namespace

bool ShowRemovedEntriesDialog(HWND owner) {
  TRemovedEntriesForm form;
  form.ShowModal(owner);
  return form.restored;
}

}  // namespace korvane
