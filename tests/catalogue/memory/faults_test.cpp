// Faults and states that Wine cannot make on demand.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/moves.h"
#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "catalogue/system_entries.h"
#include "catalogue/undo_store.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kRun = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class CatalogueFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::PutFile(tool_);
  }
  static StartupList Scan() {
    StartupList list;
    ScanStartupList(list);
    return list;
  }
  const std::wstring root_ = test::kRoot;
  const std::wstring tool_ = root_ + L"\\Tools\\tool.exe";
};

TEST_F(CatalogueFaults, RowsFoundBeforeAnErrorStay) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  CreateStartupShortcut(tool_, root_ + L"\\Startup\\tool.lnk", L"", L"");
  memory::FailNext(memory::Fault::ShellLink);
  StartupList list;
  EXPECT_THROW(ScanStartupList(list), PlatformError);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, L"Tool");
}

TEST_F(CatalogueFaults, AShortcutIsReadAgainOnlyWhenItChanges) {
  const std::wstring other = root_ + L"\\other.exe";
  const std::wstring link = root_ + L"\\Startup\\tool.lnk";
  test::PutFile(other);
  CreateStartupShortcut(tool_, link, L"", L"-a");
  ASSERT_EQ(Scan().size(), 1u);
  // Unchanged, it is not loaded again: no shell link object is needed.
  memory::FailNext(memory::Fault::ShellLink);
  StartupList rows = Scan();
  memory::ClearFaults();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].file_name, tool_);
  EXPECT_EQ(rows[0].parameters, L"-a");
  CreateStartupShortcut(other, link, L"", L"-b");
  rows = Scan();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].file_name, other);
  EXPECT_EQ(rows[0].parameters, L"-b");
}

TEST_F(CatalogueFaults, ValuesThatAreNoStringsArePassedOver) {
  using enum RegistryDataType;
  const RootKey hkcu = RootKey::CurrentUser;
  test::SetString(hkcu, kRun, L"A", tool_);
  memory::SetValue(hkcu, kRun, L"B", Binary, {1, 2, 3});
  memory::SetDWord(hkcu, kRun, L"C", 7);
  memory::SetValue(hkcu, kRun, L"D", MultiString, {'a', 0, 0, 0, 0, 0});
  memory::SetValue(hkcu, kRun, L"E", ExpandString, {'x', 0});
  test::SetString(hkcu, kRun, L"F", tool_ + L" -f");
  test::SetString(RootKey::LocalMachine, kRun, L"G", tool_);
  // A Startup folder whose Shell Folders value is a number is the shell's folder.
  memory::SetDWord(hkcu, test::kShellFolders, L"Startup", 1);
  memory::SetKnownStartupFolder(false, root_ + L"\\Known");
  test::PutFile(root_ + L"\\Known\\h.txt");

  StartupList list = Scan();
  std::vector<std::wstring> names;
  for (const StartupEntry& e : list) names.push_back(e.name);
  // An expandable string is a command, even one whose program is gone.
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"E", L"F", L"G", L"h.txt"}));
}

TEST_F(CatalogueFaults, KeysThatCannotBeOpenedArePassedOver) {
  test::SetString(RootKey::CurrentUser, kRun, L"A", tool_);
  test::SetString(RootKey::LocalMachine, kRun, L"B", tool_);
  test::SetString(RootKey::Users, L"\\.Default" + kRun, L"C", tool_);
  memory::DenyKey(RootKey::LocalMachine, kRun);
  std::vector<std::wstring> names;
  for (const StartupEntry& e : Scan()) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"C"}));
}

