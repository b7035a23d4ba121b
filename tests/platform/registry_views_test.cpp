// The registry's two views on 64-bit Windows, and the one view elsewhere.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/world.h"

#ifndef _WIN32
#include "platform/memory/arrange.h"
#endif

namespace korvane {
namespace {

using Names = std::vector<std::wstring>;
using enum RegistryView;

const std::wstring kScratch = L"\\Software\\KorvaneTest";
const std::wstring kScratchIn32 = L"\\Software\\Wow6432Node\\KorvaneTest";
constexpr wchar_t kRedirected[] = L"\\REGISTRY\\MACHINE\\SOFTWARE\\WOW6432NODE\\";

class RegistryViews : public testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    memory::Reset();
#endif
    TearDown();
  }
  void TearDown() override {
    for (RegistryView view : {Bits64, Bits32}) {
      TRegistry reg(view);
      reg.SetRootKey(RootKey::LocalMachine);
      reg.DeleteKey(kScratch);
    }
  }

  static void Write(RegistryView view, const std::wstring& path, const std::wstring& name) {
    TRegistry reg(view);
    reg.SetRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(path, true));
    reg.WriteString(name, name);
  }
  static Names Values(RegistryView view, const std::wstring& path) {
    TRegistry reg(view);
    reg.SetRootKey(RootKey::LocalMachine);
    return reg.OpenKey(path, false) ? reg.GetValueNames() : Names{L"(missing)"};
  }
};

TEST_F(RegistryViews, MachineSoftwareKeysExistOncePerView) {
  Write(Bits64, kScratch, L"a sixty-four");
  Write(Bits32, kScratch, L"b thirty-two");
  // This program's own view is the one of its kind; an accessor opens the
  // 64-bit view unless told otherwise.
  const RegistryView own = sizeof(void*) == 8 ? Bits64 : Bits32;
  EXPECT_EQ(Values(Native, kScratch), Values(own, kScratch));
  TRegistry plain;
  plain.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(plain.OpenKey(kScratch, false));
  EXPECT_EQ(plain.GetValueNames(), Values(Bits64, kScratch));

  TRegistry reg32(Bits32), reg64(Bits64);
  reg32.SetRootKey(RootKey::LocalMachine);
  reg64.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(reg32.OpenKey(kScratch, false));
  ASSERT_TRUE(reg64.OpenKey(kScratch, false));
  // The path as opened, whatever the view made of it.
  EXPECT_EQ(reg32.CurrentPath(), L"Software\\KorvaneTest");
  EXPECT_FALSE(StartsWith(AsciiUpper(reg64.SystemKeyName()), kRedirected));
  EXPECT_TRUE(EndsWith(AsciiUpper(reg64.SystemKeyName()), L"\\MACHINE\\SOFTWARE\\KORVANETEST"))
      << ToUtf8(reg64.SystemKeyName());

  if (!RegistryHasViews()) {
    EXPECT_EQ(Values(Bits64, kScratch), (Names{L"a sixty-four", L"b thirty-two"}));
    EXPECT_EQ(reg32.SystemKeyName(), reg64.SystemKeyName());
    EXPECT_EQ(Values(Bits64, kScratchIn32), Names{L"(missing)"});
    return;
  }
  EXPECT_EQ(Values(Bits64, kScratch), Names{L"a sixty-four"});
  EXPECT_EQ(Values(Bits32, kScratch), Names{L"b thirty-two"});
  EXPECT_TRUE(StartsWith(AsciiUpper(reg32.SystemKeyName()), kRedirected))
      << ToUtf8(reg32.SystemKeyName());
  // The 64-bit view shows the 32-bit key under its own name, and neither
  // view redirects a path that names it.
  EXPECT_EQ(Values(Bits64, kScratchIn32), Names{L"b thirty-two"});
  EXPECT_EQ(Values(Bits32, kScratchIn32), Names{L"b thirty-two"});

  // A key deleted in one view stays in the other.
  TRegistry deleter(Bits32);
  deleter.SetRootKey(RootKey::LocalMachine);
  EXPECT_TRUE(deleter.DeleteKey(kScratch));
  EXPECT_FALSE(deleter.KeyExists(kScratch));
  EXPECT_EQ(Values(Bits64, kScratch), Names{L"a sixty-four"});
  EXPECT_EQ(Values(Bits32, kScratch), Names{L"(missing)"});
}

TEST_F(RegistryViews, SharedKeysAndTheUsersKeysAreOneKeyInEveryView) {
#ifndef _WIN32
  // Shared as Wine and Windows share it.
  memory::ShareKey(L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies");
#endif
  const std::wstring shared =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\KorvaneTest";
  Write(Bits32, shared, L"from 32");
  EXPECT_EQ(Values(Bits64, shared), Names{L"from 32"});
  TRegistry reg(Bits32);
  reg.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(reg.OpenKey(shared, false));
  EXPECT_FALSE(StartsWith(AsciiUpper(reg.SystemKeyName()), kRedirected));
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey(shared));

  TRegistry user32(Bits32), user64(Bits64);
  ASSERT_TRUE(user32.OpenKey(kScratch, true));
  user32.WriteString(L"user", L"1");
  ASSERT_TRUE(user64.OpenKey(kScratch, false));
  EXPECT_EQ(user64.GetValueNames(), Names{L"user"});
  user64.CloseKey();
  user64.DeleteKey(kScratch);
}

// As the machine's keys are for a user without administrator rights.
TEST_F(RegistryViews, AKeyWithReadRightsOnlyOpensToReadAndRefusesEveryWrite) {
  Write(Bits64, kScratch + L"\\Locked", L"Value");
  test::ReadOnlyMachineKey locked(kScratch + L"\\Locked");
  TRegistry reg;
  reg.SetRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg.OpenKey(kScratch + L"\\Locked", false));
  ASSERT_TRUE(reg.OpenKeyReadOnly(kScratch + L"\\Locked"));
  EXPECT_EQ(reg.GetValueNames(), Names{L"Value"});
  EXPECT_EQ(reg.ReadString(L"Value"), L"Value");
  EXPECT_THROW(reg.WriteString(L"Value", L"x"), PlatformError);
  EXPECT_THROW(reg.WriteString(L"Other", L"x"), PlatformError);
  EXPECT_FALSE(reg.DeleteValue(L"Value"));
  EXPECT_EQ(reg.GetValueNames(), Names{L"Value"});
}

TEST_F(RegistryViews, LongKeyNamesAreNamedWhole) {
  // Longer than a first guess at the name's size.
  const std::wstring deep =
      kScratch + L"\\" + std::wstring(200, L'd') + L"\\" + std::wstring(200, L'e');
  Write(Bits64, deep, L"v");
  TRegistry reg(Bits64);
  reg.SetRootKey(RootKey::LocalMachine);
  EXPECT_EQ(reg.SystemKeyName(), L"");  // no key open
  ASSERT_TRUE(reg.OpenKey(deep, false));
  EXPECT_TRUE(EndsWith(AsciiUpper(reg.SystemKeyName()), AsciiUpper(deep)))
      << ToUtf8(reg.SystemKeyName());
}

}  // namespace
}  // namespace korvane
