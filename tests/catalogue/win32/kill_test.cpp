// Every command that changes an entry, ended after each of its registry or
// file writes in turn (korvanec built with the kill hook, as a power cut or
// Task Manager would end it). Afterwards every entry that was there is in its
// old place, its new place or the store of removed entries, whole and with its
// command; nothing is half written; every store reads.
//
// The suite tries the first, a middle and the last write of each command;
// KORVANE_KILL_ALL=1 tries every one and prints the matrix.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "catalogue/approval.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "monitor/parked.h"
#include "monitor/snapshot.h"
#include "monitor/switching.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/programs.h"
#include "support/task_files.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kPrograms = test::kRoot + L"\\P\\";
const std::wstring kMachineRun =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kUserRun =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRunOnce = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::wstring Program(const std::wstring& name) {
  return kPrograms + name + L".exe";
}

// The entries a command starts from: program name -> parameters.
using Entries = std::map<std::wstring, std::wstring>;

void RunValue(const std::wstring& key, const std::wstring& name, const std::wstring& program) {
  test::SetString(RootKey::CurrentUser, key, name, Program(program) + L" -" + program);
}

void Shortcut(const std::wstring& folder, const std::wstring& name, const std::wstring& program) {
  CreateStartupShortcut(Program(program), test::kRoot + L"\\" + folder + L"\\" + name + L".lnk",
                        L"", L"-" + program, kPrograms, L"");
}

std::wstring Quoted(const std::wstring& text) {
  return L"\"" + text + L"\"";
}

// Values every command finds beside its own in the user's Run key, long and
// expandable as installers write them: no command may touch them.
const Entries& Bystanders() {
  static const Entries entries = [] {
    Entries made;
    for (int i = 0; i < 4; ++i) {
      made[L"long" + std::to_wstring(i)] = L"-" + std::wstring(200 + 80 * i, L'a' + i);
    }
    return made;
  }();
  return entries;
}

void AddBystanders() {
  for (const auto& [program, parameters] : Bystanders()) {
    test::SetExpandString(RootKey::CurrentUser, test::kRunKey, L"Long " + program,
                          L"%SystemDrive%" + Program(program).substr(2) + L" " + parameters);
  }
}

struct Driven {
  DWORD code = 0;
  std::string output;
};

// Runs the driver; `kill_at` 0 lets it end on its own. `writes` gets its count.
Driven Drive(const std::wstring& arguments, unsigned kill_at = 0, unsigned* writes = nullptr) {
  const std::wstring count_file = test::kRoot + L"\\writes.txt";
  RemoveFile(count_file);
  SetEnvironmentVariableW(L"KORVANE_COUNT_WRITES", count_file.c_str());
  SetEnvironmentVariableW(L"KORVANE_KILL_AT_WRITE",
                          kill_at ? std::to_wstring(kill_at).c_str() : nullptr);
  Driven driven;
  driven.output = testing::RunAndCapture(testing::HelperProgram(L"korvane_kill_driver.exe"),
                                         arguments, &driven.code);
  SetEnvironmentVariableW(L"KORVANE_COUNT_WRITES", nullptr);
  SetEnvironmentVariableW(L"KORVANE_KILL_AT_WRITE", nullptr);
  if (writes) {
    std::optional<std::string> text = ReadFileBytes(count_file);
    *writes = text ? static_cast<unsigned>(std::atoi(text->c_str())) : 0;
  }
  return driven;
}

struct Command {
  const char* name;
  // Arranges the entries; returns the driver's arguments.
  std::function<std::wstring()> arrange;
  Entries before;   // must each exist afterwards, somewhere
  Entries written;  // may exist afterwards too (what the command writes)
  // A move ended between writing the target and removing the old entry
  // leaves both copies, as a move whose old entry could not be removed does;
  // the blacklist's program starts from two places.
  bool both_copies = false;
};

std::wstring FirstRemovedId() {
  std::vector<RemovedEntry> kept = ReadRemovedEntries();
  return kept.empty() ? L"none" : kept[0].id;
}

