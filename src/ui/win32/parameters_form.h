#pragma once
// The parameters dialog: the stored settings and whether the program starts
// with Windows.
#include <windows.h>

#include <utility>
#include <vector>

#include "ui/settings.h"
#include "ui/win32/form.h"

namespace korvane {

class TMainForm;

enum : UINT {
  CheckBox1 = 201,
  CheckBox3 = 203,
  CheckBox4,
  CheckBox5,
  CheckBox6,
  CheckBox7,
  CheckBox8,
  CheckBox9,
  CheckBox10,
  CheckBox11,
  CheckBox12,
  CheckBox13,
  CheckBox14,
  CheckBox15,
  SpinEdit1 = 230,
  SpinEdit1Buttons,
  Button1 = IDCANCEL,
  Button2 = IDOK,
};

class TParametersForm : public TForm {
 public:
  explicit TParametersForm(TMainForm& main_form);

  // Refills every control from the main list and the settings key.
  void FormActivate();
  // Stores the controls, updates the main window's settings, makes the
  // program a startup entry or not, and closes.
  void Button2Click();

  bool Checked(UINT id) const;
  void SetChecked(UINT id, bool on);
  int SpinValue() const;
  void SetSpinValue(int value);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void BeforeShowModal() override;

 private:
  void CreateControls();
  AppSettings FromControls() const;
  void ToControls(const AppSettings& settings);
  TMainForm& main_form_;
  bool run_on_startup_shown_ = false;
};

}  // namespace korvane
