// Which rows the main list shows and in what order, what its cells say, and
// what it keeps of its layout and place: all without a window.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/memory/arrange.h"
#include "platform/registry.h"
#include "ui/entry_actions.h"
#include "ui/file_facts.h"
#include "ui/list_rules.h"
#include "ui/settings.h"
#include "ui/window_state.h"

namespace korvane {
namespace {

using enum ListColumn;

StartupEntry Row(std::wstring name, std::wstring file, std::wstring location = L"HKCU Run") {
  StartupEntry row;
  row.name = std::move(name);
  row.file_name = std::move(file);
  row.location = std::move(location);
  return row;
}

// Rows with their facts, read as the window reads them.
struct Table {
  StartupList rows;
  std::vector<FileFacts> facts;
  CellReader Reader() const {
    return
        [this](size_t row, ListColumn column) { return CellText(rows[row], column, &facts[row]); };
  }
};

Table Sample() {
  Table t;
  t.rows = {Row(L"Updater", L"C:\\Vendor\\upd.exe"), Row(L"alpha", L"C:\\Tools\\alpha.exe"),
            Row(L"Beta", L"C:\\Tools\\beta.exe", L"Startup folder"),
            Row(L"alpha", L"C:\\Other\\alpha.exe")};
  FileFacts vendor{true, L"Vendor Ltd", L"Keeps things new", FileSignature{}};
  vendor.signature->state = SignatureState::Verified;
  vendor.signature->signer = L"Vendor Ltd";
  t.facts = {vendor, {true, L"", L"Alpha tool", FileSignature{}}, {false}, {true, L"ÄRGER GmbH"}};
  return t;
}

const std::vector<ListColumn> kAll = {Name,     Running,   Startup,     FileName, Parameters,
                                      Location, Publisher, Description, Signature};

TEST(ListFilter, KeepsTheRowsOfWhichACellShownHoldsTheTextInAnyCase) {
  const Table t = Sample();
  struct Case {
    std::wstring filter;
    std::vector<ListColumn> columns;
    std::vector<size_t> rows;
  } cases[] = {
      {L"", kAll, {0, 1, 2, 3}},
      {L"ALPHA", kAll, {1, 3}},
      {L"tools\\", kAll, {1, 2}},
      {L"vendor ltd", kAll, {0}},        // a publisher
      {L"keeps THINGS", kAll, {0}},      // a description
      {L"verified: vendor", kAll, {0}},  // a signature
      {L"not found", kAll, {2}},         // the missing file's mark
      {L"ärger", kAll, {3}},             // beyond ASCII
      {L"startup folder", kAll, {2}},
      {L"vendor ltd", {Name, FileName}, {}},  // hidden columns don't count
      {L"nothing like it", kAll, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShownRows(t.rows.size(), t.Reader(), c.columns, c.filter, {}), c.rows)
        << std::string(c.filter.begin(), c.filter.end());
  }
}

TEST(ListSort, AHeaderSortsUpThenDownThenBackToScanOrderAndTiesKeepScanOrder) {
  ListOrder order;
  order = NextOrder(order, Name);
  EXPECT_EQ(order, (ListOrder{Name, false}));
  order = NextOrder(order, Name);
  EXPECT_EQ(order, (ListOrder{Name, true}));
  EXPECT_EQ(NextOrder(order, FileName), (ListOrder{FileName, false}));
  order = NextOrder(order, Name);
  EXPECT_EQ(order, ListOrder{});

  const Table t = Sample();
  // The two "alpha" rows sort alike by name: they keep their scan order
  // either way, and letter case does not count.
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"", {Name, false}), (std::vector<size_t>{1, 3, 2, 0}));
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"", {Name, true}), (std::vector<size_t>{0, 2, 1, 3}));
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"", {}), (std::vector<size_t>{0, 1, 2, 3}));
  // Sorting and filtering together; an empty cell sorts first.
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"tools", {Publisher, false}),
            (std::vector<size_t>{1, 2}));
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"", {Publisher, true}),
            (std::vector<size_t>{3, 0, 1, 2}));
  // Hidden rows are neither found nor sorted.
  const auto second_hidden = [](size_t row) { return row == 1; };
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"alpha", {}, second_hidden), (std::vector<size_t>{3}));
  EXPECT_EQ(ShownRows(4, t.Reader(), kAll, L"", {Name, false}, second_hidden),
            (std::vector<size_t>{3, 2, 0}));
}

