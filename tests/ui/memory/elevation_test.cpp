// A change handed to an elevated korvanec: the command line it is started
// with names each row exactly and reads back as the same words, korvanec run
// from it does the change, and its records go to the folder of the user who
// asked, not to the elevated account's.
#include <gtest/gtest.h>

#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "cli/korvanec.h"
#include "platform/memory/arrange.h"
#include "platform/registry.h"
#include "ui/elevation.h"

namespace korvane {
namespace {

const wchar_t kRun[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kUserFolder[] = L"C:\\Users\\user\\AppData\\Local";
const wchar_t kAdminFolder[] = L"C:\\Users\\admin\\AppData\\Local";

// The words of a command line as CommandLineToArgvW reads them.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == L' ') ++i;
    if (i == line.size()) break;
    std::wstring word;
    bool quoted = false;
    for (; i < line.size() && (quoted || line[i] != L' '); ++i) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == L'"') {
        word.append(backslashes / 2, L'\\');
        if (backslashes % 2) {
          word += L'"';
        } else {
          quoted = !quoted;
        }
      } else {
        word.append(backslashes, L'\\');
        if (i == line.size() || (!quoted && line[i] == L' ')) break;
        word += line[i];
      }
    }
    words.push_back(word);
  }
  return words;
}

// The elevated korvanec: another account (another local folder), with the
// rights to the machine's keys.
ElevatedRun ElevatedKorvanec(const memory::ElevatedStart& start) {
  memory::MakeKeyReadOnly(RootKey::LocalMachine, kRun, false);
  memory::SetLocalAppDataFolder(kAdminFolder);
  const CommandResult result = RunKorvanec(SplitCommandLine(start.parameters));
  memory::SetLocalAppDataFolder(kUserFolder);
  return {ElevatedRun::Outcome::Ended, static_cast<uint32_t>(result.exit_code), {}};
}

TEST(ChangeAsAdministrator, KorvanecDoesExactlyTheRowsAndKeepsTheRecordsInTheUsersStore) {
  // Names that a command line must quote, and two that a name alone can't
  // tell apart.
  const std::vector<std::wstring> names = {L"Tool", L"say \"hi\" \\", L"trail\\", L"  "};
  for (const std::wstring& first : {std::wstring(L"delete"), std::wstring(L"disable")}) {
    SCOPED_TRACE(first);
    memory::Reset();
    for (const std::wstring& name : names) {
      memory::SetString(RootKey::LocalMachine, kRun, name, L"C:\\Tools\\tool.exe");
    }
    memory::SetString(RootKey::CurrentUser, kRun, L"Tool", L"C:\\Tools\\tool.exe");
    memory::MakeKeyReadOnly(RootKey::LocalMachine, kRun);
    StartupList rows;
    ScanStartupList(rows);
    StartupList machine;
    for (const StartupEntry& row : rows) {
      if (row.location.find(L"HKEY_LOCAL_MACHINE") == 0) machine.push_back(row);
    }
    ASSERT_EQ(machine.size(), names.size());

    // Declined: nothing started does anything.
    ElevatedResult declined = ChangeAsAdministrator(first, {}, machine);
    EXPECT_EQ(declined.kind, ElevatedResult::Kind::Declined);
    EXPECT_EQ(ElevatedFailures({machine[0]}, declined),
              L"Tool: Administrator rights were not given: nothing was changed.");

    memory::AnswerElevation(ElevatedKorvanec);
    const ElevatedResult done = ChangeAsAdministrator(first, {}, machine);
    ASSERT_EQ(done.kind, ElevatedResult::Kind::Done) << done.error;
    ASSERT_EQ(done.actions.size(), machine.size());
    for (const ElevatedAction& action : done.actions) EXPECT_EQ(action.outcome, L"done");
    EXPECT_EQ(ElevatedFailures(machine, done), L"");
    const memory::ElevatedStart& start = memory::ElevatedStarts().back();
    EXPECT_EQ(start.program, L"C:\\Program Files\\Korvane\\korvanec.exe");
    EXPECT_TRUE(start.wait);

    StartupList after;
    ScanStartupList(after);
    size_t machine_listed = 0, user_listed = 0;
    for (const StartupEntry& row : after) {
      const bool of_machine = row.location.find(L"HKEY_LOCAL_MACHINE") == 0;
      (of_machine ? machine_listed : user_listed) += 1;
      if (of_machine) EXPECT_FALSE(row.enabled) << row.name;  // disabled, not deleted
    }
    EXPECT_EQ(machine_listed, first == L"delete" ? 0u : names.size());
    EXPECT_EQ(user_listed, 1u);  // the user's own "Tool" was not taken for the machine's
    if (first == L"delete") {
      EXPECT_EQ(ReadRemovedEntries().size(), names.size());  // in the user's store
      memory::SetLocalAppDataFolder(kAdminFolder);
      EXPECT_TRUE(ReadRemovedEntries().empty());
    }
  }
}

TEST(ChangeAsAdministrator, AnEntryGoneMeanwhileOrNoResultIsSaidAndNothingElseDone) {
  memory::Reset();
  memory::SetString(RootKey::LocalMachine, kRun, L"Tool", L"C:\\Tools\\tool.exe");
  memory::SetString(RootKey::LocalMachine, kRun, L"Other", L"C:\\Tools\\other.exe");
  StartupList rows;
  ScanStartupList(rows);
  ASSERT_EQ(rows.size(), 2u);
  TRegistry registry;
  registry.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(registry.OpenKey(kRun, false) && registry.DeleteValue(L"Other"));
  memory::AnswerElevation(ElevatedKorvanec);
  const ElevatedResult gone = ChangeAsAdministrator(L"delete", {}, rows);
  EXPECT_EQ(gone.kind, ElevatedResult::Kind::Failed);
  EXPECT_NE(gone.error.find(L"was found"), std::wstring::npos) << gone.error;
  StartupList after;
  ScanStartupList(after);
  EXPECT_EQ(after.size(), 1u);  // "Tool" stays: the list changed under the question

  memory::AnswerElevation([](const memory::ElevatedStart&) {
    return ElevatedRun{ElevatedRun::Outcome::Ended, 3, {}};
  });
  EXPECT_EQ(ChangeAsAdministrator(L"delete", {}, after).error,
            L"korvanec ended with exit code 3 and left no result.");
}

}  // namespace
}  // namespace korvane