std::vector<Command> Commands() {
  const Entries tool = {{L"tool", L"-tool"}, {L"other", L"-other"}};
  auto with_other = [](std::function<std::wstring()> arrange) {
    return [arrange] {
      RunValue(test::kRunKey, L"Other", L"other");
      AddBystanders();
      return arrange();
    };
  };
  return {
      {"delete a registry value",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         return std::wstring(L"delete Tool");
       }),
       tool,
       {}},
      {"delete a shortcut",
       with_other([] {
         Shortcut(L"Startup", L"Tool", L"tool");
         return std::wstring(L"delete Tool.lnk");
       }),
       tool,
       {}},
      {"delete a win.ini word",
       with_other([] {
         test::SetWinIni(L"run", Program(L"tool"));
         return std::wstring(L"delete tool --location " + Quoted(WinIniPath() + L", run"));
       }),
       {{L"tool", L""}, {L"other", L"-other"}},
       {}},
      {"delete a task",
       with_other([] {
         test::PutTaskFile(L"\\KvTest\\Tool", test::kLogonTrigger,
                           test::TaskExec(Program(L"tool"), L"-tool"));
         return std::wstring(L"delete \\KvTest\\Tool");
       }),
       tool,
       {}},
      {"move key to key",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         return L"move Tool --to " + Quoted(kMachineRun);
       }),
       tool,
       {},
       true},
      {"move key to folder",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         return L"move Tool --to " + Quoted(test::kRoot + L"\\Startup");
       }),
       tool,
       {},
       true},
      {"move folder to key",
       with_other([] {
         Shortcut(L"Startup", L"Tool", L"tool");
         return L"move Tool.lnk --to " + Quoted(kUserRun);
       }),
       tool,
       {},
       true},
      {"move folder to folder",
       with_other([] {
         Shortcut(L"Startup", L"Tool", L"tool");
         return L"move Tool.lnk --to " + Quoted(test::kRoot + L"\\Common Startup");
       }),
       tool,
       {},
       true},
      {"disable by approval",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         return std::wstring(L"disable Tool");
       }),
       tool,
       {}},
      {"enable by approval",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         Drive(L"disable Tool");
         return std::wstring(L"enable Tool");
       }),
       tool,
       {}},
      {"disable by parking",
       with_other([] {
         RunValue(kRunOnce, L"Tool", L"tool");
         return std::wstring(L"disable Tool");
       }),
       tool,
       {}},
      {"enable by parking",
       with_other([] {
         RunValue(kRunOnce, L"Tool", L"tool");
         Drive(L"disable Tool");
         return std::wstring(L"enable Tool");
       }),
       tool,
       {}},
      {"restore",
       with_other([] {
         Shortcut(L"Startup", L"Tool", L"tool");
         Drive(L"delete Tool.lnk");
         return L"restore " + FirstRemovedId();
       }),
       tool,
       {}},
      {"blacklist enforcement",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         Shortcut(L"Startup", L"Tool", L"tool");
         return std::wstring(L"blacklist add Tool");
       }),
       tool,
       {},
       true},
      {"add with replace",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"tool");
         return L"add Tool " + Quoted(Program(L"new")) + L" --parameters -new --location " +
                Quoted(kUserRun) + L" --replace";
       }),
       tool,
       {{L"new", L"-new"}}},
      {"undo of a change",
       with_other([] {
         RunValue(test::kRunKey, L"Tool", L"changed");
         return L"undo-change Tool " + Quoted(Program(L"tool") + L" -tool");
       }),
       {{L"changed", L"-changed"}, {L"other", L"-other"}},
       {{L"tool", L"-tool"}}},
  };
}

void Reset() {
  test::ResetWorld();
  TRegistry().DeleteKey(L"\\Software\\Korvane\\blacklist");
  TRegistry reg;
  reg.SetRootKey(RootKey::CurrentUser);
  if (reg.OpenKey(kRunOnce, false)) {
    for (const std::wstring& name : reg.GetValueNames()) reg.DeleteValue(name);
  }
  test::MakeFolder(kPrograms);
  test::MakeFolder(LocalAppDataFolder());
}

// Files a write left under a temporary name.
std::vector<std::wstring> Leftovers(const std::wstring& folder) {
  std::vector<std::wstring> found;
  std::error_code ignored;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->path().extension() == L".new") found.push_back(it->path().wstring());
  }
  return found;
}