TEST(ListCells, TheFileCellsWaitForTheirFactsAndAMissingFileIsMarked) {
  StartupEntry program = Row(L"Tool", L"C:\\Tools\\tool.exe");
  EXPECT_EQ(CellText(program, Publisher, nullptr), L"");
  EXPECT_EQ(CellText(program, Signature, nullptr), L"");
  EXPECT_FALSE(ProgramFileMissing(program, nullptr));

  FileFacts unchecked{true, L"Maker", L"A tool", std::nullopt};
  EXPECT_EQ(CellText(program, Publisher, &unchecked), L"Maker");
  EXPECT_EQ(CellText(program, Description, &unchecked), L"A tool");
  EXPECT_EQ(CellText(program, Signature, &unchecked), L"");

  const FileFacts gone{false};
  EXPECT_TRUE(ProgramFileMissing(program, &gone));
  EXPECT_EQ(CellText(program, Signature, &gone), L"File not found");

  // A web address in a Startup folder names no file.
  StartupEntry link = Row(L"News.url", L"https://news.example/");
  link.source = FileSource(L"C:\\Startup\\News.URL");
  EXPECT_FALSE(ProgramFileMissing(link, &gone));
  EXPECT_EQ(CellText(link, Signature, &gone), L"");

  EXPECT_EQ(SignatureText({SignatureState::NotSigned}), L"Not signed");
  EXPECT_EQ(SignatureText({SignatureState::Verified, L"Maker Inc"}), L"Verified: Maker Inc");
  EXPECT_EQ(SignatureText({SignatureState::NotVerified, L"", L"the file was changed"}),
            L"Not verified: the file was changed");
  EXPECT_EQ(ShownCountText(3, 40), L"3 of 40 entries");
  EXPECT_EQ(ShownCountText(42, 42, false, 61), L"42 entries, 61 of Windows hidden");
  EXPECT_EQ(ShownCountText(3, 42, true, 61), L"3 of 42 entries, 61 of Windows hidden");
}

class FactsOfFiles : public ::testing::Test {
 protected:
  void SetUp() override { memory::Reset(); }
  // Asks and waits until the keeper has looked at every file.
  static void AskAndWait(FileFactsKeeper& keeper, const std::vector<std::wstring>& paths) {
    keeper.Ask(paths);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!keeper.Idle() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(keeper.Idle());
  }
};

TEST_F(FactsOfFiles, EachFileIsReadOnceAndAgainOnlyWhenItChanges) {
  const std::wstring tool = L"C:\\Tools\\tool.exe";
  memory::PutFile(tool, "version one");
  memory::SetVersionInfo(tool, {{L"CompanyName", L"Maker"}, {L"FileDescription", L"A tool"}},
                         L"English");
  memory::SetSignature(tool, {SignatureState::Verified, L"Maker Inc"});
  std::atomic<int> told = 0;
  FileFactsKeeper keeper([&told] { ++told; });
  EXPECT_FALSE(keeper.Known(tool));

  AskAndWait(keeper, {tool, L"C:\\Gone\\gone.exe", tool});
  std::optional<FileFacts> facts = keeper.Known(tool);
  ASSERT_TRUE(facts);
  EXPECT_TRUE(facts->found);
  EXPECT_EQ(facts->publisher, L"Maker");
  EXPECT_EQ(facts->description, L"A tool");
  ASSERT_TRUE(facts->signature);
  EXPECT_EQ(SignatureText(*facts->signature), L"Verified: Maker Inc");
  ASSERT_TRUE(keeper.Known(L"C:\\Gone\\gone.exe"));
  EXPECT_FALSE(keeper.Known(L"C:\\Gone\\gone.exe")->found);
  EXPECT_EQ(memory::SignatureChecks(tool), 1);
  EXPECT_EQ(told, 1);  // once for the batch

  // A refresh asks again: an unchanged file is not read again.
  AskAndWait(keeper, {tool});
  EXPECT_EQ(memory::SignatureChecks(tool), 1);
  // A file that changed is.
  memory::PutFile(tool, "version two, longer");
  memory::SetSignature(tool, {SignatureState::NotVerified, L"", L"the file was changed"});
  AskAndWait(keeper, {tool});
  EXPECT_EQ(memory::SignatureChecks(tool), 2);
  EXPECT_EQ(SignatureText(*keeper.Known(tool)->signature), L"Not verified: the file was changed");
}

TEST(ListLayoutText, ColumnsAndWidthsGoAndComeBackAndBadTextIsPassedOver) {
  ListLayout layout = DefaultListLayout();
  EXPECT_EQ(layout.shown.size(), kListColumnCount);
  EXPECT_EQ(ColumnsText(layout),
            L"name,running,startup,file,parameters,location,publisher,description,signature");
  layout.shown = {Location, Name, Signature};
  layout.widths[static_cast<size_t>(Name)] = 321;
  ListLayout back = DefaultListLayout();
  ParseColumnsText(ColumnsText(layout), back);
  ParseWidthsText(WidthsText(layout), back);
  EXPECT_EQ(back, layout);

  for (const wchar_t* bad : {L"", L"name,,file", L"name,name", L"name,colour"}) {
    ListLayout kept = DefaultListLayout();
    ParseColumnsText(bad, kept);
    EXPECT_EQ(kept, DefaultListLayout()) << bad;
  }
  ListLayout widths = DefaultListLayout();
  ParseWidthsText(L"name=-3,file=abc,location=999999,running=,signature=90,x=5", widths);
  ListLayout expected = DefaultListLayout();
  expected.widths[static_cast<size_t>(Signature)] = 90;
  EXPECT_EQ(widths, expected);
}

