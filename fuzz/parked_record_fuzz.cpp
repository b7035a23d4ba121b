// libFuzzer target: a record of the parked entries in its first format
// (text lines, the seeds), as any program could write it. Listing it and switching it on never
// crashes and never takes an entry away.
#include "catalogue/entry_record.h"
#include "monitor/parked.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  const std::string text = fuzz::PutRecord(in, L"Parked", L"01db000000000000-0");
  fuzz::RequireRecordRoundTrip(text, "Korvane parked entry");
  ParkedRows();
  for (const ParkedEntry& entry : ReadParkedEntries()) RestoreParkedEntry(entry);
  fuzz::RequireKept(before);
  return 0;
}
