// The verbs in process, on both backends: what each changes, what --dry-run
// leaves alone, and the exit codes.
#include <gtest/gtest.h>

#include "catalogue/scan.h"
#include "cli/korvanec.h"
#include "monitor/blacklist.h"
#include "monitor/snapshot.h"
#include "monitor/switching.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

const std::wstring kUserRun =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kMachineRun =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::vector<std::wstring> MachineRunNames() {
  TRegistry reg;
  reg.SetRootKey(RootKey::LocalMachine);
  if (!reg.OpenKey(test::kRunKey, false)) return {};
  return reg.GetValueNames();
}

bool Has(const std::vector<std::wstring>& names, const std::wstring& name) {
  for (const std::wstring& n : names) {
    if (n == name) return true;
  }
  return false;
}

// Every row as its texts, so that two states of the world compare whole.
std::string Listing() {
  return RunKorvanec({L"list", L"--format", L"csv"}).out;
}

class KorvanecVerbs : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    tool_ = test::kRoot + L"\\Tools\\tool.exe";
    test::PutFile(tool_);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Twin", tool_);
    test::SetString(RootKey::LocalMachine, test::kRunKey, L"Twin", tool_);
  }
  std::wstring tool_;
};

TEST_F(KorvanecVerbs, DeleteSelectsByNameAndLocationAndDryRunChangesNothing) {
  const std::string before = Listing();
  struct Case {
    std::vector<std::wstring> args;
    int exit_code;
  } unchanged[] = {
      {{L"delete", L"Tool", L"--dry-run"}, 0},
      {{L"delete", L"Twin", L"--all", L"--dry-run"}, 0},
      {{L"delete", L"Nothing"}, 1},
      {{L"delete", L"Tool", L"--location", kMachineRun}, 1},
      {{L"delete", L"Twin"}, 2},  // several: one needs --location or --all
      {{L"delete"}, 2},
      {{L"delete", L"Tool", L"Extra"}, 2},
      {{L"delete", L"Tool", L"--bogus"}, 2},
      {{L"delete", L"Tool", L"--location"}, 2},
  };
  for (const Case& c : unchanged) {
    const CommandResult result = RunKorvanec(c.args);
    EXPECT_EQ(result.exit_code, c.exit_code) << ToUtf8(c.args.back()) << result.err;
    EXPECT_EQ(Listing(), before);
    if (c.exit_code) {
      EXPECT_FALSE(result.err.empty());
    }
  }
  const CommandResult dry = RunKorvanec({L"delete", L"Twin", L"--all", L"--dry-run"});
  EXPECT_EQ(dry.out,
            "Action\tName\tFile name\tLocation\tOutcome\tDetail\n"
            "delete\tTwin\t" +
                ToUtf8(tool_) + "\t" + ToUtf8(kUserRun) +
                "\tdry run\t\n"
                "delete\tTwin\t" +
                ToUtf8(tool_) + "\t" + ToUtf8(kMachineRun) + "\tdry run\t\n");

  EXPECT_EQ(RunKorvanec({L"delete", L"Twin", L"--location", kMachineRun}).exit_code, 0);
  EXPECT_FALSE(Has(MachineRunNames(), L"Twin"));
  EXPECT_TRUE(Has(test::ValueNames(test::kRunKey), L"Twin"));
  const CommandResult done = RunKorvanec({L"delete", L"tool", L"--format", L"json"});
  EXPECT_EQ(done.exit_code, 0) << done.err;
  EXPECT_NE(done.out.find("\"outcome\":\"done\""), std::string::npos) << done.out;
  EXPECT_FALSE(Has(test::ValueNames(test::kRunKey), L"Tool"));
}

