#pragma once
// A word of win.ini's "run" or "load" list, in the [windows] section: each
// names a program that the system starts at logon.
#include "catalogue/places/place_kind.h"

namespace korvane {

struct StartupLocation;
struct StartupScan;

const PlaceKind& WinIniWordPlace();

// Adds a row for each word of the list.
void ListWinIniKey(const StartupLocation& location, StartupScan& scan);

}  // namespace korvane
