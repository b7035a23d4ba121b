// Every way Korvane removes an entry keeps a copy that puts it back byte for
// byte, on both platforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "catalogue/approval.h"
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "catalogue/system_entries.h"
#include "catalogue/undo_store.h"
#include "monitor/blacklist.h"
#include "monitor/new_entries.h"
#include "monitor/restored.h"
#include "platform/profile.h"
#include "support/world.h"
#include "ui/new_entry.h"
#include "../catalogue/shortcuts.h"

namespace korvane {
namespace {

const std::wstring kRunOnce = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::wstring kWinlogon = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::wstring kApprovedRun =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

std::vector<uint8_t> Utf16(const std::wstring& text) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

std::string Describe(const std::optional<RegistryValue>& value) {
  if (!value) return "none";
  std::string out = std::to_string(static_cast<int>(value->type)) + ":";
  for (uint8_t b : value->data) out += std::to_string(b) + ",";
  return out;
}

std::optional<RegistryValue> ValueIn(const std::wstring& key, const std::wstring& name,
                                     RegistryView view = RegistryView::Bits64) {
  TRegistry reg(view);
  if (!reg.OpenKey(key, false)) return std::nullopt;
  return reg.ReadValue(name);
}

// One kind of entry: how it is made, how its place reads whole, and which
// row the scan gives for it.
struct Kind {
  const char* what;
  std::function<void()> make;
  std::function<std::string()> state;
  std::function<bool(const StartupEntry&)> is_row;
  bool replaceable = false;  // a new entry of that title writes over it
};

class Undo : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    test::MakeFolder(LocalAppDataFolder());
    test::PutFile(tool_);
    test::MakeFolder(user_folder_);
    test::MakeFolder(common_folder_);
    TRegistry().DeleteKey(kBlacklistKey);
  }
  void TearDown() override { TRegistry().DeleteKey(kBlacklistKey); }

  static StartupEntry FindRow(const std::function<bool(const StartupEntry&)>& is_row) {
    StartupList list;
    ScanStartupList(list);
    for (const StartupEntry& row : list) {
      if (is_row(row)) return row;
    }
    ADD_FAILURE() << "no such row";
    return {};
  }

  static std::function<bool(const StartupEntry&)> Value(const std::wstring& key,
                                                        const std::wstring& name) {
    return [=](const StartupEntry& row) {
      const auto* value = std::get_if<RegistrySource>(&row.source);
      return value && SameText(value->key_path, key) && value->value_name == name;
    };
  }
  static std::function<bool(const StartupEntry&)> File(const std::wstring& path) {
    return [=](const StartupEntry& row) {
      const auto* file = std::get_if<FolderSource>(&row.source);
      return file && SameText(file->path, path);
    };
  }

  Kind ValueKind(const char* what, const std::wstring& key, const std::wstring& name,
                 RegistryValue value, bool replaceable) {
    return {
        what,
        [=] {
          TRegistry reg;
          ASSERT_TRUE(reg.OpenKey(key, true));
          reg.WriteValue(name, value);
        },
        [=] { return Describe(ValueIn(key, name)) + "|" + Describe(ValueIn(kApprovedRun, name)); },
        Value(key, name), replaceable};
  }
  // An item of a value beyond the Run keys; the whole key is its state, so
  // that the value's other items and the key's other values are seen kept.
  Kind ItemKind(const char* what, RootKey root, const std::wstring& key, const std::wstring& name,
                RegistryValue value, const std::wstring& program) {
    auto state = [=] {
      TRegistry reg;
      reg.SetRootKey(root);
      if (!reg.OpenKey(key, false)) return std::string("none");
      // A value put back comes last in the key's order: the order is no content.
      std::vector<std::string> values;
      for (auto& [n, v] : reg.GetValues()) values.push_back(ToUtf8(n) + "=" + Describe(v) + ";");
      std::sort(values.begin(), values.end());
      std::string out;
      for (const std::string& value : values) out += value;
      return out;
    };
    return {what,
            [=] {
              TRegistry reg;
              reg.SetRootKey(root);
              ASSERT_TRUE(reg.OpenKey(key, true));
              reg.WriteValue(name, value);
              reg.WriteInteger(L"KvOther", 7);
            },
            state,
            [=](const StartupEntry& row) {
              const auto* item = std::get_if<ValueItemSource>(&row.source);
              return item && SameText(item->value.key_path, key) && row.file_name == program;
            }};
  }
  Kind FileKind(const char* what, const std::wstring& path, std::function<void()> make,
                bool replaceable) {
    return {what, std::move(make),
            [=] {
              std::optional<std::string> bytes = ReadFileBytes(path);
              std::optional<FileTimes> times = ReadFileTimes(path);
              if (!bytes || !times) return std::string("none");
              return *bytes + "|" + std::to_string(times->attributes) + "," +
                     std::to_string(times->created) + "," + std::to_string(times->written);
            },
            File(path), replaceable};
  }

