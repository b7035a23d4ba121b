#include <gtest/gtest.h>

#include <set>

#include "catalogue/location.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane {
namespace {

using enum StartupLocationKind;

TEST(Locations, TableHasTheTwentySevenLocationsInScanOrder) {
  test::ResetWorld();
  // The 32-bit twins that 64-bit Windows adds have tests of their own.
  std::vector<StartupLocation> all = StartupLocations();
  std::erase_if(all, [](const StartupLocation& location) {
    return Contains(LocationText(location), L"\\Wow6432Node\\");
  });
  ASSERT_EQ(all.size(), 27u);

  std::set<std::wstring> texts;
  for (size_t i = 0; i < 22; ++i) {
    EXPECT_EQ(all[i].kind, RegistryKeyLocation) << i;
    RootKey root = i < 7 ? RootKey::CurrentUser : i < 19 ? RootKey::LocalMachine : RootKey::Users;
    EXPECT_EQ(all[i].root, root) << i;
    std::wstring text = LocationText(all[i]);
    EXPECT_TRUE(StartsWith(text, std::wstring(RootKeyName(root)) + L"\\Software\\") ||
                StartsWith(text, std::wstring(RootKeyName(root)) + L"\\System\\") ||
                StartsWith(text, L"HKEY_USERS\\.Default\\"))
        << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), 22u);
  EXPECT_EQ(LocationText(all[0]),
            L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  EXPECT_EQ(
      LocationText(all[13]),
      L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit");
  EXPECT_EQ(LocationText(all[19]),
            L"HKEY_USERS\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");

  const std::wstring folders[] = {L"\\Startup", L"\\Common Startup", L"\\Default Startup"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(all[22 + i].kind, StartupFolderLocation);
    EXPECT_EQ(LocationText(all[22 + i]), test::kRoot + folders[i]);
  }
  EXPECT_EQ(all[25].kind, WinIniLocation);
  EXPECT_EQ(LocationText(all[25]), WinIniPath() + L", run");
  EXPECT_EQ(LocationText(all[26]), WinIniPath() + L", load");
  EXPECT_TRUE(EndsWith(LocationText(all[26]), L"\\win.ini, load"));
}

TEST(Locations, RecognisedFromTheirTextAlone) {
  test::ResetWorld();
  test::MakeFolder(test::kRoot + L"\\Startup\\Tools");
  const std::wstring win_ini = WinIniPath();
  struct Case {
    std::wstring text;
    StartupLocationKind kind;
    RootKey root;
    std::wstring path, key;
  } cases[] = {
      {win_ini + L", run", WinIniLocation, RootKey::CurrentUser, win_ini, L"run"},
      {L"C:\\WINDOWS\\win.ini, load", WinIniLocation, RootKey::CurrentUser, L"C:\\WINDOWS\\win.ini",
       L"load"},
      {test::kRoot + L"\\Startup\\Tools", StartupFolderLocation, RootKey::CurrentUser,
       test::kRoot + L"\\Startup\\Tools", L""},
      {win_ini, WinIniLocation, RootKey::CurrentUser, win_ini, L""},
      {L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", RegistryKeyLocation,
       RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L""},
      {L"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services", RegistryKeyLocation,
       RootKey::LocalMachine, L"\\System\\CurrentControlSet\\Services", L""},
      {L"HKEY_USERS\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
       RegistryKeyLocation, RootKey::Users,
       L"\\.Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L""},
      {L"", RegistryKeyLocation, RootKey::Users, L"", L""},
      // A win.ini key whose file is missing is still the win.ini key.
      {L"C:\\nowhere\\win.ini, run", WinIniLocation, RootKey::CurrentUser, L"C:\\nowhere\\win.ini",
       L"run"},
      {L"C:\\a, run, b\\win.ini, load", WinIniLocation, RootKey::CurrentUser,
       L"C:\\a, run, b\\win.ini", L"load"},
      // Relative texts name no folder or file, whatever the current folder holds.
      {L"Startup\\Tools", RegistryKeyLocation, RootKey::Users, L"ols", L""},
      {L"HKEY_CURRENT_USER\\Software", RegistryKeyLocation, RootKey::CurrentUser, L"\\Software",
       L""},
      {L"HKEY_USERS\\S-1\\HKEY_CURRENT_USER", RegistryKeyLocation, RootKey::Users,
       L"\\S-1\\HKEY_CURRENT_USER", L""},
  };
  test::MakeFolder(test::kRoot + L"\\HKEY_CURRENT_USER\\Software");
  test::CurrentFolder current(test::kRoot);
  for (const Case& c : cases) {
    StartupLocation location = RecogniseLocation(c.text);
    EXPECT_EQ(location.kind, c.kind) << c.text;
    EXPECT_EQ(location.path, c.path) << c.text;
    EXPECT_EQ(location.key, c.key) << c.text;
    if (c.kind == RegistryKeyLocation) {
      EXPECT_EQ(location.root, c.root) << c.text;
    }
  }
  // Every location's own text leads back to it.
  for (const StartupLocation& location : StartupLocations()) {
    StartupLocation back = RecogniseLocation(LocationText(location));
    EXPECT_EQ(back.kind, location.kind) << LocationText(location);
    EXPECT_TRUE(
        SameText(ExcludeTrailingBackslash(back.path), ExcludeTrailingBackslash(location.path)))
        << LocationText(location);
  }
}

}  // namespace
}  // namespace korvane
