#pragma once
// The standard error box, and the guard that keeps every exception out of
// window procedures, timers and callbacks.
#include <windows.h>

#include <functional>
#include <string>

namespace korvane {

// Caption "Korvane", the error's text, the error icon.
void ShowErrorBox(HWND owner, const std::wstring& text);

// Runs `action`. Any exception, of whatever type, ends it and is shown in the
// error box owned by `owner`; the caller goes on. True when the action ran
// to its end.
bool Guarded(HWND owner, const std::function<void()>& action);

}  // namespace korvane
