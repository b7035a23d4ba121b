// What the Win32 backend shares: reading texts whole from calls that take a
// buffer, error texts, and the system libraries, where they come from and when.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/lazy_libraries.h"
#include "platform/win32/system.h"

namespace korvane {
namespace {

// Behaves like a call of the given shape that has `text` to give.
enum class Shape { NeedsSizeWithTerminator, CutsAndReturnsCapacity, CountsTerminator };

DWORD Fill(Shape shape, const std::wstring& text, wchar_t* buffer, DWORD capacity) {
  const DWORD length = static_cast<DWORD>(text.size());
  switch (shape) {
    case Shape::NeedsSizeWithTerminator:  // GetWindowsDirectory, SearchPath
      if (length + 1 > capacity) return length + 1;
      break;
    case Shape::CutsAndReturnsCapacity:  // GetModuleFileName(Ex)
      if (length + 1 > capacity) {
        text.copy(buffer, capacity);
        return capacity;
      }
      break;
    case Shape::CountsTerminator:  // VerLanguageName in some versions
      if (length + 1 > capacity) {
        text.copy(buffer, capacity - 1);
        buffer[capacity - 1] = L'\0';
        return capacity;
      }
      text.copy(buffer, length);
      buffer[length] = L'\0';
      return length + 1;
  }
  text.copy(buffer, length);
  buffer[length] = L'\0';
  return length;
}

TEST(Win32System, TextsAreReadWholeWhateverTheCallReportsWhenCut) {
  for (Shape shape :
       {Shape::NeedsSizeWithTerminator, Shape::CutsAndReturnsCapacity, Shape::CountsTerminator}) {
    for (size_t length : {1u, 258u, 259u, 260u, 261u, 1000u, 40000u}) {
      const std::wstring text(length, L'p');
      int calls = 0;
      std::wstring read = win32::ReadGrowing([&](wchar_t* buffer, DWORD capacity) {
        ++calls;
        return Fill(shape, text, buffer, capacity);
      });
      EXPECT_EQ(read, text) << static_cast<int>(shape) << " " << length;
      EXPECT_LT(calls, 12);
    }
  }
  EXPECT_EQ(win32::ReadGrowing([](wchar_t*, DWORD) { return DWORD{0}; }), L"");
}

TEST(Win32System, ErrorsNameTheCallTheSubjectAndTheSystemMessage) {
  try {
    win32::ThrowCallError(L"RegSetValueExW", L"the registry value \"Run\"", ERROR_ACCESS_DENIED);
  } catch (const PlatformError& error) {
    const std::wstring text = error.Text();
    EXPECT_EQ(text.find(L"RegSetValueExW failed for the registry value \"Run\": "), 0u);
    EXPECT_EQ(text.substr(text.find(L": ") + 2), win32::SystemMessage(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(win32::SystemMessage(ERROR_ACCESS_DENIED).empty());
    EXPECT_NE(text.back(), L'\n');
  }
}

TEST(Win32System, SystemLibrariesComeFromTheSystemFolder) {
  win32::Module psapi = win32::LoadSystemLibrary(L"psapi.dll");
  ASSERT_TRUE(psapi);
  std::wstring path(1024, L'\0');
  path.resize(GetModuleFileNameW(psapi.get(), path.data(), 1024));
  EXPECT_EQ(path.rfind(win32::SystemDirectory() + L"\\", 0), 0u) << ToUtf8(path);
  EXPECT_FALSE(win32::LoadSystemLibrary(L"korvane-no-such-library.dll"));
}

// The libraries a program binds as it starts: the names in its import table.
std::vector<std::string> StartLibraries(const std::wstring& program) {
  const win32::Module image(LoadLibraryExW(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  if (!image) return {};
  const auto* base = reinterpret_cast<const BYTE*>(image.get());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  for (const auto* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name; ++entry) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  return names;
}

TEST(Win32System, TheProgramsStartWithoutTheShellOrTheCommonDialogs) {
  for (const wchar_t* program : {L"korvane.exe", L"korvanec.exe"}) {
    const std::vector<std::string> names =
        StartLibraries(ExtractFilePath(OwnExecutablePath()) + program);
    ASSERT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end())
        << ToUtf8(program);
    for (const char* late : {"shell32.dll", "comdlg32.dll"}) {
      EXPECT_EQ(std::find(names.begin(), names.end(), late), names.end())
          << ToUtf8(program) << " binds " << late;
    }
  }
  // Both come when first called.
  EXPECT_TRUE(win32::Shell().SHGetFileInfoW);
  EXPECT_TRUE(win32::CommonDialogs().CommDlgExtendedError);
}

}  // namespace
}  // namespace korvane
