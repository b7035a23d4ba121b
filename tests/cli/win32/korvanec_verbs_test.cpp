// Every verb through korvanec.exe itself in the Wine prefix: exit codes,
// output, and the registry before and after.
#include <gtest/gtest.h>
#include <windows.h>

#include "catalogue/rights.h"
#include "platform/win32/handles.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "gui/messages.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "support/programs.h"
#include "support/world.h"
#include "ui/elevation.h"

namespace korvane {
namespace {

const std::wstring kMachineRun =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Result {
  DWORD code = 0;
  std::string output;
};

Result Korvanec(const std::wstring& arguments) {
  Result result;
  result.output =
      testing::RunAndCapture(testing::HelperProgram(L"korvanec.exe"), arguments, &result.code);
  return result;
}

std::wstring Quoted(const std::wstring& text) {
  return L"\"" + text + L"\"";
}

bool ProcessRuns(const std::wstring& path) {
  TWindowsAPI::Instance().InvalidateProcessList();
  return TWindowsAPI::Instance().FindProcessFile(path) >= 0;
}

class KorvanecExe : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    tool_ = test::kRoot + L"\\Tools\\tool.exe";
    test::PutFile(tool_);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Tool", tool_);
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Twin", tool_);
    test::SetString(RootKey::LocalMachine, test::kRunKey, L"Twin", tool_);
    test::PutFile(test::kRoot + L"\\Startup\\notes.txt");
    snapshot_ = test::kRoot + L"\\before.json";
    ASSERT_EQ(Korvanec(L"export " + Quoted(snapshot_)).code, 0u);
  }
  // Exit 0 from compare: the startup configuration is as exported.
  void ExpectUnchanged(const std::wstring& after) {
    const Result same = Korvanec(L"compare " + Quoted(snapshot_));
    EXPECT_EQ(same.code, 0u) << ToUtf8(after) << "\n" << same.output;
  }
  std::wstring tool_, snapshot_;
};

TEST_F(KorvanecExe, EveryVerbsExitCodesAndDryRunChangesNothing) {
  const std::wstring other = test::kRoot + L"\\Tools\\other.exe";
  struct Case {
    std::wstring arguments;
    DWORD code;
  } cases[] = {
      {L"list --format json", 0},
      {L"--help", 0},
      {L"--version", 0},
      {L"", 2},
      {L"frobnicate", 2},
      {L"delete Tool --dry-run", 0},
      {L"delete Twin --all --dry-run", 0},
      {L"delete notes.txt --dry-run", 0},
      {L"move notes.txt --to " + Quoted(kMachineRun) + L" --dry-run", 0},
      {L"disable notes.txt --dry-run", 0},
      {L"blacklist add notes.txt --dry-run", 0},
      {L"delete Twin", 2},
      {L"delete Nothing", 1},
      {L"disable Tool --dry-run", 0},
      {L"enable Tool", 0},  // on already: nothing to do
      {L"enable Nothing", 1},
      {L"add New " + Quoted(other) + L" --location \"Registry, current user, Run\" --dry-run", 0},
      {L"add Tool " + Quoted(other) + L" --location \"Registry, current user, Run\"", 3},
      {L"add Word \"C:\\a b.exe\" --location \"Win.ini, run\"", 2},
      {L"add Empty \"\" --location \"Registry, current user, Run\"", 2},
      {L"move Tool --to " + Quoted(kMachineRun) + L" --dry-run", 0},
      {L"move Tool --to HKEY_CURRENT_USER\\Nowhere", 2},
      {L"move Nothing --to " + Quoted(kMachineRun), 1},
      {L"run Tool --dry-run", 0},
      {L"run Nothing", 1},
      {L"stop Tool", 0},  // not running: passed over
      {L"stop Nothing", 1},
      {L"blacklist list", 0},
      {L"blacklist add Tool --dry-run", 0},
      {L"blacklist add Nothing", 1},
      {L"blacklist remove C:\\not\\listed.exe", 1},
      {L"blacklist", 2},
      {L"export --bogus", 2},
      {L"compare", 2},
      {L"compare " + Quoted(test::kRoot + L"\\missing.json"), 2},
  };
  for (const Case& c : cases) {
    const Result result = Korvanec(c.arguments);
    EXPECT_EQ(result.code, c.code) << ToUtf8(c.arguments) << "\n" << result.output;
    ExpectUnchanged(c.arguments);
  }
  EXPECT_TRUE(FileExists(test::kRoot + L"\\Startup\\notes.txt"));
}

