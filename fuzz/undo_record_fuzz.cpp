// libFuzzer target: a record of the store of removed entries in its first
// format (text lines, the seeds), as any program could write it. Listing and restoring it never
// crashes, and never takes an entry away: a taken place is refused, and what is restored comes
// beside.
#include "catalogue/entry_record.h"
#include "catalogue/undo_store.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  const std::string text = fuzz::PutRecord(in, L"Removed", L"01db000000000000-0-a");
  fuzz::RequireRecordRoundTrip(text, "Korvane removed entry");
  for (const RemovedEntry& entry : ReadRemovedEntries()) {
    RemovalWayText(entry.record);
    RestoreRemovedEntry(entry.id, RestoreTaken::Ask);
  }
  fuzz::RequireKept(before);
  return 0;
}
