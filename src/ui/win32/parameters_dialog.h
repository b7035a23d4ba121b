#pragma once
// The parameters dialog: the stored settings and whether the program starts
// with Windows.
#include <windows.h>

#include <optional>

#include "ui/settings.h"

namespace korvane {

// The dialog's controls.
enum : UINT {
  CheckBox1 = 201,  // Run on Windows startup
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
  CheckBox16,  // Report changed commands, not only new programs
  CheckBox17,  // Report Windows' own entries too
  SpinEdit1 = 230,
  SpinEdit1Buttons,
  Button1 = IDCANCEL,
  Button2 = IDOK,
};

struct ParametersChoice {
  AppSettings settings;
  bool run_on_startup = false;
};

// Shows `shown` modally over `owner` (the interval as the spin edit can show
// it, 1 to 60). The user's choice on OK; nothing on Cancel or the close box.
std::optional<ParametersChoice> ShowParametersDialog(HWND owner, const ParametersChoice& shown);

}  // namespace korvane
