#pragma once
// Text helpers shared by every layer. Case-insensitive comparison follows the
// user's locale on Windows (CompareStringW, NORM_IGNORECASE).
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
// The text in the ANSI code page; nothing when a character has no exact form
// there (it would be written as a question mark or a look-alike).
std::optional<std::string> ToAnsi(std::wstring_view text);

// Whole-string comparison without regard to letter case (user's locale).
bool SameText(std::wstring_view a, std::wstring_view b);
// Lower case by the user's locale, for finding text without regard to case.
std::wstring LowerCase(std::wstring_view text);
// Upper case of ASCII letters a..z only, as the instance marker wants it.
std::wstring AsciiUpper(std::wstring_view text);

bool StartsWith(std::wstring_view text, std::wstring_view prefix);
// True when the file name is `stem`, or `stem` and an extension ("app.exe"
// for "app"), whatever the case.
bool HasStem(std::wstring_view name, std::wstring_view stem);
bool EndsWith(std::wstring_view text, std::wstring_view suffix);
bool Contains(std::wstring_view text, std::wstring_view part);

// "C:\..." or "\\server\share\...": a path that means the same whatever the
// current folder.
bool IsAbsolutePath(std::wstring_view path);
// The text after the last backslash or colon.
std::wstring ExtractFileName(std::wstring_view path);
// The text up to and including the last backslash or colon.
std::wstring ExtractFilePath(std::wstring_view path);
// From the last "." after the last backslash or colon, dot included; empty when none.
std::wstring ExtractFileExt(std::wstring_view path);
// The file's name without folder and extension.
std::wstring ExtractFileTitle(std::wstring_view path);
std::wstring IncludeTrailingBackslash(std::wstring_view path);
std::wstring ExcludeTrailingBackslash(std::wstring_view path);

}  // namespace korvane
