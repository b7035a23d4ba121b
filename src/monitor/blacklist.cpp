#include "monitor/blacklist.h"

#include "platform/registry.h"

namespace korvane {

const wchar_t kBlacklistKey[] = L"\\Software\\Korvane\\blacklist";

std::optional<std::vector<std::wstring>> ReadBlacklist() {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return std::nullopt;
  return reg.GetValueNames();
}

bool AddToBlacklist(const std::vector<std::wstring>& names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return false;
  for (const std::wstring& name : names) reg.WriteString(name, L"");
  return true;
}

}  // namespace korvane
