// The memory world's Task Scheduler and service control manager.
#include <algorithm>

#include "platform/error.h"
#include "platform/memory/world.h"
#include "platform/services.h"
#include "platform/tasks.h"

namespace korvane {

using namespace memory::detail;

namespace {

void CheckScheduler(const wchar_t* call) {
  if (TakeFault(memory::Fault::Scheduler)) {
    throw PlatformError(std::wstring(L"The Task Scheduler refused ") + call + L".");
  }
}

FakeTask& Task(const std::wstring& path) {
  auto found = TheWorld().tasks.find(Upper(path));
  if (found == TheWorld().tasks.end())
    throw PlatformError(L"The task " + path + L" is not registered.");
  return found->second;
}

ServiceRecord& Service(const std::wstring& name) {
  World& w = TheWorld();
  if (TakeFault(memory::Fault::ServiceManager)) {
    throw PlatformError(L"The service control manager refused to open the service " + name + L".");
  }
  auto found = std::find_if(w.services.begin(), w.services.end(),
                            [&](const ServiceRecord& s) { return Upper(s.name) == Upper(name); });
  if (found == w.services.end()) throw PlatformError(L"The service " + name + L" does not exist.");
  return *found;
}

}  // namespace

namespace memory {

void PutTask(const ScheduledTask& task, const std::wstring& definition) {
  std::wstring text = definition.empty() ? L"<Task>" + task.path + L"</Task>" : definition;
  TheWorld().tasks[Upper(task.path)] = {task, text};
  TheWorld().definitions[text] = task;
}

void LockService(const std::wstring& name) {
  TheWorld().locked_services.insert(Upper(name));
}

void PutService(const ServiceRecord& service) {
  auto& services = TheWorld().services;
  services.erase(
      std::remove_if(services.begin(), services.end(),
                     [&](const ServiceRecord& s) { return Upper(s.name) == Upper(service.name); }),
      services.end());
  services.push_back(service);
}

}  // namespace memory

std::vector<ScheduledTask> ListScheduledTasks() {
  CheckScheduler(L"to list its tasks");
  std::vector<ScheduledTask> tasks;
  for (const auto& [key, task] : TheWorld().tasks) tasks.push_back(task.task);
  return tasks;
}

bool TaskExists(const std::wstring& path) {
  CheckScheduler(L"to look for a task");
  return TheWorld().tasks.count(Upper(path)) != 0;
}

std::optional<std::wstring> ReadTaskDefinition(const std::wstring& path) {
  CheckScheduler(L"to give a task's definition");
  auto found = TheWorld().tasks.find(Upper(path));
  if (found == TheWorld().tasks.end()) return std::nullopt;
  return found->second.definition;
}

void RegisterTask(const std::wstring& path, const std::wstring& definition) {
  CheckScheduler(L"to register a task");
  World& w = TheWorld();
  if (w.tasks.count(Upper(path))) throw PlatformError(L"The task " + path + L" exists.");
  ScheduledTask task;
  if (auto known = w.definitions.find(definition); known != w.definitions.end())
    task = known->second;
  task.path = path;
  task.running = false;
  w.tasks[Upper(path)] = {task, definition};
}

void DeleteTask(const std::wstring& path) {
  CheckScheduler(L"to delete a task");
  Task(path);
  TheWorld().tasks.erase(Upper(path));
}

void SetTaskEnabled(const std::wstring& path, bool enabled) {
  CheckScheduler(enabled ? L"to switch a task on" : L"to switch a task off");
  Task(path).task.enabled = enabled;
}

void RunTask(const std::wstring& path) {
  CheckScheduler(L"to run a task");
  Task(path).task.running = true;
}

void StopTask(const std::wstring& path) {
  CheckScheduler(L"to stop a task");
  Task(path).task.running = false;
}

std::future<TasksAndServices> ListTasksAndServices() {
  // One world, read from one thread: the lists are read when they are taken.
  return std::async(std::launch::deferred, [] { return ReadTasksAndServices(); });
}

std::vector<ServiceRecord> ListServices() {
  if (TakeFault(memory::Fault::ServiceManager)) {
    throw PlatformError(L"The service control manager refused to list the services.");
  }
  return TheWorld().services;
}

std::optional<ServiceRecord> ReadService(const std::wstring& name) {
  for (const ServiceRecord& service : ListServices()) {
    if (Upper(service.name) == Upper(name)) return service;
  }
  return std::nullopt;
}

bool MayConfigureService(const std::wstring& name) {
  return !TheWorld().locked_services.count(Upper(name));
}

void SetServiceStart(const std::wstring& name, ServiceStart start, bool delayed) {
  if (!MayConfigureService(name)) {
    throw PlatformError(L"OpenService failed for " + name + L": Access is denied.");
  }
  ServiceRecord& service = Service(name);
  service.start = start;
  if (start == ServiceStart::Automatic) service.delayed = delayed;
}

void StartServiceNamed(const std::wstring& name) {
  ServiceRecord& service = Service(name);
  if (service.start == ServiceStart::Disabled) {
    throw PlatformError(L"The service " + name + L" is disabled and cannot be started.");
  }
  service.running = true;
}

void StopServiceNamed(const std::wstring& name) {
  Service(name).running = false;
}

}  // namespace korvane
