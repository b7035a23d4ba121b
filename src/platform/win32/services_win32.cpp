// Services through the service control manager. What the list shows of each
// service (its start type, image path, delay and service DLL) comes from the
// manager's own database under HKLM\SYSTEM\CurrentControlSet\Services: one
// key read each instead of three calls to the manager per service and
// refresh.
#include <map>
#include <mutex>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/changes.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

constexpr wchar_t kServicesKey[] = L"\\SYSTEM\\CurrentControlSet\\Services\\";

win32::ServiceHandle OpenManager(DWORD access) {
  win32::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, access));
  if (!manager) win32::ThrowCallError(L"OpenSCManager", L"", GetLastError());
  return manager;
}

win32::ServiceHandle OpenNamed(SC_HANDLE manager, const std::wstring& name, DWORD access) {
  win32::ServiceHandle service(OpenServiceW(manager, name.c_str(), access));
  if (!service) win32::ThrowCallError(L"OpenService", name, GetLastError());
  return service;
}

// The start type, image path, delay and service DLL of the service's key.
void ReadConfiguration(ServiceRecord& service) {
  TRegistry reg;
  reg.SetRootKey(RootKey::LocalMachine);
  if (!reg.OpenKeyReadOnly(kServicesKey + service.name)) return;
  auto number = [&reg](const wchar_t* name) -> std::optional<uint32_t> {
    std::optional<RegistryValue> value = reg.ReadValue(name);
    if (!value || value->type != RegistryDataType::DWord || value->data.size() < 4)
      return std::nullopt;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 |
           uint32_t{value->data[3]} << 24;
  };
  auto text = [&reg](const wchar_t* name) {
    std::optional<RegistryValue> value = reg.ReadValue(name);
    return value ? RegistryText(*value).value_or(L"") : std::wstring();
  };
  if (std::optional<uint32_t> start = number(L"Start"); start && *start <= 4) {
    service.start = static_cast<ServiceStart>(*start);
  }
  service.delayed = number(L"DelayedAutostart").value_or(0) != 0;
  service.image_path = text(L"ImagePath");
  if (reg.OpenKeyReadOnly(kServicesKey + service.name + L"\\Parameters")) {
    service.service_dll = text(L"ServiceDll");
  }
}

}  // namespace

bool MayConfigureService(const std::wstring& name) {
  win32::ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return GetLastError() != ERROR_ACCESS_DENIED;
  win32::ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_CHANGE_CONFIG));
  return service || GetLastError() != ERROR_ACCESS_DENIED;
}

namespace {

SERVICE_STATUS_PROCESS Status(SC_HANDLE service, const std::wstring& name) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                            sizeof status, &needed)) {
    win32::ThrowCallError(L"QueryServiceStatusEx", name, GetLastError());
  }
  return status;
}

// What the services' keys said, kept until one of them changes: reading
// them costs far more than the refresh's other work.
struct ConfigurationCache {
  std::mutex lock;
  TChangeNotifier watch{{{WatchedPlace::Kind::Services}}};
  std::map<std::wstring, ServiceRecord> read;  // by upper-case name
};

ConfigurationCache& Cache() {
  static ConfigurationCache cache;
  return cache;
}

}  // namespace

std::vector<ServiceRecord> ListServices() {
  win32::ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE);
  std::vector<BYTE> buffer;
  DWORD needed = 0, count = 0, resume = 0;
  std::vector<ServiceRecord> services;
  for (;;) {
    BOOL done = EnumServicesStatusExW(
        manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, buffer.data(),
        static_cast<DWORD>(buffer.size()), &needed, &count, &resume, nullptr);
    const DWORD error = done ? ERROR_SUCCESS : GetLastError();
    if (!done && error != ERROR_MORE_DATA) {
      win32::ThrowCallError(L"EnumServicesStatusEx", L"", error);
    }
    const auto* found = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      ServiceRecord service;
      service.name = found[i].lpServiceName;
      service.display_name = found[i].lpDisplayName ? found[i].lpDisplayName : L"";
      service.running = found[i].ServiceStatusProcess.dwCurrentState != SERVICE_STOPPED;
      services.push_back(std::move(service));
    }
    if (done) break;
    // More than fits: the rest from where this call ended, in a buffer of
    // the size asked for.
    buffer.resize(std::max<size_t>(needed, buffer.size()) + sizeof(ENUM_SERVICE_STATUS_PROCESSW));
  }
  ConfigurationCache& cache = Cache();
  std::lock_guard<std::mutex> held(cache.lock);
  if (cache.watch.Changed()) cache.read.clear();
  for (ServiceRecord& service : services) {
    auto [kept, added] = cache.read.try_emplace(AsciiUpper(service.name));
    if (added) {
      ReadConfiguration(service);
      kept->second = service;
    }
    service.start = kept->second.start;
    service.delayed = kept->second.delayed;
    service.image_path = kept->second.image_path;
    service.service_dll = kept->second.service_dll;
  }
  return services;
}

std::optional<ServiceRecord> ReadService(const std::wstring& name) {
  win32::ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
  win32::ServiceHandle service(OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  if (!service) {
    if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return std::nullopt;
    win32::ThrowCallError(L"OpenService", name, GetLastError());
  }
  ServiceRecord record;
  record.name = name;
  record.running = Status(service.get(), name).dwCurrentState != SERVICE_STOPPED;
  ReadConfiguration(record);
  return record;
}

void SetServiceStart(const std::wstring& name, ServiceStart start, bool delayed) {
  win32::ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
  win32::ServiceHandle service = OpenNamed(
      manager.get(), name, SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  if (!ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, static_cast<DWORD>(start),
                            SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr)) {
    win32::ThrowCallError(L"ChangeServiceConfig", name, GetLastError());
  }
  std::optional<ServiceRecord> now = ReadService(name);
  if (start == ServiceStart::Automatic && now && now->delayed != delayed) {
    SERVICE_DELAYED_AUTO_START_INFO info{delayed ? TRUE : FALSE};
    if (!ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &info)) {
      win32::ThrowCallError(L"ChangeServiceConfig2", name, GetLastError());
    }
    now = ReadService(name);
  }
  if (!now || now->start != start ||
      (start == ServiceStart::Automatic && now->delayed != delayed)) {
    throw PlatformError(L"The service control manager did not keep the start type of " + name +
                        L".");
  }
}

void StartServiceNamed(const std::wstring& name) {
  win32::ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
  win32::ServiceHandle service = OpenNamed(manager.get(), name, SERVICE_START);
  if (!StartServiceW(service.get(), 0, nullptr) &&
      GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
    win32::ThrowCallError(L"StartService", name, GetLastError());
  }
}

void StopServiceNamed(const std::wstring& name) {
  win32::ServiceHandle manager = OpenManager(SC_MANAGER_CONNECT);
  win32::ServiceHandle service = OpenNamed(manager.get(), name, SERVICE_STOP);
  SERVICE_STATUS status{};
  if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status) &&
      GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
    win32::ThrowCallError(L"ControlService", name, GetLastError());
  }
}

}  // namespace korvane
