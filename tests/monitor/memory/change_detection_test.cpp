// What a refresh reports with "Report changed commands, not only new
// programs" on and off: new places, changed commands, moves, entries
// switched on again behind the user's back, and never anything unchanged.
#include <gtest/gtest.h>

#include "catalogue/approval.h"
#include "catalogue/moves.h"
#include "catalogue/undo_store.h"
#include "monitor/monitor_world.h"
#include "monitor/new_entries.h"
#include "monitor/restored.h"
#include "monitor/snapshot.h"
#include "platform/memory/arrange.h"
#include "platform/shell.h"

namespace korvane::test {
namespace {

const std::wstring kMachineRun = kRunKey;  // the same path under HKEY_LOCAL_MACHINE

class ChangeDetection : public MonitorTest {
 protected:
  void SetUp() override {
    MonitorTest::SetUp();
    rundll_ = kRoot + L"\\Windows\\rundll32.exe";
    PutFile(rundll_);
    tool_ = kRoot + L"\\tool.exe";
    PutFile(tool_);
    // Five entries the user knows: two through rundll32, one with
    // parameters, one to be moved, one switched off.
    Set(L"Known", rundll_ + L" C:\\kvtest\\known.dll,Start");
    Set(L"Tool", tool_ + L" /a");
    Set(L"Mover", L"\"" + kRoot + L"\\mover.exe\" -quiet");
    Set(L"Quiet", kRoot + L"\\quiet.exe");
    Set(L"Still", kRoot + L"\\still.exe /x");
    WriteApproval(ValuePlace(L"Quiet"), false);
  }

  static void Set(const std::wstring& name, const std::wstring& command,
                  RootKey root = RootKey::CurrentUser) {
    SetString(root, kRunKey, name, command);
  }
  static void Unset(const std::wstring& name) {
    TRegistry reg;
    reg.OpenKey(kRunKey, false);
    reg.DeleteValue(name);
  }
  static ApprovalPlace ValuePlace(const std::wstring& name) {
    StartupEntry row;
    row.location = L"HKEY_CURRENT_USER" + kRunKey;
    row.source = ValueSource(RootKey::CurrentUser, kRunKey, name);
    return *ApprovalPlaceOf(row);
  }

  // "name: Kind" of each entry of the last dialog, if one came after the
  // first `dialogs_before`.
  static std::vector<std::wstring> Reported(RecordedCycle& recorded, size_t dialogs_before) {
    std::vector<std::wstring> out;
    if (recorded.reported.size() == dialogs_before) return out;
    for (const ReportedEntry& entry : recorded.reported.back()) {
      out.push_back(entry.row.name + L": " + ChangeKindText(entry.change));
    }
    return out;
  }

  // A cycle that reports changes, past its first run (which shows the whole
  // list, as the first start does).
  static void Start(RecordedCycle& recorded, bool report_changes = true) {
    recorded.cycle.SetReportChanges(report_changes);
    recorded.cycle.Run();
    ASSERT_EQ(recorded.shown.size(), 1u);
    ASSERT_EQ(recorded.shown[0].size(), 5u);
  }

  // What unwanted software does between two refreshes.
  void ChangeEverything() {
    Set(L"Evil", rundll_ + L" C:\\Users\\Public\\x.dll,Start");
    Set(L"Tool", tool_ + L" /b");
    Unset(L"Mover");
    Set(L"Mover", L"\"" + kRoot + L"\\mover.exe\" -quiet", RootKey::LocalMachine);
    WriteApproval(ValuePlace(L"Quiet"), true);
  }

