#include "catalogue/removal.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/location.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

namespace {

// Removes the word and one blank beside it (the one after it; for a last
// word the one before it) from its place in the list, so that putting the
// word back at its place gives the line as it was; where the list changed
// since the scan, the word's occurrence among equal words. False when it is
// not there.
bool RemoveWord(std::wstring& words, const WinIniSource& source) {
  const auto places = WinIniWords(words);
  auto is_word = [&](size_t i) {
    return words.compare(places[i].first, places[i].second, source.word) == 0;
  };
  std::optional<size_t> found;
  if (source.position < places.size() && is_word(source.position)) {
    found = source.position;
  } else {
    size_t seen = 0;
    for (size_t i = 0; i < places.size() && !found; ++i) {
      if (is_word(i) && seen++ == source.occurrence) found = i;
    }
  }
  if (!found) return false;
  auto [start, length] = places[*found];
  if (start + length < words.size()) {
    ++length;
  } else if (start > 0) {
    --start;
    ++length;
  }
  words.erase(start, length);
  return true;
}

struct RemoveFromSource {
  bool operator()(const std::monostate&) const { return false; }
  bool operator()(const FolderSource& source) const {
    return !FileExists(source.path) || RemoveFile(source.path) || !FileExists(source.path);
  }
  bool operator()(const WinIniSource& source) const {
    TIniFile ini(source.ini_path);
    std::wstring words = ini.ReadStringForUpdate(L"Windows", source.key);
    if (RemoveWord(words, source)) ini.WriteString(L"windows", source.key, words);
    return true;
  }
  bool operator()(const RegistrySource& source) const {
    TRegistry reg(source.view);
    reg.SetRootKey(source.root);
    if (!reg.OpenKey(source.key_path, false)) return !reg.KeyExists(source.key_path);
    return reg.DeleteValue(source.value_name) || !reg.ValueExists(source.value_name);
  }
  bool operator()(const TaskSource& source) const {
    // Every program action of the task goes with it.
    if (TaskExists(source.path)) DeleteTask(source.path);
    return true;
  }
  // A service is switched off, never deleted.
  bool operator()(const ServiceSource&) const { return false; }
};

}  // namespace

bool RemoveStartupEntry(const StartupEntry& row) {
  try {
    if (!std::visit(RemoveFromSource{}, row.source)) return false;
    // Its approval goes with it, so that a later entry of its name is not
    // born switched off.
    ClearApproval(row);
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

RemovalWay RemovalWayOf(RemovalSource source) {
  return source == RemovalSource::NewEntriesList ? RemovalWay::DeletedAsNew
         : source == RemovalSource::Blacklist    ? RemovalWay::Blacklisted
                                                 : RemovalWay::Deleted;
}

void EndEntryProgram(const StartupEntry& row, RemovalSource source) {
  TWindowsAPI& processes = TWindowsAPI::Instance();
  if (processes.FindProcessFile(row.file_name) != -1) {
    processes.EndProcessByFileName(
        row.file_name, false,
        source == RemovalSource::NewEntriesList ? EndMode::Terminate : EndMode::Close);
  }
}

RemovalResult DeleteStartupEntry(const StartupEntry& row, RemovalSource source) {
  // The program is ended even when its entry could not be removed.
  RemovalResult gone = RecordAndRemove(row, RemovalWayOf(source));
  EndEntryProgram(row, source);
  return gone;
}

}  // namespace korvane
