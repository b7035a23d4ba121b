// The program block: one instance, the application, the message loop.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string_view>

#include "app/application.h"
#include "gui/guard.h"
#include "platform/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/system.h"
#include "ui/elevation.h"
#include "ui/win32/single_instance.h"

namespace {

// Restarted as administrator: the instance that asked for it is closing, and
// its single-instance marker goes with it.
void WaitForInstanceThatRestarted(const wchar_t* command_line) {
  const std::wstring_view line = command_line ? command_line : L"";
  const std::wstring_view restarted = korvane::kRestartedSwitch;
  if (line.substr(0, restarted.size()) != restarted) return;
  const unsigned long id = std::wcstoul(command_line + restarted.size(), nullptr, 10);
  korvane::win32::KernelHandle earlier(OpenProcess(SYNCHRONIZE, FALSE, id));
  if (earlier) WaitForSingleObject(earlier.get(), 30000);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int show) {
  using namespace korvane;
  win32::LoadLibrariesFromSystemFolderOnly();
  WaitForInstanceThatRestarted(command_line);
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
