// korvanec: the console front end.
#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "cli/korvanec.h"
#include "platform/text.h"
#include "platform/win32/system.h"

namespace {

// A console shows text in its own code page, which is seldom UTF-8: it gets
// the text as UTF-16. A file or a pipe gets the UTF-8 bytes unchanged.
void Write(DWORD which, FILE* stream, const std::string& bytes) {
  HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring text = korvane::FromUtf8(bytes);
    // Older consoles refuse very large writes; a pair of surrogates is never split.
    constexpr size_t kChunk = 8192;
    for (size_t at = 0; at < text.size();) {
      size_t count = std::min(kChunk, text.size() - at);
      if (count == kChunk && IS_HIGH_SURROGATE(text[at + count - 1])) --count;
      DWORD written = 0;
      if (!WriteConsoleW(handle, text.data() + at, static_cast<DWORD>(count), &written, nullptr)) {
        return;
      }
      at += count;
    }
    return;
  }
  // Keep the CRT's newline translation out of the bytes.
  _setmode(_fileno(stream), _O_BINARY);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  korvane::win32::LoadLibrariesFromSystemFolderOnly();
  // Shortcuts are read through the shell's COM objects.
  CoInitialize(nullptr);
  korvane::SetLiveOutput([](const std::string& bytes) { Write(STD_OUTPUT_HANDLE, stdout, bytes); },
                         [](const std::string& bytes) { Write(STD_ERROR_HANDLE, stderr, bytes); });
  korvane::CommandResult result = korvane::RunKorvanec({argv + 1, argv + argc});
  CoUninitialize();
  Write(STD_OUTPUT_HANDLE, stdout, result.out);
  Write(STD_ERROR_HANDLE, stderr, result.err);
  return result.exit_code;
}
