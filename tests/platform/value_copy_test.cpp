// Values copied as stored and files moved without replacing: what a move of
// a startup entry stands on.
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "scratch.h"

namespace korvane::test {
namespace {

using ValueCopy = Scratch;
using FileMove = Scratch;

TEST_F(ValueCopy, ValuesComeBackWithTheirTypeAndEveryByte) {
  const std::vector<RegistryValue> values = {
      {RegistryDataType::String, {'a', 0, 'b', 0, 0, 0}},
      {RegistryDataType::ExpandString, {'%', 0, 'X', 0, '%', 0, 0, 0}},
      {RegistryDataType::String, {'a', 0, 0, 0, 'b', 0, 0, 0}},  // a NUL inside
      {RegistryDataType::Binary, {1, 2, 3}},
      {RegistryDataType::DWord, {1, 0, 0, 0}},
      {RegistryDataType::String, {}},
  };
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kScratchKey, true));
  for (size_t i = 0; i < values.size(); ++i) {
    reg.WriteValue(L"v" + std::to_wstring(i), values[i]);
  }
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(reg.ReadValue(L"v" + std::to_wstring(i)), values[i]) << i;
  }
  EXPECT_FALSE(reg.ReadValue(L"missing"));
  EXPECT_THROW(reg.WriteValue(L"other", {RegistryDataType::Other, {}}), PlatformError);
}

TEST_F(FileMove, AFileMovesButNeverReplacesAnother) {
  MakeFolder(In(L"to"));
  TIniFile(In(L"a.ini")).WriteString(L"s", L"k", L"a");
  TIniFile(In(L"b.ini")).WriteString(L"s", L"k", L"b");
  TIniFile(In(L"to\\b.ini")).WriteString(L"s", L"k", L"there");

  EXPECT_FALSE(MoveFileTo(In(L"b.ini"), In(L"to\\B.INI")));
  EXPECT_EQ(TIniFile(In(L"to\\b.ini")).ReadString(L"s", L"k", L""), L"there");
  EXPECT_TRUE(FileExists(In(L"b.ini")));

  EXPECT_TRUE(MoveFileTo(In(L"a.ini"), In(L"to\\a (2).ini")));
  EXPECT_FALSE(FileExists(In(L"a.ini")));
  EXPECT_EQ(TIniFile(In(L"to\\a (2).ini")).ReadString(L"s", L"k", L""), L"a");
  EXPECT_FALSE(MoveFileTo(In(L"a.ini"), In(L"to\\c.ini")));       // gone already
  EXPECT_FALSE(MoveFileTo(In(L"b.ini"), In(L"missing\\b.ini")));  // no such folder
  EXPECT_TRUE(FileExists(In(L"b.ini")));
}

}  // namespace
}  // namespace korvane::test
