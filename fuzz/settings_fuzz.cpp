// libFuzzer target: the settings key holding values of any name, type and
// data, as any program could write them. Reading them never crashes: a value
// of the wrong type is the registry's error, and the interval stays in range.
#include "platform/error.h"
#include "store_world.h"
#include "ui/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  const StartupList& before = fuzz::Rows();
  fuzz::ArrangeWorld();
  fuzz::Input in(data, size);
  fuzz::PutValues(in, RootKey::CurrentUser, kSettingsKey);
  AppSettings settings;
  try {
    ReadSettings(settings);
  } catch (const PlatformError&) {
  }
  const int32_t shown = ShownMonitoring(settings.monitoring);
  if (shown < 1 || shown > 60) std::abort();
  const int32_t typed = TypedMonitoring(in.Text(), shown);
  if (typed < 1 || typed > 60) std::abort();
  fuzz::RequireKept(before);
  return 0;
}
