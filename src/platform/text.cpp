#include "platform/text.h"

#include <algorithm>

namespace korvane {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendWide(std::wstring& out, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (c >> 10));
      out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(c);
}

size_t PathSplit(std::wstring_view path) {
  size_t pos = path.find_last_of(L"\\:");
  return pos == std::wstring_view::npos ? 0 : pos + 1;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;  // a lone surrogate cannot be written as UTF-8
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::wstring FromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + extra < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char n = static_cast<unsigned char>(text[i + k]);
      if ((n & 0xC0) != 0x80) {
        ok = false;
      } else {
        c = (c << 6) | (n & 0x3F);
      }
    }
    // An overlong form (C0 AF for "/", C0 80 for NUL) would smuggle in a
    // character that a check of the bytes never saw.
    constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || c < kShortest[std::max(extra, 0)] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      AppendWide(out, 0xFFFD);
      ++i;
      continue;
    }
    AppendWide(out, c);
    i += extra + 1;
  }
  return out;
}

std::wstring AsciiUpper(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return out;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool HasStem(std::wstring_view name, std::wstring_view stem) {
  if (name.size() > stem.size() && name[stem.size()] != L'.') return false;
  return name.size() >= stem.size() && SameText(name.substr(0, stem.size()), stem);
}

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool Contains(std::wstring_view text, std::wstring_view part) {
  return text.find(part) != std::wstring_view::npos;
}

bool IsAbsolutePath(std::wstring_view path) {
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (path.size() >= 3 && path[1] == L':' && separator(path[2])) return true;
  return path.size() >= 2 && separator(path[0]) && separator(path[1]);
}

std::wstring ExtractFileName(std::wstring_view path) {
  return std::wstring(path.substr(PathSplit(path)));
}

std::wstring ExtractFilePath(std::wstring_view path) {
  return std::wstring(path.substr(0, PathSplit(path)));
}

std::wstring ExtractFileExt(std::wstring_view path) {
  size_t start = PathSplit(path);
  size_t dot = path.rfind(L'.');
  if (dot == std::wstring_view::npos || dot < start) return {};
  return std::wstring(path.substr(dot));
}

std::wstring ExtractFileTitle(std::wstring_view path) {
  std::wstring name = ExtractFileName(path);
  name.resize(name.size() - ExtractFileExt(path).size());
  return name;
}

std::wstring IncludeTrailingBackslash(std::wstring_view path) {
  std::wstring out(path);
  if (out.empty() || out.back() != L'\\') out += L'\\';
  return out;
}

std::wstring ExcludeTrailingBackslash(std::wstring_view path) {
  std::wstring out(path);
  if (!out.empty() && out.back() == L'\\') out.pop_back();
  return out;
}

}  // namespace korvane
