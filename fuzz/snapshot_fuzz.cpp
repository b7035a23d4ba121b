// libFuzzer target: the snapshot reader takes any bytes. It must answer a
// snapshot or one line of reason, never crash, hang or grow without bound;
// what it reads must write back and read again the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/snapshot.h"
#include "platform/memory/arrange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  // Of the disk, the location names ask only where Windows lives.
  static const bool world = (memory::Reset(), true);
  (void)world;
  std::wstring error;
  const std::optional<Snapshot> read =
      ReadSnapshot(std::string_view(reinterpret_cast<const char*>(data), size), error);
  if (!read) {
    if (error.empty() || error.find(L'\n') != std::wstring::npos) std::abort();
    return 0;
  }
  // Whatever was accepted survives a round trip and compares equal to itself.
  const std::optional<Snapshot> again = ReadSnapshot(SnapshotJson(*read), error);
  if (!again || !CompareEntries(read->entries, again->entries).empty()) std::abort();
  FormatChanges(CompareEntries({}, read->entries), ListFormat::Json);
  FormatChanges(CompareEntries(read->entries, {}), ListFormat::Csv);
  return 0;
}
