// Scheduled tasks and services as startup entries, on the memory platform:
// how their rows read, and every command that fits them.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/command_line.h"
#include "catalogue/location.h"
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "monitor/blacklist.h"
#include "monitor/monitor_world.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "monitor/switching.h"
#include "platform/text.h"
#include "platform/error.h"
#include "platform/memory/arrange.h"
#include "ui/entry_actions.h"
#include "ui/list_rules.h"

namespace korvane {
namespace {

using memory::PutFile;

ScheduledTask Task(const std::wstring& path, std::vector<TaskAction> actions,
                   bool at_logon = true) {
  ScheduledTask task;
  task.path = path;
  task.at_logon_or_boot = at_logon;
  task.actions = std::move(actions);
  return task;
}

ServiceRecord Service(const std::wstring& name, const std::wstring& image, ServiceStart start,
                      bool delayed = false) {
  ServiceRecord service;
  service.name = name;
  service.display_name = name + L" display";
  service.image_path = image;
  service.start = start;
  service.delayed = delayed;
  return service;
}

class TasksAndServices : public ::testing::Test {
 protected:
  void SetUp() override {
    memory::Reset();
    PutFile(L"C:\\Vendor\\updater.exe");
    PutFile(L"C:\\Program Files\\Sync Tool\\sync.exe");
    PutFile(L"C:\\WINDOWS\\system32\\svchost.exe");
    PutFile(L"C:\\WINDOWS\\system32\\wuaueng.dll");
    PutFile(L"C:\\Services\\agent.exe");
  }

  StartupList Scan() {
    StartupList rows;
    ScanStartupListWithParked(rows);
    return rows;
  }

