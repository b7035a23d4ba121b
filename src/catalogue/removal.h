#pragma once
#include "catalogue/entry.h"

namespace korvane {

// Which list the row comes from: the main list asks a running program to
// close, the new-entries list terminates it.
enum class RemovalSource { MainList, NewEntriesList };

// Removes the entry from its location, found from the row's name, file name
// and location text alone, then ends its program if it runs. Reports nothing.
void DeleteStartupEntry(const StartupEntry& row, RemovalSource source);

}  // namespace korvane
