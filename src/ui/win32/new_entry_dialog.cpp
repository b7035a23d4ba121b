#include "ui/win32/new_entry_dialog.h"

#include <commctrl.h>

#include "gui/controls.h"
#include "gui/file_chooser.h"
#include "gui/form.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/handles.h"

namespace korvane {

namespace {

using namespace new_entry_form;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

UINT RadioButton(size_t location) {
  return RadioButtons + static_cast<UINT>(location);
}

bool IsWinIni(size_t location) {
  return NewEntryLocations()[location].kind == NewEntryLocationKind::WinIni;
}

class TNewEntryForm : public TForm {
 public:
  TNewEntryForm(NewEntryDialogState& state, const std::function<void()>& entry_added);
  // Takes the boxes, the location and the check box into the state; the
  // memo and the chooser's file are kept there as they change.
  void StoreState();
  bool added = false;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateControls();
  void ShowState();
  HWND Item(UINT id) const { return GetDlgItem(Handle(), static_cast<int>(id)); }
  std::wstring Text(UINT id) const { return ControlText(Item(id)); }
  bool Checked(UINT id) const {
    return IsDlgButtonChecked(Handle(), static_cast<int>(id)) == BST_CHECKED;
  }
  size_t CheckedLocation() const;
  void CheckLocation(size_t location);
  NewEntry Typed() const;

  void Edit2Change();
  void LocationClick(size_t location);
  void Button1Click();
  void Button3Click();
  void Button2Click();

  NewEntryDialogState& state_;
  const std::function<void()>& entry_added_;
  win32::Window tooltips_;
};

TNewEntryForm::TNewEntryForm(NewEntryDialogState& state, const std::function<void()>& entry_added)
    : state_(state), entry_added_(entry_added) {
  const SIZE size = WindowSizeForClient(kStyle, kExStyle, 502, 433);
  CreateForm(L"TNewEntryForm", L"New startup entry", kStyle, kExStyle, size.cx, size.cy, nullptr);
  CreateControls();
  ShowState();
}

void TNewEntryForm::CreateControls() {
  HWND form = Handle();
  constexpr DWORD kEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  // Created in tab order: the application, its information, the location,
  // then the buttons.
  AddControl(form, L"BUTTON", L"Application", BS_GROUPBOX, 8, 4, 218, 186);
  AddControl(form, L"STATIC", L"Title:", 0, 18, 24, 198, 14);
  AddControl(form, L"EDIT", L"", kEdit | WS_GROUP, 18, 40, 198, 21, Edit1);
  AddControl(form, L"STATIC", L"File name:", 0, 18, 68, 198, 14);
  AddControl(form, L"EDIT", L"", kEdit, 18, 84, 170, 21, Edit2);
  AddControl(form, L"BUTTON", L"...", BS_PUSHBUTTON | WS_TABSTOP, 192, 84, 24, 21, Button1);
  AddControl(form, L"STATIC", L"Parameters:", 0, 18, 112, 198, 14);
  AddControl(form, L"EDIT", L"", kEdit, 18, 128, 198, 21, Edit3);
  AddControl(form, L"BUTTON", L"Start after addition", BS_AUTOCHECKBOX | WS_TABSTOP, 18, 160, 198,
             18, CheckBox1);

  AddControl(form, L"BUTTON", L"File Information", BS_GROUPBOX, 8, 196, 218, 192);
  AddControl(form, L"EDIT", L"",
             ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 16, 214, 204,
             166, Memo1);

  AddControl(form, L"BUTTON", L"Location", BS_GROUPBOX, 234, 4, 260, 384);
  tooltips_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                                  form, nullptr, GetModuleHandleW(nullptr), nullptr));
  std::vector<int> separators;
  int y = 24;
  const auto& locations = NewEntryLocations();
  for (size_t i = 0; i < locations.size(); ++i) {
    if (i > 0 && locations[i].block != locations[i - 1].block) {
      separators.push_back(y + 2);
      y += 10;
    }
    HWND button = AddControl(form, L"BUTTON", locations[i].caption,
                             BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), 244, y, 244,
                             18, RadioButton(i));
    if (*locations[i].key_path) AddHint(tooltips_.get(), button, locations[i].key_path);
    y += 24;
  }
  AddControl(form, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 338, 400, 75, 25,
             Button3);
  AddControl(form, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 419, 400, 75, 25, Button2);
  // Last in the order, so that neither Tab nor the arrow keys stop on them.
  for (int line : separators) {
    AddControl(form, L"STATIC", L"", SS_ETCHEDHORZ | WS_DISABLED, 244, line, 240, 2);
  }
}

