#include "gui/background.h"

#include <system_error>
#include <thread>

#include "platform/win32/handles.h"

namespace korvane {

void RunBesideMessages(const std::function<void()>& work, HWND window, HACCEL accelerators) {
  win32::KernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::thread worker;
  try {
    worker = std::thread([&work, event = done.get()] {
      {
        const win32::ComApartment com;
        work();
      }
      SetEvent(event);
    });
  } catch (const std::system_error&) {
    return work();
  }
  bool quit = false;
  WPARAM quit_code = 0;
  const HANDLE handle = done.get();
  while (MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
         WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quit_code = msg.wParam;
        continue;
      }
      if (window && accelerators && TranslateAcceleratorW(window, accelerators, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  worker.join();
  if (quit) PostQuitMessage(static_cast<int>(quit_code));
}

}  // namespace korvane
