// libFuzzer target: a record in the one format (JSON, the seeds) in the store
// of removed entries or of parked ones (the first byte says which), as any
// program could write it. Listing, restoring and switching it on never
// crashes and never takes an entry away; what is accepted writes back to
// the same record.
#include "catalogue/undo_store.h"
#include "monitor/parked.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  if (in.Byte() % 2 == 0) {
    const std::string text = fuzz::PutRecord(in, L"Removed", L"01db000000000000-0-a");
    fuzz::RequireRecordRoundTrip(text, "Korvane removed entry");
    for (const RemovedEntry& entry : ReadRemovedEntries()) {
      RemovalWayText(entry.record);
      RestoreRemovedEntry(entry.id, RestoreTaken::Ask);
    }
  } else {
    const std::string text = fuzz::PutRecord(in, L"Parked", L"01db000000000000-0");
    fuzz::RequireRecordRoundTrip(text, "Korvane parked entry");
    ParkedRows();
    for (const ParkedEntry& entry : ReadParkedEntries()) RestoreParkedEntry(entry);
  }
  fuzz::RequireKept(before);
  return 0;
}
