#pragma once
// A program action of a scheduled task that starts at logon or boot. The
// Task Scheduler switches, runs and stops it; a deleted task goes on record
// as its whole definition.
#include <vector>

#include "catalogue/places/place_kind.h"
#include "platform/tasks.h"

namespace korvane {

struct StartupScan;

const PlaceKind& ScheduledTaskPlace();

// One row for each program action of each task that starts at logon or boot.
void ListScheduledTasks(const std::vector<ScheduledTask>& tasks, StartupScan& scan);

}  // namespace korvane
