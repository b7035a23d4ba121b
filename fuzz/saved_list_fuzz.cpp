// libFuzzer target: the saved list's key holding values of any name, type
// and data, as any program could write them. Reading and saving it never
// crashes and never touches an entry.
#include "monitor/saved_list.h"
#include "platform/error.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  fuzz::PutValues(in, RootKey::CurrentUser, kSavedListKey);
  if (std::optional<std::vector<std::wstring>> saved = ReadSavedList()) {
    NewEntriesIn(before, *saved);
    try {
      SaveStartupList(before, *saved);
    } catch (const PlatformError&) {
    }
  }
  FindNewEntries(before);
  fuzz::RequireKept(before);
  return 0;
}
