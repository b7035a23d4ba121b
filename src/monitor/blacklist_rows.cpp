#include "monitor/blacklist_rows.h"

#include "monitor/blacklist.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace korvane {

std::vector<BlacklistRow> BlacklistRows() {
  std::vector<BlacklistRow> rows;
  for (std::wstring& name : ReadBlacklist().value_or(std::vector<std::wstring>{})) {
    BlacklistRow row{std::move(name)};
    row.found = FileExists(row.file_name);
    if (row.found) row.icon = CachedIconIndex(row.file_name);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::wstring BlacklistRowCaption(const BlacklistRow& row) {
  return row.found ? row.file_name : row.file_name + L" (file not found)";
}

void RemoveFromBlacklist(const std::vector<std::wstring>& file_names) {
  TRegistry reg;
  if (!reg.OpenKey(kBlacklistKey, true)) return;
  for (const std::wstring& name : file_names) reg.DeleteValue(name);
}

}  // namespace korvane