  std::vector<Kind> Kinds() {
    const std::wstring shortcut = user_folder_ + L"\\Tool.lnk";
    const std::wstring batch = common_folder_ + L"\\backup.bat";
    test::Shortcut link = test::LinkTo(tool_, L"-a \"b c\"", test::kRoot + L"\\Tools");
    link.icon_location = tool_;
    link.icon_index = 2;
    link.hot_key = 0x0641;
    link.show = ShowCommand::Minimized;
    return {
        ValueKind("REG_SZ", test::kRunKey, L"Plain",
                  {RegistryDataType::String, Utf16(tool_ + L" -a")}, true),
        ValueKind("REG_EXPAND_SZ", kRunOnce, L"Expand",
                  {RegistryDataType::ExpandString, Utf16(L"%windir%\\..\\kvtest\\Tools\\tool.exe")},
                  false),
        ValueKind("default value", test::kRunKey, L"", {RegistryDataType::String, Utf16(tool_)},
                  false),
        ValueKind("Greek and Japanese", test::kRunKey,
                  L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u65e5\u672c",
                  {RegistryDataType::String, Utf16(tool_)}, true),
        ValueKind("4,000 characters", test::kRunKey, L"Long",
                  {RegistryDataType::String, Utf16(tool_ + L" " + std::wstring(4000, L'x'))}, true),
        {"approval off",
         [=] {
           test::SetString(RootKey::CurrentUser, test::kRunKey, L"Off", tool_);
           TRegistry reg;
           ASSERT_TRUE(reg.OpenKey(kApprovedRun, true));
           reg.WriteValue(L"Off", {RegistryDataType::Binary,
                                   {0x03, 0, 0, 0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 1}});
         },
         [=] {
           return Describe(ValueIn(test::kRunKey, L"Off")) + "|" +
                  Describe(ValueIn(kApprovedRun, L"Off"));
         },
         Value(test::kRunKey, L"Off"), true},
        FileKind(
            "shortcut with every field", shortcut,
            [=] {
              test::PutShortcut(shortcut, link);
              FileTimes times = *ReadFileTimes(shortcut);
              times.created -= 10000000ull * 3600 * 48;  // two days before
              times.written -= 10000000ull * 3600 * 24;
              ASSERT_TRUE(WriteFileTimes(shortcut, times));
            },
            true),
        FileKind(
            "batch file", batch, [=] { test::PutFile(batch, "@echo off\r\nxcopy a b\r\n"); },
            false),
        ItemKind("Userinit item", RootKey::LocalMachine, kWinlogon, L"Userinit",
                 {RegistryDataType::String,
                  Utf16(L"C:\\Windows\\system32\\userinit.exe," + tool_ + L" -u,")},
                 tool_),
        ItemKind("Shell beside Explorer", RootKey::CurrentUser, kWinlogon, L"Shell",
                 {RegistryDataType::String, Utf16(L"explorer.exe," + tool_)}, tool_),
        ItemKind("image hijack", RootKey::LocalMachine,
                 L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution "
                 L"Options\\kvvictim.exe",
                 L"Debugger", {RegistryDataType::ExpandString, Utf16(tool_ + L" /d")}, tool_),
        ItemKind("BootExecute string", RootKey::LocalMachine,
                 L"\\System\\CurrentControlSet\\Control\\Session Manager", L"BootExecute",
                 {RegistryDataType::MultiString,
                  Utf16(std::wstring(L"autocheck autochk *") + L'\0' + tool_ + L" x" + L'\0')},
                 tool_),
        ItemKind("Terminal Server Run value", RootKey::LocalMachine,
                 L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Terminal Server\\Install\\"
                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                 L"KvInstall", {RegistryDataType::String, Utf16(tool_)}, tool_),
        ItemKind("Taskman", RootKey::LocalMachine, kWinlogon, L"Taskman",
                 {RegistryDataType::String, Utf16(tool_)}, tool_),
        ItemKind("policy Shell", RootKey::CurrentUser,
                 L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"Shell",
                 {RegistryDataType::String, Utf16(tool_)}, tool_),
        ItemKind("Active Setup StubPath", RootKey::LocalMachine,
                 L"\\Software\\Microsoft\\Active Setup\\Installed Components\\{KvTest}",
                 L"StubPath", {RegistryDataType::String, Utf16(tool_ + L" /s")}, tool_),
        ItemKind("AppInit DLL", RootKey::LocalMachine,
                 L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"AppInit_DLLs",
                 {RegistryDataType::String, Utf16(L"a.dll " + tool_ + L",b.dll")}, tool_),
        ItemKind("logon script", RootKey::CurrentUser, L"\\Environment", L"UserInitMprLogonScript",
                 {RegistryDataType::String, Utf16(tool_)}, tool_),
        ItemKind("RunOnceEx section", RootKey::LocalMachine,
                 L"\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\0001", L"1",
                 {RegistryDataType::String, Utf16(L"||" + tool_ + L"|DllInstall")}, tool_),
        ItemKind("Safe Mode shell", RootKey::LocalMachine,
                 L"\\System\\CurrentControlSet\\Control\\SafeBoot", L"AlternateShell",
                 {RegistryDataType::String, Utf16(tool_)}, tool_),
        {"win.ini word", [=] { test::SetWinIni(L"run", L"a.exe " + tool_ + L" b.exe"); },
         [] { return ToUtf8(TIniFile(WinIniPath()).ReadString(L"windows", L"run", L"")); },
         [=](const StartupEntry& row) {
           return std::holds_alternative<WinIniSource>(row.source) && row.file_name == tool_;
         }},
    };
  }

