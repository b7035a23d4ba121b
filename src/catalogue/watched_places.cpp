#include "catalogue/watched_places.h"

#include <algorithm>

#include "catalogue/location.h"
#include "catalogue/places/value_item.h"
#include "catalogue/scan.h"
#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

const wchar_t kApprovalsPart[] = L"approvals";

std::vector<WatchedParts> WatchedStartupPlaces() {
  std::vector<WatchedParts> watched;
  const auto add = [&watched](WatchedPlace place, const std::wstring& part) {
    auto same = std::find_if(watched.begin(), watched.end(),
                             [&place](const WatchedParts& w) { return w.place == place; });
    if (same == watched.end()) {
      watched.push_back({std::move(place), {part}});
    } else if (std::find(same->parts.begin(), same->parts.end(), part) == same->parts.end()) {
      same->parts.push_back(part);
    }
  };
  const auto key = [](RootKey root, std::wstring path, bool subtree = false) {
    return WatchedPlace{WatchedPlace::Kind::Key, root, std::move(path), subtree};
  };
  for (const StartupLocation& location : ScannedRegistryLocations()) {
    add(key(location.root, location.path), LocationText(location));
  }
  // A folder is watched with its subfolders: a shortcut in one is no entry,
  // but a folder renamed into place brings its files. Their Shell Folders
  // values are not watched: the shell writes them again whenever a folder's
  // path is asked for, the scan's own asking included.
  for (const StartupLocation& location : StartupFolderLocations()) {
    if (location.path.empty()) continue;
    add({WatchedPlace::Kind::Folder, location.root, ExcludeTrailingBackslash(location.path), true},
        kStartupFoldersPart);
  }
  // win.ini, and where Windows keeps its "load" and "run" lines instead.
  add({WatchedPlace::Kind::Folder, RootKey::CurrentUser, WindowsDirectory(), false}, kWinIniPart);
  add(key(RootKey::CurrentUser, L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"),
      kWinIniPart);
  for (const ValuePlace& place : ValuePlaces()) {
    for (const std::wstring& parent : ValuePlaceParents(place)) {
      add(key(place.root, parent, place.subkeys),
          ValuePlacePart(place.root, place.key, place.value));
    }
  }
  constexpr wchar_t kApproved[] =
      L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
  add(key(RootKey::CurrentUser, kApproved, true), kApprovalsPart);
  add(key(RootKey::LocalMachine, kApproved, true), kApprovalsPart);
  add({WatchedPlace::Kind::Tasks, RootKey::LocalMachine, L"", true}, kTaskSchedulerLocation);
  add({WatchedPlace::Kind::Services, RootKey::LocalMachine, L"", true}, kServicesLocation);
  return watched;
}

}  // namespace korvane
