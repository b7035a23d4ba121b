// The startup places watched: each write another program makes is told as
// the scan parts it touched, a burst as one change, and a cycle for the
// change reads only those parts. Under Wine the system tells; on the memory
// platform a wait looks at the places.
#include "monitor/startup_changes.h"

#include <gtest/gtest.h>

#include <utility>

#include "catalogue/location.h"
#include "catalogue/places/value_item.h"
#include "monitor/monitor_world.h"
#ifdef _WIN32
#include "support/task_files.h"
#endif

namespace korvane::test {
namespace {

using StartupChangesTest = MonitorTest;

// Long enough for Wine's notifications; the memory platform answers at once.
constexpr uint32_t kWait = 3000;

std::wstring RunPart(RootKey root) {
  return std::wstring(RootKeyName(root)) + kRunKey;
}

std::wstring PartsText(const std::set<std::wstring>& parts) {
  std::wstring text;
  for (const std::wstring& part : parts) text += part + L"; ";
  return text;
}

TEST_F(StartupChangesTest, EachWriteIsToldAsThePartsItTouched) {
  const std::wstring winlogon = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  const std::wstring active_setup = L"\\Software\\Microsoft\\Active Setup\\Installed Components";
  const std::wstring services_once =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
  struct Case {
    const char* what;
    std::function<void()> write;
    std::wstring part;
  } cases[] = {
      {"a Run value", [] { SetString(RootKey::CurrentUser, kRunKey, L"Kv", kRoot + L"\\a.exe"); },
       RunPart(RootKey::CurrentUser)},
      {"a machine Run value",
       [] { SetString(RootKey::LocalMachine, kRunKey, L"Kv", kRoot + L"\\a.exe"); },
       RunPart(RootKey::LocalMachine)},
      {"a file in the Startup folder", [] { PutFile(kRoot + L"\\Startup\\kv.bat"); },
       kStartupFoldersPart},
      {"a file in a subfolder of it",
       [] {
         MakeFolder(kRoot + L"\\Startup\\Sub");
         PutFile(kRoot + L"\\Startup\\Sub\\kv.bat");
       },
       kStartupFoldersPart},
      {"a value of a key with several places",
       [&] { SetString(RootKey::LocalMachine, winlogon, L"Taskman", kRoot + L"\\a.exe"); },
       ValuePlacePart(RootKey::LocalMachine, winlogon, L"Taskman")},
      {"a value in a new subkey",
       [&] {
         SetString(RootKey::LocalMachine, active_setup + L"\\{Kv}", L"StubPath",
                   kRoot + L"\\a.exe");
       },
       ValuePlacePart(RootKey::LocalMachine, active_setup, L"StubPath")},
      {"a key made where there was none",
       [&] { SetString(RootKey::LocalMachine, services_once, L"Kv", kRoot + L"\\a.exe"); },
       std::wstring(RootKeyName(RootKey::LocalMachine)) + services_once},
#ifdef _WIN32
      // The scheduler's own store: its folder of task files (past the 32-bit
      // build's redirection of the system folder).
      {"a task file",
       [] { PutTaskFile(L"\\KvTest\\Watched", kLogonTrigger, TaskExec(kRoot + L"\\a.exe")); },
       kTaskSchedulerLocation},
#endif
  };
  for (const Case& c : cases) {
    SetUp();
    TRegistry reg;
    reg.SetRootKey(RootKey::LocalMachine);
    reg.DeleteKey(services_once);
    reg.DeleteKey(active_setup + L"\\{Kv}");
    if (reg.OpenKey(winlogon, false)) reg.DeleteValue(L"Taskman");
    StartupChanges changes;
    EXPECT_GT(changes.WatchedCount(), 0u);
    c.write();
    const std::set<std::wstring> parts = changes.Wait(kWait);
    EXPECT_TRUE(parts.count(c.part)) << c.what << ": " << ToUtf8(PartsText(parts));
    // Nothing else was written: nothing more to tell.
    EXPECT_TRUE(changes.Wait(300).empty()) << c.what;
  }
  TRegistry reg;
  reg.SetRootKey(RootKey::LocalMachine);
  reg.DeleteKey(services_once);
  reg.DeleteKey(active_setup + L"\\{Kv}");
  if (reg.OpenKey(winlogon, false)) reg.DeleteValue(L"Taskman");
}

TEST_F(StartupChangesTest, ABurstOfWritesIsOneChangeAndAKeyMadeAgainIsStillWatched) {
  StartupChanges changes;
  for (int i = 0; i < 10; ++i) {
    SetString(RootKey::CurrentUser, kRunKey, L"Kv " + std::to_wstring(i), kRoot + L"\\a.exe");
  }
  EXPECT_EQ(changes.Wait(kWait), (std::set<std::wstring>{RunPart(RootKey::CurrentUser)}));
  EXPECT_TRUE(changes.Wait(300).empty());

  // The key goes and comes back: its new values are still told.
  TRegistry reg;
  ASSERT_TRUE(reg.DeleteKey(kRunKey));
  EXPECT_EQ(changes.Wait(kWait), (std::set<std::wstring>{RunPart(RootKey::CurrentUser)}));
  SetString(RootKey::CurrentUser, kRunKey, L"Kv", kRoot + L"\\a.exe");
  EXPECT_EQ(changes.Wait(kWait), (std::set<std::wstring>{RunPart(RootKey::CurrentUser)}));
  SetString(RootKey::CurrentUser, kRunKey, L"Kv 2", kRoot + L"\\a.exe");
  EXPECT_EQ(changes.Wait(kWait), (std::set<std::wstring>{RunPart(RootKey::CurrentUser)}));
}

TEST_F(StartupChangesTest, ACycleForAChangeReadsOnlyItsPartsAndOneToldMeanwhileRunsAfter) {
  AddRun(L"A", L"a.exe");
  RecordedCycle recorded;
  recorded.cycle.Run();  // the first start: a.exe is new
  ASSERT_EQ(recorded.shown.size(), 1u);

  StartupChanges changes;
  AddRun(L"B", L"b.exe");
  const std::set<std::wstring> told = changes.Wait(kWait);
  bool asked = false;
  recorded.while_shown = [&](const StartupList&) {
    if (std::exchange(asked, true)) return;
    // The dialog is open: the next change waits until it has closed.
    AddRun(L"D", L"d.exe");
    const std::set<std::wstring> more = changes.Wait(kWait);
    // Not in the change told: a file put in the Startup folder afterwards.
    PutFile(kRoot + L"\\Startup\\c.bat");
    recorded.cycle.RunForChanges(more);
    EXPECT_EQ(recorded.shown.size(), 2u);
  };
  recorded.cycle.RunForChanges(told);
  EXPECT_FALSE(recorded.cycle.Running());
  ASSERT_EQ(recorded.shown.size(), 3u);
  EXPECT_EQ(FileNames(recorded.shown[1]), (std::vector<std::wstring>{kRoot + L"\\b.exe"}));
  EXPECT_EQ(FileNames(recorded.shown[2]), (std::vector<std::wstring>{kRoot + L"\\d.exe"}));
  EXPECT_EQ(recorded.rows.size(), 3u);  // the folder's file is not read yet
  // A whole cycle reads it.
  recorded.while_shown = nullptr;
  recorded.cycle.Run();
  ASSERT_EQ(recorded.shown.size(), 4u);
  EXPECT_EQ(FileNames(recorded.shown[3]), (std::vector<std::wstring>{kRoot + L"\\Startup\\c.bat"}));
}

}  // namespace
}  // namespace korvane::test
