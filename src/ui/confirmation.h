#pragma once
// The question a command on entries asks before it acts, switched by the
// one-row and several-rows settings of that command.
#include <cstddef>
#include <string>

#include "ui/settings.h"

namespace korvane {

struct Confirmation {
  bool AppSettings::*one_row;
  bool AppSettings::*several_rows;
  const wchar_t* caption;
  const wchar_t* one_row_text;
  // With several rows the text is these two around the count.
  const wchar_t* several_before;
  const wchar_t* several_after;
};

extern const Confirmation kRunConfirmation;
extern const Confirmation kStopConfirmation;
extern const Confirmation kDeleteConfirmation;
extern const Confirmation kBlacklistConfirmation;
extern const Confirmation kMoveConfirmation;

struct ConfirmationStep {
  enum Kind {
    Nothing,  // no row is selected: the command does nothing at all
    Ask,      // beep, then ask `caption` / `text` with Yes and No
    Go,       // the setting is off: act without asking
  } kind = Nothing;
  std::wstring caption, text;
};

ConfirmationStep ConfirmationFor(const Confirmation& confirmation, size_t selected,
                                 const AppSettings& settings);

}  // namespace korvane
