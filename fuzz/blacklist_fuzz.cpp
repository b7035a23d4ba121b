// libFuzzer target: the blacklist's key holding values of any name, type and
// data, as any program could write them. Enforcing it never crashes and
// removes exactly the entries whose file it names.
#include "monitor/blacklist.h"
#include "store_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  fuzz::PutValues(in, RootKey::CurrentUser, kBlacklistKey);
  std::optional<std::vector<std::wstring>> blacklist = ReadBlacklist();
  if (!blacklist) return 0;
  RemovalFailures failures;
  const Enforcement done = RemoveBlacklisted(before, *blacklist, failures);
  BlacklistBalloonText(done);
  RemovedFileBytes(done.removed);
  for (const StartupEntry& row : before) {
    if (IsBlacklisted(row.file_name, *blacklist) == fuzz::StandsInPlace(row)) std::abort();
  }
  return 0;
}
