#pragma once
// Arranging the in-memory platform from tests: a registry, a file system with
// a search order, running processes with windows, and faults on demand.
// Everything here is the fake world behind the platform classes.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/services.h"
#include "platform/tasks.h"
#include "platform/shell.h"

namespace korvane::memory {

// Empties the world: no keys, no files, no processes, no faults. Afterwards
// the Windows directory is C:\WINDOWS, the system folder C:\WINDOWS\system32,
// the own executable C:\Program Files\Korvane\korvane.exe, the current
// directory C:\, the search order (own folder, current directory, system
// folder, Windows directory, each taken when a search is made), platform id 2,
// the local application data folder C:\Users\user\AppData\Local, the
// known Startup folders are empty, and the environment holds windir and
// SystemRoot, both C:\WINDOWS. The system folder and the own
// executable exist as a folder and an (empty) file. The shared process
// snapshot of TWindowsAPI is invalidated.
void Reset();

// Registry. Key and value names keep their case and match without it; values
// keep creation order. Paths are full, from the root, with or without a
// leading backslash.
void MakeKey(RootKey root, const std::wstring& path);
void SetValue(RootKey root, const std::wstring& path, const std::wstring& name,
              RegistryDataType type, const std::vector<uint8_t>& data);
void SetString(RootKey root, const std::wstring& path, const std::wstring& name,
               const std::wstring& value);
void SetDWord(RootKey root, const std::wstring& path, const std::wstring& name, uint32_t value);
// Make the key refuse to open (as for a user without write rights).
void DenyKey(RootKey root, const std::wstring& path);
// Make the key and its subkeys open for reading only, as the machine's keys
// are for a user without administrator rights.
void MakeKeyReadOnly(RootKey root, const std::wstring& path, bool read_only = true);
// The world is 64-bit Windows, and the program in it a 64-bit one, unless
// told otherwise: the 32-bit view of a key under HKEY_LOCAL_MACHINE\Software
// is the same path under Software\Wow6432Node. The paths above are taken
// literally, in no view. Without views (32-bit Windows) every view is the one
// registry.
void SetRegistryViews(bool two_views);
// Both views see the one key at `path` (under HKEY_LOCAL_MACHINE) and below.
void ShareKey(const std::wstring& path);

// Files and folders. Paths are full ("C:\dir\file"); folders on the way are made.
void PutFile(const std::wstring& path, const std::string& content = {});
void MakeFolder(const std::wstring& path);
// Files can't be made or deleted in the folder, as in the all-users Startup
// folder for a user without administrator rights.
void MakeFolderReadOnly(const std::wstring& path);
// A folder entry that is a reparse point leading to `target` (a junction).
void MakeJunction(const std::wstring& path, const std::wstring& target);
std::string FileContent(const std::wstring& path);  // throws when missing
void SetCurrentDirectory(const std::wstring& path);
void SetWindowsDirectory(const std::wstring& path);
void SetOwnExecutable(const std::wstring& path);
void SetSearchOrder(const std::vector<std::wstring>& folders);
void SetKnownStartupFolder(bool all_users, const std::wstring& path);
void SetLocalAppDataFolder(const std::wstring& path);  // empty: the shell knows none
// FindExecutable: files with this extension (".txt") open with `program`.
void SetAssociation(const std::wstring& extension, const std::wstring& program);
void SetPlatformId(uint32_t id);
// Windows 8 and later (true, the default) or Windows 7 and earlier.
void SetStartupApprovalsHonoured(bool honoured);
// An environment variable, as ExpandEnvironment sees it (name without case).
void SetEnvironmentVariable(const std::wstring& name, const std::wstring& value);

// Shortcut files are plain files in the memory file system.
struct ShortcutData {
  std::wstring path, arguments, working_directory, description, icon_location;
  int icon_index = 0;
  uint16_t hot_key = 0;
  ShowCommand show_cmd = ShowCommand::Normal;
  std::wstring expandable_target;  // the environment data block's target
};
void PutShortcut(const std::wstring& file, const ShortcutData& data);
ShortcutData ReadShortcut(const std::wstring& file);  // throws when it is none

void SetVersionInfo(const std::wstring& file, const std::map<std::wstring, std::wstring>& strings,
                    const std::wstring& language);
void SetIconIndex(const std::wstring& file, int index);
// What CheckFileSignature answers for the file (not signed unless set).
void SetSignature(const std::wstring& file, const FileSignature& signature);
// How often CheckFileSignature and version information were read for the file.
int SignatureChecks(const std::wstring& file);

// Processes. A window may refuse a close request; otherwise a close request
// to a process's window ends the process.
struct FakeWindow {
  bool visible = true;
  bool has_parent = false;
  bool refuses_close = false;
};
uint32_t StartProcess(const std::wstring& path, const std::vector<FakeWindow>& windows = {});
// With an explicit id (0, 4, ...) and a raw module path ("" when unreadable).
void StartProcessWithId(uint32_t id, const std::wstring& path,
                        const std::vector<FakeWindow>& windows = {});
bool ProcessRunning(uint32_t id);
void StopProcess(uint32_t id);
// How many close requests each window of the process received.
std::vector<int> CloseRequests(uint32_t id);

// Records of what the shell was asked to do.
struct ShellOpenCall {
  std::wstring file, parameters, folder;
};
const std::vector<ShellOpenCall>& ShellOpenCalls();

// Elevation: whether this process counts as elevated (no by default), and
// what a start as administrator does. `answer` stands for the program that
// would be started (none: the user declines the prompt); every start is
// recorded with its program and command line.
struct ElevatedStart {
  std::wstring program, parameters;
  bool wait = false;
};
void SetRunsElevated(bool elevated);
void AnswerElevation(std::function<ElevatedRun(const ElevatedStart&)> answer);
const std::vector<ElevatedStart>& ElevatedStarts();
const std::vector<std::wstring>& PropertiesShown();

// A registered task; its definition text stands for the task when it is
// registered again (the memory scheduler reads no XML).
void PutTask(const ScheduledTask& task, const std::wstring& definition = {});
void PutService(const ServiceRecord& service);
// The service's start type can be read but not changed.
void LockService(const std::wstring& name);

// The next operation of this kind fails (once).
enum class Fault {
  RegistryOpen,    // the next OpenKey returns false
  RegistryRead,    // the next value read throws
  RegistryWrite,   // the next value write throws, or the next value delete fails
  ProfileRead,     // the next profile read fails: the default, or a throw for an update
  ProfileWrite,    // the next TIniFile::WriteString throws
  ProcessList,     // the next EnumerateProcesses throws
  ShellLink,       // the next shell link object cannot be created
  FileDelete,      // the next RemoveFile fails
  FileWrite,       // the next file write throws
  FileMove,        // the next MoveFileTo fails
  FileRead,        // the next ReadFileBytes finds nothing
  Scheduler,       // the next Task Scheduler call throws
  ServiceManager,  // the next service control manager call throws
};
void FailNext(Fault fault);
// The next write of this very file throws (once), whatever other files are
// written before it.
void FailNextWriteOf(const std::wstring& path);
// Forgets the faults that have not happened yet.
void ClearFaults();

}  // namespace korvane::memory
