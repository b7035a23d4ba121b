#include "monitor/blacklist_store.h"

#include "platform/registry.h"

namespace korvane {

const wchar_t kBlacklistKey[] = L"\\Software\\Korvane\\blacklist";

std::optional<std::vector<std::wstring>> ReadBlacklist() {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return std::nullopt;
  return reg.GetValueNames();
}

bool AddToBlacklist(const std::vector<std::wstring>& file_names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return false;
  for (const std::wstring& name : file_names) reg.WriteString(name, L"");
  return true;
}

void RemoveFromBlacklist(const std::vector<std::wstring>& file_names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return;
  for (const std::wstring& name : file_names) reg.DeleteValue(name);
}

}  // namespace korvane
