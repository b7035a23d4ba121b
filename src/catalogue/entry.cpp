#include "catalogue/entry.h"

#include "platform/text.h"

namespace korvane {

namespace {

// Registry value names, paths and win.ini words are all told apart by the
// system without regard to case.
struct IdentityOf {
  const StartupEntry& entry;
  std::wstring operator()(const std::monostate&) const { return L"?" + entry.name; }
  std::wstring operator()(const RegistrySource& source) const { return L"R" + source.value_name; }
  std::wstring operator()(const FolderSource& source) const { return L"F" + source.path; }
  std::wstring operator()(const WinIniSource& source) const {
    return L"I" + std::to_wstring(source.occurrence) + L"|" + source.word;
  }
};

}  // namespace

std::wstring EntryIdentity(const StartupEntry& entry) {
  return AsciiUpper(entry.location + L"\n" + std::visit(IdentityOf{entry}, entry.source));
}

}  // namespace korvane
