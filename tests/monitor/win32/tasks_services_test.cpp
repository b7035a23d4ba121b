// Scheduled tasks and services under Wine: the real Task Scheduler and
// service control manager behind the rows and their commands.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/location.h"
#include "catalogue/removal.h"
#include "catalogue/undo_store.h"
#include "monitor/saved_list.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/tasks.h"
#include "support/programs.h"
#include "support/task_files.h"
#include "support/world.h"
#include "ui/entry_actions.h"

namespace korvane {
namespace {

using test::PutTaskFile;
using test::TaskExec;
constexpr const wchar_t* kLogon = test::kLogonTrigger;
constexpr const wchar_t* kBoot = test::kBootTrigger;

// Stops the service, waits until it has, and deletes it: a service that
// still runs is only marked for deletion, and its name can't be used again.
void RemoveService(const wchar_t* name) {
  win32::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  win32::ServiceHandle service(OpenServiceW(manager.get(), name, SERVICE_ALL_ACCESS));
  if (!service) return;
  SERVICE_STATUS status{};
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  for (int i = 0; i < 100; ++i) {
    if (!QueryServiceStatus(service.get(), &status) || status.dwCurrentState == SERVICE_STOPPED)
      break;
    Sleep(50);
  }
  DeleteService(service.get());
}

void MakeService(const wchar_t* name, const std::wstring& image, DWORD start, bool delayed) {
  RemoveService(name);
  win32::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  win32::ServiceHandle service;
  for (int i = 0; i < 100 && !service; ++i) {
    service.reset(
        CreateServiceW(manager.get(), name, (std::wstring(name) + L" (Korvane test)").c_str(),
                       SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, start, SERVICE_ERROR_NORMAL,
                       image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) break;
    if (!service) Sleep(50);
  }
  ASSERT_TRUE(service) << GetLastError();
  if (delayed) {
    // Where the manager keeps the delay (Wine's can't set it through the API).
    TRegistry reg;
    reg.SetRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(
        reg.OpenKey(std::wstring(L"\\SYSTEM\\CurrentControlSet\\Services\\") + name, false));
    reg.WriteValue(L"DelayedAutostart", {RegistryDataType::DWord, {1, 0, 0, 0}});
  }
}

class TasksAndServicesUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    program_ = testing::HelperProgram(L"korvane_startup_program.exe");
    service_program_ = testing::HelperProgram(L"korvane_test_service.exe");
    PutTaskFile(L"\\KvTest\\Logon", kLogon, TaskExec(program_, L"/logon"));
    PutTaskFile(L"\\KvTest\\Sub\\Boot", kBoot,
                TaskExec(program_, L"/one") + TaskExec(L"%windir%\\notepad.exe"), false);
    PutTaskFile(L"\\KvTest\\Mail", kLogon,
                L"<SendEmail><Server>mail</Server><Subject>x</Subject></SendEmail>");
    PutTaskFile(L"\\KvTest\\Daily",
                L"<TimeTrigger><StartBoundary>2026-01-01T00:00:00</StartBoundary></TimeTrigger>",
                TaskExec(program_));
    MakeService(L"KvAuto", L"\"" + service_program_ + L"\" -auto", SERVICE_AUTO_START, false);
    MakeService(L"KvDelayed", L"\"" + service_program_ + L"\"", SERVICE_AUTO_START, true);
    MakeService(L"KvDemand", L"\"" + service_program_ + L"\"", SERVICE_DEMAND_START, false);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"KvAuto", L"KvDelayed", L"KvDemand"}) RemoveService(name);
    for (const wchar_t* task : {L"\\KvTest\\Logon", L"\\KvTest\\Sub\\Boot", L"\\KvTest\\Mail",
                                L"\\KvTest\\Daily", L"\\KvTest\\Added"}) {
      RemoveFile(test::TaskStoreFolder() + task);
    }
    TRegistry reg;
    reg.DeleteKey(L"\\Software\\Korvane\\ServicesSwitchedOff");
  }

  StartupList Ours() {
    StartupList rows;
    ScanStartupListWithParked(rows);
    StartupList ours;
    for (StartupEntry& row : rows) {
      const bool task =
          row.location == kTaskSchedulerLocation && row.name.rfind(L"\\KvTest\\", 0) == 0;
      const bool service = row.location == kServicesLocation &&
                           row.name.find(L"(Korvane test)") != std::wstring::npos;
      if (task || service) ours.push_back(std::move(row));
    }
    return ours;
  }

  static const StartupEntry* Row(const StartupList& rows, const std::wstring& name,
                                 size_t nth = 0) {
    for (const StartupEntry& row : rows) {
      if (row.name == name && nth-- == 0) return &row;
    }
    return nullptr;
  }

  std::wstring program_, service_program_;
};

