// Scheduled tasks through the Task Scheduler 2.0 interface.
#include <windows.h>

#include <taskschd.h>
#include <xmllite.h>

#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/tasks.h"
#include "platform/text.h"
#include "platform/changes.h"
#include "platform/win32/handles.h"
#include "platform/win32/system.h"
#include "platform/win32/write_hook.h"

namespace korvane {

namespace {

using win32::ComPtr;

[[noreturn]] void Fail(const wchar_t* call, const std::wstring& subject, HRESULT result) {
  win32::ThrowCallError(call, subject, static_cast<DWORD>(result));
}

void Check(HRESULT result, const wchar_t* call, const std::wstring& subject) {
  if (FAILED(result)) Fail(call, subject, result);
}

struct Scheduler {
  win32::ComApartment com;
  ComPtr<ITaskService> service;
  ComPtr<ITaskFolder> root;
};

// A connection to the local scheduler, and its root folder.
std::unique_ptr<Scheduler> Connect() {
  auto scheduler = std::make_unique<Scheduler>();
  Check(CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                         __uuidof(ITaskService), scheduler->service.put_void()),
        L"CoCreateInstance", L"the Task Scheduler");
  VARIANT none;
  VariantInit(&none);
  // A scheduler that is still starting (a program started at logon, or
  // Wine's, started on demand) is waited for a little.
  HRESULT connected = scheduler->service->Connect(none, none, none, none);
  for (int attempt = 0; connected == SCHED_E_SERVICE_NOT_RUNNING && attempt < 5; ++attempt) {
    Sleep(300);
    connected = scheduler->service->Connect(none, none, none, none);
  }
  Check(connected, L"ITaskService::Connect", L"");
  win32::String root(SysAllocString(L"\\"));
  Check(scheduler->service->GetFolder(root.get(), scheduler->root.put()),
        L"ITaskService::GetFolder", L"\\");
  return scheduler;
}

// The i-th item of a collection, counted from 1.
VARIANT Index(LONG i) {
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  index.lVal = i;
  return index;
}

std::wstring Take(win32::String& text) {
  return text ? std::wstring(text.get(), SysStringLen(text.get())) : std::wstring();
}

// What Korvane needs of a task's definition.
struct Definition {
  bool any = false;     // a trigger or a program was seen
  bool enabled = true;  // its settings' Enabled
  bool at_logon_or_boot = false;
  std::vector<TaskAction> actions;
};

using CreateReader = decltype(&CreateXmlReader);

CreateReader XmlReaderFactory() {
  static win32::Module module = win32::LoadSystemLibrary(L"xmllite.dll");
  if (!module) win32::ThrowCallError(L"LoadLibrary", L"xmllite.dll", GetLastError());
  static CreateReader create = win32::Export<CreateReader>(module.get(), "CreateXmlReader");
  return create;
}

// Reads the triggers and program actions of a definition. The declaration is
// left out, so that the reader takes the text as the UTF-16 it is whatever
// encoding the declaration names; no document type is processed.
Definition ParseDefinition(std::wstring xml) {
  if (xml.compare(0, 5, L"<?xml") == 0) {
    size_t end = xml.find(L"?>");
    xml.erase(0, end == std::wstring::npos ? xml.size() : end + 2);
  }
  Definition definition;
  ComPtr<IStream> stream;
  Check(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), L"CreateStreamOnHGlobal", L"");
  const wchar_t bom = 0xFEFF;
  stream->Write(&bom, sizeof bom, nullptr);
  stream->Write(xml.data(), static_cast<ULONG>(xml.size() * sizeof(wchar_t)), nullptr);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ComPtr<IXmlReader> reader;
  Check(XmlReaderFactory()(__uuidof(IXmlReader), reader.put_void(), nullptr), L"CreateXmlReader",
        L"");
  Check(reader->SetInput(stream.get()), L"IXmlReader::SetInput", L"");

