#pragma once
// Scheduled tasks and services as startup entries: switching them off and
// on, running and stopping them, and the commands they don't take.
#include <string>

#include "catalogue/entry.h"
#include "catalogue/places/service.h"

namespace korvane {

// True for a row of a scheduled task or of a service.
bool IsSystemEntry(const StartupEntry& row);

// Switches a task (its Enabled flag) or a service (its start type to
// disabled, and back to the type it had) off or on. Returns why it could
// not; empty when it did. A service's former type is kept before it is
// switched off.
std::wstring SwitchSystemEntry(const StartupEntry& row, bool on);

// Runs the task now or starts the service; ends the task's instances or
// stops the service. Throw the platform's error.
void RunSystemEntry(const StartupEntry& row);
void StopSystemEntry(const StartupEntry& row);

// Why Delete (and the blacklist's removal) and Move to are not offered for
// the row; empty when they are.
std::wstring WhyNotDeleted(const StartupEntry& row);
std::wstring WhyNotMoved(const StartupEntry& row);

}  // namespace korvane
