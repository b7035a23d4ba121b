#pragma once
#include "ui/win32/form.h"

namespace korvane {

class TNewEntryForm : public TEmptyDialogForm {
 public:
  TNewEntryForm() : TEmptyDialogForm(L"TNewEntryForm", L"New startup entry") {}
};

}  // namespace korvane