  std::vector<std::wstring> open;  // the elements from the document's down to this one
  bool trigger = false, trigger_enabled = true;
  auto at = [&open](std::initializer_list<const wchar_t*> path) {
    if (open.size() != path.size()) return false;
    size_t i = 0;
    for (const wchar_t* name : path) {
      if (open[i++] != name) return false;
    }
    return true;
  };
  auto close = [&] {
    if (trigger && open.size() == 3) {
      if (trigger_enabled) definition.at_logon_or_boot = true;
      trigger = false;
    }
    open.pop_back();
  };
  XmlNodeType type;
  while (reader->Read(&type) == S_OK) {
    const wchar_t* name = nullptr;
    if (type == XmlNodeType_Element) {
      reader->GetLocalName(&name, nullptr);
      open.emplace_back(name);
      if (at({L"Task", L"Triggers", L"LogonTrigger"}) ||
          at({L"Task", L"Triggers", L"BootTrigger"})) {
        trigger = true;
        trigger_enabled = true;
      }
      if (open.size() == 3 && open[1] == L"Triggers") definition.any = true;
      if (at({L"Task", L"Actions", L"Exec"})) definition.actions.emplace_back();
      if (reader->IsEmptyElement()) close();
    } else if (type == XmlNodeType_EndElement) {
      if (!open.empty()) close();
    } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty()) {
      const wchar_t* value = nullptr;
      reader->GetValue(&value, nullptr);
      const std::wstring text = value ? value : L"";
      if (trigger && open.size() == 4 && open[3] == L"Enabled") trigger_enabled = text != L"false";
      if (at({L"Task", L"Settings", L"Enabled"})) definition.enabled = text != L"false";
      if (open.size() == 4 && open[1] == L"Actions" && open[2] == L"Exec" &&
          !definition.actions.empty()) {
        TaskAction& action = definition.actions.back();
        if (open[3] == L"Command") action.command += text;
        if (open[3] == L"Arguments") action.arguments += text;
        if (open[3] == L"WorkingDirectory") action.working_folder += text;
      }
    }
  }
  // An action without a program (Wine writes "<Exec/>") starts nothing.
  std::erase_if(definition.actions, [](const TaskAction& a) { return a.command.empty(); });
  if (!definition.actions.empty()) definition.any = true;
  return definition;
}

// The text of a definition file: UTF-16 with its mark, else UTF-8.
std::wstring DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
      static_cast<uint8_t>(bytes[1]) == 0xFE) {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<wchar_t>(static_cast<uint8_t>(bytes[2 + 2 * i]) |
                                     static_cast<uint8_t>(bytes[3 + 2 * i]) << 8);
    }
    return text;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return FromUtf8(std::string_view(bytes).substr(3));
  return FromUtf8(bytes);
}

// Where the scheduler keeps a task's definition as a file: in the system
// folder of the system's own programs, which a 32-bit build reaches past the
// redirection of its own.
std::wstring StoreFile(const std::wstring& path) {
  return win32::NativeSystemDirectory() + L"\\Tasks" + path;
}

struct ReadDefinition {
  std::wstring text;  // empty when the task has none that can be read
  Definition definition;
};

// A task's definition as Korvane lists it and keeps it. Some schedulers
// (Wine's) give back a definition without its triggers and actions; the file
// they keep still has them.
ReadDefinition Read(IRegisteredTask* task, const std::wstring& path) {
  ReadDefinition out;
  win32::String xml;
  if (SUCCEEDED(task->get_Xml(xml.put()))) {
    out.text = Take(xml);
    out.definition = ParseDefinition(out.text);
  }
  if (!out.definition.any) {
    if (std::optional<std::string> bytes = ReadFileBytes(StoreFile(path))) {
      out.text = DecodeFile(*bytes);
      out.definition = ParseDefinition(out.text);
    }
  }
  return out;
}

ScheduledTask Describe(IRegisteredTask* task) {
  ScheduledTask out;
  win32::String text;
  Check(task->get_Path(text.put()), L"IRegisteredTask::get_Path", L"");
  out.path = Take(text);
  Definition definition = Read(task, out.path).definition;
  // The scheduler's own word on the Enabled flag, else the definition's.
  VARIANT_BOOL enabled = VARIANT_TRUE;
  out.enabled =
      SUCCEEDED(task->get_Enabled(&enabled)) ? enabled != VARIANT_FALSE : definition.enabled;
  out.at_logon_or_boot = definition.at_logon_or_boot;
  out.actions = std::move(definition.actions);
  return out;
}

