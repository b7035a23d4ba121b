#include <gtest/gtest.h>

#include "monitor/blacklist_rows.h"
#include "monitor/blacklist.h"
#include "support/world.h"

namespace korvane {
namespace {

std::vector<std::wstring> Blacklisted() {
  return ReadBlacklist().value_or(std::vector<std::wstring>{});
}

class BlacklistDialogRows : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetWorld();
    TRegistry().DeleteKey(kBlacklistKey);
    for (const std::wstring& file : {one_, two_, three_}) test::PutFile(file);
  }
  void TearDown() override { TRegistry().DeleteKey(kBlacklistKey); }

  static std::vector<std::wstring> Captions() {
    std::vector<std::wstring> captions;
    for (const BlacklistRow& row : BlacklistRows()) captions.push_back(BlacklistRowCaption(row));
    return captions;
  }
  const std::wstring one_ = test::kRoot + L"\\a1.exe";
  const std::wstring two_ = test::kRoot + L"\\a2.exe";
  const std::wstring three_ = test::kRoot + L"\\Ünïcode folder\\a3.exe";
};

TEST_F(BlacklistDialogRows, AddingAndDeletingNamesChangesTheKeyAndTheRows) {
  EXPECT_TRUE(BlacklistRows().empty());
  AddToBlacklist({one_, two_, three_});
  EXPECT_EQ(Blacklisted(), (std::vector<std::wstring>{one_, two_, three_}));
  EXPECT_EQ(Captions(), (std::vector<std::wstring>{one_, two_, three_}));

  // A name already listed, in another letter case, stays one value.
  std::wstring upper = two_;
  for (wchar_t& c : upper) c = towupper(c);
  AddToBlacklist({upper});
  EXPECT_EQ(Blacklisted().size(), 3u);

  RemoveFromBlacklist({one_, three_});
  EXPECT_EQ(Blacklisted().size(), 1u);
  EXPECT_EQ(BlacklistRows().size(), 1u);
  RemoveFromBlacklist({one_});  // gone already: nothing happens
  EXPECT_EQ(Blacklisted().size(), 1u);
}

TEST_F(BlacklistDialogRows, NamesWithoutAFileAreListedAndCanBeDeleted) {
  const std::wstring url = L"http://example.com/x.exe";
  const std::wstring gone = test::kRoot + L"\\gone.exe";
  // Named so that Wine's sorted order and the order of writing agree.
  AddToBlacklist({one_, gone, url});
  std::vector<BlacklistRow> rows = BlacklistRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[0].found);
  EXPECT_FALSE(rows[1].found);
  EXPECT_FALSE(rows[2].found);
  EXPECT_EQ(rows[2].icon, 0);
  EXPECT_EQ(rows[2].file_name, url);
  EXPECT_EQ(Captions(), (std::vector<std::wstring>{one_, gone + L" (file not found)",
                                                   url + L" (file not found)"}));
  RemoveFromBlacklist({rows[1].file_name, rows[2].file_name});
  EXPECT_EQ(Blacklisted(), std::vector<std::wstring>{one_});
}

}  // namespace
}  // namespace korvane
