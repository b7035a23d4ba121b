// korvane_dialog_preview: shows one of the dialogs, filled as a user would
// have it, until it is closed; the dialog screenshots are taken of it.
//
//   new-entry FILE     the new startup entry dialog after a browse of FILE
//   blacklist FILE...  the blacklist dialog with the files on the blacklist
//   removed NAME=COMMAND...  the user's Run values written, deleted, and the
//                      restore dialog showing them
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "monitor/blacklist.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "ui/win32/blacklist_dialog.h"
#include "ui/win32/new_entry_dialog.h"
#include "ui/win32/removed_dialog.h"

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
  } else if (what == L"removed") {
    const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const std::wstring& pair : files) {
      const size_t equals = pair.find(L'=');
      TRegistry reg;
      if (equals != std::wstring::npos && reg.OpenKey(run, true)) {
        reg.WriteString(pair.substr(0, equals), pair.substr(equals + 1));
      }
    }
    StartupList rows;
    ScanStartupList(rows);
    for (const StartupEntry& row : rows) {
      if (SameText(row.location, L"HKEY_CURRENT_USER" + run)) {
        DeleteStartupEntry(row, RemovalSource::MainList);
      }
    }
    ShowRemovedEntriesDialog(nullptr);
  }
  CoUninitialize();
  return 0;
}
