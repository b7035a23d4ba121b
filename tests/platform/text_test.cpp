#include <gtest/gtest.h>

#include "platform/text.h"

namespace korvane {
namespace {

TEST(Text, Utf8RoundTripKeepsNonAsciiAndAstralCharacters) {
  const std::wstring samples[] = {
      L"", L"C:\\Users\\J\u00fcrgen\\app.exe", L"\u65e5\u672c\u8a9e",
      std::wstring(L"x") + static_cast<wchar_t>(0xD83D) + static_cast<wchar_t>(0xDE00)};
  for (const std::wstring& s : samples) {
    std::wstring round = FromUtf8(ToUtf8(s));
    if constexpr (sizeof(wchar_t) == 4) {
      // Natively the pair stays two code units; compare through UTF-8 instead.
      EXPECT_EQ(ToUtf8(round), ToUtf8(s));
    } else {
      EXPECT_EQ(round, s);
    }
  }
  EXPECT_EQ(ToUtf8(L"\u00e9"), "\xC3\xA9");
  EXPECT_EQ(FromUtf8("\xC3"), L"\uFFFD");  // cut sequence
}

TEST(Text, InvalidUtf8DecodesAsReplacementCharacters) {
  const std::wstring bad(1, L'\uFFFD');
  struct Case {
    std::string bytes;
    std::wstring text;
  } cases[] = {
      {"a\xC0\xAF"
       "b",
       L"a" + bad + bad + L"b"},                    // overlong "/"
      {std::string("\xC0\x80", 2), bad + bad},      // overlong NUL
      {"\xE0\x80\xAF", bad + bad + bad},            // overlong "/" in three bytes
      {"\xF0\x80\x80\xAF", bad + bad + bad + bad},  // and in four
      {"\xED\xA0\x80", bad + bad + bad},            // a surrogate
      {"\xF4\x90\x80\x80", bad + bad + bad + bad},  // beyond U+10FFFF
      {"\x80"
       "x\xFF",
       bad + L"x" + bad},
      {"\xC2\x80\xDF\xBF\xE0\xA0\x80", L"\u0080\u07FF\u0800"},  // the shortest forms stay
  };
  for (const Case& c : cases) EXPECT_EQ(FromUtf8(c.bytes), c.text) << c.bytes;
}

TEST(Text, PathPiecesSplitAtTheLastBackslashOrColon) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* folder;
    const wchar_t* ext;
    const wchar_t* title;
  } cases[] = {
      {L"C:\\Tools\\app.exe", L"app.exe", L"C:\\Tools\\", L".exe", L"app"},
      {L"C:app", L"app", L"C:", L"", L"app"},
      {L"C:\\dir.d\\noext", L"noext", L"C:\\dir.d\\", L"", L"noext"},
      {L"archive.tar.gz", L"archive.tar.gz", L"", L".gz", L"archive.tar"},
      {L"C:\\Tools\\My App.exe", L"My App.exe", L"C:\\Tools\\", L".exe", L"My App"},
      {L"C:\\Tools\\.profile", L".profile", L"C:\\Tools\\", L".profile", L""},
      {L"", L"", L"", L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
    EXPECT_EQ(ExtractFileTitle(c.path), c.title) << c.path;
  }
}

TEST(Text, SameTextIgnoresCaseOnly) {
  EXPECT_TRUE(SameText(L"C:\\WINDOWS\\Notepad.EXE", L"c:\\windows\\notepad.exe"));
  EXPECT_FALSE(SameText(L"a.exe", L"a.exe "));
  EXPECT_EQ(AsciiUpper(L"korvane.exe"), L"KORVANE.EXE");
}

}  // namespace
}  // namespace korvane