  std::wstring rundll_, tool_;
};

TEST_F(ChangeDetection, EachKindOfChangeIsReportedInTheNextCycleOnce) {
  RecordedCycle recorded;
  Start(recorded);
  ChangeEverything();
  recorded.cycle.Run();
  ASSERT_EQ(recorded.reported.size(), 2u);
  // In row order: the user's Run key first, then the machine's.
  EXPECT_EQ(Reported(recorded, 1),
            (std::vector<std::wstring>{L"Tool: Changed", L"Quiet: Enabled again", L"Evil: New",
                                       L"Mover: Moved"}));
  for (const ReportedEntry& entry : recorded.reported.back()) {
    if (entry.change == ChangeKind::New) {
      EXPECT_FALSE(entry.before);
      continue;
    }
    ASSERT_TRUE(entry.before) << ToUtf8(entry.row.name);
    if (entry.row.name == L"Tool") {
      EXPECT_EQ(CommandText(*entry.before), tool_ + L" /a");
      EXPECT_EQ(CommandText(entry.row), tool_ + L" /b");
    }
    if (entry.row.name == L"Mover") {
      EXPECT_EQ(entry.before->location, L"HKEY_CURRENT_USER" + kRunKey);
      EXPECT_EQ(entry.row.location, L"HKEY_LOCAL_MACHINE" + kMachineRun);
    }
    if (entry.row.name == L"Quiet") EXPECT_FALSE(entry.before->enabled);
  }
  // Seen once, not again; the saved list is the Part's list of file names.
  recorded.cycle.Run();
  EXPECT_EQ(recorded.reported.size(), 2u);
  EXPECT_EQ(ValueNames(kSavedListKey).size(), 5u);
}

TEST_F(ChangeDetection, NothingUnchangedIsReportedNorWrittenAgain) {
  RecordedCycle recorded;
  Start(recorded);
  const std::optional<FileStamp> stamp = ReadFileStamp(SnapshotPath());
  ASSERT_TRUE(stamp);
  for (int i = 0; i < 100; ++i) recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 1u);
  EXPECT_EQ(ReadFileStamp(SnapshotPath()), stamp);
  // Letter case only: the program's path and its parameters spelt otherwise.
  Set(L"Tool", AsciiUpper(tool_) + L" /A");
  Set(L"Known", rundll_ + L" C:\\KVTEST\\KNOWN.DLL,start");
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 1u);
  // A switch turned off is no news either: only a switch turned on is.
  WriteApproval(ValuePlace(L"Still"), false);
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 1u);
  EXPECT_NE(ReadFileStamp(SnapshotPath()), stamp);  // the rows did change
  const std::optional<FileStamp> changed = ReadFileStamp(SnapshotPath());
  recorded.cycle.Run();
  EXPECT_EQ(ReadFileStamp(SnapshotPath()), changed);
}

TEST_F(ChangeDetection, AnUpdateWithASavedListButNoSnapshotReportsNothingItKnew) {
  StartupList rows;
  ScanStartupList(rows);
  SaveStartupList(rows);  // what the earlier version kept
  // Windows' own task and service, which that version did not list.
  ScheduledTask task;
  task.path = L"\\Microsoft\\Windows\\Maintenance";
  task.at_logon_or_boot = true;
  task.actions = {{kRoot + L"\\maintain.exe", L"", L""}};
  memory::PutTask(task);
  ServiceRecord service;
  service.name = service.display_name = L"Themes";
  service.image_path = kRoot + L"\\svchost.exe -k netsvcs";
  service.start = ServiceStart::Automatic;
  memory::PutService(service);
  Set(L"Other", kRoot + L"\\other.exe");
  {
    RecordedCycle recorded;  // the switch off
    recorded.cycle.Run();
    EXPECT_EQ(Reported(recorded, 0), std::vector<std::wstring>{L"Other: New"});
    RemoveFile(SnapshotPath());
    SaveStartupList(rows);
  }
  for (const char* snapshot : {"", "Korvane snapshot 1\n0 zz\n", "Korvane snapshot 1\n1 41"}) {
    // None, or one that is not whole: the saved list stands in for it.
    if (*snapshot) PutFile(SnapshotPath(), snapshot);
    RecordedCycle recorded;
    recorded.cycle.SetReportChanges(true);
    recorded.cycle.Run();
    ASSERT_EQ(recorded.shown.size(), 1u) << snapshot;
    EXPECT_EQ(Reported(recorded, 0), std::vector<std::wstring>{L"Other: New"}) << snapshot;
    Unset(L"Other");
    RemoveFile(SnapshotPath());
    SaveStartupList(rows);
    Set(L"Other", kRoot + L"\\other.exe");
  }
  // From then on the snapshot is there: a changed command is reported.
  RecordedCycle recorded;
  recorded.cycle.SetReportChanges(true);
  recorded.cycle.Run();
  Set(L"Tool", tool_ + L" /c");
  recorded.cycle.Run();
  EXPECT_EQ(Reported(recorded, 1), std::vector<std::wstring>{L"Tool: Changed"});

  // At the first start of all nothing was seen, tasks and services neither.
  RemoveFile(SnapshotPath());
  TRegistry().DeleteKey(kSavedListKey);
  RecordedCycle first;
  first.cycle.Run();
  const std::vector<std::wstring> all = Reported(first, 0);
  EXPECT_EQ(std::count(all.begin(), all.end(), L"\\Microsoft\\Windows\\Maintenance: New"), 1);
  EXPECT_EQ(std::count(all.begin(), all.end(), L"Themes: New"), 1);
}

