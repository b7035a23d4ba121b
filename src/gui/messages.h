#pragma once
// Window class names, captions and message numbers that more than one file
// (or more than one process) must agree on.
#include <windows.h>

#include "korvane_version.h"

namespace korvane {

// The main window: found by a second instance through both.
inline constexpr wchar_t kMainFormClass[] = L"TMainForm";
inline constexpr wchar_t kMainFormCaption[] = L"Korvane " KORVANE_VERSION_TEXT;

// Posted by a second instance to the first: come to the front.
constexpr UINT kShowInstanceMessage = WM_APP + 10;

}  // namespace korvane
