#pragma once
// What every part of the Win32 backend shares: error texts that name the
// failed call, and system libraries loaded from the system folder only.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/registry.h"
#include "platform/win32/handles.h"

namespace korvane::win32 {

// The system's text for an error code, without the trailing line break.
std::wstring SystemMessage(DWORD error);

// Throws PlatformError: "<call> failed for <subject>: <system message>", or
// "<call> failed: <system message>" when the subject is empty.
[[noreturn]] void ThrowCallError(const wchar_t* call, const std::wstring& subject, DWORD error);

// A library of the system folder; never one that the program's own folder or
// the current directory could answer. Empty when it cannot be loaded.
Module LoadSystemLibrary(const wchar_t* name);

// A function of a loaded library; throws naming the function when it is missing.
template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  if (!proc)
    ThrowCallError(L"GetProcAddress", std::wstring(name, name + std::strlen(name)), GetLastError());
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

// Makes the system folder the only place from which this process loads
// libraries by name, its own folder and the current directory included.
// Called first thing in each program; systems without the call keep their
// search order.
void LoadLibrariesFromSystemFolderOnly();

// The predefined key of a root.
HKEY RootHandle(RootKey root);

// The system folder (where the system's DLLs are), without a trailing backslash.
std::wstring SystemDirectory();

// A 32-bit program on 64-bit Windows is shown the 32-bit system folder where
// a path names the system folder, but startup commands name the 64-bit
// programs' one, which it reaches through the Sysnative alias. The path by
// that alias, or empty for a path elsewhere (and in a 64-bit program).
std::wstring InSixtyFourBitSystemFolder(const std::wstring& path);

// The system folder of the system's own programs as this process reaches it:
// the system folder, or in a 32-bit program on 64-bit Windows its Sysnative
// alias. What the system's 64-bit services keep there (the Task Scheduler's
// definitions) is only found this way. No trailing backslash.
std::wstring NativeSystemDirectory();

// Calls `fill(buffer, capacity)` with a growing buffer until the text fits.
// `fill` returns the length it wrote, or a value of at least the capacity when
// the buffer was too small (the shapes of GetWindowsDirectory, SearchPath,
// GetModuleFileName and their kin), or 0 on failure.
template <typename Fill>
std::wstring ReadGrowing(Fill fill, DWORD capacity = MAX_PATH) {
  std::wstring buffer;
  for (;;) {
    buffer.assign(capacity, L'\0');
    DWORD length = fill(buffer.data(), capacity);
    if (length == 0) return {};
    // GetModuleFileName and its kin return the capacity when they cut; the
    // others return the size they need, terminator included.
    if (length < capacity - 1) {
      // Some calls count the terminator in their result.
      buffer.resize(length);
      buffer.resize(buffer.find(L'\0') == std::wstring::npos ? length : buffer.find(L'\0'));
      return buffer;
    }
    capacity = length >= capacity * 2 ? length + 1 : capacity * 2;
  }
}

}  // namespace korvane::win32
