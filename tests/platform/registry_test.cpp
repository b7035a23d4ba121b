#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "scratch.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace korvane::test {
namespace {

using namespace std::string_literals;
using Registry = Scratch;
using Names = std::vector<std::wstring>;

// Stores a value exactly as given, as another program may have written it.
void PutRaw(const std::wstring& name, RegistryDataType type, const std::u16string& data) {
  std::vector<uint8_t> bytes;
  for (char16_t c : data) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
#ifdef _WIN32
  const DWORD types[] = {REG_NONE,   REG_SZ,       REG_EXPAND_SZ, REG_DWORD,
                         REG_BINARY, REG_MULTI_SZ, REG_QWORD};
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kScratchKey.c_str() + 1, name.c_str(),
                            types[static_cast<int>(type)], bytes.data(),
                            static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
#else
  memory::SetValue(RootKey::CurrentUser, kScratchKey, name, type, bytes);
#endif
}

TEST_F(Registry, NamesKeepTheirCaseAndMatchWithoutIt) {
  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey(kScratchKey + L"\\MixedCase", true));
  writer.WriteString(L"ValueName", L"first");

  TRegistry reader;
  ASSERT_TRUE(reader.OpenKey(L"\\SOFTWARE\\korvanetest\\mixedcase", false));
  EXPECT_EQ(reader.ReadString(L"VALUENAME"), L"first");
  reader.WriteString(L"valuename", L"second");  // the same value, its name unchanged
  EXPECT_EQ(reader.GetValueNames(), Names{L"ValueName"});
  EXPECT_EQ(writer.ReadString(L"ValueName"), L"second");

  ASSERT_TRUE(reader.OpenKey(kScratchKey, false));
  EXPECT_EQ(reader.GetKeyNames(), Names{L"MixedCase"});
}

TEST_F(Registry, ValuesAreListedInCreationOrder) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kScratchKey, true));
  EXPECT_EQ(reg.GetValueNames(), Names{});
  // Named so that creation order and name order agree on every platform.
  for (const wchar_t* name : {L"a first", L"b second", L"c third"}) reg.WriteString(name, name);
  EXPECT_EQ(reg.GetValueNames(), (Names{L"a first", L"b second", L"c third"}));
}

TEST_F(Registry, StringsAreReadUpToTheirFirstNulAndOtherTypesAreRefused) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kScratchKey, true));
  PutRaw(L"terminated", RegistryDataType::String, u"C:\\a.exe\0"s);
  PutRaw(L"unterminated", RegistryDataType::String, u"C:\\b.exe");
  PutRaw(L"early nul", RegistryDataType::String, u"C:\\c.exe\0junk\0"s);
  PutRaw(L"expandable", RegistryDataType::ExpandString, u"%WINDIR%\\d.exe\0"s);
  PutRaw(L"empty", RegistryDataType::String, u"");
  PutRaw(L"binary", RegistryDataType::Binary, u"ab");
  PutRaw(L"multi", RegistryDataType::MultiString, u"x\0y\0\0"s);
  reg.WriteInteger(L"number", -2);
  reg.WriteBool(L"flag", true);

  struct Case {
    const wchar_t* name;
    RegistryDataType type;
    const wchar_t* text;  // null: ReadString throws
  } cases[] = {
      {L"terminated", RegistryDataType::String, L"C:\\a.exe"},
      {L"unterminated", RegistryDataType::String, L"C:\\b.exe"},
      {L"early nul", RegistryDataType::String, L"C:\\c.exe"},
      {L"expandable", RegistryDataType::ExpandString, L"%WINDIR%\\d.exe"},
      {L"empty", RegistryDataType::String, L""},
      {L"missing", RegistryDataType::None, L""},
      {L"binary", RegistryDataType::Binary, nullptr},
      {L"multi", RegistryDataType::MultiString, nullptr},
      {L"number", RegistryDataType::DWord, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reg.GetDataType(c.name), c.type) << c.name;
    EXPECT_EQ(reg.ValueExists(c.name), c.type != RegistryDataType::None) << c.name;
    if (c.text != nullptr) {
      EXPECT_EQ(reg.ReadString(c.name), c.text) << c.name;
      continue;
    }
    try {
      reg.ReadString(c.name);
      ADD_FAILURE() << "no error for " << ToUtf8(c.name);
    } catch (const PlatformError& e) {
      EXPECT_TRUE(Contains(e.Text(), c.name)) << e.what();
    }
  }

  // Read while listing, every value comes as it is read alone.
  std::vector<std::pair<std::wstring, RegistryValue>> values = reg.GetValues();
  Names listed;
  for (const auto& [name, value] : values) {
    listed.push_back(name);
    EXPECT_EQ(value, reg.ReadValue(name)) << ToUtf8(name);
    const RegistryDataType type = reg.GetDataType(name);
    if (type == RegistryDataType::String || type == RegistryDataType::ExpandString) {
      EXPECT_EQ(RegistryText(value), reg.ReadString(name)) << ToUtf8(name);
    } else {
      EXPECT_EQ(RegistryText(value), std::nullopt) << ToUtf8(name);
    }
  }
  EXPECT_EQ(listed, reg.GetValueNames());

  EXPECT_EQ(reg.ReadInteger(L"number"), -2);
  EXPECT_TRUE(reg.ReadBool(L"flag"));
  EXPECT_THROW(reg.ReadInteger(L"terminated"), PlatformError);
  EXPECT_THROW(reg.ReadInteger(L"missing"), PlatformError);
}

