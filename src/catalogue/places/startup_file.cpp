#include "catalogue/places/startup_file.h"

#include <algorithm>
#include <unordered_map>

#include "catalogue/approval.h"
#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "catalogue/scan.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

namespace {

const FolderSource& File(const StartupEntry& row) {
  return std::get<FolderSource>(row.source);
}

// What a shortcut starts, as last read from a file of that stamp.
struct ReadShortcut {
  std::optional<FileStamp> stamp;
  bool loaded = false;
  std::wstring target, arguments, working_folder;
};

// Loading a shortcut costs the shell far more than a look at the file's
// stamp: an unchanged shortcut is read once for as long as the program runs.
const ReadShortcut& Shortcut(const std::wstring& path, StartupScan& scan) {
  static std::unordered_map<std::wstring, ReadShortcut> read;
  std::optional<FileStamp> stamp = ReadFileStamp(path);
  auto [found, added] = read.try_emplace(path);
  ReadShortcut& shortcut = found->second;
  if (added || !stamp || shortcut.stamp != stamp) {
    TLMDShellLink& link = scan.ShellLink();
    shortcut = {stamp, link.LoadShellLink(path, 0), link.Path + link.FileName, link.Arguments,
                link.WorkingDirectory};
    // A target kept with its environment references starts where they lead.
    if (shortcut.loaded && !link.ExpandableTarget.empty()) {
      shortcut.target = ExpandEnvironment(link.ExpandableTarget);
    }
  }
  return shortcut;
}

// Whether `path` is a file in `folder` or a folder below it.
bool InFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty()) return false;
  const std::wstring base = IncludeTrailingBackslash(folder);
  if (path.size() <= base.size() || !SameText(path.substr(0, base.size()), base)) return false;
  // No way back out of it, and no stream of another file.
  const std::wstring rest = L"\\" + path.substr(base.size()) + L"\\";
  return rest.find(L"\\..\\") == std::wstring::npos && rest.find(L"\\.\\") == std::wstring::npos &&
         rest.find_first_of(L"/:") == std::wstring::npos;
}

PutBackResult Taken(std::wstring reason) {
  return {PutBackResult::Taken, std::move(reason), {}};
}

class StartupFileKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry&) const override { return L"folder"; }

  std::wstring Place(const StartupEntry& row) const override { return L"F" + File(row).path; }

  bool SamePlace(const StartupEntry& a, const StartupEntry& b) const override {
    return SameText(File(a).path, File(b).path);
  }

  bool StillThere(const StartupEntry& row) const override { return FileExists(File(row).path); }

  bool Occupied(const StartupEntry& row) const override {
    return FileExists(File(row).path) || FolderExists(File(row).path);
  }

  bool Capture(EntryCopy& copy, std::wstring& reason) const override {
    const std::wstring& path = File(copy.record.row).path;
    // The times first: reading the bytes may set the last access.
    std::optional<FileTimes> times = ReadFileTimes(path);
    std::optional<std::string> bytes = times ? ReadFileBytes(path) : std::nullopt;
    if (!bytes) {
      reason = FileExists(path) ? L"The file " + path + L" cannot be read."
                                : L"The entry is no longer in its location.";
      return false;
    }
    copy.bytes = std::move(*bytes);
    copy.record.times = *times;
    return true;
  }

  bool KeepsBytes() const override { return true; }

  bool Remove(const StartupEntry& row) const override {
    const std::wstring& path = File(row).path;
    return !FileExists(path) || RemoveFile(path) || !FileExists(path);
  }

  PutBackResult PutBack(const EntryCopy& copy, TakenPlace taken) const override {
    const FolderSource& file = File(copy.record.row);
    std::wstring path = file.path;
    std::optional<std::string> there = ReadFileBytes(path);
    const bool occupied = FileExists(path) || FolderExists(path);
    if (occupied && there != copy.bytes) {
      if (taken == TakenPlace::Refuse || FolderExists(path)) {
        return Taken(L"Another file of that name is in its folder now.");
      }
      if (taken == TakenPlace::Rename) {
        const std::wstring folder = IncludeTrailingBackslash(ExtractFilePath(file.path));
        const std::wstring name = ExtractFileName(file.path);
        for (int n = 2;; ++n) {
          path = folder + NumberedName(WithoutExtension(name), n, ExtractFileExt(name));
          there = ReadFileBytes(path);
          if (there == copy.bytes || (!FileExists(path) && !FolderExists(path))) break;
        }
      }
    }
    if (there != copy.bytes) {
      CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(path)));
      // A file written over is replaced whole, never left half written.
      ReplaceFileBytes(path, copy.bytes);
      WriteFileTimes(path, copy.record.times);
    }
    StartupEntry row = copy.record.row;
    const std::wstring name = ExtractFileName(path);
    if (SameText(row.file_name, file.path)) row.file_name = path;
    row.name = SameText(ExtractFileExt(name), L".lnk") ? WithoutExtension(name) : name;
    std::get<FolderSource>(row.source).path = path;
    return {PutBackResult::Done, {}, std::move(row)};
  }

  bool Restorable(const StartupEntry& row) const override { return IsAbsolutePath(File(row).path); }

  bool NamesStartupPlace(const StartupEntry& row,
                         const std::vector<StartupLocation>& places) const override {
    const std::wstring& path = File(row).path;
    return std::any_of(places.begin(), places.end(), [&path](const StartupLocation& place) {
      return place.kind == StartupLocationKind::StartupFolderLocation && InFolder(path, place.path);
    });
  }

  std::optional<ApprovalPlace> Approval(const StartupEntry& row,
                                        const GovernedFolders* folders) const override {
    return folders ? ApprovalPlaceOfFile(File(row), *folders)
                   : ApprovalPlaceOfFile(File(row), GovernedFolders{});
  }

  bool NeedsAdministrator(const StartupEntry& row) const override {
    return !MayChangeFolder(ExtractFilePath(File(row).path));
  }

  JumpPlace Jump(const StartupEntry& row) const override {
    return {JumpPlace::Kind::FolderItem, File(row).path};
  }

  // An Internet shortcut.
  bool OpensPage(const StartupEntry& row) const override {
    return SameText(ExtractFileExt(File(row).path), L".url");
  }

  bool CanWriteBack(const StartupEntry& before, const StartupEntry& now) const override {
    return File(before).shortcut && File(now).shortcut && !File(before).target.empty();
  }

  // The shortcut keeps what the snapshot does not hold (its description);
  // target, arguments and working folder are the snapshot's.
  void WriteBack(const StartupEntry& before, const StartupEntry& now) const override {
    const FolderSource &was = File(before), &is = File(now);
    TLMDShellLink link;
    std::wstring description;
    if (link.LoadShellLink(is.path)) description = link.Description;
    CreateStartupShortcut(was.target, is.path, description, was.arguments, was.working_folder);
  }
};

}  // namespace

const PlaceKind& StartupFilePlace() {
  static const StartupFileKind kind;
  return kind;
}

std::wstring ReadInternetShortcut(const std::wstring& file) {
  return TIniFile(file).ReadString(L"InternetShortcut", L"URL", L"");
}

void ListStartupFolder(const std::wstring& folder, StartupScan& scan) {
  std::wstring location = ExcludeTrailingBackslash(folder);
  for (const FolderItem& item : ListFolder(folder)) {
    const std::wstring& name = item.name;
    if (item.is_folder) {
      // A junction may lead back up the tree: only real subfolders are entered.
      if (name != L"." && name != L".." && !item.is_reparse_point) {
        ListStartupFolder(folder + name + L"\\", scan);
      }
      continue;
    }
    std::wstring extension = ExtractFileExt(name);
    if (extension == L".lnk") {
      const ReadShortcut& shortcut = Shortcut(folder + name, scan);
      if (!shortcut.loaded) continue;
      // A target that is gone is listed as the shortcut names it.
      std::wstring target = ResolveProgramFile(shortcut.target);
      if (!target.empty()) {
        FolderSource source{folder + name, true, shortcut.target, shortcut.arguments,
                            shortcut.working_folder};
        scan.Add(name, std::move(target), shortcut.arguments, location, std::move(source));
      }
    } else if (extension == L".url") {
      scan.Add(name, ResolveProgramFile(ReadInternetShortcut(folder + name)), L"", location,
               FileSource(folder + name));
    } else if (name != L"desktop.ini" && name != L"thumbs.db") {
      scan.Add(name, folder + name, L"", location, FileSource(folder + name));
    }
  }
}

}  // namespace korvane
