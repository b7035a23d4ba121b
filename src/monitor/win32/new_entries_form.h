#pragma once
#include "ui/win32/form.h"

namespace korvane {

class TNewEntriesForm : public TEmptyDialogForm {
 public:
  TNewEntriesForm() : TEmptyDialogForm(L"TNewEntriesForm", L"New startup entries") {}
};

}  // namespace korvane
