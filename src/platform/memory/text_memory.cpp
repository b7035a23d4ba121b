#include <cstdint>
#include <cwctype>

#include "platform/text.h"

namespace korvane {

bool SameText(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

std::wstring LowerCase(std::wstring_view text) {
  std::wstring lower(text);
  // The C locale lowers ASCII only; the world's Latin-1 letters too.
  for (wchar_t& c : lower) {
    c = (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? static_cast<wchar_t>(c + 0x20)
                                              : static_cast<wchar_t>(std::towlower(c));
  }
  return lower;
}

// The memory world's ANSI code page is Latin-1: one byte for each character
// up to U+00FF, nothing else.
std::optional<std::string> ToAnsi(std::wstring_view text) {
  std::string ansi;
  for (wchar_t c : text) {
    if (static_cast<uint32_t>(c) > 0xFF) return std::nullopt;
    ansi += static_cast<char>(c);
  }
  return ansi;
}

}  // namespace korvane
