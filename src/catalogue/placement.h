#pragma once
#include <string>

#include "platform/registry.h"

namespace korvane {

// The registry data that starts `file_name` with `parameters`: a file name
// with a blank is quoted so that Windows cannot start a shorter path; with
// parameters the quoted file name, one blank, and the parameters as typed.
std::wstring RegistryCommand(const std::wstring& file_name, const std::wstring& parameters);

// Writes a REG_SZ value named `title` into the key (created when missing).
// False, writing nothing, when the key cannot be opened or created.
bool PlaceRegistryEntry(RootKey root, const std::wstring& key_path, const std::wstring& title,
                        const std::wstring& file_name, const std::wstring& parameters);
// Writes `title`.lnk into the current user's or the all-users Startup folder.
// Throws PlatformError when the folder is not known.
void PlaceStartupFolderEntry(bool current_user, const std::wstring& title,
                             const std::wstring& file_name, const std::wstring& parameters);

// The text shown when a file name with a blank is refused for win.ini.
extern const wchar_t kWinIniSpacesMessage[];
// Appends the file name to win.ini's "load" (load_key) or "run" key. Returns
// false, writing nothing, when the file name holds a blank: the caller then
// shows kWinIniSpacesMessage. A key that cannot be read, or written, throws
// and is left as it was.
bool PlaceWinIniEntry(bool load_key, const std::wstring& file_name);

}  // namespace korvane
