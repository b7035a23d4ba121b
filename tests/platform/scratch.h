#pragma once
// The platform tests' fixture: a clean scratch key and folder (support/world.h)
// for each test, and the current folder put back after it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/world.h"

namespace korvane::test {

class Scratch : public testing::Test {
 protected:
  void SetUp() override { folder_ = ResetScratch(); }
  void TearDown() override {
    entered_.reset();
    ClearScratch(folder_);
  }

  // Makes `path` the current folder until the test ends.
  void EnterFolder(const std::wstring& path) {
    entered_.reset();
    entered_.emplace(path);
  }

  std::wstring In(const std::wstring& name) const { return folder_ + L"\\" + name; }

  std::wstring folder_;

 private:
  std::optional<CurrentFolder> entered_;
};

}  // namespace korvane::test
