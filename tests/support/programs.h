#pragma once
// The helper programs of the Windows suites, built next to the tests.
#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace korvane::testing {

// Full path of a helper program in the tests' own folder, e.g.
// HelperProgram(L"korvane_startup_program.exe").
std::wstring HelperProgram(const wchar_t* file_name);

// A running helper program. It is ended when the owner goes, so a failing
// test leaves nothing behind.
class StartedProgram {
 public:
  // Starts `program` with `options` and waits until it shows its window.
  explicit StartedProgram(
      const std::wstring& options = L"",
      const std::wstring& program = HelperProgram(L"korvane_startup_program.exe"));
  ~StartedProgram();
  StartedProgram(StartedProgram&&) = default;

  DWORD Id() const { return id_; }
  const std::wstring& Path() const { return program_; }
  // True when the program ended within `milliseconds`.
  bool WaitForExit(DWORD milliseconds) const;
  bool Running() const { return !WaitForExit(0); }
  DWORD ExitCode() const;

 private:
  std::wstring program_;
  win32::KernelHandle process_;
  DWORD id_ = 0;
};

// Runs a console program to its end and returns what it wrote to its output
// and its error output; its exit code in `exit_code` when given.
std::string RunAndCapture(const std::wstring& program, const std::wstring& arguments,
                          DWORD* exit_code = nullptr);

}  // namespace korvane::testing
