// libFuzzer target: the refresh's snapshot file in the one format (JSON, the
// seeds), as any program could write it. Reading it and reporting against it
// never crashes; what it accepts writes back to the same text.
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::fuzz::CheckSnapshot(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
