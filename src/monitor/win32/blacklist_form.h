#pragma once
#include "ui/win32/form.h"

namespace korvane {

class TBlacklistForm : public TEmptyDialogForm {
 public:
  TBlacklistForm() : TEmptyDialogForm(L"TBlacklistForm", L"Blacklist") {}
};

}  // namespace korvane
