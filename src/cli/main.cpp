// korvanec: the console front end.
#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>

#include "cli/list_command.h"

namespace {

void WriteBytes(FILE* stream, const std::string& bytes) {
  // The bytes are UTF-8 already: keep the console code page and the CRT's
  // newline translation out of them.
  _setmode(_fileno(stream), _O_BINARY);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Shortcuts are read through the shell's COM objects.
  CoInitialize(nullptr);
  korvane::CommandResult result = korvane::RunKorvanec({argv + 1, argv + argc});
  CoUninitialize();
  WriteBytes(stdout, result.out);
  WriteBytes(stderr, result.err);
  return result.exit_code;
}
