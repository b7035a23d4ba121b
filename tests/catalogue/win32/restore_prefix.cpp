// Every suite of a Windows build shares one Wine prefix.
#include <gtest/gtest.h>

#include <optional>

#include "support/world.h"

namespace korvane::test {
namespace {

// The Wine prefix is shared with the other suites: the Startup folders and
// win.ini keys are put back as they were, and the test's files removed.
class RestoreStartupConfiguration : public ::testing::Environment {
 public:
  void SetUp() override {
    for (StartupFolder folder : kFolders) {
      ShellFolderValue value = ShellFolderOf(folder);
      TRegistry reg;
      reg.SetRootKey(value.root);
      saved_folders_.push_back(reg.OpenKey(value.key, false) ? ReadStringValue(reg, value.name)
                                                             : std::nullopt);
    }
    for (const wchar_t* key : {L"run", L"load"}) {
      saved_words_.push_back(TIniFile(WinIniPath()).ReadString(L"Windows", key, L""));
    }
  }
  void TearDown() override {
    ResetWorld();
    for (size_t i = 0; i < std::size(kFolders); ++i) {
      ShellFolderValue value = ShellFolderOf(kFolders[i]);
      TRegistry reg;
      reg.SetRootKey(value.root);
      if (!reg.OpenKey(value.key, false)) continue;
      if (saved_folders_[i]) {
        reg.WriteString(value.name, *saved_folders_[i]);
      } else {
        reg.DeleteValue(value.name);
      }
    }
    SetWinIni(L"run", saved_words_[0]);
    SetWinIni(L"load", saved_words_[1]);
    std::error_code ignored;
    std::filesystem::remove_all(kRoot, ignored);
  }

 private:
  static constexpr StartupFolder kFolders[] = {StartupFolder::CurrentUser, StartupFolder::AllUsers,
                                               StartupFolder::DefaultUser};
  std::vector<std::optional<std::wstring>> saved_folders_;
  std::vector<std::wstring> saved_words_;
};

const ::testing::Environment* const kRestore =
    ::testing::AddGlobalTestEnvironment(new RestoreStartupConfiguration);

}  // namespace
}  // namespace korvane::test
