#pragma once
// Winlogon's values: the programs that Windows starts at logon (Userinit),
// the shell it starts (Shell, the machine's and the user's own), the task
// manager it starts in place of its own (Taskman) and the setup programs it
// runs (AppSetup).
#include <vector>

#include "catalogue/places/value_item.h"

namespace korvane {

std::vector<ValuePlace> WinlogonPlaces();

}  // namespace korvane