TEST_F(ChangeDetection, SwitchedOffOnlyAFileNameMissingFromTheSavedListIsNew) {
  std::vector<std::wstring> saved_on, saved_off;
  for (bool on : {true, false}) {
    SetUp();
    RecordedCycle recorded;
    Start(recorded, on);
    ChangeEverything();
    Set(L"Fresh", kRoot + L"\\fresh.exe");
    recorded.cycle.Run();
    ASSERT_EQ(recorded.reported.size(), 2u);
    if (on) {
      EXPECT_EQ(recorded.reported.back().size(), 5u);
    } else {
      // The Part's rule: the file name alone, reported as new.
      EXPECT_EQ(Reported(recorded, 1), std::vector<std::wstring>{L"Fresh: New"});
    }
    (on ? saved_on : saved_off) = ValueNames(kSavedListKey);
  }
  EXPECT_EQ(saved_on, saved_off);
  EXPECT_EQ(saved_on.size(), 6u);
}

TEST_F(ChangeDetection, WhatKorvaneMovesOrSwitchesOnItselfIsNotReported) {
  RecordedCycle recorded;
  Start(recorded);
  StartupList mover, quiet;
  for (const StartupEntry& row : recorded.rows) {
    if (row.name == L"Mover") mover.push_back(row);
    if (row.name == L"Quiet") quiet.push_back(row);
  }
  ASSERT_EQ(mover.size() + quiet.size(), 2u);
  MoveResult moved = MoveStartupEntries(mover, MoveTarget::AllUsersRun);
  ASSERT_EQ(moved[0].outcome, MoveOutcome::Moved) << ToUtf8(moved[0].reason);
  recorded.cycle.AcceptOwnChanges(mover);
  WriteApproval(ValuePlace(L"Quiet"), true);
  recorded.cycle.AcceptOwnChanges(quiet);
  // Another program's entry in the same minute is still reported.
  Set(L"Evil", rundll_ + L" C:\\Users\\Public\\x.dll,Start");
  recorded.cycle.Run();
  EXPECT_EQ(Reported(recorded, 1), std::vector<std::wstring>{L"Evil: New"});
}

TEST_F(ChangeDetection, UndoChangeWritesTheEarlierCommandBackOnlyOnceItIsRecorded) {
  const std::wstring link = kRoot + L"\\Startup\\tool.lnk";
  CreateStartupShortcut(tool_, link, L"Tool's own", L"/tray", kRoot);
  RecordedCycle recorded;
  recorded.cycle.SetReportChanges(true);
  recorded.cycle.Run();
  RegistryValue tool_value;
  for (const StartupEntry& row : recorded.rows) {
    if (row.name == L"Tool") tool_value = std::get<RegistrySource>(row.source).value;
  }
  Set(L"Tool", tool_ + L" /b");
  CreateStartupShortcut(kRoot + L"\\evil.exe", link, L"Tool's own", L"/evil", kRoot);
  Set(L"Evil", kRoot + L"\\evil.exe");

  const std::wstring local = LocalAppDataFolder();
  std::wstring refused, undone;
  size_t left_after_refusal = 0, left = 0;
  recorded.while_shown = [&](const StartupList&) {
    ReportedEntries entries = recorded.reported.back();
    // Nowhere to record what would be written over: nothing is.
    memory::SetLocalAppDataFolder(L"");
    refused = UndoNewEntryChanges(entries, {0, 1, 2});
    left_after_refusal = entries.size();
    memory::SetLocalAppDataFolder(local);
    undone = UndoNewEntryChanges(entries, {0, 1, 2});
    left = entries.size();
    recorded.model.Rescan();  // as the dialog does
  };
  recorded.cycle.Run();
  ASSERT_EQ(recorded.reported.size(), 2u);
  EXPECT_EQ(Reported(recorded, 1),
            (std::vector<std::wstring>{L"Tool: Changed", L"Evil: New", L"tool.lnk: Changed"}));
  EXPECT_NE(refused.find(L"Tool"), std::wstring::npos) << ToUtf8(refused);
  EXPECT_EQ(left_after_refusal, 3u);
  EXPECT_EQ(undone, L"");
  EXPECT_EQ(left, 1u);  // the new entry has nothing to go back to

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kRunKey, false));
  EXPECT_EQ(reg.ReadValue(L"Tool"), tool_value);
  TLMDShellLink shortcut;
  ASSERT_TRUE(shortcut.LoadShellLink(link));
  EXPECT_EQ(shortcut.Path, tool_);
  EXPECT_EQ(shortcut.Arguments, L"/tray");
  EXPECT_EQ(shortcut.Description, L"Tool's own");
  // What was written over is in the undo store, once each.
  size_t changed = 0;
  for (const RemovedEntry& entry : ReadRemovedEntries()) {
    if (RemovalWayText(entry.record) == L"Changed back") ++changed;
  }
  EXPECT_EQ(changed, 2u);
  // Back as the snapshot had it: the next refresh reports nothing.
  recorded.cycle.Run();
  EXPECT_EQ(recorded.reported.size(), 2u);
}