TEST_F(KorvanecExe, ExportDeleteCompareReportsTheRemoval) {
  const Result deleted = Korvanec(L"delete Twin --location " + Quoted(kMachineRun));
  ASSERT_EQ(deleted.code, 0u) << deleted.output;
  const Result compared = Korvanec(L"compare " + Quoted(snapshot_) + L" --format csv");
  EXPECT_EQ(compared.code, 1u);
  EXPECT_EQ(compared.output, "Change,Name,File name,Location,Startup,Fields\r\nremoved,Twin," +
                                 ToUtf8(tool_) + "," + ToUtf8(kMachineRun) + ",Enabled,\r\n");
  // A snapshot that is not one: exit 2, one line, nothing compared.
  test::PutFile(test::kRoot + L"\\cut.json", test::FileContent(snapshot_).substr(0, 100));
  test::PutFile(test::kRoot + L"\\huge.json", std::string(17 << 20, '['));
  test::PutFile(test::kRoot + L"\\deep.json", std::string(1 << 20, '['));
  for (const wchar_t* bad : {L"cut.json", L"huge.json", L"deep.json"}) {
    const Result refused = Korvanec(L"compare " + Quoted(test::kRoot + L"\\" + bad));
    EXPECT_EQ(refused.code, 2u) << ToUtf8(bad);
    EXPECT_EQ(refused.output.find('\n'), refused.output.size() - 1) << refused.output;
  }
}

TEST_F(KorvanecExe, ChangingVerbsChangeWhatTheySay) {
  const std::wstring other = test::kRoot + L"\\Tools\\other.exe";
  test::PutFile(other);
  EXPECT_EQ(Korvanec(L"move Tool --to " + Quoted(kMachineRun)).code, 0u);
  EXPECT_EQ(Korvanec(L"add Tool " + Quoted(other) + L" --location " + Quoted(kMachineRun) +
                     L" --replace --parameters -q")
                .code,
            0u);
  EXPECT_EQ(Korvanec(L"disable Tool").code, 0u);
  const Result compared = Korvanec(L"compare " + Quoted(snapshot_) + L" --format csv");
  EXPECT_EQ(compared.code, 1u);
  EXPECT_EQ(compared.output,
            "Change,Name,File name,Location,Startup,Fields\r\n"
            "removed,Tool," +
                ToUtf8(tool_) +
                ",HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run,Enabled,\r\n"
                "added,Tool," +
                ToUtf8(other) + "," + ToUtf8(kMachineRun) + ",Disabled,\r\n");
  EXPECT_EQ(Korvanec(L"blacklist add Twin --all").code, 0u);
  EXPECT_EQ(test::ValueNames(test::kRunKey), std::vector<std::wstring>{});
  EXPECT_EQ(Korvanec(L"blacklist remove " + Quoted(tool_)).code, 0u);
}

// As a user without administrator rights: the machine's entries are listed,
// and a change to one says what it needs and changes nothing.
TEST_F(KorvanecExe, WithReadRightsOnlyTheMachinesEntriesAreListedAndLeftAlone) {
  test::ReadOnlyMachineKey locked(test::kRunKey);
  const Result listed = Korvanec(L"list --format csv");
  ASSERT_EQ(listed.code, 0u) << listed.output;
  EXPECT_NE(listed.output.find("Twin,No," + ToUtf8(tool_) + ",," + ToUtf8(kMachineRun)),
            std::string::npos)
      << listed.output;
  const std::string header = listed.output.substr(0, listed.output.find('\r'));
  EXPECT_TRUE(header.ends_with(",Needs administrator,Windows")) << header;
  EXPECT_NE(listed.output.find(",Yes,No\r\n"), std::string::npos) << listed.output;
  for (const std::wstring& verb : {L"delete", L"disable", L"move"}) {
    const Result refused = Korvanec(
        verb + L" Twin --location " + Quoted(kMachineRun) +
        (verb == L"move" ? L" --to " + Quoted(L"HKEY_CURRENT_USER" + test::kRunKey) : L""));
    EXPECT_EQ(refused.code, 3u) << ToUtf8(verb) << "\n" << refused.output;
    EXPECT_NE(refused.output.find("needs administrator rights"), std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find("Run as administrator"), std::string::npos) << refused.output;
  }
  EXPECT_EQ(Korvanec(L"removed").output.find("Twin"), std::string::npos);
  ExpectUnchanged(L"refused changes");
  // The user's own entries change as before.
  EXPECT_EQ(
      Korvanec(L"delete Twin --location " + Quoted(L"HKEY_CURRENT_USER" + test::kRunKey)).code, 0u);
}

