// A service of its own process that runs until the manager tells it to stop:
// the "startup program" of the service tests.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE status_handle = nullptr;
HANDLE stop_event = nullptr;

void Report(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  SetServiceStatus(status_handle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_STOP) {
    Report(SERVICE_STOP_PENDING);
    SetEvent(stop_event);
  }
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  status_handle = RegisterServiceCtrlHandlerExW(L"", Handler, nullptr);
  if (!status_handle) return;
  Report(SERVICE_RUNNING);
  WaitForSingleObject(stop_event, INFINITE);
  Report(SERVICE_STOPPED);
}

}  // namespace

int wmain() {
  stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  wchar_t name[] = L"";
  SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
