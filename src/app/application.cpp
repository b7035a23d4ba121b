#include "app/application.h"

namespace korvane {

TApplication::TApplication() : MainForm(std::make_unique<TMainForm>()) {
  MainForm->EndsApplication = true;
}

int TApplication::Run(int show) {
  TMainForm& main_form = *MainForm;
  ShowWindow(main_form.Handle(), main_form.FirstShowCommand(show));
  SetForegroundWindow(main_form.Handle());
  MSG msg = {};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (main_form.Handle() &&
        TranslateAcceleratorW(main_form.Handle(), main_form.Accelerators(), &msg)) {
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace korvane