void Walk(ITaskFolder* folder, std::vector<ScheduledTask>& tasks) {
  win32::String text;
  Check(folder->get_Path(text.put()), L"ITaskFolder::get_Path", L"");
  const std::wstring path = Take(text);
  ComPtr<IRegisteredTaskCollection> registered;
  Check(folder->GetTasks(TASK_ENUM_HIDDEN, registered.put()), L"ITaskFolder::GetTasks", path);
  LONG count = 0;
  if (SUCCEEDED(registered->get_Count(&count))) {
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<IRegisteredTask> task;
      if (SUCCEEDED(registered->get_Item(Index(i), task.put())))
        tasks.push_back(Describe(task.get()));
    }
  } else {
    // A scheduler that can't count a folder's tasks (Wine's) still finds
    // each by its name, which is the name of its file in the store.
    const std::wstring store = IncludeTrailingBackslash(StoreFile(path == L"\\" ? L"" : path));
    for (const FolderItem& item : ListFolder(store)) {
      if (item.is_folder) continue;
      win32::String name(SysAllocString(item.name.c_str()));
      ComPtr<IRegisteredTask> task;
      if (SUCCEEDED(folder->GetTask(name.get(), task.put()))) tasks.push_back(Describe(task.get()));
    }
  }
  ComPtr<ITaskFolderCollection> folders;
  Check(folder->GetFolders(0, folders.put()), L"ITaskFolder::GetFolders", path);
  Check(folders->get_Count(&count), L"ITaskFolderCollection::get_Count", path);
  for (LONG i = 1; i <= count; ++i) {
    ComPtr<ITaskFolder> inner;
    if (SUCCEEDED(folders->get_Item(Index(i), inner.put()))) Walk(inner.get(), tasks);
  }
}

// The registered task at `path`; empty when there is none.
ComPtr<IRegisteredTask> Find(const Scheduler& scheduler, const std::wstring& path) {
  win32::String name(SysAllocString(path.c_str()));
  ComPtr<IRegisteredTask> task;
  scheduler.root->GetTask(name.get(), task.put());
  return task;
}

ComPtr<IRegisteredTask> Get(const Scheduler& scheduler, const std::wstring& path) {
  ComPtr<IRegisteredTask> task = Find(scheduler, path);
  if (!task) throw PlatformError(L"The task " + path + L" is not registered.");
  return task;
}

// The paths (upper case) of the tasks that run now; none where the
// scheduler can't tell.
std::set<std::wstring> RunningTasks(const Scheduler& scheduler) {
  std::set<std::wstring> paths;
  ComPtr<IRunningTaskCollection> running;
  LONG count = 0;
  if (FAILED(scheduler.service->GetRunningTasks(TASK_ENUM_HIDDEN, running.put())) ||
      FAILED(running->get_Count(&count))) {
    return paths;
  }
  for (LONG i = 1; i <= count; ++i) {
    ComPtr<IRunningTask> task;
    win32::String path;
    if (SUCCEEDED(running->get_Item(Index(i), task.put())) &&
        SUCCEEDED(task->get_Path(path.put()))) {
      paths.insert(AsciiUpper(Take(path)));
    }
  }
  return paths;
}

// The tasks as last read, kept until the scheduler's store changes (its
// registry cache on Windows, its folder of definitions where that can be
// watched): reading every definition costs far more than the refresh's
// other work. Korvane's own changes drop it at once.
struct TaskListCache {
  std::mutex lock;
  TChangeNotifier watch{{{WatchedPlace::Kind::Tasks}}};
  bool valid = false;
  std::vector<ScheduledTask> tasks;
};

TaskListCache& Cache() {
  static TaskListCache cache;
  return cache;
}

void Forget() {
  std::lock_guard<std::mutex> held(Cache().lock);
  Cache().valid = false;
}

}  // namespace

