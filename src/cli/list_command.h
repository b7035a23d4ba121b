#pragma once
// korvanec list: the startup list as the window shows it.
#include <string>

#include "catalogue/entry.h"
#include "cli/command.h"
#include "ui/file_facts.h"

namespace korvane {

// The list as `korvanec list` prints it, header included (none for JSON).
std::string FormatStartupList(const StartupList& list, ListFormat format);
// With each row's publisher and description from `facts` (one per row),
// and its signature when `signatures`, and whether it is Windows' own (by
// its signer): after the other columns, so that scripts counting columns
// find theirs where they were.
std::string FormatStartupList(const StartupList& list, ListFormat format,
                              const std::vector<FileFacts>& facts, bool signatures);

}  // namespace korvane
