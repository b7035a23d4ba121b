#include "catalogue/system_entries.h"

#include "catalogue/places/place_kind.h"
#include "platform/error.h"

namespace korvane {

bool IsSystemEntry(const StartupEntry& row) {
  return PlaceOf(row).SwitchedBySystem();
}

std::wstring SwitchSystemEntry(const StartupEntry& row, bool on) {
  try {
    return PlaceOf(row).Switch(row, on);
  } catch (const PlatformError& error) {
    return error.Text();
  }
}

void RunSystemEntry(const StartupEntry& row) {
  PlaceOf(row).Run(row);
}

void StopSystemEntry(const StartupEntry& row) {
  PlaceOf(row).Stop(row);
}

std::wstring WhyNotDeleted(const StartupEntry& row) {
  return PlaceOf(row).WhyNotDeleted();
}

std::wstring WhyNotMoved(const StartupEntry& row) {
  return PlaceOf(row).WhyNotMoved();
}

}  // namespace korvane
