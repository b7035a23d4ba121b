#pragma once
// The blacklist: file names kept as empty REG_SZ values of one key.
#include <optional>
#include <string>
#include <vector>

namespace korvane {

extern const wchar_t kBlacklistKey[];

// Every name on the blacklist; nothing when its key cannot be opened (it is
// made when missing).
std::optional<std::vector<std::wstring>> ReadBlacklist();
// Adds the names (one value each, an existing name in any case stays one).
// False when the key cannot be opened; a failed write throws.
bool AddToBlacklist(const std::vector<std::wstring>& names);

}  // namespace korvane