  const StartupEntry* Find(const StartupList& rows, const std::wstring& name, size_t nth = 0) {
    for (const StartupEntry& row : rows) {
      if (row.name == name && nth-- == 0) return &row;
    }
    return nullptr;
  }
};

TEST(TaskActionsAndImagePaths, SplitAsTheScanSplitsACommand) {
  memory::Reset();
  PutFile(L"C:\\Program Files\\Sync Tool\\sync.exe");
  PutFile(L"C:\\WINDOWS\\system32\\svchost.exe");
  memory::SetEnvironmentVariable(L"ProgramFiles", L"C:\\Program Files");
  struct Case {
    TaskAction action;
    std::wstring file, parameters;
  } tasks[] = {
      {{L"%ProgramFiles%\\Sync Tool\\sync.exe", L"/background", L""},
       L"C:\\Program Files\\Sync Tool\\sync.exe",
       L"/background"},
      {{L"\"C:\\Program Files\\Sync Tool\\sync.exe\"", L"", L""},
       L"C:\\Program Files\\Sync Tool\\sync.exe",
       L""},
      {{L"\"C:\\Program Files\\Sync Tool\\sync.exe\" -a", L"-b %windir%", L""},
       L"C:\\Program Files\\Sync Tool\\sync.exe",
       L"-a -b C:\\WINDOWS"},
  };
  for (const Case& c : tasks) {
    SplitCommand split = SplitTaskAction(c.action);
    EXPECT_EQ(split.file_name, c.file) << c.action.command;
    EXPECT_EQ(split.parameters, c.parameters) << c.action.command;
  }
  struct ImageCase {
    std::wstring image, dll, file, parameters;
  } images[] = {
      {L"\"C:\\Program Files\\Sync Tool\\sync.exe\" -service", L"",
       L"C:\\Program Files\\Sync Tool\\sync.exe", L"-service"},
      {L"C:\\Program Files\\Sync Tool\\sync.exe -k", L"", L"C:\\Program Files\\Sync Tool\\sync.exe",
       L"-k"},
      {L"%SystemRoot%\\system32\\svchost.exe -k netsvcs", L"%SystemRoot%\\system32\\wuaueng.dll",
       L"C:\\WINDOWS\\system32\\wuaueng.dll", L"-k netsvcs"},
      {L"\\SystemRoot\\system32\\svchost.exe -k local", L"", L"C:\\WINDOWS\\system32\\svchost.exe",
       L"-k local"},
      {L"\\??\\C:\\Program Files\\Sync Tool\\sync.exe", L"",
       L"C:\\Program Files\\Sync Tool\\sync.exe", L""},
      {L"system32\\svchost.exe -k x", L"", L"C:\\WINDOWS\\system32\\svchost.exe", L"-k x"},
  };
  for (const ImageCase& c : images) {
    ServiceRecord service;
    service.image_path = c.image;
    service.service_dll = c.dll;
    SplitCommand split = SplitServiceImage(service);
    EXPECT_EQ(split.file_name, c.file) << c.image;
    EXPECT_EQ(split.parameters, c.parameters) << c.image;
  }
}

TEST_F(TasksAndServices, ListedAfterTheOtherLocationsWithTheirState) {
  ScheduledTask two =
      Task(L"\\Vendor\\Updater", {{L"C:\\Vendor\\updater.exe", L"/logon", L"C:\\Vendor"},
                                  {L"C:\\Program Files\\Sync Tool\\sync.exe", L"", L""}});
  two.running = true;
  memory::PutTask(two);
  ScheduledTask off = Task(L"\\Off", {{L"C:\\Vendor\\updater.exe", L"", L""}});
  off.enabled = false;
  memory::PutTask(off);
  memory::PutTask(Task(L"\\Daily", {{L"C:\\Vendor\\updater.exe", L"", L""}}, false));
  memory::PutTask(Task(L"\\OnlyMail", {}));
  ServiceRecord automatic =
      Service(L"Agent", L"C:\\Services\\agent.exe -run", ServiceStart::Automatic);
  automatic.running = true;
  memory::PutService(automatic);
  memory::PutService(Service(L"Later", L"C:\\Services\\agent.exe", ServiceStart::Automatic, true));
  memory::PutService(Service(L"OnDemand", L"C:\\Services\\agent.exe", ServiceStart::Demand));
  memory::PutService(Service(L"Off", L"C:\\Services\\agent.exe", ServiceStart::Disabled));
  ServiceRecord shared = Service(L"wuauserv", L"%SystemRoot%\\system32\\svchost.exe -k netsvcs",
                                 ServiceStart::Automatic);
  shared.service_dll = L"%SystemRoot%\\system32\\wuaueng.dll";
  memory::PutService(shared);
  memory::SetString(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    L"Reg", L"C:\\Vendor\\updater.exe");

  const StartupList rows = Scan();
  std::vector<std::wstring> seen;
  for (const StartupEntry& row : rows) seen.push_back(row.name + L" @ " + row.location);
  EXPECT_EQ(seen, (std::vector<std::wstring>{
                      L"Reg @ HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                      L"\\Off @ Task Scheduler", L"\\Vendor\\Updater @ Task Scheduler",
                      L"\\Vendor\\Updater @ Task Scheduler", L"Agent display @ Services",
                      L"Later display @ Services", L"wuauserv display @ Services"}));
  const StartupEntry* first = Find(rows, L"\\Vendor\\Updater");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->file_name, L"C:\\Vendor\\updater.exe");
  EXPECT_EQ(first->parameters, L"/logon");
  EXPECT_TRUE(first->running);
  EXPECT_TRUE(first->enabled);
  EXPECT_EQ(Find(rows, L"\\Vendor\\Updater", 1)->file_name,
            L"C:\\Program Files\\Sync Tool\\sync.exe");
  EXPECT_NE(EntryIdentity(*first), EntryIdentity(*Find(rows, L"\\Vendor\\Updater", 1)));
  EXPECT_FALSE(Find(rows, L"\\Off")->enabled);
  EXPECT_TRUE(Find(rows, L"Agent display")->running);
  EXPECT_EQ(Find(rows, L"Agent display")->parameters, L"-run");
  EXPECT_FALSE(Find(rows, L"Later display")->running);
  EXPECT_EQ(Find(rows, L"wuauserv display")->file_name, L"C:\\WINDOWS\\system32\\wuaueng.dll");

  // Their rows survive the refresh's snapshot as the same entries, and so
  // does a plain file of a Startup folder, whose last field is empty.
  StartupList saved = rows;
  StartupEntry file;
  file.name = L"notes.txt";
  file.location = L"C:\\Startup";
  file.source = FileSource(L"C:\\Startup\\notes.txt");
  saved.push_back(file);
  std::optional<StartupList> read = ParseSnapshot(SnapshotText(saved));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), saved.size());
  for (size_t i = 0; i < saved.size(); ++i)
    EXPECT_EQ(EntryIdentity((*read)[i]), EntryIdentity(saved[i]));
}