void TNewEntryForm::ShowState() {
  SetDlgItemTextW(Handle(), Edit1, state_.entry.title.c_str());
  SetDlgItemTextW(Handle(), Edit2, state_.entry.file_name.c_str());
  SetDlgItemTextW(Handle(), Edit3, state_.entry.parameters.c_str());
  CheckDlgButton(Handle(), CheckBox1, state_.start_after_addition ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(Item(CheckBox1), state_.start_enabled);
  std::wstring memo;
  for (const std::wstring& line : state_.memo) memo += (memo.empty() ? L"" : L"\r\n") + line;
  SetDlgItemTextW(Handle(), Memo1, memo.c_str());
  CheckLocation(state_.entry.location);
  Edit2Change();
}

void TNewEntryForm::StoreState() {
  state_.entry = Typed();
  state_.start_after_addition = Checked(CheckBox1);
  state_.start_enabled = IsWindowEnabled(Item(CheckBox1));
}

size_t TNewEntryForm::CheckedLocation() const {
  for (size_t i = 0; i < NewEntryLocations().size(); ++i) {
    if (Checked(RadioButton(i))) return i;
  }
  return 0;
}

void TNewEntryForm::CheckLocation(size_t location) {
  if (location >= NewEntryLocations().size()) location = 0;
  CheckRadioButton(Handle(), RadioButton(0), RadioButton(NewEntryLocations().size() - 1),
                   RadioButton(location));
  LocationClick(location);
}

NewEntry TNewEntryForm::Typed() const {
  return {Text(Edit1), Text(Edit2), Text(Edit3), CheckedLocation()};
}

// Runs when the file name or the parameters change. A win.ini button that
// is disabled while checked stays checked: "OK" then says why it can't be.
void TNewEntryForm::Edit2Change() {
  const bool enabled = WinIniLocationsEnabled(Text(Edit2), Text(Edit3));
  for (size_t i = 0; i < NewEntryLocations().size(); ++i) {
    if (IsWinIni(i)) EnableWindow(Item(RadioButton(i)), enabled);
  }
}

// win.ini takes the file name alone; any other location takes parameters.
void TNewEntryForm::LocationClick(size_t location) {
  EnableWindow(Item(Edit3), !IsWinIni(location));
}

void TNewEntryForm::Button1Click() {
  FileChoice choice{kExecutablesFilter, false, state_.chooser_file};
  const std::vector<std::wstring> files = ChooseFiles(Handle(), choice);
  if (files.empty() || !FileExists(files.front())) return;
  state_.chooser_file = choice.file_name;
  const std::wstring& file = files.front();
  SetDlgItemTextW(Handle(), Edit2, file.c_str());
  if (Text(Edit1).empty()) SetDlgItemTextW(Handle(), Edit1, ExtractFileTitle(file).c_str());
  const FileInformation info = DescribeFile(file);
  EnableWindow(Item(CheckBox1), !info.running);
  state_.memo = info.lines;
  StoreState();
  ShowState();
}

void TNewEntryForm::Button3Click() {
  const NewEntryCheck check = CheckNewEntry(Typed());
  switch (check.verdict) {
    case NewEntryVerdict::Refuse:
      MessageBoxW(Handle(), check.text.c_str(), L"Error", MB_OK | MB_ICONERROR);
      return;
    case NewEntryVerdict::AskReplace:
      MessageBeep(MB_ICONEXCLAMATION);
      if (MessageBoxW(Handle(), check.text.c_str(), L"Confirm", MB_YESNO | MB_ICONQUESTION) !=
          IDYES) {
        return;
      }
      break;
    case NewEntryVerdict::Place:
      break;
  }
  PlaceNewEntry(check.entry);
  added = true;
  if (entry_added_) entry_added_();
  if (IsWindowEnabled(Item(CheckBox1)) && Checked(CheckBox1)) StartNewEntry(check.entry);
  Button2Click();
}

void TNewEntryForm::Button2Click() {
  StoreState();  // the check box stays as it is
  state_.entry = {};
  state_.memo.clear();
  state_.chooser_file.clear();
  ShowState();
  EndModal(IDCANCEL);
}

LRESULT TNewEntryForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND) {
    const UINT id = LOWORD(wparam);
    const UINT code = HIWORD(wparam);
    if ((id == Edit2 || id == Edit3) && code == EN_CHANGE) {
      Edit2Change();
    } else if (id >= RadioButton(0) && id < RadioButton(NewEntryLocations().size()) &&
               code == BN_CLICKED) {
      // The system's own unchecking passes over a disabled button, and a
      // win.ini button may be disabled while checked: one location is
      // checked at any time.
      CheckRadioButton(Handle(), RadioButton(0), RadioButton(NewEntryLocations().size() - 1), id);
      LocationClick(id - RadioButtons);
    } else if (id == Button1 && code == BN_CLICKED) {
      Button1Click();
    } else if (id == Button3 && code == BN_CLICKED) {
      Button3Click();
    } else if (id == Button2 && code == BN_CLICKED) {
      Button2Click();
    }
    return 0;
  }
  return TForm::HandleMessage(message, wparam, lparam);
}

}  // namespace

bool ShowNewEntryDialog(HWND owner, NewEntryDialogState& state,
                        const std::function<void()>& entry_added) {
  TNewEntryForm form(state, entry_added);
  form.ShowModal(owner);
  form.StoreState();
  return form.added;
}

}  // namespace korvane
