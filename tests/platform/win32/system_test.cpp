// Reading texts whole from calls that take a buffer: the shapes in which the
// system's calls report a buffer that was too small.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/text.h"
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

}  // namespace
}  // namespace korvane