// Without administrator rights the all-users Startup folder takes no new
// files and gives none up, and a service's start type does not change: the
// system is asked, and such a change is refused before anything is written.
TEST_F(CatalogueFaults, FoldersAndServicesThatCanOnlyBeReadAreLeftAsTheyAre) {
  const std::wstring common = root_ + L"\\Common Startup";
  test::PutFile(common + L"\\shared.txt");
  test::PutFile(root_ + L"\\Startup\\own.txt");
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  ServiceRecord locked;
  locked.name = locked.display_name = L"Locked";
  locked.image_path = tool_;
  locked.start = ServiceStart::Automatic;
  memory::PutService(locked);
  memory::MakeFolderReadOnly(common);
  memory::LockService(L"Locked");
  StartupList rows = Scan();
  ASSERT_EQ(rows.size(), 4u);
  auto row = [&rows](const std::wstring& name) {
    return *std::find_if(rows.begin(), rows.end(),
                         [&](const StartupEntry& r) { return r.name == name; });
  };
  EXPECT_FALSE(NeedsAdministrator(row(L"Tool")));
  EXPECT_FALSE(NeedsAdministrator(row(L"own.txt")));
  EXPECT_TRUE(NeedsAdministrator(row(L"shared.txt")));
  EXPECT_TRUE(NeedsAdministrator(row(L"Locked")));

  EXPECT_EQ(DeleteStartupEntry(row(L"shared.txt"), RemovalSource::MainList).reason,
            kNeedsAdministrator);
  EXPECT_TRUE(FileExists(common + L"\\shared.txt"));
  const MoveResult moved = MoveStartupEntries({row(L"Tool")}, MoveTarget::AllUsersStartup);
  EXPECT_EQ(moved[0].reason, kNeedsAdministrator);
  const std::vector<SwitchFailure> off = SwitchStartupEntries({row(L"Locked")}, false);
  ASSERT_EQ(off.size(), 1u);
  EXPECT_EQ(off[0].reason, kNeedsAdministrator);
  EXPECT_EQ(ReadService(L"Locked")->start, ServiceStart::Automatic);
  EXPECT_TRUE(ServicesSwitchedOff().empty());
  EXPECT_TRUE(ReadRemovedEntries().empty());
  EXPECT_EQ(Scan().size(), 4u);
}

TEST_F(CatalogueFaults, JunctionsInStartupFoldersAreNotFollowed) {
  const std::wstring user = root_ + L"\\Startup";
  test::PutFile(user + L"\\Sub\\a.txt");
  memory::MakeJunction(user + L"\\Sub\\Loop", user);
  memory::MakeJunction(user + L"\\Elsewhere", root_ + L"\\Tools");
  StartupList list = Scan();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].location, user + L"\\Sub");
}

TEST_F(CatalogueFaults, MissingShellFoldersValuesFallBackToTheShellsFolders) {
  memory::Reset();
  test::PutFile(tool_);
  // No Startup folder known at all: nothing is scanned and nothing is placed.
  EXPECT_TRUE(Scan().empty());
  EXPECT_THROW(PlaceStartupFolderEntry(true, L"Tool", tool_, L""), PlatformError);
  EXPECT_THROW(PlaceStartupFolderEntry(false, L"Tool", tool_, L""), PlatformError);
  EXPECT_FALSE(FileExists(L"C:\\Tool.lnk"));
  EXPECT_FALSE(FileExists(L"\\Tool.lnk"));

  memory::SetKnownStartupFolder(false, root_ + L"\\Mine");
  memory::SetKnownStartupFolder(true, root_ + L"\\Everyone");
  test::MakeFolder(root_ + L"\\Mine");
  test::MakeFolder(root_ + L"\\Everyone");
  PlaceStartupFolderEntry(true, L"Tool", tool_, L"-a");
  PlaceStartupFolderEntry(false, L"Tool", tool_, L"-b");
  StartupList list = Scan();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].location, root_ + L"\\Mine");
  EXPECT_EQ(list[0].parameters, L"-a");
  EXPECT_EQ(list[1].location, root_ + L"\\Everyone");
  EXPECT_EQ(list[1].parameters, L"-b");
}

TEST_F(CatalogueFaults, RunningFlagComesFromAFreshProcessListEachScan) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  EXPECT_FALSE(Scan()[0].running);
  uint32_t id = memory::StartProcess(L"c:\\KVTEST\\tools\\TOOL.EXE ");
  EXPECT_TRUE(Scan()[0].running);
  memory::StopProcess(id);
  EXPECT_FALSE(Scan()[0].running);
}

TEST_F(CatalogueFaults, AFilesIconIsAskedAgainOnlyWhenTheFileChanges) {
  const std::wstring other = root_ + L"\\other.exe";
  memory::SetIconIndex(tool_, 7);
  EXPECT_EQ(CachedIconIndex(tool_), 7);
  EXPECT_EQ(CachedIconIndex(other), 0);  // no file yet
  // The shell would answer differently now; an unchanged file is not asked.
  memory::SetIconIndex(tool_, 9);
  memory::SetIconIndex(other, 4);
  EXPECT_EQ(CachedIconIndex(tool_), 7);
  EXPECT_EQ(CachedIconIndex(other), 0);
  // Rewritten (the same size), or appeared: asked again.
  test::PutFile(tool_);
  test::PutFile(other);
  EXPECT_EQ(CachedIconIndex(tool_), 9);
  EXPECT_EQ(CachedIconIndex(other), 4);
  // Gone: asked again, and the shell's answer for a missing file is kept.
  ASSERT_TRUE(RemoveFile(other));
  memory::SetIconIndex(other, 5);
  EXPECT_EQ(CachedIconIndex(other), 5);
}

