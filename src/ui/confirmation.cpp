#include "ui/confirmation.h"

namespace korvane {

const Confirmation kRunConfirmation = {
    &AppSettings::single_launching,    &AppSettings::multiple_launching,
    L"Please, confirm launching",      L"Are you really want to launch this entry?",
    L"Are you really want to launch ", L" entries?"};
const Confirmation kStopConfirmation = {
    &AppSettings::single_stopping,   &AppSettings::multiple_stopping,
    L"Please, confirm stopping",     L"Are you really want to stop this entry?",
    L"Are you really want to stop ", L" entries?"};
const Confirmation kDeleteConfirmation = {&AppSettings::single_deletion,
                                          &AppSettings::multiple_deletion,
                                          L"Please, confirm deletion",
                                          L"Are you really want to permanently remove this entry?",
                                          L"Are you really want to permanently remove ",
                                          L" entries?"};
const Confirmation kBlacklistConfirmation = {
    &AppSettings::single_addition,
    &AppSettings::multiple_addition,
    L"Korvane",
    L"Are you really want to add this entry into blacklist?",
    L"Are you really want to add ",
    L" entries into blacklist?"};
// Asked about moving, in the words of the other questions.
const Confirmation kMoveConfirmation = {&AppSettings::single_movement,
                                        &AppSettings::multiple_movement,
                                        L"Korvane",
                                        L"Are you really want to move this entry?",
                                        L"Are you really want to move ",
                                        L" entries?"};

ConfirmationStep ConfirmationFor(const Confirmation& confirmation, size_t selected,
                                 const AppSettings& settings) {
  if (selected == 0) return {};
  bool ask = settings.*(selected == 1 ? confirmation.one_row : confirmation.several_rows);
  if (!ask) return {ConfirmationStep::Go, {}, {}};
  std::wstring text = selected == 1 ? std::wstring(confirmation.one_row_text)
                                    : confirmation.several_before + std::to_wstring(selected) +
                                          confirmation.several_after;
  return {ConfirmationStep::Ask, confirmation.caption, std::move(text)};
}

}  // namespace korvane