TEST_F(ChangeDetection, ASnapshotThatCannotBeWrittenIsKeptForTheRunAndNothingIsToldTwice) {
  memory::SetLocalAppDataFolder(L"");  // no folder of Korvane's anywhere
  RecordedCycle recorded;
  Start(recorded);
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 1u);
  Set(L"Tool", tool_ + L" /b");
  recorded.cycle.Run();
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 2u);
  EXPECT_EQ(Reported(recorded, 1), std::vector<std::wstring>{L"Tool: Changed"});
}

TEST_F(ChangeDetection, AnEntryRestoredFromTheUndoStoreIsNotReported) {
  RecordedCycle recorded;
  Start(recorded);
  for (const StartupEntry& row : recorded.rows) {
    if (row.name == L"Tool") ASSERT_TRUE(RecordAndRemove(row, RemovalWay::Deleted).done);
  }
  recorded.cycle.Run();
  const RestoreReport report =
      RestoreRemoved(ReadRemovedEntries(), [](const RemovedEntry&) { return std::nullopt; });
  ASSERT_EQ(report.restored.size(), 1u);
  recorded.cycle.Run();
  EXPECT_EQ(recorded.shown.size(), 1u);
  EXPECT_TRUE(HasRun(L"Tool"));
}

TEST_F(ChangeDetection, TheSnapshotKeepsEveryFieldOfEveryKindOfPlace) {
  StartupList rows;
  RegistrySource value = ValueSource(RootKey::LocalMachine, L"\\Software\\Run", L"A b\nc");
  value.view = RegistryView::Bits32;
  value.value = {RegistryDataType::ExpandString, {0x25, 0, 0x41, 0, 0, 0}};
  FolderSource shortcut = FileSource(L"C:\\Start up\\Tool é.lnk");
  shortcut.shortcut = true;
  shortcut.target = L"C:\\Program Files\\tool.exe";
  shortcut.arguments = L"/a \"b c\"";
  shortcut.working_folder = L"C:\\Program Files";
  WinIniSource word{L"C:\\Windows\\win.ini", L"load", L"x.exe", 2, 1};
  RegistrySource multi = ValueSource(RootKey::CurrentUser, L"\\Software\\Run", L"\"m\"\t\u65e5");
  multi.value = {RegistryDataType::MultiString, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}};
  RegistrySource binary = ValueSource(RootKey::Users, L"\\S-1\\Run", L"bin");
  binary.view = RegistryView::Native;
  binary.value = {RegistryDataType::Binary, {0, 0, '\n', 0xff, '"'}};
  for (EntrySource source :
       {EntrySource(value), EntrySource(shortcut), EntrySource(word), EntrySource(std::monostate()),
        EntrySource(multi), EntrySource(binary),
        EntrySource(TaskSource{L"\\Vendor\\Up \u65e5", 3, L"C:\\U \"x\""}),
        EntrySource(ServiceSource{L"svc \u65e5", ServiceStart::Demand, true})}) {
    StartupEntry row;
    row.name = L"Name \u4e2d";
    row.file_name = L"C:\\x y\\z.exe";
    row.parameters = L" two  blanks ";
    row.location = L"Location\r\n";
    row.enabled = rows.size() % 2 == 0;
    row.source = source;
    rows.push_back(row);
  }
  std::optional<StartupList> back = ParseSnapshot(SnapshotText(rows));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(EntryIdentity((*back)[i]), EntryIdentity(rows[i]));
    EXPECT_EQ(SnapshotText({(*back)[i]}), SnapshotText({rows[i]}));
    EXPECT_EQ((*back)[i].enabled, rows[i].enabled);
  }
  EXPECT_EQ(std::get<RegistrySource>((*back)[5].source).value, binary.value);
  EXPECT_EQ(std::get<ServiceSource>((*back)[7].source).start, ServiceStart::Demand);
  // Anything but a whole snapshot of this version is none.
  const std::string text = SnapshotText(rows);
  for (const std::string& broken : std::vector<std::string>{
           std::string(), text.substr(0, text.size() - 1), "Korvane snapshot 2\n",
           std::string(text).replace(text.find("\"kind\": \"task\""), 14, "\"kind\": \"job\""),
           std::string(text).replace(text.find("\"start\": 3"), 10, "\"start\": 9"),
           text + "1 00 00 00 00 registry 9 0 00 00 1 00\n", text + "1 0g 00 00 00 none\n",
           text + "1 00 00 00 00 none extra\n"}) {
    EXPECT_FALSE(ParseSnapshot(broken)) << broken;
  }
}

