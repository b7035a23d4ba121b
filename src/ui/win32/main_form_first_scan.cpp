// The first scan, made off the window's thread while the window is built.
#include <windows.h>

#include <chrono>
#include <future>
#include <utility>

#include "gui/controls.h"
#include "ui/win32/main_form.h"

namespace korvane {

std::future<ScannedList> TMainForm::StartFirstScan() {
  // The first scan and the shell's icon list need no window: they are made on
  // a thread of their own while the window is built. The window waits for the
  // scan only; the icons are first needed when a row is drawn.
  std::promise<ScannedList> scan;
  std::future<ScannedList> first_scan = scan.get_future();
  shell_icons_ =
      std::async(std::launch::async | std::launch::deferred, [scan = std::move(scan)]() mutable {
        // Shortcuts are read through the shell's COM objects.
        const win32::ComApartment com;
        try {
          scan.set_value(ScanStartupLocations());
        } catch (...) {
          scan.set_exception(std::current_exception());
        }
        SystemSmallIcons();
      });
  // Where no thread could be made, both are made here, now.
  if (shell_icons_.wait_for(std::chrono::seconds(0)) == std::future_status::deferred) {
    shell_icons_.wait();
  }
  return first_scan;
}

}  // namespace korvane
