#include "gui/file_chooser.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/win32/lazy_libraries.h"

namespace korvane {

namespace {

// The buffer the dialog writes its choice into. A choice of many files can
// outgrow any fixed size, so it grows whenever the choice changes and once
// more when the user confirms, before the dialog fills it.
struct ChoiceBuffer {
  OPENFILENAMEW ofn = {};
  std::vector<wchar_t> text;

  void Reserve(size_t size) {
    if (size <= text.size()) return;
    text.resize(size, L'\0');
    ofn.lpstrFile = text.data();
    ofn.nMaxFile = static_cast<DWORD>(text.size());
  }
  // Room for the folder and every name as the dialog shows them: the quotes
  // and blanks between the names outnumber the separators of the result.
  void FitChoice(HWND dialog) {
    const LRESULT folder = SendMessageW(dialog, CDM_GETFOLDERPATH, 0, 0);
    const LRESULT names = SendMessageW(dialog, CDM_GETSPEC, 0, 0);
    if (folder >= 0 && names >= 0) Reserve(static_cast<size_t>(folder + names) + 4);
  }
};

// One chooser is open at a time on the window thread.
ChoiceBuffer* current = nullptr;

LRESULT CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                             DWORD_PTR) {
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK && current) current->FitChoice(dialog);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(dialog, ChooserProc, id);
  return DefSubclassProc(dialog, message, wparam, lparam);
}

UINT_PTR CALLBACK ChooserHook(HWND child, UINT message, WPARAM, LPARAM lparam) {
  // The hook runs in a child of the chooser; the chooser itself is its parent.
  if (message == WM_INITDIALOG) SetWindowSubclass(GetParent(child), ChooserProc, 1, 0);
  if (message == WM_NOTIFY && current &&
      reinterpret_cast<const OFNOTIFYW*>(lparam)->hdr.code == CDN_SELCHANGE) {
    current->FitChoice(GetParent(child));
  }
  return 0;
}

std::vector<std::wstring> SplitChoice(const wchar_t* text, bool several) {
  std::wstring first = text;
  text += first.size() + 1;
  if (!several || !*text) return {first};
  // Several files: the folder, then each name, each ended by a NUL.
  std::vector<std::wstring> files;
  const std::wstring folder = IncludeTrailingBackslash(first);
  for (std::wstring name; *text; text += name.size() + 1) {
    name = text;
    files.push_back(folder + name);
  }
  return files;
}

}  // namespace

std::vector<std::wstring> ChooseFiles(HWND owner, FileChoice& choice) {
  std::wstring filter = choice.filter;
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.push_back(L'\0');

  ChoiceBuffer buffer;
  buffer.Reserve(std::max<size_t>(choice.file_name.size() + 1, MAX_PATH * 4));
  choice.file_name.copy(buffer.text.data(), choice.file_name.size());
  OPENFILENAMEW& ofn = buffer.ofn;
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  // The scan finds programs through the current directory: the chooser must
  // not move it.
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              OFN_ENABLEHOOK | (choice.several ? OFN_ALLOWMULTISELECT : 0);
  ofn.lpfnHook = ChooserHook;

  current = &buffer;
  BOOL chosen = win32::CommonDialogs().GetOpenFileNameW(&ofn);
  // Names typed past the last growth: the dialog says how much room they
  // need, so it is asked again with that room.
  while (!chosen && win32::CommonDialogs().CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
    const size_t needed = *reinterpret_cast<const WORD*>(buffer.text.data());
    buffer.Reserve(std::max(needed + 1, buffer.text.size() * 2));
    std::fill(buffer.text.begin(), buffer.text.end(), L'\0');
    chosen = win32::CommonDialogs().GetOpenFileNameW(&ofn);
  }
  current = nullptr;
  const DWORD error = chosen ? 0 : win32::CommonDialogs().CommDlgExtendedError();
  if (error) {
    throw PlatformError(L"The file chooser failed (error " + std::to_wstring(error) + L").");
  }
  if (!chosen) return {};
  std::vector<std::wstring> files = SplitChoice(buffer.text.data(), choice.several);
  choice.file_name = files.front();
  return files;
}

}  // namespace korvane
