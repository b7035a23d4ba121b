#include "catalogue/system_entries.h"

#include "platform/error.h"
#include "platform/registry.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr wchar_t kSwitchedOffKey[] = L"\\Software\\Korvane\\ServicesSwitchedOff";

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

}  // namespace

bool IsSystemEntry(const StartupEntry& row) {
  return std::holds_alternative<TaskSource>(row.source) ||
         std::holds_alternative<ServiceSource>(row.source);
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

std::wstring SwitchSystemEntry(const StartupEntry& row, bool on) {
  try {
    if (const auto* task = std::get_if<TaskSource>(&row.source)) {
      SetTaskEnabled(task->path, on);
      return {};
    }
    if (const auto* service = std::get_if<ServiceSource>(&row.source)) {
      return SwitchService(*service, on);
    }
  } catch (const PlatformError& error) {
    return error.Text();
  }
  return L"The entry is neither a task nor a service.";
}

void RunSystemEntry(const StartupEntry& row) {
  if (const auto* task = std::get_if<TaskSource>(&row.source)) RunTask(task->path);
  if (const auto* service = std::get_if<ServiceSource>(&row.source))
    StartServiceNamed(service->name);
}

void StopSystemEntry(const StartupEntry& row) {
  if (const auto* task = std::get_if<TaskSource>(&row.source)) StopTask(task->path);
  if (const auto* service = std::get_if<ServiceSource>(&row.source))
    StopServiceNamed(service->name);
}

std::wstring WhyNotDeleted(const StartupEntry& row) {
  if (std::holds_alternative<ServiceSource>(row.source)) {
    return L"A service is not deleted: switch it off with Disable startup entry.";
  }
  return {};
}

std::wstring WhyNotMoved(const StartupEntry& row) {
  if (std::holds_alternative<ServiceSource>(row.source)) return L"A service cannot be moved.";
  if (std::holds_alternative<TaskSource>(row.source)) return L"A scheduled task cannot be moved.";
  return {};
}

}  // namespace korvane
