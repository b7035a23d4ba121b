#include "monitor/blacklist_store.h"

#include "platform/registry.h"

namespace korvane {

const wchar_t kBlacklistKey[] = L"\\Software\\Korvane\\blacklist";

std::vector<std::wstring> ReadBlacklist() {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return {};
  return reg.GetValueNames();
}

void AddToBlacklist(const std::vector<std::wstring>& file_names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return;
  for (const std::wstring& name : file_names) reg.WriteString(name, L"");
}

void RemoveFromBlacklist(const std::vector<std::wstring>& file_names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return;
  for (const std::wstring& name : file_names) reg.DeleteValue(name);
}

}  // namespace korvane
