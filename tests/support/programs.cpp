#include "support/programs.h"

#include <stdexcept>

#include "platform/files.h"
#include "platform/text.h"

namespace korvane::testing {

namespace {

struct WindowOf {
  DWORD id;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowOf*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->id && IsWindowVisible(window)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

// CreateProcess may write to the command line it is given.
win32::KernelHandle Start(const std::wstring& program, const std::wstring& arguments,
                          STARTUPINFOW& startup, BOOL inherit, DWORD* id) {
  std::wstring command = L"\"" + program + L"\" " + arguments;
  PROCESS_INFORMATION info = {};
  // Under a loaded Wine a start now and then fails for a moment: tried thrice.
  for (int tries = 0;; ++tries) {
    std::wstring line = command;
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, inherit, 0, nullptr,
                       nullptr, &startup, &info)) {
      break;
    }
    if (tries == 2) {
      throw std::runtime_error("cannot start " + ToUtf8(program) + ": error " +
                               std::to_string(GetLastError()));
    }
    Sleep(200);
  }
  win32::KernelHandle thread(info.hThread);
  if (id) *id = info.dwProcessId;
  return win32::KernelHandle(info.hProcess);
}

}  // namespace

std::wstring HelperProgram(const wchar_t* file_name) {
  return ExtractFilePath(OwnExecutablePath()) + file_name;
}

StartedProgram::StartedProgram(const std::wstring& options, const std::wstring& program)
    : program_(program) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  process_ = Start(program, options, startup, FALSE, &id_);
  WindowOf search{id_, false};
  for (int tries = 0; tries < 200 && !search.found && Running(); ++tries) {
    Sleep(50);
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
  }
  if (!search.found) throw std::runtime_error("the helper program showed no window");
}

StartedProgram::~StartedProgram() {
  if (process_ && Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForExit(5000);
  }
}

bool StartedProgram::WaitForExit(DWORD milliseconds) const {
  return WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD StartedProgram::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

std::string RunAndCapture(const std::wstring& program, const std::wstring& arguments,
                          DWORD* exit_code) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  win32::KernelHandle read_end, write_end;
  if (!CreatePipe(read_end.put(), write_end.put(), &inheritable, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  win32::KernelHandle process = Start(program, arguments, startup, TRUE, nullptr);
  write_end.reset();  // so that the read ends when the program does
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read_end.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    output.append(buffer, got);
  }
  WaitForSingleObject(process.get(), 30000);
  if (exit_code && !GetExitCodeProcess(process.get(), exit_code)) *exit_code = ~0u;
  return output;
}

}  // namespace korvane::testing
