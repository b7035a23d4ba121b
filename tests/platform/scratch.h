#pragma once
// A clean place for platform tests on either backend: the scratch key
// HKCU\Software\KorvaneTest and a scratch folder, both emptied first. The
// memory world starts from its defaults; Wine keeps its own registry and disk.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

#ifdef _WIN32
#include <filesystem>
#else
#include "platform/memory/arrange.h"
#endif

namespace korvane::test {

inline const std::wstring kScratchKey = L"\\Software\\KorvaneTest";

class Scratch : public testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    folder_ = std::filesystem::temp_directory_path().wstring();
    folder_ = IncludeTrailingBackslash(folder_) + L"KorvaneTest";
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    saved_directory_ = std::filesystem::current_path();
#else
    memory::Reset();
    folder_ = L"C:\\Temp\\KorvaneTest";
#endif
    MakeFolder(folder_);
    TRegistry reg;
    reg.DeleteKey(kScratchKey);
  }

  void TearDown() override {
#ifdef _WIN32
    std::filesystem::current_path(saved_directory_);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
#endif
    TRegistry reg;
    reg.DeleteKey(kScratchKey);
  }

  static void MakeFolder(const std::wstring& path) {
#ifdef _WIN32
    std::filesystem::create_directories(path);
#else
    memory::MakeFolder(path);
#endif
  }

  static void EnterFolder(const std::wstring& path) {
#ifdef _WIN32
    std::filesystem::current_path(path);
#else
    memory::SetCurrentDirectory(path);
#endif
  }

  std::wstring In(const std::wstring& name) const {
    return folder_ + L"\\" + name;
  }

  std::wstring folder_;

 private:
#ifdef _WIN32
  std::filesystem::path saved_directory_;
#endif
};

}  // namespace korvane::test