// What went wrong after a kill; empty when nothing did.
std::string Verify(const Command& command) {
  const int most = command.both_copies ? 2 : 1;
  std::string faults;
  auto fault = [&faults](const std::string& text) { faults += text + "; "; };
  StartupList rows;
  ScanStartupListWithParked(rows);
  std::map<std::wstring, int> found;
  for (const StartupEntry& row : rows) {
    const std::wstring program = ExtractFileName(row.file_name);
    const std::wstring name =
        program.substr(0, program.size() - std::min<size_t>(4, program.size()));
    const Entries* known = nullptr;
    for (const Entries* entries : {&command.before, &command.written, &Bystanders()}) {
      if (entries->count(name) && SameText(row.file_name, Program(name))) known = entries;
    }
    if (!known) {
      fault("a foreign or half written entry " + ToUtf8(row.name) + " " + ToUtf8(row.file_name) +
            " in " + ToUtf8(row.location));
      continue;
    }
    if (row.parameters != known->at(name)) {
      fault("changed " + ToUtf8(row.name) + ": \"" + ToUtf8(row.parameters) + "\"");
    }
    ++found[name];
  }
  // The store: every record reads, and holds what it names.
  size_t records = 0;
  std::error_code ignored;
  const std::filesystem::path removed =
      std::filesystem::path(LocalAppDataFolder()) / L"Korvane" / L"Removed";
  for (const auto& item : std::filesystem::directory_iterator(removed, ignored)) {
    if (item.path().extension() == L".txt") ++records;
  }
  const std::vector<RemovedEntry> kept = ReadRemovedEntries();
  if (kept.size() != records) fault("an unreadable record in the store of removed entries");
  std::set<std::wstring> kept_programs;
  for (const RemovedEntry& entry : kept) {
    const std::wstring program = ExtractFileName(entry.record.row.file_name);
    kept_programs.insert(program.substr(0, program.size() - std::min<size_t>(4, program.size())));
  }
  for (const auto& [name, parameters] : Bystanders()) {
    if (found[name] != 1)
      fault("a bystander " + ToUtf8(name) + " in " + std::to_string(found[name]) + " places");
  }
  for (const auto& [name, parameters] : command.before) {
    if (!found.count(name) && !kept_programs.count(name)) fault("lost " + ToUtf8(name));
    if (found.count(name) && found[name] > most) {
      fault(ToUtf8(name) + " in " + std::to_string(found[name]) + " places");
    }
  }
  // Parked records and the snapshot read.
  size_t parked_files = 0;
  for (const auto& item : std::filesystem::directory_iterator(
           std::filesystem::path(LocalAppDataFolder()) / L"Korvane" / L"Parked", ignored)) {
    if (item.path().extension() == L".txt") ++parked_files;
  }
  if (ReadParkedEntries().size() != parked_files) fault("an unreadable parked record");
  if (std::optional<std::string> text = ReadSnapshotText(); text && !ParseSnapshot(*text)) {
    fault("an unreadable snapshot");
  }
  // Approvals are whole values.
  for (RootKey root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
    for (const wchar_t* leaf : {L"Run", L"StartupFolder"}) {
      TRegistry reg;
      reg.SetRootKey(root);
      if (!reg.OpenKey(std::wstring(L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                    L"StartupApproved\\") +
                           leaf,
                       false)) {
        continue;
      }
      for (const std::wstring& name : reg.GetValueNames()) {
        std::optional<RegistryValue> value = reg.ReadValue(name);
        if (!value || value->data.size() != 12) fault("a half written approval " + ToUtf8(name));
      }
    }
  }
  for (const std::wstring& folder : {test::kRoot, LocalAppDataFolder() + L"\\Korvane"}) {
    for (const std::wstring& file : Leftovers(folder)) fault("a temporary file " + ToUtf8(file));
  }
  return faults;
}

TEST(KilledAtAnyWrite, EveryEntryIsInItsOldPlaceItsNewPlaceOrTheStore) {
  const char* all_text = std::getenv("KORVANE_KILL_ALL");
  const bool all = all_text && *all_text == '1';
  // The driver runs as Windows 10 would, where approvals are honoured.
  test::SetString(RootKey::CurrentUser, L"\\Software\\Wine\\AppDefaults\\korvane_kill_driver.exe",
                  L"Version", L"win10");
  std::string matrix;
  for (const Command& command : Commands()) {
    Reset();
    const std::wstring arguments = command.arrange();
    unsigned writes = 0;
    const Driven whole = Drive(arguments, 0, &writes);
    EXPECT_EQ(whole.code, 0u) << command.name << ": " << whole.output;
    EXPECT_EQ(Verify(command), "") << command.name << ", not ended";
    EXPECT_GT(writes, 0u) << command.name;
    std::set<unsigned> points;
    for (unsigned k = 1; k <= writes; ++k) {
      if (all || k == 1 || k == writes || k == (writes + 1) / 2) points.insert(k);
    }
    std::string results;
    for (unsigned k : points) {
      Reset();
      const std::wstring again = command.arrange();
      const Driven killed = Drive(again, k);
      const std::string faults = Verify(command);
      EXPECT_EQ(faults, "") << command.name << ", ended after write " << k << " of " << writes;
      // A run may make a write fewer than the counted one (a value that is
      // not there to delete): it then ends on its own.
      const char* ended = killed.code == 0xDEADu ? ":ok" : ":ok(finished)";
      results += " " + std::to_string(k) + (faults.empty() ? ended : ":FAULT");
    }
    matrix += std::string(command.name) + "\t" + std::to_string(writes) + "\t" + results + "\n";
  }
  TRegistry().DeleteKey(L"\\Software\\Wine\\AppDefaults\\korvane_kill_driver.exe");
  Reset();
  std::printf("command\twrites\tkilled after write k: result\n%s", matrix.c_str());
}

}  // namespace
}  // namespace korvane
