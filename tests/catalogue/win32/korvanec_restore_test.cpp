// korvanec removed and restore in the Wine prefix: the copies the window's
// commands kept, listed and put back, with the exit codes of every verb.
#include <gtest/gtest.h>
#include <windows.h>

#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "platform/text.h"
#include "support/programs.h"
#include "support/world.h"

namespace korvane {
namespace {

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

std::optional<std::wstring> RunValue(const std::wstring& name) {
  TRegistry reg;
  if (!reg.OpenKey(test::kRunKey, false) || !reg.ValueExists(name)) return std::nullopt;
  return reg.ReadString(name);
}

TEST(KorvanecRestore, RemovedEntriesAreListedAndComeBack) {
  test::ResetWorld();
  const std::wstring tool = test::kRoot + L"\\Tools\\tool.exe";
  const std::wstring greek = L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac";
  test::PutFile(tool);
  test::SetString(RootKey::CurrentUser, test::kRunKey, greek, tool + L" -a");
  StartupList list;
  ScanStartupList(list);
  ASSERT_EQ(list.size(), 1u);
  ASSERT_TRUE(DeleteStartupEntry(list[0], RemovalSource::MainList));
  ASSERT_FALSE(RunValue(greek));
  const std::vector<RemovedEntry> kept = ReadRemovedEntries();
  ASSERT_EQ(kept.size(), 1u);
  const std::string id = ToUtf8(kept[0].id);

  Result listed = Korvanec(L"removed --format csv");
  EXPECT_EQ(listed.code, 0u);
  EXPECT_EQ(listed.output.substr(0, listed.output.find('\r')),
            "Id,When,Name,File name,Parameters,Location,How");
  EXPECT_NE(listed.output.find(id + ","), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find(ToUtf8(greek) + "," + ToUtf8(tool) + ",-a,"), std::string::npos);
  EXPECT_NE(listed.output.find(",Deleted\r\n"), std::string::npos);
  Result json = Korvanec(L"removed --format json");
  EXPECT_NE(json.output.find("\"id\":\"" + id + "\""), std::string::npos) << json.output;

  // Usage errors, and an id the store does not hold.
  EXPECT_EQ(Korvanec(L"restore").code, 2u);
  EXPECT_EQ(Korvanec(L"removed --format xml").code, 2u);
  EXPECT_EQ(Korvanec(L"restore 0000000000000000-0-nothing").code, 1u);

  // Its name taken meanwhile: nothing changes until the user says how.
  test::SetString(RootKey::CurrentUser, test::kRunKey, greek, L"C:\\other.exe");
  Result taken = Korvanec(L"restore " + kept[0].id);
  EXPECT_EQ(taken.code, 3u) << taken.output;
  EXPECT_NE(taken.output.find("--rename"), std::string::npos);
  EXPECT_EQ(RunValue(greek), L"C:\\other.exe");

  Result renamed = Korvanec(L"restore --rename " + kept[0].id);
  EXPECT_EQ(renamed.code, 0u) << renamed.output;
  EXPECT_EQ(RunValue(greek + L" (2)"), tool + L" -a");
  EXPECT_EQ(RunValue(greek), L"C:\\other.exe");
  EXPECT_TRUE(ReadRemovedEntries().empty());
  EXPECT_EQ(Korvanec(L"restore " + kept[0].id).code, 1u);
}

}  // namespace
}  // namespace korvane