TEST_F(KorvanecVerbs, AddKeepsTheDialogsRulesAndReplacesOnlyWhenAsked) {
  const std::wstring other = test::kRoot + L"\\Tools\\other.exe";
  const std::string before = Listing();
  struct Case {
    std::vector<std::wstring> args;
    int exit_code;
  } refused[] = {
      {{L"add", L"Empty", L"  ", L"--location", L"Registry, current user, Run"}, 2},
      {{L"add", L"Blank", test::kRoot + L"\\My Tools\\a.exe", L"--location", L"Win.ini, run"}, 2},
      {{L"add", L"Params", other, L"--parameters", L"-q", L"--location", L"Win.ini, load"}, 2},
      {{L"add", L"Nowhere", other, L"--location", L"Registry, nowhere"}, 2},
      {{L"add", L"NoLocation", other}, 2},
      {{L"add", L"Tool", other, L"--location", L"Registry, current user, Run"}, 3},
      {{L"add", L"Tool", other, L"--location", kUserRun, L"--replace", L"--dry-run"}, 0},
      {{L"add", L"New", other, L"--location", kUserRun, L"--dry-run"}, 0},
  };
  for (const Case& c : refused) {
    const CommandResult result = RunKorvanec(c.args);
    EXPECT_EQ(result.exit_code, c.exit_code) << ToUtf8(c.args[1]) << result.err;
    EXPECT_EQ(Listing(), before) << ToUtf8(c.args[1]);
  }

  CommandResult added = RunKorvanec(
      {L"add", L"New", other, L"--parameters", L"-q", L"--location", L"Registry, all users, Run"});
  EXPECT_EQ(added.exit_code, 0) << added.err;
  CommandResult replaced =
      RunKorvanec({L"add", L"Tool", other, L"--location", kUserRun, L"--replace"});
  EXPECT_EQ(replaced.exit_code, 0) << replaced.err;
  StartupList list;
  ScanStartupList(list);
  int found = 0;
  for (const StartupEntry& row : list) {
    if (row.name == L"New") {
      ++found;
      EXPECT_EQ(row.file_name, other);
      EXPECT_EQ(row.parameters, L"-q");
      EXPECT_EQ(row.location, kMachineRun);
    }
    if (row.name == L"Tool") {
      ++found;
      EXPECT_EQ(row.file_name, other);
    }
  }
  EXPECT_EQ(found, 2);
}

TEST_F(KorvanecVerbs, MoveGoesToTheNamedTargetOnly) {
  const std::string before = Listing();
  EXPECT_EQ(RunKorvanec({L"move", L"Tool", L"--to", L"HKEY_CURRENT_USER\\Nowhere"}).exit_code, 2);
  EXPECT_EQ(RunKorvanec({L"move", L"Tool"}).exit_code, 2);
  EXPECT_EQ(RunKorvanec({L"move", L"Tool", L"--to", kMachineRun, L"--dry-run"}).exit_code, 0);
  EXPECT_EQ(RunKorvanec({L"move", L"Gone", L"--to", kMachineRun}).exit_code, 1);
  EXPECT_EQ(Listing(), before);

  const CommandResult moved = RunKorvanec({L"move", L"Tool", L"--to", kMachineRun});
  EXPECT_EQ(moved.exit_code, 0) << moved.err;
  EXPECT_TRUE(Has(MachineRunNames(), L"Tool"));
  EXPECT_FALSE(Has(test::ValueNames(test::kRunKey), L"Tool"));
  // Already there: nothing to do, and said so.
  const CommandResult again = RunKorvanec({L"move", L"Tool", L"--to", kMachineRun});
  EXPECT_EQ(again.exit_code, 0);
  EXPECT_NE(again.out.find("unchanged"), std::string::npos) << again.out;
}

