#include <windows.h>

#include "platform/text.h"

namespace korvane {

bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::wstring LowerCase(std::wstring_view text) {
  std::wstring lower(text);
  if (!lower.empty()) CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  return lower;
}

std::optional<std::string> ToAnsi(std::wstring_view text) {
  if (text.empty()) return std::string();
  // A UTF-8 code page has a form for every character but refuses the
  // default-character check; there only a broken surrogate pair fails.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* check = utf8 ? nullptr : &used_default;
  const int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, check);
  if (size == 0 || used_default) return std::nullopt;
  std::string ansi(size, '\0');
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, ansi.data(), size, nullptr, check);
  return ansi;
}

}  // namespace korvane
