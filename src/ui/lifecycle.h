#pragma once
// The rules around the main window's life that need no window: the close
// check, the instance marker's name and the balloon texts.
#include <string>

#include "ui/settings.h"

namespace korvane {

// What a close request of the main window leads to.
enum class CloseAction {
  Close,     // the window closes and the program ends
  Minimise,  // the program goes to the tray (or the taskbar) instead
  Ask,       // the exit question decides
};

// First step of the close check. `exit_requested` is set when the request
// came from the tray menu's "Exit"; it is cleared here when the program ends
// without asking.
CloseAction CloseQuery(bool& exit_requested, const AppSettings& settings);
// Second step, after the exit question: true when the window may close.
// Any answer but Yes keeps the program and clears `exit_requested`.
bool CloseAfterAnswer(bool answered_yes, bool& exit_requested);

extern const wchar_t kExitQuestion[];
extern const wchar_t kExitQuestionCaption[];

// The name of the mutex that marks a running instance: the executable's file
// name in upper case (ASCII letters only).
std::wstring InstanceMarkerName(const std::wstring& executable_path);

// Balloon texts as the notification area takes them: the title cut to 63
// characters and the text to 255. A cut never splits a surrogate pair.
std::wstring BalloonTitle(const std::wstring& title);
std::wstring BalloonText(const std::wstring& text);

}  // namespace korvane
