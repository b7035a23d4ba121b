#include <gtest/gtest.h>

#include "cli/korvanec.h"
#include "support/world.h"

namespace korvane {
namespace {

TEST(KorvanecList, PlatformErrorGoesToStandardErrorWithExitCodeThree) {
  test::ResetWorld();
  memory::FailNext(memory::Fault::ProcessList);
  test::PutFile(test::kRoot + L"\\Startup\\notes.txt");
  CommandResult result = RunKorvanec({L"list"});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("korvanec: ", 0), 0u) << result.err;
  EXPECT_GT(result.err.size(), 12u);
  EXPECT_EQ(result.err.back(), '\n');
}

}  // namespace
}  // namespace korvane