// The window's way with such a change: korvanec started as administrator
// (under Wine "runas" starts it with the rights the prefix gives), told the
// exact entry and the user's data folder, its answer read back.
TEST_F(KorvanecExe, TheWindowsElevatedKorvanecDoesTheChangeAndRecordsItForTheUser) {
  StartupList rows;
  ScanStartupList(rows);
  StartupList machine;
  for (const StartupEntry& row : rows) {
    if (row.location == kMachineRun && row.name == L"Twin") machine.push_back(row);
  }
  ASSERT_EQ(machine.size(), 1u);
  {
    test::ReadOnlyMachineKey locked(test::kRunKey);
    EXPECT_TRUE(NeedsAdministrator(machine[0]));
    // Wine's elevated token is refused by the key's rights as well.
    const ElevatedResult refused = ChangeAsAdministrator(L"delete", {}, machine);
    ASSERT_EQ(refused.kind, ElevatedResult::Kind::Done) << ToUtf8(refused.error);
    EXPECT_EQ(ElevatedFailures(machine, refused), L"Twin: " + std::wstring(kNeedsAdministrator));
    ExpectUnchanged(L"a refused elevated change");
  }
  const ElevatedResult done = ChangeAsAdministrator(L"delete", {}, machine);
  ASSERT_EQ(done.kind, ElevatedResult::Kind::Done) << ToUtf8(done.error);
  EXPECT_EQ(ElevatedFailures(machine, done), L"");
  TRegistry registry;
  registry.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(registry.OpenKeyReadOnly(test::kRunKey));
  EXPECT_FALSE(registry.ValueExists(L"Twin"));
  const std::vector<RemovedEntry> kept = ReadRemovedEntries();  // this user's store
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].record.row.location, kMachineRun);
  EXPECT_EQ(kept[0].record.row.name, L"Twin");
}

TEST_F(KorvanecExe, RunStartsTheProgramAndStopEndsIt) {
  const std::wstring program = testing::HelperProgram(L"korvane_startup_program.exe");
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Helper", Quoted(program));
  ASSERT_FALSE(ProcessRuns(program));
  EXPECT_EQ(Korvanec(L"run Helper").code, 0u);
  bool started = false;
  for (int i = 0; i < 50 && !started; ++i, Sleep(100)) started = ProcessRuns(program);
  EXPECT_TRUE(started);
  const Result stopped = Korvanec(L"stop Helper");
  EXPECT_EQ(stopped.code, 0u) << stopped.output;
  bool ended = false;
  for (int i = 0; i < 50 && !ended; ++i, Sleep(100)) ended = !ProcessRuns(program);
  EXPECT_TRUE(ended);

  // add --start, as "Start after addition".
  EXPECT_EQ(Korvanec(L"add Started " + Quoted(program) +
                     L" --location \"Registry, current user, Run\" --start")
                .code,
            0u);
  started = false;
  for (int i = 0; i < 50 && !started; ++i, Sleep(100)) started = ProcessRuns(program);
  EXPECT_TRUE(started);
  EXPECT_EQ(Korvanec(L"stop Started").code, 0u);
  ended = false;
  for (int i = 0; i < 50 && !ended; ++i, Sleep(100)) ended = !ProcessRuns(program);
  EXPECT_TRUE(ended);
}