  // Removes the row in one of the five ways; false when the way does not
  // apply to the kind. `moved_copy` undoes what a move wrote.
  bool RemoveBy(int way, const Kind& kind, const StartupEntry& row,
                std::function<void()>& moved_copy) {
    switch (way) {
      case 0: {
        RemovalResult removed = DeleteStartupEntry(row, RemovalSource::MainList);
        EXPECT_TRUE(removed.done) << ToUtf8(removed.reason);
        return true;
      }
      case 1: {
        RemovalFailures failures;
        EXPECT_EQ(RemoveBlacklisted({row}, {row.file_name}, failures).removed.size(), 1u);
        return true;
      }
      case 2: {
        StartupList rows{row};
        EXPECT_EQ(DeleteNewEntries(rows, {0}), L"");
        return true;
      }
      case 3: {
        if (!WhyNotMoved(row).empty()) return false;
        const bool file = std::holds_alternative<FolderSource>(row.source);
        const bool in_user_folder = StartsWith(row.location, user_folder_);
        const MoveTarget target = !file            ? MoveTarget::AllUsersRun
                                  : in_user_folder ? MoveTarget::AllUsersStartup
                                                   : MoveTarget::CurrentUserStartup;
        const MoveResult result = MoveStartupEntries({row}, target);
        EXPECT_EQ(result[0].outcome, MoveOutcome::Moved) << ToUtf8(result[0].reason);
        const std::wstring written = result[0].written;
        moved_copy = [file, written] {
          if (file) {
            RemoveFile(written);
            return;
          }
          TRegistry reg;
          reg.SetRootKey(RootKey::LocalMachine);
          ASSERT_TRUE(reg.OpenKey(test::kRunKey, false));
          reg.DeleteValue(written);
        };
        return true;
      }
      case 4: {
        if (!kind.replaceable) return false;
        const bool file = std::holds_alternative<FolderSource>(row.source);
        const std::wstring title = file ? L"Tool" : std::get<RegistrySource>(row.source).value_name;
        PlaceNewEntry({title, test::kRoot + L"\\other.exe", L"", file ? 10u : 0u});
        return true;
      }
    }
    return false;
  }

  const std::wstring tool_ = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring user_folder_ = test::kRoot + L"\\Startup";
  const std::wstring common_folder_ = test::kRoot + L"\\Common Startup";
};

