#include "catalogue/places/scheduled_task.h"

#include "catalogue/command_line.h"
#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "catalogue/scan.h"
#include "platform/text.h"

namespace korvane {

namespace {

const TaskSource& Task(const StartupEntry& row) {
  return std::get<TaskSource>(row.source);
}

class ScheduledTaskKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry&) const override { return L"task"; }

  std::wstring Place(const StartupEntry& row) const override {
    return L"T" + std::to_wstring(Task(row).action) + L"|" + Task(row).path;
  }

  bool SamePlace(const StartupEntry& a, const StartupEntry& b) const override {
    return SameText(Task(a).path, Task(b).path) && Task(a).action == Task(b).action;
  }

  bool StillThere(const StartupEntry& row) const override { return TaskExists(Task(row).path); }
  bool StandsAsRead(const StartupEntry&) const override { return false; }
  bool Occupied(const StartupEntry&) const override { return false; }

  // A task goes on record as its whole definition.
  bool Capture(EntryCopy& copy, std::wstring& reason) const override {
    std::optional<std::wstring> definition = ReadTaskDefinition(Task(copy.record.row).path);
    if (!definition) {
      reason = L"The entry is no longer in its location.";
      return false;
    }
    copy.bytes = ToUtf8(*definition);
    return true;
  }

  bool KeepsBytes() const override { return true; }

  // Every program action of the task goes with it.
  bool Remove(const StartupEntry& row) const override {
    if (TaskExists(Task(row).path)) DeleteTask(Task(row).path);
    return true;
  }

  // A task is registered again from its definition.
  PutBackResult PutBack(const EntryCopy& copy, TakenPlace taken) const override {
    const TaskSource& task = Task(copy.record.row);
    const std::wstring definition = FromUtf8(copy.bytes);
    std::wstring path = task.path;
    std::optional<std::wstring> there = ReadTaskDefinition(path);
    if (there && *there != definition) {
      if (taken == TakenPlace::Refuse) {
        return {PutBackResult::Taken, L"Another task of that name is registered now.", {}};
      }
      if (taken == TakenPlace::Replace) {
        DeleteTask(path);
        there.reset();
      }
      for (int n = 2; there && *there != definition; ++n) {
        path = NumberedName(task.path, n, L"");
        there = ReadTaskDefinition(path);
      }
    }
    if (!there) RegisterTask(path, definition);
    StartupEntry row = copy.record.row;
    std::get<TaskSource>(row.source).path = path;
    row.name = path;
    return {PutBackResult::Done, {}, std::move(row)};
  }

  bool Restorable(const StartupEntry& row) const override {
    return !Task(row).path.empty() && Task(row).path[0] == L'\\';
  }

  // Any task path is the Task Scheduler's to refuse.
  bool NamesStartupPlace(const StartupEntry&, const std::vector<StartupLocation>&) const override {
    return true;
  }

  bool SwitchedBySystem() const override { return true; }
  std::wstring Switch(const StartupEntry& row, bool on) const override {
    SetTaskEnabled(Task(row).path, on);
    return {};
  }
  void Run(const StartupEntry& row) const override { RunTask(Task(row).path); }
  void Stop(const StartupEntry& row) const override { StopTask(Task(row).path); }

  std::wstring WhyNotMoved() const override { return L"A scheduled task cannot be moved."; }
};

}  // namespace

const PlaceKind& ScheduledTaskPlace() {
  static const ScheduledTaskKind kind;
  return kind;
}

void ListScheduledTasks(const std::vector<ScheduledTask>& tasks, StartupScan& scan) {
  for (const ScheduledTask& task : tasks) {
    if (!task.at_logon_or_boot) continue;
    for (size_t i = 0; i < task.actions.size(); ++i) {
      SplitCommand command = SplitTaskAction(task.actions[i]);
      std::wstring file = ResolveProgramFile(command.file_name);
      if (file.empty()) continue;
      scan.Add(task.path, std::move(file), std::move(command.parameters), kTaskSchedulerLocation,
               TaskSource{task.path, i, ExpandEnvironment(task.actions[i].working_folder)});
      StartupEntry& row = scan.list.back();
      row.running = row.running || task.running;
      row.enabled = task.enabled;
    }
  }
}

}  // namespace korvane
