#include <gtest/gtest.h>

#include "monitor/blacklist_rows.h"
#include "monitor/blacklist.h"
#include "platform/memory/arrange.h"

namespace korvane {
namespace {

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