// What a running program has written to the pipe so far, waiting up to
// five seconds for `text` to be among it.
std::string ReadUntil(HANDLE pipe, std::string& output, const std::string& text) {
  for (int i = 0; i < 250 && output.find(text) == std::string::npos; ++i) {
    DWORD ready = 0;
    if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr) && ready > 0) {
      std::string chunk(ready, '\0');
      DWORD got = 0;
      if (ReadFile(pipe, chunk.data(), ready, &got, nullptr)) output.append(chunk, 0, got);
    } else {
      Sleep(20);
    }
  }
  return output;
}

TEST_F(KorvanecExe, WatchPrintsEachChangeAsItComesUntilCtrlC) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  win32::KernelHandle read_end, write_end;
  ASSERT_TRUE(CreatePipe(read_end.put(), write_end.put(), &inheritable, 0));
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  // A console of its own, so that Ctrl+C goes to it alone.
  const std::wstring program = testing::HelperProgram(L"korvanec.exe");
  std::wstring line = Quoted(program) + L" watch --format json";
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                             CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &info));
  win32::KernelHandle process(info.hProcess), thread(info.hThread);
  write_end.reset();
  std::string output;
  ASSERT_NE(ReadUntil(read_end.get(), output, "startup places").find("korvanec: watching"),
            std::string::npos)
      << output;

  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Kv Watched", tool_ + L" /w");
  EXPECT_NE(ReadUntil(read_end.get(), output, "Kv Watched")
                .find("\"change\":\"new\",\"name\":\"Kv Watched\""),
            std::string::npos)
      << output;
  test::SetString(RootKey::CurrentUser, test::kRunKey, L"Kv Watched", tool_ + L" /x");
  EXPECT_NE(ReadUntil(read_end.get(), output, "\"changed\"").find("\"before\":{\"command\""),
            std::string::npos)
      << output;
  // A signed program moved to its next version's folder is its own update.
  const std::wstring vendor = testing::HelperProgram(L"korvane_vendor_program.exe");
  if (FileExists(vendor)) {
    const std::wstring next = test::kRoot + L"\\Vendor 2\\korvane_vendor_program.exe";
    test::MakeFolder(ExtractFilePath(next));
    ASSERT_TRUE(CopyFileW(vendor.c_str(), next.c_str(), FALSE));
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Kv Vendor", vendor);
    ReadUntil(read_end.get(), output, "Kv Vendor");
    test::SetString(RootKey::CurrentUser, test::kRunKey, L"Kv Vendor", next);
    EXPECT_NE(ReadUntil(read_end.get(), output, "\"updated\"")
                  .find("\"change\":\"updated\",\"name\":\"Kv Vendor\""),
              std::string::npos)
        << output;
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(test::kRunKey, false));
  reg.DeleteValue(L"Kv Watched");
  EXPECT_NE(ReadUntil(read_end.get(), output, "\"removed\"").find("\"removed\""), std::string::npos)
      << output;

  // Ctrl+C, as the user presses it in that console.
  FreeConsole();
  ASSERT_TRUE(AttachConsole(info.dwProcessId));
  SetConsoleCtrlHandler(nullptr, TRUE);
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  ASSERT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  FreeConsole();
  SetConsoleCtrlHandler(nullptr, FALSE);
  DWORD code = ~0u;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 0u);
}

TEST(KorvanecVersion, OneVersionInTheResourceTheCaptionAndKorvanec) {
  TLMDVersionInfo info;
  info.SetRetrieveFilename(testing::HelperProgram(L"korvane.exe"));
  ASSERT_FALSE(info.FileVersion.empty());
  EXPECT_EQ(Korvanec(L"--version").output, "korvanec " + ToUtf8(info.FileVersion) + "\n");
  EXPECT_EQ(std::wstring(kMainFormCaption), L"Korvane " + info.FileVersion);
  TLMDVersionInfo console;
  console.SetRetrieveFilename(testing::HelperProgram(L"korvanec.exe"));
  EXPECT_EQ(console.FileVersion, info.FileVersion);
  EXPECT_EQ(console.ProductVersion, info.ProductVersion);
}

}  // namespace
}  // namespace korvane
