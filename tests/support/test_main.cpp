#include <gtest/gtest.h>

#ifdef _WIN32
#include <objbase.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // Shell links and the shell's other objects need COM on the test thread,
  // as the program has it on its window thread.
  CoInitialize(nullptr);
#endif
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
#ifdef _WIN32
  CoUninitialize();
#endif
  return result;
}
