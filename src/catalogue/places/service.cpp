#include "catalogue/places/service.h"

#include "catalogue/command_line.h"
#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr wchar_t kSwitchedOffKey[] = L"\\Software\\Korvane\\ServicesSwitchedOff";
constexpr wchar_t kNotDeleted[] =
    L"A service is not deleted: switch it off with Disable startup entry.";

const ServiceSource& Service(const StartupEntry& row) {
  return std::get<ServiceSource>(row.source);
}

std::wstring KeptText(ServiceStart start, bool delayed) {
  return std::to_wstring(static_cast<uint32_t>(start)) + (delayed ? L" delayed" : L"");
}

std::wstring SwitchService(const ServiceSource& service, bool on) {
  TRegistry reg;
  if (on) {
    KeptStart kept{service.start, service.delayed};
    const std::map<std::wstring, KeptStart> switched_off = ServicesSwitchedOff();
    if (auto found = switched_off.find(AsciiUpper(service.name)); found != switched_off.end()) {
      kept = found->second;
    }
    SetServiceStart(service.name, kept.start, kept.delayed);
    if (reg.OpenKey(kSwitchedOffKey, false)) reg.DeleteValue(service.name);
    return {};
  }
  // The type it had goes on record first: without it the service could not
  // be switched back on as it was.
  if (!reg.OpenKey(kSwitchedOffKey, true)) return L"Korvane's key cannot be opened.";
  reg.WriteString(service.name, KeptText(service.start, service.delayed));
  try {
    SetServiceStart(service.name, ServiceStart::Disabled, service.delayed);
  } catch (const PlatformError&) {
    reg.DeleteValue(service.name);
    throw;
  }
  return {};
}

class ServiceKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry&) const override { return L"service"; }

  std::wstring Place(const StartupEntry& row) const override { return L"S" + Service(row).name; }

  bool SamePlace(const StartupEntry& a, const StartupEntry& b) const override {
    return SameText(Service(a).name, Service(b).name);
  }

  // A service is switched off in its place, never taken from it.
  bool StillThere(const StartupEntry&) const override { return true; }
  bool StandsAsRead(const StartupEntry&) const override { return false; }
  bool Occupied(const StartupEntry&) const override { return false; }

  bool NeedsAdministrator(const StartupEntry& row) const override {
    return !MayConfigureService(Service(row).name);
  }
  // Each service answers for itself.
  std::wstring RightsScope(const StartupEntry& row) const override { return EntryIdentity(row); }

  bool SwitchedBySystem() const override { return true; }
  std::wstring Switch(const StartupEntry& row, bool on) const override {
    return SwitchService(Service(row), on);
  }
  void Run(const StartupEntry& row) const override { StartServiceNamed(Service(row).name); }
  void Stop(const StartupEntry& row) const override { StopServiceNamed(Service(row).name); }

  std::wstring WhyNotDeleted() const override { return kNotDeleted; }
  std::wstring WhyNotMoved() const override { return L"A service cannot be moved."; }
  std::wstring OwnName(const StartupEntry& row) const override { return Service(row).name; }
};

}  // namespace

const PlaceKind& ServicePlace() {
  static const ServiceKind kind;
  return kind;
}

std::map<std::wstring, KeptStart> ServicesSwitchedOff() {
  std::map<std::wstring, KeptStart> kept;
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(kSwitchedOffKey)) return kept;
  for (auto& [name, value] : reg.GetValues()) {
    // Another program may write here: only a known start type counts.
    std::optional<std::wstring> text = RegistryText(value);
    if (!text) continue;
    const bool delayed = text->size() > 1 && text->substr(1) == L" delayed";
    if (text->empty() || (text->size() > 1 && !delayed)) continue;
    if ((*text)[0] != L'2' && (*text)[0] != L'3') continue;
    kept[AsciiUpper(name)] = {static_cast<ServiceStart>((*text)[0] - L'0'), delayed};
  }
  return kept;
}

void ListServices(const std::vector<ServiceRecord>& services, StartupScan& scan) {
  const std::map<std::wstring, KeptStart> switched_off = ServicesSwitchedOff();
  for (const ServiceRecord& service : services) {
    auto kept = switched_off.find(AsciiUpper(service.name));
    const bool off = service.start == ServiceStart::Disabled && kept != switched_off.end();
    if (service.start != ServiceStart::Automatic && !off) continue;
    SplitCommand command = SplitServiceImage(service);
    std::wstring file = ResolveProgramFile(command.file_name);
    if (file.empty()) continue;
    ServiceSource source{service.name, off ? kept->second.start : service.start,
                         off ? kept->second.delayed : service.delayed};
    scan.Add(service.display_name.empty() ? service.name : service.display_name, std::move(file),
             std::move(command.parameters), kServicesLocation, std::move(source));
    StartupEntry& row = scan.list.back();
    row.running = service.running;
    row.enabled = !off;
  }
}

}  // namespace korvane