TEST_F(KorvanecVerbs, BlacklistAddRemovesTheEntriesAndRemoveTakesTheNameOff) {
  const std::string before = Listing();
  EXPECT_EQ(RunKorvanec({L"blacklist", L"add", L"Tool", L"--dry-run"}).exit_code, 0);
  EXPECT_EQ(Listing(), before);
  EXPECT_EQ(RunKorvanec({L"blacklist"}).exit_code, 2);
  EXPECT_EQ(RunKorvanec({L"blacklist", L"empty"}).exit_code, 2);

  const CommandResult added = RunKorvanec({L"blacklist", L"add", L"Tool"});
  EXPECT_EQ(added.exit_code, 0) << added.err;
  // The program's every entry leaves, as at the window's refresh.
  EXPECT_FALSE(Has(test::ValueNames(test::kRunKey), L"Tool"));
  EXPECT_FALSE(Has(test::ValueNames(test::kRunKey), L"Twin"));
  EXPECT_FALSE(Has(MachineRunNames(), L"Twin"));
  const CommandResult listed = RunKorvanec({L"blacklist", L"list", L"--format", L"csv"});
  EXPECT_EQ(listed.out, "File name,Found\r\n" + ToUtf8(tool_) + ",Yes\r\n");

  EXPECT_EQ(RunKorvanec({L"blacklist", L"remove", L"C:\\not\\there.exe"}).exit_code, 1);
  EXPECT_EQ(RunKorvanec({L"blacklist", L"remove", AsciiUpper(tool_), L"--dry-run"}).exit_code, 0);
  EXPECT_EQ(ReadBlacklist()->size(), 1u);
  EXPECT_EQ(RunKorvanec({L"blacklist", L"remove", AsciiUpper(tool_)}).exit_code, 0);
  EXPECT_TRUE(ReadBlacklist()->empty());
}

TEST_F(KorvanecVerbs, CompareReportsWhatChangedSinceTheExport) {
  const std::wstring snapshot = test::kRoot + L"\\snapshot.json";
  ASSERT_EQ(RunKorvanec({L"export", snapshot}).exit_code, 0);
  const CommandResult same = RunKorvanec({L"compare", snapshot});
  EXPECT_EQ(same.exit_code, 0) << same.out << same.err;
  EXPECT_EQ(same.out, "Change\tName\tFile name\tLocation\tStartup\tFields\n");

  ASSERT_EQ(RunKorvanec({L"delete", L"Twin", L"--location", kMachineRun}).exit_code, 0);
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_ + L" -changed");
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Zed", tool_);
  const CommandResult changed = RunKorvanec({L"compare", snapshot, L"--format", L"csv"});
  EXPECT_EQ(changed.exit_code, 1) << changed.err;
  const std::string t = ToUtf8(tool_);
  EXPECT_EQ(changed.out,
            "Change,Name,File name,Location,Startup,Fields\r\n"
            "removed,Twin," +
                t + "," + ToUtf8(kMachineRun) +
                ",Enabled,\r\n"
                "changed,Tool," +
                t + "," + ToUtf8(kUserRun) +
                ",Enabled,parameters data\r\n"
                "added,Zed," +
                t + "," + ToUtf8(kUserRun) + ",Enabled,\r\n");

  // What can't be read as a snapshot is exit 2 with one line, never a change.
  test::PutFile(test::kRoot + L"\\bad.json",
                "{\"schema\":\"korvane-snapshot\",\"schemaVersion\":1,");
  for (const std::wstring& file : {test::kRoot + L"\\bad.json", test::kRoot + L"\\missing.json"}) {
    const CommandResult bad = RunKorvanec({L"compare", file});
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.find('\n'), bad.err.size() - 1) << bad.err;
  }
  EXPECT_EQ(RunKorvanec({L"compare"}).exit_code, 2);
}

