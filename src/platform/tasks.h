#pragma once
// The Task Scheduler: the registered tasks that start programs when a user
// logs on or the system starts, and the few things Korvane does to a task.
// Every call throws PlatformError when the scheduler refuses or can't be
// reached.
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace korvane {

// A program action of a task, as the definition holds it (references to
// environment variables not expanded).
struct TaskAction {
  std::wstring command, arguments, working_folder;
};

struct ScheduledTask {
  std::wstring path;  // "\Vendor\Updater"
  bool enabled = true;
  bool running = false;             // an instance runs now
  bool at_logon_or_boot = false;    // an enabled logon or boot trigger
  std::vector<TaskAction> actions;  // the program actions, in order
};

// Every registered task of every folder, hidden ones included, folder by
// folder from the root.
std::vector<ScheduledTask> ListScheduledTasks();
bool TaskExists(const std::wstring& path);
// The task's definition (its XML) as it is listed: the scheduler's, or the
// file it keeps where its own lacks the triggers and actions; nothing when no
// such task is registered.
std::optional<std::wstring> ReadTaskDefinition(const std::wstring& path);
// Registers a new task at `path` from its definition; fails when one is
// there, and when the scheduler keeps the task without the definition's
// triggers and actions (the task is then deleted again).
void RegisterTask(const std::wstring& path, const std::wstring& definition);
void DeleteTask(const std::wstring& path);
// Switches the task on or off, and fails unless the scheduler then says so.
void SetTaskEnabled(const std::wstring& path, bool enabled);
void RunTask(const std::wstring& path);
// Ends the running instances of the task.
void StopTask(const std::wstring& path);

// The tasks and the services, as a scan wants both. The scheduler and the
// service manager answer from processes of their own, slower than all of the
// registry: on Windows they are read on a thread of their own while the
// caller goes on. Each list stands on its own: one that can't be read (the
// scheduler not running yet, say) is empty, with why.
struct TasksAndServices {
  std::vector<ScheduledTask> tasks;
  std::vector<ServiceRecord> services;
  std::wstring tasks_unread, services_unread;  // the platform's error; empty when read
};
// Both lists, each read apart from the other.
TasksAndServices ReadTasksAndServices();
std::future<TasksAndServices> ListTasksAndServices();

}  // namespace korvane