TEST(WindowPlace, APlaceOnAMonitorThatIsGoneComesBackOnThePrimaryOne) {
  const ScreenRect primary{0, 0, 1024, 738}, right{1024, 0, 2944, 1040};
  const ScreenRect on_right{1500, 100, 1950, 450};
  EXPECT_EQ(PlaceOnMonitors(on_right, {primary, right}), on_right);
  // The right monitor was unplugged.
  EXPECT_EQ(PlaceOnMonitors(on_right, {primary}), (ScreenRect{287, 194, 737, 544}));
  // Caption above the screen, or only a sliver of it on a monitor.
  EXPECT_EQ(PlaceOnMonitors({100, -500, 550, -150}, {primary}).top, 194);
  EXPECT_EQ(PlaceOnMonitors({1010, 10, 1460, 360}, {primary}).left, 287);
  // Larger than the primary monitor: made to fit it.
  EXPECT_EQ(PlaceOnMonitors({3000, 0, 5000, 2000}, {primary}), primary);
}

TEST(WindowPlace, ThePlaceAndTheLayoutAreKeptBesideTheSettingsWhichStayAsTheyWere) {
  memory::Reset();
  EXPECT_FALSE(ReadWindowPlacement());
  EXPECT_EQ(ReadListLayout(), DefaultListLayout());
  AppSettings settings;
  ASSERT_TRUE(ReadSettings(settings));
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kSettingsKey, false));
  const std::vector<std::pair<std::wstring, RegistryValue>> before = registry.GetValues();

  StoreWindowPlacement({{-1200, 40, -600, 500}, true});
  ListLayout layout = DefaultListLayout();
  layout.shown = {Name, FileName};
  StoreListLayout(layout);
  EXPECT_EQ(ReadWindowPlacement(), (WindowPlacement{{-1200, 40, -600, 500}, true}));
  EXPECT_EQ(ReadListLayout(), layout);
  for (const auto& [name, value] : before) EXPECT_EQ(registry.ReadValue(name), value);

  // Values another program spoiled count as none.
  registry.WriteString(L"window_width", L"wide");
  EXPECT_FALSE(ReadWindowPlacement());
  registry.WriteInteger(L"window_width", 0);
  EXPECT_FALSE(ReadWindowPlacement());
  registry.WriteInteger(L"list_columns", 7);
  EXPECT_EQ(ReadListLayout().shown, DefaultListLayout().shown);
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

TEST(JumpToEntry, OpensTheRegistryEditorAtTheKeyExplorerAtTheFileOrWinIni) {
  memory::Reset();
  const std::wstring run = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  StartupEntry value = Row(L"Tool", L"C:\\Tools\\tool.exe", run);
  value.source = ValueSource(RootKey::CurrentUser,
                             L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Tool");
  StartupEntry item = Row(L"Tool.lnk", L"C:\\Tools\\tool.exe", L"C:\\Startup");
  item.source = FileSource(L"C:\\Startup\\Tool.lnk");
  StartupEntry word = Row(L"tool", L"C:\\Tools\\tool.exe", L"win.ini, load");
  word.source = WinIniSource{L"C:\\WINDOWS\\win.ini", L"load", L"tool", 0, 0};

  JumpToEntry(value);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kRegistryEditorKey, false));
  EXPECT_EQ(registry.ReadString(L"LastKey"), L"Computer\\" + run);
  // The editor's own word for the computer is kept.
  registry.WriteString(L"LastKey", L"Ordinateur\\HKEY_LOCAL_MACHINE\\Software");
  JumpToEntry(value);
  EXPECT_EQ(registry.ReadString(L"LastKey"), L"Ordinateur\\" + run);
  JumpToEntry(item);
  JumpToEntry(word);
  JumpToEntry(Row(L"nowhere", L"C:\\x.exe"));  // no source: nothing

  const std::vector<memory::ShellOpenCall>& calls = memory::ShellOpenCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].file, L"regedit.exe");
  EXPECT_EQ(calls[2].file, L"explorer.exe");
  EXPECT_EQ(calls[2].parameters, L"/select,\"C:\\Startup\\Tool.lnk\"");
  EXPECT_EQ(calls[3].file, L"notepad.exe");
  EXPECT_EQ(calls[3].parameters, L"\"C:\\WINDOWS\\win.ini\"");

  EXPECT_EQ(RegistryEditorLastKey(run, L"HKEY_USERS"), run);
  EXPECT_EQ(RegistryEditorLastKey(run, L"My Computer"), L"My Computer\\" + run);
}

}  // namespace
}  // namespace korvane
