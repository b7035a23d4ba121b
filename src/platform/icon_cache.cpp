// The shell's icon lookup costs far more than everything else the list does
// for a row, and the refresh shows the same files again and again.
#include <optional>
#include <unordered_map>

#include "platform/files.h"
#include "platform/shell.h"

namespace korvane {

namespace {

struct CachedIcon {
  std::optional<FileStamp> stamp;  // nothing: no file of that name
  int index = 0;
};

}  // namespace

int CachedIconIndex(const std::wstring& path) {
  static std::unordered_map<std::wstring, CachedIcon> cache;
  std::optional<FileStamp> stamp = ReadFileStamp(path);
  auto [found, added] = cache.try_emplace(path);
  if (added || found->second.stamp != stamp) found->second = {stamp, SystemIconIndex(path)};
  return found->second.index;
}

}  // namespace korvane
