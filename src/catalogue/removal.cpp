#include "catalogue/removal.h"

#include <algorithm>
#include <exception>

#include "catalogue/location.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

namespace {

// Removes the first word equal to `word` (with case) and the blank after it;
// a last word leaves the blank before it.
void RemoveWord(std::wstring& words, const std::wstring& word) {
  for (auto [start, length] : WinIniWords(words)) {
    if (words.compare(start, length, word) == 0) {
      words.erase(start, std::min(length + 1, words.size() - start));
      return;
    }
  }
}

void RemoveFromLocation(const StartupEntry& row) {
  StartupLocation location = RecogniseLocation(row.location);
  switch (location.kind) {
    case StartupLocationKind::StartupFolderLocation: {
      // Only a file directly inside the folder may go.
      if (!IsPlainFileName(row.name)) return;
      std::wstring file = IncludeTrailingBackslash(location.path) + row.name;
      if (FileExists(file)) RemoveFile(file);
      return;
    }
    case StartupLocationKind::WinIniLocation: {
      if (location.key.empty()) return;
      TIniFile ini(location.path);
      std::wstring words = ini.ReadString(L"Windows", location.key, L"");
      RemoveWord(words, row.file_name);
      ini.WriteString(L"windows", location.key, words);
      return;
    }
    case StartupLocationKind::RegistryKeyLocation: {
      TRegistry reg;
      reg.SetRootKey(location.root);
      if (reg.OpenKey(location.path, false)) reg.DeleteValue(row.name);
      return;
    }
  }
}

}  // namespace

void DeleteStartupEntry(const StartupEntry& row, RemovalSource source) {
  // The program is ended even when its entry could not be removed.
  std::exception_ptr failure;
  try {
    RemoveFromLocation(row);
  } catch (...) {
    failure = std::current_exception();
  }
  TWindowsAPI& processes = TWindowsAPI::Instance();
  if (processes.FindProcessFile(row.file_name) != -1) {
    processes.EndProcessByFileName(
        row.file_name, false,
        source == RemovalSource::MainList ? EndMode::Close : EndMode::Terminate);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace korvane
