#pragma once
// The program's windows for one run: the main window, which opens the
// dialogs as it needs them, and the message loop.
#include <memory>

#include "ui/win32/main_form.h"

namespace korvane {

class TApplication {
 public:
  TApplication();
  std::unique_ptr<TMainForm> MainForm;

  // Shows the main window as `show` says and dispatches messages until it
  // closes; returns the quit code.
  int Run(int show);
};

}  // namespace korvane
