// libFuzzer target: a record of the store of removed entries, as any program
// could write it. Listing and restoring it never crashes, and never takes an
// entry away: a taken place is refused, and what is restored comes beside.
#include "catalogue/entry_record.h"
#include "catalogue/undo_store.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  const std::string text = fuzz::PutRecord(in, L"Removed", L"01db000000000000-0-a");
  // What is accepted writes back to the same record.
  if (std::optional<EntryRecord> record = ParseEntryRecord(text, "Korvane removed entry 1")) {
    const std::string again = EntryRecordText(*record, "Korvane removed entry 1");
    std::optional<EntryRecord> reread = ParseEntryRecord(again, "Korvane removed entry 1");
    if (!reread || EntryRecordText(*reread, "Korvane removed entry 1") != again) std::abort();
  }
  for (const RemovedEntry& entry : ReadRemovedEntries()) {
    RemovalWayText(entry.record);
    RestoreRemovedEntry(entry.id, RestoreTaken::Ask);
  }
  fuzz::RequireKept(before);
  return 0;
}
