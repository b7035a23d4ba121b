#pragma once
// A value of one of the Run keys (and the other startup keys): the program
// it names is started at logon or boot.
#include "catalogue/places/place_kind.h"

namespace korvane {

class TRegistry;
struct StartupLocation;
struct StartupScan;

const PlaceKind& RegistryValuePlace();

// Adds a row for each value of the key that names a program.
void ListRegistryKey(const StartupLocation& location, TRegistry& reg, StartupScan& scan);

}  // namespace korvane
