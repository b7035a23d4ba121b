#include "ui/win32/parameters_dialog.h"

#include <commctrl.h>

#include "gui/controls.h"
#include "gui/form.h"
#include "gui/metrics.h"

namespace korvane {

namespace {

// The check boxes bound to settings, with their captions, in tab order.
struct SwitchBox {
  UINT id;
  bool AppSettings::*setting;
  const wchar_t* caption;
};
const SwitchBox kSwitchBoxes[] = {
    {CheckBox3, &AppSettings::min_to_tray, L"Minimize to system tray"},
    {CheckBox4, &AppSettings::close_to_tray, L"Close to system tray"},
    {CheckBox5, &AppSettings::confirm_exit, L"Confirm exit"},
    {CheckBox6, &AppSettings::single_deletion, L"Deletion of single entry"},
    {CheckBox7, &AppSettings::multiple_deletion, L"Deletion of multiple entries"},
    {CheckBox8, &AppSettings::single_launching, L"Launching of single entry"},
    {CheckBox9, &AppSettings::multiple_launching, L"Launching of multiple entries"},
    {CheckBox10, &AppSettings::single_movement, L"Movement of single entry"},
    {CheckBox11, &AppSettings::multiple_movement, L"Movement of multiple entries"},
    {CheckBox12, &AppSettings::single_stopping, L"Stopping of single entry"},
    {CheckBox13, &AppSettings::multiple_stopping, L"Stopping of multiple entries"},
    {CheckBox14, &AppSettings::single_addition, L"Addition to blacklist of single entry"},
    {CheckBox15, &AppSettings::multiple_addition, L"Addition to blacklist of multiple entries"},
    {CheckBox16, &AppSettings::report_changes, L"Report changed commands, not only new programs"},
    {CheckBox17, &AppSettings::report_windows, L"Report Windows' own entries too"},
};

constexpr int kColumnWidth = 270;
constexpr int kRow = 20;

class TParametersForm : public TForm {
 public:
  explicit TParametersForm(const ParametersChoice& shown);
  std::optional<ParametersChoice> chosen;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CreateControls();
  bool Checked(UINT id) const;
  void SetChecked(UINT id, bool on);
  void Button2Click();
};

TParametersForm::TParametersForm(const ParametersChoice& shown) {
  CreateForm(L"TParametersForm", L"Korvane parameters", WS_POPUP | WS_CAPTION | WS_SYSMENU,
             WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, 0, 0, nullptr);
  CreateControls();
  for (const SwitchBox& box : kSwitchBoxes) SetChecked(box.id, shown.settings.*box.setting);
  SendDlgItemMessageW(Handle(), SpinEdit1Buttons, UDM_SETPOS32, 0,
                      ShownMonitoring(shown.settings.monitoring));
  SetChecked(CheckBox1, shown.run_on_startup);
}

void TParametersForm::CreateControls() {
  HWND form = Handle();
  auto group = [&](const wchar_t* caption, int x, int y, int rows) {
    AddControl(form, L"BUTTON", caption, BS_GROUPBOX, x, y, kColumnWidth, 24 + rows * kRow, 0);
    return y + 18;
  };
  auto check = [&](UINT id, const wchar_t* caption, int x, int y) {
    AddControl(form, L"BUTTON", caption, BS_AUTOCHECKBOX | WS_TABSTOP, x + 10, y, kColumnWidth - 20,
               18, id);
  };
  auto switch_box = [&](size_t index, int x, int y) {
    check(kSwitchBoxes[index].id, kSwitchBoxes[index].caption, x, y);
  };

  const int left = 8;
  const int right = left + kColumnWidth + 8;
  int y = group(L"System tray", left, 8, 2);
  switch_box(0, left, y);
  switch_box(1, left, y + kRow);
  y = group(L"Startup", left, 68, 1);
  check(CheckBox1, L"Run on Windows startup", left, y);
  y = group(L"Confirmations", left, 108, 7);
  for (size_t i = 2; i < 9; ++i) switch_box(i, left, y + static_cast<int>(i - 2) * kRow);
  y = group(L"Confirmations", right, 8, 4);
  for (size_t i = 9; i < 13; ++i) switch_box(i, right, y + static_cast<int>(i - 9) * kRow);
  y = group(L"Monitoring", right, 128, 4);
  AddControl(form, L"STATIC", L"Check for new entries every:", 0, right + 10, y + 3, 168, 16, 0);
  HWND edit = AddControl(form, L"EDIT", L"1", WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_RIGHT,
                         right + 180, y, 44, 20, SpinEdit1);
  HWND spin = AddControl(form, UPDOWN_CLASSW, nullptr,
                         UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0,
                         0, 0, SpinEdit1Buttons);
  SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  SendMessageW(spin, UDM_SETRANGE32, 1, 60);
  SendMessageW(spin, UDM_SETPOS32, 0, 1);
  AddControl(form, L"STATIC", L"min.", 0, right + 230, y + 3, 30, 16, 0);
  // Its caption takes two lines.
  AddControl(form, L"BUTTON", kSwitchBoxes[13].caption, BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP,
             right + 10, y + 24, kColumnWidth - 20, 32, CheckBox16);
  switch_box(14, right, y + 58);

  const int width = right + kColumnWidth + 8;
  const int buttons_top = 108 + 24 + 7 * kRow + 10;
  AddControl(form, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, width - 2 * (75 + 8),
             buttons_top, 75, 23, Button2);
  AddControl(form, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, width - (75 + 8), buttons_top,
             75, 23, Button1);

  const SIZE size = WindowSizeForClient(static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE)),
                                        static_cast<DWORD>(GetWindowLongPtrW(form, GWL_EXSTYLE)),
                                        width, buttons_top + 23 + 10);
  SetWindowPos(form, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TParametersForm::Checked(UINT id) const {
  return IsDlgButtonChecked(Handle(), static_cast<int>(id)) == BST_CHECKED;
}

void TParametersForm::SetChecked(UINT id, bool on) {
  CheckDlgButton(Handle(), static_cast<int>(id), on ? BST_CHECKED : BST_UNCHECKED);
}

void TParametersForm::Button2Click() {
  ParametersChoice choice;
  for (const SwitchBox& box : kSwitchBoxes) choice.settings.*box.setting = Checked(box.id);
  // The spin control keeps its old position for a number typed beyond its
  // range; the field's own text is what the user chose.
  const int shown =
      static_cast<int>(SendDlgItemMessageW(Handle(), SpinEdit1Buttons, UDM_GETPOS32, 0, 0));
  choice.settings.monitoring = TypedMonitoring(ControlText(GetDlgItem(Handle(), SpinEdit1)), shown);
  choice.run_on_startup = Checked(CheckBox1);
  chosen = choice;
  EndModal(IDOK);
}

LRESULT TParametersForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND) {
    switch (LOWORD(wparam)) {
      case Button2:
        Button2Click();
        return 0;
      case Button1:
        EndModal(IDCANCEL);
        return 0;
    }
  }
  return TForm::HandleMessage(message, wparam, lparam);
}

}  // namespace

std::optional<ParametersChoice> ShowParametersDialog(HWND owner, const ParametersChoice& shown) {
  TParametersForm form(shown);
  form.ShowModal(owner);
  return form.chosen;
}

}  // namespace korvane
