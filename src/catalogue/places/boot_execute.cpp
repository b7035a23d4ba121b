#include "catalogue/places/boot_execute.h"

#include "platform/text.h"

namespace korvane {

namespace {

// "autocheck autochk *": the word autocheck names the program that follows it.
SplitCommand BootItem(const std::wstring& item) {
  SplitCommand command = SplitCommandLine(item);
  if (SameText(command.file_name, L"autocheck") || SameText(command.file_name, L"autocheck.exe")) {
    command = SplitCommandLine(command.parameters);
  }
  return command;
}

}  // namespace

std::vector<ValuePlace> BootExecutePlaces() {
  ValuePlace place{L"bootexecute", RootKey::LocalMachine,
                   L"\\System\\CurrentControlSet\\Control\\Session Manager", L"BootExecute"};
  place.list = ItemList::MultiString;
  place.split = BootItem;
  place.windows_own = {L"autocheck autochk *"};
  place.risk = L"Windows runs it at boot, before anyone logs on, with the rights of the system.";
  return {place};
}

}  // namespace korvane
