#pragma once
// Whether a change to an entry needs administrator rights here: asked of the
// system by opening what the change writes, never guessed from the place's
// name. A user without them (every user's programs on Windows since Vista,
// administrators' included) may read the machine's keys but not write them.
#include <string>

#include "catalogue/entry.h"
#include "platform/registry.h"

namespace korvane {

// What a change refused for want of rights says.
extern const wchar_t kNeedsAdministrator[];

// True when the key can be read but not written with the rights this program
// has; for a missing key, the nearest key above it, where it would be made.
bool KeyNeedsAdministrator(RootKey root, RegistryView view, const std::wstring& path);

// True when changing the entry in its place needs administrator rights:
// deleting, moving or parking a value or a file, switching a service. (The
// Task Scheduler tells this only when asked to change a task.)
bool NeedsAdministrator(const StartupEntry& row);

}  // namespace korvane
