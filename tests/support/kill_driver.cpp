// korvanec built with the kill hook, for the tests that end it after its
// k-th write; and one command korvanec has not, the new entries dialog's
// "Undo change" of a current user's Run value:
//   korvane_kill_driver undo-change NAME BEFORE-COMMAND
#include <windows.h>

#include <cstdio>

#include "catalogue/scan.h"
#include "cli/korvanec.h"
#include "monitor/new_entries.h"
#include "platform/win32/system.h"

namespace {

int UndoChange(const std::wstring& name, const std::wstring& before_command) {
  using namespace korvane;
  StartupList rows;
  ScanStartupList(rows);
  for (const StartupEntry& row : rows) {
    const auto* value = std::get_if<RegistrySource>(&row.source);
    if (!value || value->root != RootKey::CurrentUser || value->value_name != name ||
        value->key_path != L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run") {
      continue;
    }
    StartupEntry before = row;
    RegistryValue& data = std::get<RegistrySource>(before.source).value;
    data = {RegistryDataType::String, {}};
    for (wchar_t c : before_command + L'\0') {
      data.data.push_back(static_cast<uint8_t>(c & 0xFF));
      data.data.push_back(static_cast<uint8_t>(c >> 8));
    }
    std::wstring reason;
    return UndoEntryChange({row, ChangeKind::Changed, before}, reason) ? 0 : 3;
  }
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  korvane::win32::LoadLibrariesFromSystemFolderOnly();
  CoInitialize(nullptr);
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  int code = 0;
  if (args.size() == 3 && args[0] == L"undo-change") {
    code = UndoChange(args[1], args[2]);
  } else {
    const korvane::CommandResult result = korvane::RunKorvanec(args);
    std::fwrite(result.out.data(), 1, result.out.size(), stdout);
    std::fwrite(result.err.data(), 1, result.err.size(), stderr);
    code = result.exit_code;
  }
  CoUninitialize();
  return code;
}
