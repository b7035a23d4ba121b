// Snapshots written and read back, what the reader refuses, and what a
// comparison reports.
#include <gtest/gtest.h>

#include "cli/snapshot.h"
#include "platform/text.h"

namespace korvane {
namespace {

StartupList AllKinds() {
  RegistrySource value = ValueSource(RootKey::LocalMachine, L"\\Software\\Run", L"Tool \"q\"");
  value.view = RegistryView::Bits32;
  value.value = {RegistryDataType::ExpandString, {'%', 0, 'x', 0, 0, 0, 0xff}};
  FolderSource link = FileSource(L"C:\\S\\J\u00fcrgen \u65e5.lnk");
  link.shortcut = true;
  link.target = L"C:\\P\\a.exe";
  link.arguments = L"-a\t\"b\"";
  link.working_folder = L"C:\\P";
  WinIniSource word{L"C:\\WINDOWS\\win.ini", L"load", L"a.exe", 3, 1};
  return {
      {L"Tool \"q\"", true, L"C:\\P\\a.exe", L"-x\r\n", L"HKEY_LOCAL_MACHINE\\Software\\Run", value,
       false},
      {L"J\u00fcrgen \u65e5.lnk", false, L"C:\\P\\a.exe", L"-a", L"C:\\S", link, true},
      {L"a.exe", false, L"a.exe", L"", L"C:\\WINDOWS\\win.ini, load", word, true},
      {L"bare", false, L"", L"", L"somewhere", std::monostate{}, true},
  };
}

TEST(Snapshot, EveryKindOfSourceComesBackAsWritten) {
  Snapshot written;
  written.korvane_version = L"1.2.3";
  written.machine = L"PC-\u00c5";
  written.user = L"j\u00fcrgen";
  written.time = L"2026-12-10T03:30:00Z";
  written.entries = AllKinds();
  std::wstring error;
  const std::optional<Snapshot> read = ReadSnapshot(SnapshotJson(written), error);
  ASSERT_TRUE(read) << ToUtf8(error);
  EXPECT_EQ(read->korvane_version, written.korvane_version);
  EXPECT_EQ(read->machine, written.machine);
  EXPECT_EQ(read->user, written.user);
  EXPECT_EQ(read->time, written.time);
  // Equal entries compare with no difference at all, running state included.
  EXPECT_TRUE(CompareEntries(written.entries, read->entries).empty());
  ASSERT_EQ(read->entries.size(), 4u);
  const auto& value = std::get<RegistrySource>(read->entries[0].source);
  EXPECT_EQ(value.view, RegistryView::Bits32);
  EXPECT_EQ(value.value, std::get<RegistrySource>(written.entries[0].source).value);
  EXPECT_EQ(std::get<FolderSource>(read->entries[1].source).arguments, L"-a\t\"b\"");
  EXPECT_EQ(std::get<WinIniSource>(read->entries[2].source).occurrence, 1u);
  EXPECT_FALSE(read->entries[0].enabled);
  EXPECT_TRUE(read->entries[0].running);
}

TEST(Snapshot, ReaderRefusesWhatIsNotAWholeSnapshotWithOneLine) {
  Snapshot one;
  one.entries = AllKinds();
  const std::string good = SnapshotJson(one);
  auto with = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::string deep(100000, '[');
  const std::string cases[] = {
      "",
      "null",
      "[]",
      "{}",
      good.substr(0, good.size() / 2),
      with("\"schemaVersion\": 1", "\"schemaVersion\": 2"),
      with("\"schemaVersion\": 1", "\"schemaVersion\": -1"),
      with("\"schemaVersion\": 1", "\"schemaVersion\": 1.5"),
      with("\"schema\": \"korvane-snapshot\"", "\"schema\": \"other\""),
      with("\"name\": \"bare\"", "\"name\": 7"),
      with("\"enabled\": false", "\"enabled\": \"no\""),
      with("\"kind\": \"winini\"", "\"kind\": \"elsewhere\""),
      with("\"type\": \"REG_EXPAND_SZ\"", "\"type\": \"REG_QWORD\""),
      with("\"view\": \"32\"", "\"view\": \"16\""),
      with("\"root\": \"HKEY_LOCAL_MACHINE\"", "\"root\": \"HKEY_CLASSES_ROOT\""),
      with("\"data\": \"250078000000ff\"", "\"data\": \"2500780\""),
      with("\"data\": \"250078000000ff\"", "\"data\": \"zz\""),
      with("\"position\": 3", "\"position\": 18446744073709551615"),
      with("\"position\": 3", "\"position\": -3"),
      with("\"entries\": [", "\"entries\": {\"a\": ["),
      with("\"fileName\": \"a.exe\",", ""),
      "{\"schema\":\"korvane-snapshot\",\"schemaVersion\":1,\"x\":" + deep,
      "{\"schema\":\"korvane-snapshot\",\"schemaVersion\":1,\"x\":\"\xff\xfe\"}",
      "{\"schema\":\"korvane-snapshot\",\"schemaVersion\":1,\"x\":\"\\ud800\"}",
      std::string(kMaxSnapshotBytes + 1, ' '),
      "{\"schema\":\"" + std::string(100000, 'a') + "\x01\"}",
  };
  for (const std::string& text : cases) {
    std::wstring error;
    EXPECT_FALSE(ReadSnapshot(text, error)) << text.substr(0, 200);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find(L'\n'), std::wstring::npos) << ToUtf8(error);
    EXPECT_LE(error.size(), 210u) << ToUtf8(error);
  }
  std::string many = "{\"schema\":\"korvane-snapshot\",\"schemaVersion\":1,\"x\":[";
  for (size_t i = 0; i < kMaxSnapshotValues; ++i) many += "0,";
  many += "0]}";
  std::wstring error;
  EXPECT_FALSE(ReadSnapshot(many, error));
  EXPECT_NE(error.find(L"too many"), std::wstring::npos) << ToUtf8(error);
}

TEST(Snapshot, ComparisonNamesEachKindOfChange) {
  StartupList before = AllKinds();
  // A place the snapshot holds twice and the list once is not removed.
  before.push_back(before[1]);
  before[3].signer = L"Example Vendor";
  StartupList now = before;
  now[0].running = false;  // not a change: programs come and go
  now[0].enabled = true;
  std::get<FolderSource>(now[1].source).arguments = L"-b";
  now[1].parameters = L"-b";
  now.erase(now.begin() + 2);
  now.pop_back();
  StartupEntry added = before[3];
  added.name = L"new";
  // Its program signed as the program of that file name was: an update.
  now.push_back(added);
  // A place listed twice pairs listing by listing: the second is new (and
  // signed by somebody else, no update).
  now.push_back(before[3]);
  now.back().signer = L"Other Vendor";

  const std::vector<EntryChange> changes = CompareEntries(before, now);
  ASSERT_EQ(changes.size(), 5u);
  EXPECT_EQ(changes[0].kind, EntryChange::Removed);
  EXPECT_EQ(changes[0].entry.name, L"a.exe");
  EXPECT_EQ(changes[1].kind, EntryChange::StateChanged);
  EXPECT_EQ(changes[2].kind, EntryChange::Changed);
  EXPECT_EQ(changes[2].fields, (std::vector<std::string>{"parameters", "arguments"}));
  EXPECT_EQ(changes[3].kind, EntryChange::Updated);
  EXPECT_EQ(changes[3].entry.name, L"new");
  EXPECT_EQ(FormatChanges({changes[3]}, ListFormat::Text).find("updated\tnew\t"),
            std::string("Change\tName\tFile name\tLocation\tStartup\tFields\n").size());
  EXPECT_EQ(changes[4].kind, EntryChange::Added);
  EXPECT_EQ(FormatChanges({changes[1]}, ListFormat::Json),
            "[\n  {\"change\":\"state changed\",\"name\":\"Tool \\\"q\\\"\",\"fileName\":"
            "\"C:\\\\P\\\\a.exe\",\"location\":\"HKEY_LOCAL_MACHINE\\\\Software\\\\Run\","
            "\"enabled\":true,\"fields\":[\"enabled\"]}\n]\n");
}

TEST(Snapshot, TimesAreWrittenInUtc) {
  EXPECT_EQ(IsoTimeUtc(0), L"1970-01-01T00:00:00Z");
  EXPECT_EQ(IsoTimeUtc(951782400), L"2000-02-29T00:00:00Z");
  EXPECT_EQ(IsoTimeUtc(1796873459), L"2026-12-10T03:30:59Z");
}

}  // namespace
}  // namespace korvane