TEST_F(Undo, EveryKindRemovedEveryWayComesBackByteForByte) {
  const char* ways[] = {"Delete", "blacklist", "new entries dialog", "move", "replace"};
  const std::wstring hows[] = {L"Deleted", L"Blacklisted", L"Deleted as a new entry", L"Moved to ",
                               L"Replaced"};
  for (const Kind& kind : Kinds()) {
    for (int way = 0; way < 5; ++way) {
      SCOPED_TRACE(std::string(kind.what) + " by " + ways[way]);
      SetUp();
      kind.make();
      const std::string before = kind.state();
      const StartupEntry row = FindRow(kind.is_row);
      std::function<void()> moved_copy;
      if (!RemoveBy(way, kind, row, moved_copy)) continue;
      EXPECT_NE(kind.state(), before);

      std::vector<RemovedEntry> kept = ReadRemovedEntries();
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_TRUE(StartsWith(RemovalWayText(kept[0].record), hows[way]));
      EXPECT_EQ(kept[0].record.row.name, row.name);
      EXPECT_EQ(kept[0].record.row.file_name, row.file_name);
      EXPECT_EQ(kept[0].record.row.location, row.location);

      // A replaced entry's place is taken by the new one: it goes, and is kept.
      const RestoreReport report = RestoreRemoved(
          kept, [](const RemovedEntry&) { return std::optional(RestoreTaken::Replace); });
      EXPECT_TRUE(report.errors.empty()) << ToUtf8(report.errors.front());
      ASSERT_EQ(report.restored.size(), 1u);
      EXPECT_EQ(ReadRemovedEntries().size(), way == 4 ? 1u : 0u);
      if (moved_copy) moved_copy();
      EXPECT_EQ(kind.state(), before);
      EXPECT_EQ(FindRow(kind.is_row).file_name, row.file_name);
    }
  }
}

// Written by the first format's writer, byte for byte: HKCU's Run value
// "Tool", "C:\Tools\tool.exe -q", moved to the machine's Run key.
constexpr char kFirstFormatRecord[] =
    "Korvane removed entry 1\n"
    "name 546f6f6c\n"
    "file 433a5c546f6f6c735c746f6f6c2e657865\n"
    "parameters 2d71\n"
    "location "
    "484b45595f43555252454e545f555345525c536f6674776172655c4d6963726f736f66745c57696e646f77735c43"
    "757272656e7456657273696f6e5c52756e\n"
    "kind registry\n"
    "root 0\n"
    "view 1\n"
    "key 5c536f6674776172655c4d6963726f736f66745c57696e646f77735c43757272656e7456657273696f6e5c52"
    "756e\n"
    "value 546f6f6c\n"
    "type 1\n"
    "data 43003a005c0054006f006f006c0073005c0074006f006f006c002e0065007800650020002d0071000000\n"
    "when 133782000000000000\n"
    "how 6d6f766564\n"
    "to "
    "484b45595f4c4f43414c5f4d414348494e455c536f6674776172655c4d6963726f736f66745c57696e646f77735c"
    "43757272656e7456657273696f6e5c52756e\n";

TEST_F(Undo, ARecordOfTheFirstFormatIsReadAndReplacedInTheOneFormatByTheNextCopy) {
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const RegistryValue command{RegistryDataType::String, Utf16(L"C:\\Tools\\tool.exe -q")};
  auto set = [&] {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(run, true));
    reg.WriteValue(L"Tool", command);
  };
  // A copy of this very entry, kept by an earlier Korvane.
  set();
  ASSERT_TRUE(RecordAndRemove(FindRow(Value(run, L"Tool")), RemovalWay::Deleted));
  ASSERT_EQ(ReadRemovedEntries().size(), 1u);
  const std::wstring id = ReadRemovedEntries()[0].id;
  const std::wstring record = LocalAppDataFolder() + L"\\Korvane\\Removed\\" + id + L".txt";
  test::PutFile(record, kFirstFormatRecord);

  std::vector<RemovedEntry> kept = ReadRemovedEntries();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].record.row.name, L"Tool");
  EXPECT_EQ(kept[0].record.row.parameters, L"-q");
  EXPECT_EQ(kept[0].record.when, 133782000000000000ull);
  EXPECT_EQ(RemovalWayText(kept[0].record),
            L"Moved to HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(std::get<RegistrySource>(kept[0].record.row.source).value, command);

  // The same entry removed again: its newer copy, in the one format, is the only one.
  set();
  ASSERT_TRUE(RecordAndRemove(FindRow(Value(run, L"Tool")), RemovalWay::Deleted));
  kept = ReadRemovedEntries();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_NE(kept[0].id, id);
  EXPECT_FALSE(FileExists(record));
  const std::string text =
      test::FileContent(LocalAppDataFolder() + L"\\Korvane\\Removed\\" + kept[0].id + L".txt");
  EXPECT_NE(text.find("\"format\": \"Korvane removed entry 2\""), std::string::npos) << text;
  EXPECT_EQ(RemovalWayText(kept[0].record), L"Deleted");
  EXPECT_EQ(RestoreRemovedEntry(kept[0].id, RestoreTaken::Ask).outcome, RestoreResult::Restored);
  EXPECT_EQ(ValueIn(run, L"Tool"), command);
}

}  // namespace
}  // namespace korvane
