// The program block: one instance, the application, the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/application.h"
#include "gui/guard.h"
#include "platform/files.h"
#include "platform/win32/handles.h"
#include "ui/win32/single_instance.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  using namespace korvane;
  // A second instance brings the first forward and ends before any window of
  // its own shows or the list is scanned.
  TLMDOneInstance instance(OwnExecutablePath());
  if (instance.EarlierInstance()) {
    TLMDOneInstance::ActivateEarlierInstance();
    return 0;
  }

  win32::ComApartment com;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES |
                                                         ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  int result = 1;
  Guarded(nullptr, [&] {
    TApplication application;
    result = application.Run(show);
  });
  return result;
}
