// The program block: one instance, the forms, the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "platform/files.h"
#include "platform/win32/system.h"
#include "ui/win32/form.h"
#include "ui/win32/main_form.h"
#include "ui/win32/single_instance.h"

namespace {

// COM for the shell's objects, for the life of the window thread.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  using namespace korvane;
  win32::LoadLibrariesFromSystemFolderOnly();
  // A second instance brings the first forward and ends before any window of
  // its own shows or the list is scanned.
  TLMDOneInstance instance(OwnExecutablePath());
  if (instance.EarlierInstance()) {
    TLMDOneInstance::ActivateEarlierInstance();
    return 0;
  }

  ComApartment com;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES |
                                                         ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  int result = 1;
  Guarded(nullptr, [&] {
    TApplication application;
    TMainForm& main_form = *application.MainForm;
    main_form.EndsApplication = true;
    ShowWindow(main_form.Handle(), show);
    SetForegroundWindow(main_form.Handle());
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (main_form.Handle() &&
          TranslateAcceleratorW(main_form.Handle(), main_form.Accelerators(), &msg)) {
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    result = static_cast<int>(msg.wParam);
  });
  return result;
}
