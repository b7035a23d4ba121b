#include "gui/guard.h"

#include <exception>

#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

void ShowErrorBox(HWND owner, const std::wstring& text) {
  MessageBoxW(owner, text.c_str(), L"Korvane", MB_OK | MB_ICONERROR);
}

bool Guarded(HWND owner, const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const PlatformError& error) {
    ShowErrorBox(owner, error.Text());
  } catch (const std::exception& error) {
    ShowErrorBox(owner, FromUtf8(error.what()));
  } catch (...) {
    // Nothing may unwind through the system's frames, whatever was thrown.
    ShowErrorBox(owner, L"An unexpected error occurred.");
  }
  return false;
}

}  // namespace korvane
