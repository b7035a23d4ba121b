// libFuzzer target: the refresh's snapshot file, as any program could write
// it. Reading it and reporting against it never crashes; what it accepts
// writes back to the same text.
#include "monitor/snapshot.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& rows = fuzz::Rows();
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<StartupList> read = ParseSnapshot(text);
  DetectEntryChanges(rows, std::optional<std::string>(text), {}, {});
  if (read) {
    const std::string again = SnapshotText(*read);
    std::optional<StartupList> reread = ParseSnapshot(again);
    if (!reread || SnapshotText(*reread) != again) std::abort();
    for (const ReportedEntry& entry : DetectEntryChanges(rows, read, {}, {})) {
      CommandText(entry.row);
      ChangeKindText(entry.change);
    }
  }
  return 0;
}
