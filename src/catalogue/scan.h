#pragma once
#include <string>

#include "catalogue/entry.h"
#include "platform/error.h"

namespace korvane {

struct StartupScan;

// Empties `list` and refills it from the 27 locations in scan order. When the
// platform layer throws, the rows added so far stay in `list` and the error
// goes on to the caller.
void ScanStartupList(StartupList& list);

// Thrown by the scan, after every other row is in the list, when the Task
// Scheduler or the service manager could not be read: their rows are
// missing. The text names each and says why.
class SourcesUnread : public PlatformError {
 public:
  using PlatformError::PlatformError;
};

// Adds the entries of `folder` (a full path ending in a backslash) and of its
// subfolders, in listing order; links to other folders are not followed.
void ScanStartupFolder(const std::wstring& folder, StartupScan& scan);

// The URL of a .url file; empty when it has none.
std::wstring ReadInternetShortcut(const std::wstring& file);

}  // namespace korvane