TEST_F(TasksAndServices, AServiceSwitchedOffComesBackWithTheStartTypeItHad) {
  memory::PutService(Service(L"Later", L"C:\\Services\\agent.exe", ServiceStart::Automatic, true));
  memory::PutService(Service(L"Agent", L"C:\\Services\\agent.exe", ServiceStart::Automatic));
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(SwitchStartupEntries(rows, false).empty());
  EXPECT_EQ(ReadService(L"Later")->start, ServiceStart::Disabled);
  EXPECT_EQ(ReadService(L"Agent")->start, ServiceStart::Disabled);
  rows = Scan();
  ASSERT_EQ(rows.size(), 2u);  // still listed, as switched off
  EXPECT_FALSE(rows[0].enabled);
  EXPECT_FALSE(rows[1].enabled);
  EXPECT_TRUE(SwitchStartupEntries(rows, true).empty());
  EXPECT_EQ(ReadService(L"Later")->start, ServiceStart::Automatic);
  EXPECT_TRUE(ReadService(L"Later")->delayed);
  EXPECT_EQ(ReadService(L"Agent")->start, ServiceStart::Automatic);
  EXPECT_FALSE(ReadService(L"Agent")->delayed);
  EXPECT_TRUE(Scan()[0].enabled);

  // A manager that refuses leaves the service as it was, and says so.
  rows = Scan();
  memory::FailNext(memory::Fault::ServiceManager);
  std::vector<SwitchFailure> failed = SwitchStartupEntries({rows[0]}, false);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_NE(failed[0].reason.find(L"refused"), std::wstring::npos);
  EXPECT_EQ(ReadService(L"Later")->start, ServiceStart::Automatic);
  EXPECT_TRUE(Scan()[0].enabled);
}

// A scheduler or a service manager that can't be read leaves out its own
// rows only, and the scan says which was not read.
TEST_F(TasksAndServices, AListThatCannotBeReadLeavesOutItsOwnRowsOnly) {
  memory::SetString(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    L"Tool", L"C:\\Vendor\\updater.exe");
  memory::PutTask(Task(L"\\Vendor\\Updater", {{L"C:\\Vendor\\updater.exe", L"", L""}}));
  memory::PutService(Service(L"Agent", L"C:\\Services\\agent.exe", ServiceStart::Automatic));
  struct Case {
    memory::Fault fault;
    const wchar_t* says;
    std::vector<std::wstring> listed;
  } cases[] = {
      {memory::Fault::Scheduler,
       L"The Task Scheduler could not be read",
       {L"Tool", L"Agent display"}},
      {memory::Fault::ServiceManager,
       L"The services could not be read",
       {L"Tool", L"\\Vendor\\Updater"}},
  };
  for (const Case& c : cases) {
    memory::FailNext(c.fault);
    StartupList rows;
    try {
      ScanStartupListWithParked(rows);
      ADD_FAILURE() << "nothing said of the list that was not read";
    } catch (const SourcesUnread& error) {
      EXPECT_EQ(error.Text().rfind(c.says, 0), 0u) << ToUtf8(error.Text());
    }
    std::vector<std::wstring> names;
    for (const StartupEntry& row : rows) names.push_back(row.name);
    EXPECT_EQ(names, c.listed);

    // The window's cycle says it instead of failing, lists the rest, and
    // neither reports nor saves a list that lacks the source's rows.
    test::RecordedCycle recorded;
    const std::optional<std::vector<std::wstring>> saved = ReadSavedList();
    memory::FailNext(c.fault);
    recorded.cycle.Run();
    ASSERT_EQ(recorded.unread.size(), 1u);
    EXPECT_EQ(recorded.unread[0].rfind(c.says, 0), 0u);
    EXPECT_EQ(recorded.rows.size(), c.listed.size());
    EXPECT_EQ(recorded.steps, std::vector<std::wstring>{L"scan"});
    EXPECT_EQ(ReadSavedList(), saved);
    recorded.cycle.Run();  // read again: the bar is cleared, the list saved
    EXPECT_EQ(recorded.unread.back(), L"");
    EXPECT_EQ(recorded.rows.size(), 3u);
  }
  EXPECT_EQ(Scan().size(), 3u);
}

TEST_F(TasksAndServices, ATaskSwitchesItsEnabledFlagAndIsDeletedOnRecordAndRestored) {
  memory::PutTask(Task(L"\\Vendor\\Updater", {{L"C:\\Vendor\\updater.exe", L"", L""}}),
                  L"<Task>the definition</Task>");
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(SwitchStartupEntries(rows, false).empty());
  EXPECT_FALSE(Scan()[0].enabled);
  EXPECT_TRUE(SwitchStartupEntries(Scan(), true).empty());
  EXPECT_TRUE(Scan()[0].enabled);

  RemovalResult removed = DeleteStartupEntry(rows[0], RemovalSource::MainList);
  EXPECT_TRUE(removed.done) << removed.reason;
  EXPECT_FALSE(TaskExists(L"\\Vendor\\Updater"));
  std::vector<RemovedEntry> records = ReadRemovedEntries();
  ASSERT_EQ(records.size(), 1u);
  // Someone registers another task there meanwhile: the record comes back
  // beside it, and then in its own place once that is free.
  memory::PutTask(Task(L"\\Vendor\\Updater", {}), L"<Task>another</Task>");
  EXPECT_EQ(RestoreRemovedEntry(records[0].id, RestoreTaken::Ask).outcome, RestoreResult::Taken);
  RestoreResult restored = RestoreRemovedEntry(records[0].id, RestoreTaken::Rename);
  EXPECT_EQ(restored.outcome, RestoreResult::Restored) << restored.reason;
  EXPECT_EQ(ReadTaskDefinition(L"\\Vendor\\Updater (2)"), L"<Task>the definition</Task>");
  EXPECT_EQ(ReadTaskDefinition(L"\\Vendor\\Updater"), L"<Task>another</Task>");
}

