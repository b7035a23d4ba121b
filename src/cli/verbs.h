#pragma once
// The verbs korvanec dispatches to, each given its parsed command line.
#include "cli/command.h"

namespace korvane {

CommandResult RunListVerb(const Arguments& args);
CommandResult RunSwitchVerb(const Arguments& args, bool on);  // disable, enable
CommandResult RunDeleteVerb(const Arguments& args);
CommandResult RunRunVerb(const Arguments& args);
CommandResult RunStopVerb(const Arguments& args);
CommandResult RunMoveVerb(const Arguments& args);
CommandResult RunAddVerb(const Arguments& args);
CommandResult RunBlacklistListVerb(const Arguments& args);
CommandResult RunBlacklistAddVerb(const Arguments& args);
CommandResult RunBlacklistRemoveVerb(const Arguments& args);
CommandResult RunRemovedVerb(const Arguments& args);
CommandResult RunRestoreVerb(const Arguments& args);
CommandResult RunExportVerb(const Arguments& args);
CommandResult RunCompareVerb(const Arguments& args);
CommandResult RunWatchVerb(const Arguments& args);

// Scans the startup list (the entries Korvane moved aside included) and
// picks the rows the command line names; on failure `error` is set.
Selection ScanAndSelect(const Arguments& args);

}  // namespace korvane