std::vector<ScheduledTask> ListScheduledTasks() {
  std::unique_ptr<Scheduler> scheduler = Connect();
  TaskListCache& cache = Cache();
  std::vector<ScheduledTask> tasks;
  {
    std::lock_guard<std::mutex> held(cache.lock);
    if (cache.watch.Changed() || !cache.valid) {
      cache.valid = false;
      cache.tasks.clear();
      Walk(scheduler->root.get(), cache.tasks);
      cache.valid = true;
    }
    tasks = cache.tasks;
  }
  const std::set<std::wstring> running = RunningTasks(*scheduler);
  for (ScheduledTask& task : tasks) task.running = running.count(AsciiUpper(task.path)) != 0;
  return tasks;
}

std::future<TasksAndServices> ListTasksAndServices() {
  // Where no thread can be made, the lists are read when they are taken.
  return std::async(std::launch::async | std::launch::deferred, [] {
    const win32::ComApartment com;
    return ReadTasksAndServices();
  });
}

bool TaskExists(const std::wstring& path) {
  return static_cast<bool>(Find(*Connect(), path));
}

std::optional<std::wstring> ReadTaskDefinition(const std::wstring& path) {
  std::unique_ptr<Scheduler> scheduler = Connect();
  ComPtr<IRegisteredTask> task = Find(*scheduler, path);
  if (!task) return std::nullopt;
  ReadDefinition read = Read(task.get(), path);
  if (read.text.empty())
    throw PlatformError(L"The definition of the task " + path + L" cannot be read.");
  return std::move(read.text);
}

void RegisterTask(const std::wstring& path, const std::wstring& definition) {
  Forget();
  std::unique_ptr<Scheduler> scheduler = Connect();
  win32::String name(SysAllocString(path.c_str())), xml(SysAllocString(definition.c_str()));
  VARIANT none;
  VariantInit(&none);
  ComPtr<IRegisteredTask> task;
  Check(scheduler->root->RegisterTask(name.get(), xml.get(), TASK_CREATE, none, none,
                                      TASK_LOGON_NONE, none, task.put()),
        L"ITaskFolder::RegisterTask", path);
  KORVANE_WRITE_DONE();
  // A scheduler that takes the task but drops what it starts and when (Wine's)
  // would leave a task that does nothing: take it away again and say so.
  if (!ParseDefinition(definition).any) return;
  if (!task) task = Find(*scheduler, path);
  if (task && Read(task.get(), path).definition.any) return;
  scheduler->root->DeleteTask(name.get(), 0);
  KORVANE_WRITE_DONE();
  throw PlatformError(L"The Task Scheduler registered the task " + path +
                      L" without its triggers and programs; it has been taken away again.");
}

void DeleteTask(const std::wstring& path) {
  Forget();
  std::unique_ptr<Scheduler> scheduler = Connect();
  win32::String name(SysAllocString(path.c_str()));
  Check(scheduler->root->DeleteTask(name.get(), 0), L"ITaskFolder::DeleteTask", path);
  KORVANE_WRITE_DONE();
}

void SetTaskEnabled(const std::wstring& path, bool enabled) {
  Forget();
  std::unique_ptr<Scheduler> scheduler = Connect();
  ComPtr<IRegisteredTask> task = Get(*scheduler, path);
  Check(task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE), L"IRegisteredTask::put_Enabled",
        path);
  // A scheduler may take the call and keep nothing (Wine's does): only the
  // state read back counts.
  VARIANT_BOOL now = enabled ? VARIANT_FALSE : VARIANT_TRUE;
  task = Get(*scheduler, path);
  if (FAILED(task->get_Enabled(&now)) || (now != VARIANT_FALSE) != enabled) {
    throw PlatformError(L"The Task Scheduler did not switch the task " + path +
                        (enabled ? L" on." : L" off."));
  }
}

void RunTask(const std::wstring& path) {
  std::unique_ptr<Scheduler> scheduler = Connect();
  VARIANT none;
  VariantInit(&none);
  ComPtr<IRunningTask> running;
  Check(Get(*scheduler, path)->Run(none, running.put()), L"IRegisteredTask::Run", path);
}

void StopTask(const std::wstring& path) {
  std::unique_ptr<Scheduler> scheduler = Connect();
  Check(Get(*scheduler, path)->Stop(0), L"IRegisteredTask::Stop", path);
}

}  // namespace korvane
