#include "catalogue/rights.h"

#include "catalogue/places/place_kind.h"
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
  return PlaceOf(row).NeedsAdministrator(row);
}

}  // namespace korvane
