#include "catalogue/rights.h"

#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"

namespace korvane {

const wchar_t kNeedsAdministrator[] = L"This change needs administrator rights.";

bool KeyNeedsAdministrator(RootKey root, RegistryView view, const std::wstring& path) {
  for (std::wstring at = path;;) {
    TRegistry reg(view);
    reg.SetRootKey(root);
    if (reg.OpenKeyReadOnly(at)) return !reg.OpenKey(at, false);
    // A key that can't even be read is not a question of rights to change it.
    if (reg.KeyExists(at)) return false;
    const size_t cut = at.rfind(L'\\');
    if (cut == std::wstring::npos || cut == 0) return false;
    at.erase(cut);
  }
}

bool NeedsAdministrator(const StartupEntry& row) {
  if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
    return KeyNeedsAdministrator(value->root, value->view, value->key_path);
  }
  if (const auto* file = std::get_if<FolderSource>(&row.source)) {
    return !MayChangeFolder(ExtractFilePath(file->path));
  }
  if (const auto* service = std::get_if<ServiceSource>(&row.source)) {
    return !MayConfigureService(service->name);
  }
  return false;
}

}  // namespace korvane