TEST_F(CatalogueFaults, RemovalAsksOrForcesTheProgramToEnd) {
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  uint32_t stubborn = memory::StartProcess(tool_, {{.refuses_close = true}});
  StartupList list = Scan();
  ASSERT_TRUE(list[0].running);

  // From the main list the program is asked to close, and may refuse.
  EXPECT_TRUE(DeleteStartupEntry(list[0], RemovalSource::MainList));
  EXPECT_EQ(memory::CloseRequests(stubborn), std::vector<int>{1});
  EXPECT_TRUE(memory::ProcessRunning(stubborn));
  EXPECT_TRUE(Scan().empty());

  // From the new-entries list it is terminated, even when the removal fails.
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  list = Scan();
  memory::FailNext(memory::Fault::RegistryWrite);
  EXPECT_FALSE(DeleteStartupEntry(list[0], RemovalSource::NewEntriesList));
  EXPECT_FALSE(memory::ProcessRunning(stubborn));
  EXPECT_EQ(Scan().size(), 1u);
}

TEST_F(CatalogueFaults, RemovalSaysWhetherTheEntryIsGoneAndKeepsWhatItCouldNotChange) {
  using memory::Fault;
  const std::wstring hkcu = L"HKEY_CURRENT_USER" + kRun;
  const std::wstring folder = root_ + L"\\Startup";
  const std::wstring win_ini = WinIniPath() + L", run";
  test::SetString(RootKey::CurrentUser, kRun, L"Tool", tool_);
  test::PutFile(folder + L"\\notes.txt");
  test::SetWinIni(L"run", L"a.exe " + tool_ + L" b.exe");
  // a.exe and b.exe are missing: listed, and left alone here.
  const StartupList scanned = Scan();
  ASSERT_EQ(scanned.size(), 5u);
  const StartupEntry& value = scanned[0];
  const StartupEntry& file = scanned[1];
  const StartupEntry& word = scanned[3];
  ASSERT_EQ(value.location, hkcu);
  ASSERT_EQ(file.location, folder);
  ASSERT_EQ(word.location, win_ini);

  // A refused delete or a list that cannot be read or written back: the
  // entry stays where it was and the caller hears of it.
  const std::pair<Fault, StartupEntry> refused[] = {{Fault::RegistryWrite, value},
                                                    {Fault::FileDelete, file},
                                                    {Fault::ProfileRead, word},
                                                    {Fault::ProfileWrite, word}};
  for (const auto& [fault, row] : refused) {
    memory::FailNext(fault);
    EXPECT_FALSE(DeleteStartupEntry(row, RemovalSource::MainList)) << row.location;
    EXPECT_EQ(Scan().size(), 5u) << row.location;
  }
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"run", L""),
            L"a.exe " + tool_ + L" b.exe");

  for (const StartupEntry& row : {value, file, word}) {
    EXPECT_TRUE(DeleteStartupEntry(row, RemovalSource::MainList)) << row.location;
    // Gone already is gone.
    EXPECT_TRUE(DeleteStartupEntry(row, RemovalSource::MainList)) << row.location;
  }
  EXPECT_EQ(Scan().size(), 2u);
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"run", L""), L"a.exe b.exe");
  test::SetWinIni(L"run", L"");

  // A key that exists but cannot be opened for writing keeps its value; a
  // missing key holds nothing.
  test::SetString(RootKey::LocalMachine, kRun, L"Tool", tool_);
  const StartupList machine = Scan();
  ASSERT_EQ(machine.size(), 1u);
  memory::DenyKey(RootKey::LocalMachine, kRun);
  EXPECT_FALSE(DeleteStartupEntry(machine[0], RemovalSource::MainList));
  StartupEntry elsewhere = machine[0];
  std::get<RegistrySource>(elsewhere.source).key_path = L"\\NoSuchKey";
  EXPECT_TRUE(DeleteStartupEntry(elsewhere, RemovalSource::MainList));
}

TEST_F(CatalogueFaults, AWinIniKeyThatCannotBeReadIsNeverWritten) {
  test::SetWinIni(L"load", L"a.exe b.exe");
  memory::FailNext(memory::Fault::ProfileRead);
  EXPECT_THROW(PlaceWinIniEntry(true, L"c.exe"), PlatformError);
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"load", L""), L"a.exe b.exe");
  EXPECT_TRUE(PlaceWinIniEntry(true, L"c.exe"));
  EXPECT_EQ(TIniFile(WinIniPath()).ReadString(L"windows", L"load", L""), L"a.exe b.exe c.exe");
}

}  // namespace
}  // namespace korvane
