// korvane_dialog_preview: shows one of the dialogs, filled as a user would
// have it, until it is closed; the dialog screenshots are taken of it.
//
//   new-entry FILE     the new startup entry dialog after a browse of FILE
//   blacklist FILE...  the blacklist dialog with the files on the blacklist
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "monitor/blacklist.h"
#include "platform/text.h"
#include "ui/win32/blacklist_dialog.h"
#include "ui/win32/new_entry_dialog.h"

int wmain(int argc, wchar_t** argv) {
  using namespace korvane;
  CoInitialize(nullptr);
  const std::wstring what = argc > 1 ? argv[1] : L"";
  std::vector<std::wstring> files(argv + std::min(argc, 2), argv + argc);
  if (what == L"new-entry" && !files.empty()) {
    NewEntryDialogState state;
    state.entry = {ExtractFileTitle(files[0]), files[0], L"/minimized", 0};
    state.memo = DescribeFile(files[0]).lines;
    ShowNewEntryDialog(nullptr, state, [] {});
  } else if (what == L"blacklist") {
    AddToBlacklist(files);
    ShowBlacklistDialog(nullptr);
  }
  CoUninitialize();
  return 0;
}