TEST_F(TasksAndServicesUnderWine, LogonAndBootTasksAndAutomaticServicesAreListed) {
  const StartupList rows = Ours();
  std::vector<std::wstring> names;
  for (const StartupEntry& row : rows) names.push_back(row.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"\\KvTest\\Logon", L"\\KvTest\\Sub\\Boot",
                                              L"\\KvTest\\Sub\\Boot", L"KvAuto (Korvane test)",
                                              L"KvDelayed (Korvane test)"}));
  const StartupEntry* logon = Row(rows, L"\\KvTest\\Logon");
  ASSERT_TRUE(logon);
  EXPECT_TRUE(SameText(logon->file_name, program_)) << logon->file_name;
  EXPECT_EQ(logon->parameters, L"/logon");
  EXPECT_TRUE(logon->enabled);
  const StartupEntry* boot = Row(rows, L"\\KvTest\\Sub\\Boot", 1);
  ASSERT_TRUE(boot);
  EXPECT_TRUE(SameText(boot->file_name, WindowsDirectory() + L"\\notepad.exe")) << boot->file_name;
  EXPECT_FALSE(boot->enabled);
  const StartupEntry* automatic = Row(rows, L"KvAuto (Korvane test)");
  ASSERT_TRUE(automatic);
  EXPECT_TRUE(SameText(automatic->file_name, service_program_)) << automatic->file_name;
  EXPECT_EQ(automatic->parameters, L"-auto");
  EXPECT_FALSE(automatic->running);
  EXPECT_TRUE(std::get<ServiceSource>(Row(rows, L"KvDelayed (Korvane test)")->source).delayed);
}

TEST_F(TasksAndServicesUnderWine, AServiceStartsStopsAndComesBackWithItsStartType) {
  StartupList rows = Ours();
  ASSERT_TRUE(Row(rows, L"KvDelayed (Korvane test)"));
  const StartupEntry delayed = *Row(rows, L"KvDelayed (Korvane test)");
  RunEntries({delayed});
  for (int i = 0; i < 50 && !ReadService(L"KvDelayed")->running; ++i) Sleep(100);
  EXPECT_TRUE(Row(Ours(), L"KvDelayed (Korvane test)")->running);
  StopEntries({delayed});
  for (int i = 0; i < 50 && ReadService(L"KvDelayed")->running; ++i) Sleep(100);
  EXPECT_FALSE(Row(Ours(), L"KvDelayed (Korvane test)")->running);

  EXPECT_TRUE(SwitchStartupEntries({delayed}, false).empty());
  EXPECT_EQ(ReadService(L"KvDelayed")->start, ServiceStart::Disabled);
  const StartupList now = Ours();
  const StartupEntry* off = Row(now, L"KvDelayed (Korvane test)");
  ASSERT_TRUE(off);
  EXPECT_FALSE(off->enabled);
  const std::vector<SwitchFailure> failed = SwitchStartupEntries({*off}, true);
  EXPECT_TRUE(failed.empty()) << ToUtf8(SwitchReport(failed, true));
  EXPECT_EQ(ReadService(L"KvDelayed")->start, ServiceStart::Automatic);
  EXPECT_TRUE(ReadService(L"KvDelayed")->delayed);

  // Never deleted.
  RemovalResult removed = DeleteStartupEntry(delayed, RemovalSource::MainList);
  EXPECT_FALSE(removed.done);
  EXPECT_TRUE(ReadService(L"KvDelayed"));
}

