#pragma once
// Building a form's child controls from sizes given at 96 DPI.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace korvane {

// Creates a visible child control of `form` at a place given at 96 DPI,
// with the program's font; `ex_style` as WS_EX_CLIENTEDGE for a sunken list.
HWND AddControl(HWND form, const wchar_t* window_class, const wchar_t* text, DWORD style, int x,
                int y, int width, int height, UINT id = 0, DWORD ex_style = 0);

// The window size that gives a form of `style` a client area of the given
// size at 96 DPI, scaled.
SIZE WindowSizeForClient(DWORD style, DWORD ex_style, int client_width, int client_height);

// Shows `text` as the control's hint.
void AddHint(HWND tooltips, HWND control, const wchar_t* text);

// A control's whole text.
std::wstring ControlText(HWND control);

// The shell's list of small file icons, shared with the system.
HIMAGELIST SystemSmallIcons();

}  // namespace korvane
