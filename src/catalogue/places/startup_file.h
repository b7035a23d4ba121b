#pragma once
// A file in a Startup folder or one of its subfolders: a program, a
// shortcut to one, an Internet shortcut. The shell opens each at logon.
#include <string>

#include "catalogue/places/place_kind.h"

namespace korvane {

struct StartupScan;

const PlaceKind& StartupFilePlace();

// Adds the entries of `folder` (a full path ending in a backslash) and of its
// subfolders, in listing order; links to other folders are not followed.
void ListStartupFolder(const std::wstring& folder, StartupScan& scan);

// The URL of a .url file; empty when it has none.
std::wstring ReadInternetShortcut(const std::wstring& file);

}  // namespace korvane
