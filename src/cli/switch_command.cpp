#include "cli/switch_command.h"

#include <optional>

#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/text.h"

namespace korvane {

namespace {

std::string Line(const std::wstring& text) {
  return "korvanec: " + ToUtf8(text) + "\n";
}

}  // namespace

CommandResult RunSwitchCommand(const std::vector<std::wstring>& args) {
  const bool on = args[0] == L"enable";
  std::optional<std::wstring> location;
  if (args.size() == 4 && args[2] == L"--location") {
    location = args[3];
  } else if (args.size() != 2) {
    return {2, {}, kKorvanecUsage};
  }
  const std::wstring& name = args[1];
  try {
    StartupList list;
    ScanStartupListWithParked(list);
    StartupList matching;
    for (const StartupEntry& row : list) {
      if (SameText(row.name, name) && (!location || SameText(row.location, *location))) {
        matching.push_back(row);
      }
    }
    if (matching.empty()) return {1, {}, Line(L"no startup entry \"" + name + L"\" was found.")};
    if (matching.size() > 1) {
      std::string err =
          Line(L"several startup entries are named \"" + name + L"\"; choose one with --location:");
      err += FormatStartupList(matching, ListFormat::Text);
      return {2, {}, err};
    }
    const std::vector<SwitchFailure> failures = SwitchStartupEntries(matching, on);
    if (!failures.empty()) return {3, {}, Line(failures.front().reason)};
    return {0, {}, {}};
  } catch (const PlatformError& error) {
    return {3, {}, Line(error.Text())};
  }
}

}  // namespace korvane
