// The one format of an entry in the records of removed and parked entries:
// every kind of place comes back whole, awkward texts included, and records
// of the first format that users still keep read as they were written.
#include <gtest/gtest.h>

#include "catalogue/entry_record.h"
#include "platform/text.h"

namespace korvane {
namespace {

constexpr char kRemoved[] = "Korvane removed entry";
constexpr char kParked[] = "Korvane parked entry";

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

StartupEntry Row(std::wstring name, EntrySource source) {
  StartupEntry row;
  row.name = std::move(name);
  row.file_name = L"C:\\Program Files\\T\u00f6\u00f6l \u65e5\u672c\\tool.exe";
  row.parameters = L"-a \"b c\"\t\r\n-d";
  row.location = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  row.enabled = false;
  row.source = std::move(source);
  return row;
}

// Every field a record holds.
void ExpectSameRecord(const EntryRecord& read, const EntryRecord& written) {
  EXPECT_EQ(read.row.name, written.row.name);
  EXPECT_EQ(read.row.file_name, written.row.file_name);
  EXPECT_EQ(read.row.parameters, written.row.parameters);
  EXPECT_EQ(read.row.location, written.row.location);
  EXPECT_EQ(EntryIdentity(read.row), EntryIdentity(written.row));
  EXPECT_EQ(read.row.source.index(), written.row.source.index());
  if (const auto* value = std::get_if<RegistrySource>(&written.row.source)) {
    EXPECT_EQ(std::get<RegistrySource>(read.row.source).value, value->value);
    EXPECT_EQ(std::get<RegistrySource>(read.row.source).view, value->view);
  }
  if (const auto* file = std::get_if<FolderSource>(&written.row.source)) {
    const auto& back = std::get<FolderSource>(read.row.source);
    EXPECT_EQ(back.shortcut, file->shortcut);
    EXPECT_EQ(back.target, file->target);
    EXPECT_EQ(back.arguments, file->arguments);
    EXPECT_EQ(back.working_folder, file->working_folder);
    EXPECT_EQ(read.times, written.times);
  }
  if (const auto* word = std::get_if<WinIniSource>(&written.row.source)) {
    EXPECT_EQ(std::get<WinIniSource>(read.row.source).position, word->position);
  }
  if (const auto* task = std::get_if<TaskSource>(&written.row.source)) {
    EXPECT_EQ(std::get<TaskSource>(read.row.source).working_folder, task->working_folder);
  }
  EXPECT_EQ(read.when, written.when);
  EXPECT_EQ(read.how, written.how);
  EXPECT_EQ(read.moved_to, written.moved_to);
  EXPECT_EQ(read.approval, written.approval);
  EXPECT_FALSE(read.row.enabled);
  EXPECT_FALSE(read.row.running);
}

TEST(EntryFormat, EveryKindOfRecordComesBackWithItsAwkwardTexts) {
  const std::wstring run = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  RegistrySource binary = ValueSource(RootKey::LocalMachine, run, L"\"Q\" \u65e5\n\u00e9");
  binary.view = RegistryView::Bits32;
  binary.value = {RegistryDataType::Binary, {0, 0, 0xff, '\n', 0, '"', '\\'}};
  RegistrySource multi = ValueSource(RootKey::CurrentUser, run, L"Multi");
  multi.value = {RegistryDataType::MultiString, Bytes(std::string("a\0\0b\0\0\0\0", 8))};
  FolderSource link = FileSource(L"C:\\Start up\\J\u00fcrgen \"\u65e5\".lnk");
  link.shortcut = true;
  link.target = L"C:\\P\\a.exe";
  link.arguments = std::wstring(L"-a\0\"b\"\n", 7);
  link.working_folder = L"C:\\P";
  EntryRecord file;
  file.row = Row(L"J\u00fcrgen \"\u65e5\".lnk", link);
  file.times = {0x21, 1, 133700000000000000ull, UINT64_MAX};
  EntryRecord removed;
  removed.row = Row(L"\"Q\" \u65e5\n\u00e9", binary);
  removed.when = 133782000000000000ull;
  removed.how = L"moved";
  removed.moved_to = L"C:\\Start up \u65e5";
  removed.approval = RegistryValue{RegistryDataType::Binary, {3, 0, 0, 0, 0, 0, 0, 0, 1, 2}};
  const EntryRecord records[] = {
      removed,
      {Row(L"Multi", multi), {}, 0, L"", L"", std::nullopt},
      file,
      {Row(L"a.exe", WinIniSource{L"C:\\WINDOWS\\win.ini", L"load", L"a.exe", 3, 1}),
       {},
       0,
       L"blacklisted",
       L"",
       std::nullopt},
      {Row(L"Updater", TaskSource{L"\\Vendor\\Up \u65e5", 2, L"C:\\U \"x\""}),
       {},
       0,
       L"",
       L"",
       std::nullopt},
  };
  for (const EntryRecord& record : records) {
    const std::string text = EntryRecordText(record, kRemoved);
    EXPECT_NE(text.find("\"format\": \"Korvane removed entry 2\""), std::string::npos) << text;
    std::optional<EntryRecord> read = ParseEntryRecord(text, kRemoved);
    ASSERT_TRUE(read) << text;
    ExpectSameRecord(*read, record);
    // A record of one store is none of the other's.
    EXPECT_FALSE(ParseEntryRecord(text, kParked)) << text;
  }
}

// Written by the first format's writer, byte for byte.
constexpr char kFirstFormatRemoved[] =
    "Korvane removed entry 1\n"
    "name 546f6f6c2022e697a522\n"
    "file 433a5c546f6f6c735c746f6f6c2e657865\n"
    "parameters 2d710a\n"
    "location "
    "484b45595f43555252454e545f555345525c536f6674776172655c4d6963726f736f66745c57696e646f77735c43"
    "757272656e7456657273696f6e5c52756e\n"
    "kind registry\n"
    "root 0\n"
    "view 1\n"
    "key 5c536f6674776172655c4d6963726f736f66745c57696e646f77735c43757272656e7456657273696f6e5c52"
    "756e\n"
    "value 546f6f6c2022e697a522\n"
    "type 4\n"
    "data 000100ff0a\n"
    "when 133782000000000000\n"
    "how 64656c65746564\n"
    "approvaltype 4\n"
    "approval 030000000000000001020304\n";
constexpr char kFirstFormatParkedFile[] =
    "Korvane parked entry 1\n"
    "name 4ac3bc7267656e2e6c6e6b\n"
    "file 433a5c505c612e657865\n"
    "parameters 2d6120226222\n"
    "location 433a5c53746172747570\n"
    "kind folder\n"
    "path 433a5c537461727475705c4ac3bc7267656e2e6c6e6b\n"
    "shortcut 1\n"
    "target 433a5c505c612e657865\n"
    "arguments 2d6120226222\n"
    "working 433a5c50\n"
    "attributes 33\n"
    "created 133700000000000000\n"
    "accessed 133700000010000000\n"
    "written 133700000020000000\n";
constexpr char kFirstFormatParkedWord[] =
    "Korvane parked entry 1\n"
    "name 612e657865\n"
    "file 612e657865\n"
    "parameters \n"
    "location 433a5c57494e444f57535c77696e2e696e692c206c6f6164\n"
    "kind ini\n"
    "ini 433a5c57494e444f57535c77696e2e696e69\n"
    "inikey 6c6f6164\n"
    "word 612e657865\n"
    "position 3\n"
    "occurrence 1\n";
constexpr char kFirstFormatRemovedTask[] =
    "Korvane removed entry 1\n"
    "name 55706461746572\n"
    "file 433a5c555c752e657865\n"
    "parameters \n"
    "location 5461736b205363686564756c6572\n"
    "kind task\n"
    "task 5c56656e646f725c55706461746572\n"
    "action 1\n"
    "working 433a5c55\n";

TEST(EntryFormat, RecordsOfTheFirstFormatReadAsTheyWereWritten) {
  const std::wstring run_key = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  EntryRecord removed;
  removed.row.name = L"Tool \"\u65e5\"";
  removed.row.file_name = L"C:\\Tools\\tool.exe";
  removed.row.parameters = L"-q\n";
  removed.row.location = L"HKEY_CURRENT_USER" + run_key;
  RegistrySource value = ValueSource(RootKey::CurrentUser, run_key, L"Tool \"\u65e5\"");
  value.value = {RegistryDataType::Binary, {0, 1, 0, 0xff, '\n'}};
  removed.row.source = value;
  removed.when = 133782000000000000ull;
  removed.how = L"deleted";
  removed.approval = RegistryValue{RegistryDataType::Binary, {3, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}};

  EntryRecord file;
  file.row.name = L"J\u00fcrgen.lnk";
  file.row.file_name = L"C:\\P\\a.exe";
  file.row.parameters = L"-a \"b\"";
  file.row.location = L"C:\\Startup";
  FolderSource link = FileSource(L"C:\\Startup\\J\u00fcrgen.lnk");
  link.shortcut = true;
  link.target = L"C:\\P\\a.exe";
  link.arguments = L"-a \"b\"";
  link.working_folder = L"C:\\P";
  file.row.source = link;
  file.times = {0x21, 133700000000000000ull, 133700000010000000ull, 133700000020000000ull};

  EntryRecord word;
  word.row.name = word.row.file_name = L"a.exe";
  word.row.location = L"C:\\WINDOWS\\win.ini, load";
  word.row.source = WinIniSource{L"C:\\WINDOWS\\win.ini", L"load", L"a.exe", 3, 1};

  EntryRecord task;
  task.row.name = L"Updater";
  task.row.file_name = L"C:\\U\\u.exe";
  task.row.location = L"Task Scheduler";
  task.row.source = TaskSource{L"\\Vendor\\Updater", 1, L"C:\\U"};

  const struct {
    const char* text;
    const char* kind;
    const EntryRecord& expected;
  } cases[] = {{kFirstFormatRemoved, kRemoved, removed},
               {kFirstFormatParkedFile, kParked, file},
               {kFirstFormatParkedWord, kParked, word},
               {kFirstFormatRemovedTask, kRemoved, task}};
  for (const auto& c : cases) {
    std::optional<EntryRecord> read = ParseEntryRecord(c.text, c.kind);
    ASSERT_TRUE(read) << c.text;
    ExpectSameRecord(*read, c.expected);
    // Written again, it is a record of the one format that reads the same.
    const std::string again = EntryRecordText(*read, c.kind);
    ASSERT_EQ(again.rfind("{", 0), 0u) << again;
    std::optional<EntryRecord> reread = ParseEntryRecord(again, c.kind);
    ASSERT_TRUE(reread) << again;
    ExpectSameRecord(*reread, c.expected);
  }
}

}  // namespace
}  // namespace korvane