// Written by the first format's writer, byte for byte: a value switched
// off, a shortcut, a win.ini word, a task, a service and a bare row.
constexpr char kFirstFormatSnapshot[] =
    "Korvane snapshot 1\n"
    "0 484b45595f43555252454e545f555345525c536f6674776172655c4d6963726f736f66745c57696e646f77735c"
    "43757272656e7456657273696f6e5c52756e 546f6f6c2022e697a522 433a5c546f6f6c735c746f6f6c2e657865 "
    "2d710a registry 0 1 "
    "5c536f6674776172655c4d6963726f736f66745c57696e646f77735c43757272656e7456657273696f6e5c52756e "
    "546f6f6c2022e697a522 4 000100ff0a\n"
    "1 433a5c53746172747570 4ac3bc7267656e2e6c6e6b 433a5c505c612e657865 2d6120226222 folder "
    "433a5c537461727475705c4ac3bc7267656e2e6c6e6b 1 433a5c505c612e657865 2d6120226222 433a5c50\n"
    "1 433a5c57494e444f57535c77696e2e696e692c206c6f6164 612e657865 612e657865  ini "
    "433a5c57494e444f57535c77696e2e696e69 6c6f6164 612e657865 3 1\n"
    "1 5461736b205363686564756c6572 55706461746572 433a5c555c752e657865  task "
    "5c56656e646f725c55706461746572 1 433a5c55\n"
    "0 5365727669636573 537663 433a5c535c732e657865  service 737663 3 1\n"
    "1 736f6d657768657265 62617265   none\n";

TEST_F(ChangeDetection, ASnapshotOfTheFirstFormatIsReadAndWrittenAgainInTheOneFormat) {
  PutFile(SnapshotPath(), kFirstFormatSnapshot);
  const std::optional<StartupList> read = ReadEntrySnapshot();
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 6u);
  const StartupEntry& value = (*read)[0];
  EXPECT_FALSE(value.enabled);
  EXPECT_EQ(value.name, L"Tool \"\u65e5\"");
  EXPECT_EQ(value.parameters, L"-q\n");
  EXPECT_EQ(std::get<RegistrySource>(value.source).value,
            (RegistryValue{RegistryDataType::Binary, {0, 1, 0, 0xff, '\n'}}));
  EXPECT_EQ(std::get<RegistrySource>(value.source).view, RegistryView::Bits64);
  const auto& link = std::get<FolderSource>((*read)[1].source);
  EXPECT_EQ(link.path, L"C:\\Startup\\J\u00fcrgen.lnk");
  EXPECT_TRUE(link.shortcut);
  EXPECT_EQ(link.arguments, L"-a \"b\"");
  EXPECT_EQ(link.working_folder, L"C:\\P");
  const auto& word = std::get<WinIniSource>((*read)[2].source);
  EXPECT_EQ(word.key, L"load");
  EXPECT_EQ(word.position, 3u);
  EXPECT_EQ(word.occurrence, 1u);
  EXPECT_EQ(std::get<TaskSource>((*read)[3].source).path, L"\\Vendor\\Updater");
  EXPECT_EQ(std::get<TaskSource>((*read)[3].source).action, 1u);
  const auto& service = std::get<ServiceSource>((*read)[4].source);
  EXPECT_EQ(service.start, ServiceStart::Demand);
  EXPECT_TRUE(service.delayed);
  EXPECT_FALSE((*read)[4].enabled);
  EXPECT_TRUE(std::holds_alternative<std::monostate>((*read)[5].source));
  EXPECT_EQ((*read)[5].location, L"somewhere");

  // The next write replaces it with the one format, holding the same rows.
  SaveSnapshot(*read);
  const std::optional<std::string> text = ReadSnapshotText();
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("\"format\": \"Korvane snapshot 2\""), std::string::npos) << *text;
  EXPECT_EQ(SnapshotText(*ReadEntrySnapshot()), SnapshotText(*read));
}

}  // namespace
}  // namespace korvane::test
