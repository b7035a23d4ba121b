#include "catalogue/removal.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/location.h"
#include "catalogue/places/place_kind.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

bool RemoveStartupEntry(const StartupEntry& row) {
  try {
    if (!PlaceOf(row).Remove(row)) return false;
    // Its approval goes with it, so that a later entry of its name is not
    // born switched off.
    ClearApproval(row);
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

RemovalWay RemovalWayOf(RemovalSource source) {
  return source == RemovalSource::NewEntriesList ? RemovalWay::DeletedAsNew
         : source == RemovalSource::Blacklist    ? RemovalWay::Blacklisted
                                                 : RemovalWay::Deleted;
}

void EndEntryProgram(const StartupEntry& row, RemovalSource source) {
  TWindowsAPI& processes = TWindowsAPI::Instance();
  if (processes.FindProcessFile(row.file_name) != -1) {
    processes.EndProcessByFileName(
        row.file_name, false,
        source == RemovalSource::NewEntriesList ? EndMode::Terminate : EndMode::Close);
  }
}

RemovalResult DeleteStartupEntry(const StartupEntry& row, RemovalSource source) {
  // The program is ended even when its entry could not be removed.
  RemovalResult gone = RecordAndRemove(row, RemovalWayOf(source));
  EndEntryProgram(row, source);
  return gone;
}

}  // namespace korvane