TEST_F(TasksAndServices, CommandsThatDoNotFitAreRefusedWithTheirReason) {
  memory::PutTask(Task(L"\\T", {{L"C:\\Vendor\\updater.exe", L"", L""}}));
  memory::PutService(Service(L"Agent", L"C:\\Services\\agent.exe", ServiceStart::Automatic));
  const StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 2u);
  const StartupEntry& task = rows[0];
  const StartupEntry& service = rows[1];

  RemovalResult removal = DeleteStartupEntry(service, RemovalSource::MainList);
  EXPECT_FALSE(removal.done);
  EXPECT_NE(removal.reason.find(L"not deleted"), std::wstring::npos);
  EXPECT_EQ(ReadService(L"Agent")->start, ServiceStart::Automatic);
  EXPECT_TRUE(ReadRemovedEntries().empty());

  SelectionState only_service = SelectionOf({service});
  EXPECT_FALSE(only_service.any_deletable);
  EXPECT_FALSE(only_service.any_movable);
  EXPECT_FALSE(only_service.why_not.empty());
  SelectionState only_task = SelectionOf({task});
  EXPECT_TRUE(only_task.any_deletable);
  EXPECT_FALSE(only_task.any_movable);
  EXPECT_NE(only_task.why_not.find(L"task"), std::wstring::npos);
  EXPECT_TRUE(SelectionOf({task, service}).why_not.empty() == false);

  // Run and Stop go through the scheduler and the manager; a refusal names the row.
  RunEntries(rows);
  EXPECT_TRUE(ListScheduledTasks()[0].running);
  EXPECT_TRUE(ReadService(L"Agent")->running);
  StopEntries(rows);
  EXPECT_FALSE(ListScheduledTasks()[0].running);
  EXPECT_FALSE(ReadService(L"Agent")->running);
  memory::FailNext(memory::Fault::Scheduler);
  try {
    RunEntries(rows);
    ADD_FAILURE() << "a refused run reported nothing";
  } catch (const PlatformError& error) {
    EXPECT_EQ(error.Text().find(L"\\T: "), 0u) << error.Text();
  }
  EXPECT_TRUE(ReadService(L"Agent")->running);  // the other row was acted on
}

TEST_F(TasksAndServices, TheBlacklistDeletesATaskOnRecordAndSwitchesAServiceOff) {
  memory::PutTask(Task(L"\\Vendor\\Updater", {{L"C:\\Vendor\\updater.exe", L"", L""}}));
  memory::PutService(Service(L"Agent", L"C:\\Vendor\\updater.exe", ServiceStart::Automatic, true));
  RemovalFailures failures;
  Enforcement done = RemoveBlacklisted(Scan(), {L"C:\\Vendor\\updater.exe"}, failures);
  EXPECT_EQ(done.removed.size(), 2u);
  EXPECT_FALSE(TaskExists(L"\\Vendor\\Updater"));
  EXPECT_EQ(ReadRemovedEntries().size(), 1u);
  EXPECT_EQ(ReadService(L"Agent")->start, ServiceStart::Disabled);
  const std::wstring balloon = BlacklistBalloonText(done);
  EXPECT_NE(balloon.find(L"Scheduled tasks deleted: \\Vendor\\Updater"), std::wstring::npos)
      << balloon;
  EXPECT_NE(balloon.find(L"Services switched off: Agent display"), std::wstring::npos) << balloon;
  // Switched off, the service is left alone at the next enforcement, and
  // Enable brings back its delayed start.
  EXPECT_TRUE(RemoveBlacklisted(Scan(), {L"C:\\Vendor\\updater.exe"}, failures).removed.empty());
  EXPECT_TRUE(SwitchStartupEntries(Scan(), true).empty());
  EXPECT_EQ(ReadService(L"Agent")->start, ServiceStart::Automatic);
  EXPECT_TRUE(ReadService(L"Agent")->delayed);
}

}  // namespace
}  // namespace korvane
