#include "platform/error.h"
#include "platform/files.h"
#include "platform/memory/world.h"
#include "platform/processes.h"

namespace korvane {

using namespace memory::detail;

namespace {

FakeProcess* Running(uint32_t id) {
  for (FakeProcess& p : TheWorld().processes) {
    if (p.id == id && p.running) return &p;
  }
  return nullptr;
}

}  // namespace

std::vector<ProcessRecord> EnumerateProcesses() {
  if (TakeFault(memory::Fault::ProcessList)) {
    throw PlatformError(L"EnumProcesses failed: the process list cannot be read");
  }
  // The NT family reports module paths that need normalising; the Toolhelp
  // snapshot of the 95 family gives them as they are.
  const bool nt = PlatformId() == 2;
  std::vector<ProcessRecord> records;
  for (const FakeProcess& p : TheWorld().processes) {
    if (!p.running) continue;
    records.push_back({p.id, nt ? NormaliseModulePath(p.path, p.id, WindowsDirectory()) : p.path});
  }
  return records;
}

void TerminateProcessById(uint32_t id) {
  if (FakeProcess* p = Running(id)) p->running = false;
}

void RequestProcessClose(uint32_t id) {
  FakeProcess* p = Running(id);
  if (p == nullptr || p->windows.empty()) return;
  size_t target = 0;
  for (size_t i = 0; i < p->windows.size(); ++i) {
    if (p->windows[i].visible && !p->windows[i].has_parent) {
      target = i;
      break;
    }
  }
  ++p->close_requests[target];
  if (!p->windows[target].refuses_close) p->running = false;
}

namespace memory {

uint32_t StartProcess(const std::wstring& path, const std::vector<FakeWindow>& windows) {
  World& w = TheWorld();
  const uint32_t id = w.next_process_id;
  w.next_process_id += 4;
  StartProcessWithId(id, path, windows);
  return id;
}

void StartProcessWithId(uint32_t id, const std::wstring& path,
                        const std::vector<FakeWindow>& windows) {
  TheWorld().processes.push_back({id, path, windows, std::vector<int>(windows.size(), 0), true});
}

bool ProcessRunning(uint32_t id) {
  return Running(id) != nullptr;
}

void StopProcess(uint32_t id) {
  TerminateProcessById(id);
}

std::vector<int> CloseRequests(uint32_t id) {
  const std::vector<FakeProcess>& processes = TheWorld().processes;
  for (auto p = processes.rbegin(); p != processes.rend(); ++p) {
    if (p->id == id) return p->close_requests;
  }
  return {};
}

}  // namespace memory

void RunThisThreadInBackground() {}

}  // namespace korvane
