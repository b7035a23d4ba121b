#pragma once
// The service control manager: the services of programs (not drivers), how
// each starts, and starting, stopping and switching one. Every call throws
// PlatformError when the manager refuses.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// The start types as the manager numbers them.
enum class ServiceStart : uint32_t {
  Boot = 0,
  System = 1,
  Automatic = 2,
  Demand = 3,
  Disabled = 4
};

struct ServiceRecord {
  std::wstring name, display_name;
  std::wstring image_path;   // as stored, references not expanded
  std::wstring service_dll;  // Parameters\ServiceDll of a shared-process service
  ServiceStart start = ServiceStart::Demand;
  bool delayed = false;  // an automatic service that starts after the others
  bool running = false;
};

// Every service of a program (own or shared process), in the manager's order.
std::vector<ServiceRecord> ListServices();
std::optional<ServiceRecord> ReadService(const std::wstring& name);
// Sets the start type and, for an automatic one, whether it is delayed;
// fails unless the manager then says so.
void SetServiceStart(const std::wstring& name, ServiceStart start, bool delayed);
// True unless the service control manager refuses this program's rights to
// change the service's start type (without administrator rights, say).
bool MayConfigureService(const std::wstring& name);
void StartServiceNamed(const std::wstring& name);
void StopServiceNamed(const std::wstring& name);

}  // namespace korvane
