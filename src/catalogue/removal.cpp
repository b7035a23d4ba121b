#include "catalogue/removal.h"

#include <algorithm>

#include "catalogue/location.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

namespace {

// Removes the first word equal to `word` (with case) and the blank after it;
// a last word leaves the blank before it. False when no word matched.
bool RemoveWord(std::wstring& words, const std::wstring& word) {
  for (auto [start, length] : WinIniWords(words)) {
    if (words.compare(start, length, word) == 0) {
      words.erase(start, std::min(length + 1, words.size() - start));
      return true;
    }
  }
  return false;
}

bool RemoveFromLocation(const StartupEntry& row) {
  StartupLocation location = RecogniseLocation(row.location);
  switch (location.kind) {
    case StartupLocationKind::StartupFolderLocation: {
      // Only a file directly inside the folder may go.
      if (!IsPlainFileName(row.name)) return false;
      std::wstring file = IncludeTrailingBackslash(location.path) + row.name;
      return !FileExists(file) || RemoveFile(file) || !FileExists(file);
    }
    case StartupLocationKind::WinIniLocation: {
      if (location.key.empty()) return false;
      TIniFile ini(location.path);
      std::wstring words = ini.ReadStringForUpdate(L"Windows", location.key);
      if (RemoveWord(words, row.file_name)) ini.WriteString(L"windows", location.key, words);
      return true;
    }
    case StartupLocationKind::RegistryKeyLocation: {
      TRegistry reg;
      reg.SetRootKey(location.root);
      if (!reg.OpenKey(location.path, false)) return !reg.KeyExists(location.path);
      return reg.DeleteValue(row.name) || !reg.ValueExists(row.name);
    }
  }
  return false;
}

}  // namespace

bool RemoveStartupEntry(const StartupEntry& row) {
  try {
    return RemoveFromLocation(row);
  } catch (const PlatformError&) {
    return false;
  }
}

bool DeleteStartupEntry(const StartupEntry& row, RemovalSource source) {
  // The program is ended even when its entry could not be removed.
  bool gone = RemoveStartupEntry(row);
  TWindowsAPI& processes = TWindowsAPI::Instance();
  if (processes.FindProcessFile(row.file_name) != -1) {
    processes.EndProcessByFileName(
        row.file_name, false,
        source == RemovalSource::MainList ? EndMode::Close : EndMode::Terminate);
  }
  return gone;
}

}  // namespace korvane
