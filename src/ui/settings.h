#pragma once
// The program's settings: switches and the monitoring interval kept as
// REG_DWORD values of \Software\Korvane under HKEY_CURRENT_USER.
#include <cstdint>
#include <string>

#include "catalogue/entry.h"

namespace korvane {

extern const wchar_t kSettingsKey[];

// Every switch is off and the interval 0 until the settings are read; that is
// also what the whole run keeps when the key cannot be opened.
struct AppSettings {
  bool min_to_tray = false;
  bool close_to_tray = false;
  bool confirm_exit = false;
  bool single_deletion = false;
  bool multiple_deletion = false;
  bool single_launching = false;
  bool multiple_launching = false;
  bool single_movement = false;
  bool multiple_movement = false;
  bool single_stopping = false;
  bool multiple_stopping = false;
  bool single_addition = false;
  bool multiple_addition = false;
  // "Report changed commands, not only new programs": the refresh reports
  // changed, moved and re-enabled entries too (value report_changes).
  bool report_changes = false;
  // "Report Windows' own entries too" (value report_windows, written as 0
  // where missing): Windows' own new and changed entries open the dialog.
  bool report_windows = false;
  int32_t monitoring = 0;
};

// Opens (creating) the settings key, writes the missing switches as 1 (but
// report_windows as 0) and a
// missing or non-positive `monitoring` as 1, then reads every value into
// `settings` in the order min_to_tray, close_to_tray, monitoring, confirm_exit,
// the ten confirmation switches, report_changes and report_windows. Returns false, changing
// nothing, when the key cannot be opened. A value of another type than REG_DWORD throws the
// registry's error; what was read before it stays in `settings`.
bool ReadSettings(AppSettings& settings);

// Stores every switch as 0 or 1 and the interval as `monitoring`.
void StoreSettings(const AppSettings& settings);

// What the interval's spin edit can show: 1 to 60.
int32_t ShownMonitoring(int32_t stored);
// The interval typed into the field, taken as a spin control takes it: a
// number above 60 is 60, below 1 is 1. Text that is no number keeps `shown`.
int32_t TypedMonitoring(const std::wstring& text, int32_t shown);

// The program registers itself under this value name of the current user's Run key.
extern const wchar_t kOwnRunKey[];
extern const wchar_t kOwnRunValue[];

// True when a row's file name is `own_path`, compared exactly, with case.
bool ListHoldsProgram(const StartupList& rows, const std::wstring& own_path);

// Makes the program a startup entry of the current user (`run` set) or
// removes every row whose file name is `own_path`. Rows are removed from
// their locations only: the running program itself is left alone and gets
// no close request. False when a row could not be removed.
bool SetRunOnStartup(bool run, const StartupList& rows, const std::wstring& own_path);

}  // namespace korvane
