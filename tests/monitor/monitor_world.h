#pragma once
// The monitor's tests: the shared test world with an empty blacklist, no
// saved list and no removed.txt, and a refresh cycle whose windows are
// recorded instead of shown.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/scan.h"
#include "monitor/blacklist.h"
#include "monitor/cycle.h"
#include "monitor/saved_list.h"
#include "monitor/snapshot.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/world.h"

namespace korvane::test {

class MonitorTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetWorld();
    MakeFolder(LocalAppDataFolder());  // as every user's profile has it
    Clean();
  }
  void TearDown() override { Clean(); }

  static void Clean() {
    TRegistry reg;
    reg.DeleteKey(kBlacklistKey);
    reg.DeleteKey(kSavedListKey);
    RemoveFile(RemovedBesideProgram());
    RemoveFile(RemovedInLocalAppData());
    RemoveFile(SnapshotPath());
  }

  // A current-user Run value named `name` that starts kRoot\<file>.
  static std::wstring AddRun(const std::wstring& name, const std::wstring& file) {
    const std::wstring path = kRoot + L"\\" + file;
    PutFile(path);
    SetString(RootKey::CurrentUser, kRunKey, name, path);
    return path;
  }
  static bool HasRun(const std::wstring& name) {
    TRegistry reg;
    return reg.OpenKey(kRunKey, false) && reg.ValueExists(name);
  }
  static void PutOnBlacklist(const std::vector<std::wstring>& names) {
    ASSERT_TRUE(AddToBlacklist(names));
  }
};

// A refresh cycle over a list of its own whose windows only record: which
// steps showed something, in order ("scan", "balloon", "new entries").
struct RecordedCycle {
  StartupListModel model;
  const StartupList& rows = model.Rows();
  std::vector<std::wstring> steps;
  std::vector<std::wstring> balloons;  // "title|text"
  std::vector<StartupList> shown;
  std::vector<ReportedEntries> reported;  // the same, with what changed
  std::vector<std::wstring> unread;       // what each scan could not read ("" for all read)
  // What the new entries "dialog" does while it is open.
  std::function<void(const StartupList&)> while_shown;
  RefreshCycle cycle{model,
                     {[this](const std::wstring& title, const std::wstring& text) {
                        steps.push_back(L"balloon");
                        balloons.push_back(title + L"|" + text);
                      },
                      [this](const ReportedEntries& found) {
                        steps.push_back(L"new entries");
                        shown.push_back(RowsOf(found));
                        reported.push_back(found);
                        if (while_shown) while_shown(shown.back());
                      },
                      [this](const std::wstring& text) { unread.push_back(text); }}};
  RecordedCycle() {
    model.SetListener({[this](bool scanning) {
                         if (scanning) steps.push_back(L"scan");
                       },
                       {}});
  }
};

inline std::vector<std::wstring> FileNames(const StartupList& rows) {
  std::vector<std::wstring> names;
  for (const StartupEntry& row : rows) names.push_back(row.file_name);
  return names;
}

}  // namespace korvane::test
