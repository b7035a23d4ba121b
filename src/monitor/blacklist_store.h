#pragma once
// The blacklist: programs that must never start on their own, kept as the
// value names of one registry key (one empty REG_SZ value per file name).
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// Below HKEY_CURRENT_USER; whoever opens it first creates it.
extern const wchar_t kBlacklistKey[];

// The names in the registry's enumeration order; nothing when the key cannot
// be opened or created.
std::optional<std::vector<std::wstring>> ReadBlacklist();
// Adds each name; a name already there in any letter case stays one value.
// False when the key cannot be opened or created.
bool AddToBlacklist(const std::vector<std::wstring>& file_names);
// Deletes each name that is there.
void RemoveFromBlacklist(const std::vector<std::wstring>& file_names);

}  // namespace korvane