// The copy kept is the definition that was listed, trigger and program
// included. A scheduler that registers it without them (Wine's) makes the
// restore fail, and the copy stays.
TEST_F(TasksAndServicesUnderWine, ATaskIsDeletedOnRecordAndRegisteredAgainFromIt) {
  ASSERT_TRUE(Row(Ours(), L"\\KvTest\\Logon"));
  const StartupEntry logon = *Row(Ours(), L"\\KvTest\\Logon");
  const std::optional<std::wstring> before = ReadTaskDefinition(L"\\KvTest\\Logon");
  ASSERT_TRUE(before);
  EXPECT_NE(before->find(L"<LogonTrigger>"), std::wstring::npos) << *before;
  EXPECT_NE(before->find(program_), std::wstring::npos) << *before;
  RemovalResult removed = DeleteStartupEntry(logon, RemovalSource::MainList);
  ASSERT_TRUE(removed.done) << removed.reason;
  EXPECT_FALSE(TaskExists(L"\\KvTest\\Logon"));
  std::vector<RemovedEntry> records = ReadRemovedEntries();
  ASSERT_EQ(records.size(), 1u);
  RestoreResult restored = RestoreRemovedEntry(records[0].id, RestoreTaken::Ask);
  if (restored.outcome == RestoreResult::Restored) {
    ASSERT_TRUE(Row(Ours(), L"\\KvTest\\Logon"));
    EXPECT_EQ(Row(Ours(), L"\\KvTest\\Logon")->file_name, logon.file_name);
    EXPECT_TRUE(ReadRemovedEntries().empty());
  } else {
    EXPECT_EQ(restored.outcome, RestoreResult::Failed);
    EXPECT_NE(restored.reason.find(L"triggers and programs"), std::wstring::npos)
        << restored.reason;
    EXPECT_FALSE(TaskExists(L"\\KvTest\\Logon"));
    ASSERT_EQ(ReadRemovedEntries().size(), 1u);
    EXPECT_EQ(ReadRemovedEntries()[0].id, records[0].id);
  }
}

TEST_F(TasksAndServicesUnderWine, TaskCommandsSucceedOnlyWhenTheSchedulerHonoursThem) {
  ASSERT_TRUE(Row(Ours(), L"\\KvTest\\Logon"));
  const StartupEntry logon = *Row(Ours(), L"\\KvTest\\Logon");
  // Wine's scheduler takes the call and keeps nothing: a success must show.
  const bool switched = SwitchStartupEntries({logon}, false).empty();
  ASSERT_TRUE(Row(Ours(), L"\\KvTest\\Logon"));
  EXPECT_EQ(switched, !Row(Ours(), L"\\KvTest\\Logon")->enabled);
  for (void (*act)(const StartupList&) : {&RunEntries, &StopEntries}) {
    try {
      act({logon});
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.Text().rfind(L"\\KvTest\\Logon: ", 0), 0u) << error.Text();
    }
  }
}

TEST_F(TasksAndServicesUnderWine, ATaskAddedWhileKorvaneRunsIsNew) {
  StartupList rows;
  ScanStartupListWithParked(rows);
  SaveStartupList(rows);
  test::PutFile(test::kRoot + L"\\added.exe");
  PutTaskFile(L"\\KvTest\\Added", kLogon, TaskExec(test::kRoot + L"\\added.exe"));
  ScanStartupListWithParked(rows);
  const StartupList fresh = FindNewEntries(rows);
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_EQ(fresh[0].name, L"\\KvTest\\Added");
  EXPECT_EQ(fresh[0].location, kTaskSchedulerLocation);
}

}  // namespace
}  // namespace korvane
