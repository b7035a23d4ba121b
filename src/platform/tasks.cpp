#include "platform/error.h"
#include "platform/services.h"
#include "platform/tasks.h"

namespace korvane {

TasksAndServices ReadTasksAndServices() {
  TasksAndServices read;
  try {
    read.tasks = ListScheduledTasks();
  } catch (const PlatformError& error) {
    read.tasks_unread = error.Text();
  }
  try {
    read.services = ListServices();
  } catch (const PlatformError& error) {
    read.services_unread = error.Text();
  }
  return read;
}

}  // namespace korvane
