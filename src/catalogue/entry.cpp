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
  std::wstring operator()(const TaskSource& source) const {
    return L"T" + std::to_wstring(source.action) + L"|" + source.path;
  }
  std::wstring operator()(const ServiceSource& source) const { return L"S" + source.name; }
};

}  // namespace

std::wstring EntryIdentity(const StartupEntry& entry) {
  return AsciiUpper(entry.location + L"\n" + EntryPlace(entry));
}

std::wstring EntryPlace(const StartupEntry& entry) {
  return std::visit(IdentityOf{entry}, entry.source);
}

bool SamePlace(const StartupEntry& a, const StartupEntry& b) {
  if (a.source.index() != b.source.index()) return false;
  if (const auto* x = std::get_if<FolderSource>(&a.source)) {
    return SameText(x->path, std::get<FolderSource>(b.source).path);
  }
  if (const auto* x = std::get_if<RegistrySource>(&a.source)) {
    const auto& y = std::get<RegistrySource>(b.source);
    return x->root == y.root && x->view == y.view && SameText(x->key_path, y.key_path) &&
           SameText(x->value_name, y.value_name);
  }
  if (const auto* x = std::get_if<WinIniSource>(&a.source)) {
    const auto& y = std::get<WinIniSource>(b.source);
    return SameText(x->ini_path, y.ini_path) && SameText(x->key, y.key) &&
           x->position == y.position && x->word == y.word;
  }
  if (const auto* x = std::get_if<TaskSource>(&a.source)) {
    const auto& y = std::get<TaskSource>(b.source);
    return SameText(x->path, y.path) && x->action == y.action;
  }
  if (const auto* x = std::get_if<ServiceSource>(&a.source)) {
    return SameText(x->name, std::get<ServiceSource>(b.source).name);
  }
  return false;
}

}  // namespace korvane
