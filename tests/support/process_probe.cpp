// korvane_process_probe: asks the process service from a program of its own,
// so that a test can run it under another Windows version than its own (the
// version Wine reports is chosen per program name).
//
//   korvane_process_probe PATH [/terminate]
//
// Prints, one per line: "platform <id>", "processes <count>", "found <index
// of PATH>", "found-name <index of PATH's file name>" and, with /terminate,
// "ended <count>" after ending the last process of PATH. On an error it
// prints "error <text>" and exits with 2.
#include <cstdio>
#include <string>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/text.h"

using namespace korvane;

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  const std::wstring path = argv[1];
  const bool terminate = argc > 2 && std::wstring(argv[2]) == L"/terminate";
  try {
    TWindowsAPI& api = TWindowsAPI::Instance();
    std::printf("platform %u\n", static_cast<unsigned>(PlatformId()));
    std::printf("processes %zu\n", api.GetProcessFileNames().size());
    std::printf("found %d\n", api.FindProcessFile(path));
    std::printf("found-name %d\n", api.FindProcessFile(ExtractFileName(path)));
    if (terminate)
      std::printf("ended %d\n", api.EndProcessByFileName(path, false, EndMode::Terminate));
  } catch (const PlatformError& error) {
    std::printf("error %s\n", error.what());
    return 2;
  }
  return 0;
}
