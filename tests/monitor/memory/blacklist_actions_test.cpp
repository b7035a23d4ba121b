#include <gtest/gtest.h>

#include "monitor/blacklist_rows.h"
#include "monitor/blacklist.h"
#include "platform/memory/arrange.h"

namespace korvane {
namespace {

TEST(BlacklistActions, FoldersAndPropertiesPassOverMissingFiles) {
  memory::Reset();
  memory::PutFile(L"C:\\Tools\\a.exe");
  memory::PutFile(L"D:\\b.exe");
  const std::vector<std::wstring> names = {L"C:\\Tools\\a.exe", L"C:\\Gone\\x.exe", L"D:\\b.exe",
                                           L"http://example.com/x.exe"};
  OpenBlacklistFolders(names);
  const auto& calls = memory::ShellOpenCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].file, L"C:\\Tools\\");
  EXPECT_EQ(calls[1].file, L"D:\\");
  EXPECT_EQ(calls[0].parameters + calls[0].folder, L"");

  ShowBlacklistProperties(names, nullptr);
  EXPECT_EQ(memory::PropertiesShown(),
            (std::vector<std::wstring>{L"C:\\Tools\\a.exe", L"D:\\b.exe"}));
}

TEST(BlacklistActions, AKeyThatCannotBeOpenedListsAndTakesNothing) {
  memory::Reset();
  memory::PutFile(L"C:\\a.exe");
  memory::DenyKey(RootKey::CurrentUser, kBlacklistKey);
  EXPECT_FALSE(AddToBlacklist({L"C:\\a.exe"}));
  EXPECT_TRUE(BlacklistRows().empty());
  RemoveFromBlacklist({L"C:\\a.exe"});
  EXPECT_FALSE(ReadBlacklist());
}

}  // namespace
}  // namespace korvane