TEST_F(KorvanecVerbs, WhatDeleteAndReplaceTookRestoresById) {
  ASSERT_EQ(RunKorvanec({L"delete", L"Tool"}).exit_code, 0);
  const std::wstring other = test::kRoot + L"\\Tools\\other.exe";
  ASSERT_EQ(RunKorvanec({L"add", L"Twin", other, L"--location", kUserRun, L"--replace"}).exit_code,
            0);
  const CommandResult removed = RunKorvanec({L"removed", L"--format", L"csv"});
  ASSERT_EQ(removed.exit_code, 0);
  // Newest first: the replaced entry, then the deleted one (under Wine the
  // records of earlier tests follow).
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = removed.out.find("\r\n", at)) != std::string::npos;
       at = end + 2) {
    lines.push_back(removed.out.substr(at, end - at));
  }
  ASSERT_GE(lines.size(), 3u) << removed.out;
  EXPECT_NE(lines[1].find(",Twin," + ToUtf8(tool_)), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("Replaced"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find(",Tool," + ToUtf8(tool_)), std::string::npos) << lines[2];
  const std::wstring id = FromUtf8(lines[2].substr(0, lines[2].find(',')));

  const std::string before = Listing();
  EXPECT_EQ(RunKorvanec({L"restore", id, L"--dry-run"}).exit_code, 0);
  EXPECT_EQ(RunKorvanec({L"restore", id, L"--replace", L"--rename"}).exit_code, 2);
  EXPECT_EQ(RunKorvanec({L"restore", L"no-such-record"}).exit_code, 1);
  EXPECT_EQ(Listing(), before);
  const CommandResult restored = RunKorvanec({L"restore", id});
  EXPECT_EQ(restored.exit_code, 0) << restored.err;
  EXPECT_TRUE(Has(test::ValueNames(test::kRunKey), L"Tool"));
}

TEST(KorvanecUsage, EveryVerbHasHelpAndTheExitCodes) {
  const std::string usage = RunKorvanec({L"--help"}).out;
  for (const char* verb :
       {"list", "delete", "disable", "enable", "add", "move", "run", "stop", "blacklist list",
        "blacklist add", "blacklist remove", "export", "compare", "watch"}) {
    EXPECT_NE(usage.find(std::string("korvanec ") + verb), std::string::npos) << verb;
    std::vector<std::wstring> args;
    for (const std::wstring& word : {FromUtf8(verb)}) {
      size_t blank = word.find(L' ');
      args.push_back(word.substr(0, blank));
      if (blank != std::wstring::npos) args.push_back(word.substr(blank + 1));
    }
    args.push_back(L"--help");
    const CommandResult help = RunKorvanec(args);
    EXPECT_EQ(help.exit_code, 0) << verb;
    EXPECT_EQ(help.out.rfind(std::string("usage: korvanec ") + verb, 0), 0u) << help.out;
    EXPECT_NE(help.out.find("3  the change failed"), std::string::npos) << verb;
  }
  EXPECT_NE(usage.find("2  usage error"), std::string::npos);
  EXPECT_EQ(RunKorvanec({L"watch", L"--format", L"csv"}).exit_code, 2);
  EXPECT_EQ(RunKorvanec({L"blacklist", L"--help"}).out.rfind("usage: korvanec blacklist list", 0),
            0u);
  EXPECT_EQ(RunKorvanec({L"--version"}).out.rfind("korvanec ", 0), 0u);
}

TEST_F(KorvanecVerbs, WhatKorvanecAddsMovesOrEnablesIsNotReportedByTheWindow) {
  test::MakeFolder(LocalAppDataFolder());
  // The window's refresh: the list as it stands is the snapshot.
  auto refresh = [] {
    StartupList rows;
    ScanStartupListWithParked(rows);
    SaveSnapshot(rows);
  };
  auto reported = [] {
    StartupList rows;
    ScanStartupListWithParked(rows);
    return DetectEntryChanges(rows, ReadEntrySnapshot(), {}).size();
  };
  refresh();
  EXPECT_EQ(RunKorvanec({L"disable", L"Twin", L"--location", kUserRun}).exit_code, 0);
  refresh();
  EXPECT_EQ(RunKorvanec({L"add", L"Other", test::kRoot + L"\other.exe", L"--location",
                         L"Registry, current user, Run"})
                .exit_code,
            0);
  EXPECT_EQ(RunKorvanec({L"move", L"Tool", L"--to", kMachineRun}).exit_code, 0);
  EXPECT_EQ(RunKorvanec({L"enable", L"Twin", L"--location", kUserRun}).exit_code, 0);
  EXPECT_EQ(reported(), 0u);
  // What another program writes meanwhile still is.
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Stranger", tool_ + L" -x");
  EXPECT_EQ(reported(), 1u);
}

}  // namespace
}  // namespace korvane
