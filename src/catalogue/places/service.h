#pragma once
// A service of a program that starts on its own. It is switched off (its
// start type set to disabled, the type it had kept by Korvane), never
// deleted.
#include <map>
#include <string>
#include <vector>

#include "catalogue/places/place_kind.h"
#include "platform/services.h"

namespace korvane {

struct StartupScan;

const PlaceKind& ServicePlace();

// The start types that services had before Korvane switched them off, kept
// under \Software\Korvane\ServicesSwitchedOff (one REG_SZ per service: "2",
// or "2 delayed"), by upper-case service name.
struct KeptStart {
  ServiceStart start = ServiceStart::Automatic;
  bool delayed = false;
};
std::map<std::wstring, KeptStart> ServicesSwitchedOff();

// The services that start on their own, and those that Korvane switched off.
void ListServices(const std::vector<ServiceRecord>& services, StartupScan& scan);

}  // namespace korvane