TEST_F(Registry, LongStringsAreReadWhole) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kScratchKey, true));
  const std::wstring long_text = L"C:\\" + std::wstring(5000, L'x') + L"\\\u00e9\u65e5.exe";
  // Named so that creation order and name order agree on every platform.
  const std::wstring long_name = L"b" + std::wstring(300, L'n');
  reg.WriteString(L"a short", L"x");
  reg.WriteString(long_name, long_text);
  EXPECT_EQ(reg.ReadString(long_name), long_text);
  std::vector<std::pair<std::wstring, RegistryValue>> values = reg.GetValues();
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[1].first, long_name);
  EXPECT_EQ(RegistryText(values[1].second), long_text);
}

TEST_F(Registry, PathsStartAtTheRootOrAtTheOpenKey) {
  TRegistry reg;
  EXPECT_FALSE(reg.HasOpenKey());
  ASSERT_TRUE(reg.OpenKey(kScratchKey, true));
  EXPECT_EQ(reg.CurrentPath(), L"Software\\KorvaneTest");

  ASSERT_TRUE(reg.OpenKey(L"Sub\\Deeper", true));  // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), L"Software\\KorvaneTest\\Sub\\Deeper");
  reg.WriteString(L"here", L"1");

  // A failed open leaves the open key as it was.
  EXPECT_FALSE(reg.OpenKey(L"Missing", false));
  EXPECT_EQ(reg.CurrentPath(), L"Software\\KorvaneTest\\Sub\\Deeper");
  EXPECT_EQ(reg.ReadString(L"here"), L"1");

  ASSERT_TRUE(reg.OpenKey(kScratchKey + L"\\Sub\\", false));
  EXPECT_EQ(reg.CurrentPath(), L"Software\\KorvaneTest\\Sub");
  EXPECT_TRUE(reg.KeyExists(L"Deeper"));
  EXPECT_TRUE(reg.KeyExists(kScratchKey + L"\\Sub\\Deeper"));
  EXPECT_FALSE(reg.KeyExists(L"Sub"));

  reg.CloseKey();
  EXPECT_FALSE(reg.HasOpenKey());
  EXPECT_EQ(reg.CurrentPath(), L"");
  // With no key open a relative path starts at the root.
  ASSERT_TRUE(reg.OpenKey(L"Software\\KorvaneTest\\Sub\\Deeper", false));
  EXPECT_EQ(reg.ReadString(L"here"), L"1");

  reg.SetRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg.HasOpenKey());
  EXPECT_FALSE(reg.OpenKey(L"\\Software\\KorvaneTest\\Sub\\Deeper", false));
}

TEST_F(Registry, DeletesSayWhetherSomethingWasDeleted) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kScratchKey + L"\\Gone\\Child\\Grandchild", true));
  reg.WriteString(L"v", L"x");
  ASSERT_TRUE(reg.OpenKey(kScratchKey, false));
  reg.WriteString(L"value", L"x");

  EXPECT_TRUE(reg.DeleteValue(L"VALUE"));
  EXPECT_FALSE(reg.DeleteValue(L"value"));
  EXPECT_FALSE(reg.ValueExists(L"value"));

  EXPECT_TRUE(reg.DeleteKey(L"Gone"));  // with its subkeys
  EXPECT_FALSE(reg.KeyExists(L"Gone"));
  EXPECT_FALSE(reg.DeleteKey(L"Gone"));
  EXPECT_FALSE(reg.OpenKey(kScratchKey + L"\\Gone\\Child", false));
  EXPECT_EQ(reg.GetKeyNames(), Names{});
}

TEST_F(Registry, AListThatCannotBeReadWholeIsAnErrorNamingTheKey) {
  TRegistry open;
  ASSERT_TRUE(open.OpenKey(kScratchKey + L"\\Listed\\Sub", true));
  open.WriteString(L"v", L"x");
  ASSERT_TRUE(open.OpenKey(kScratchKey + L"\\Listed", false));
  EXPECT_EQ(open.GetKeyNames(), Names{L"Sub"});
  TRegistry other;
  ASSERT_TRUE(other.DeleteKey(kScratchKey + L"\\Listed"));
  for (auto list : {&TRegistry::GetValueNames, &TRegistry::GetKeyNames}) {
    try {
      (open.*list)();
      ADD_FAILURE() << "a deleted key listed as empty";
    } catch (const PlatformError& error) {
      EXPECT_TRUE(Contains(error.Text(), L"HKEY_CURRENT_USER\\Software\\KorvaneTest\\Listed"))
          << ToUtf8(error.Text());
    }
  }
  EXPECT_THROW(open.GetValues(), PlatformError);
}

}  // namespace
}  // namespace korvane::test
