#include "catalogue/moves.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/placement.h"
#include "catalogue/removal.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

namespace {

constexpr wchar_t kNoLongerThere[] = L"The entry is no longer in its location.";

StartupLocation Key(RootKey root, const wchar_t* name) {
  return {StartupLocationKind::RegistryKeyLocation,
          root,
          std::wstring(L"\\Software\\Microsoft\\Windows\\CurrentVersion\\") + name,
          {}};
}

StartupLocation Folder(StartupFolder folder) {
  return {StartupLocationKind::StartupFolderLocation,
          folder == StartupFolder::AllUsers ? RootKey::LocalMachine : RootKey::CurrentUser,
          StartupFolderPath(folder),
          {}};
}

// "Tool", "Tool (2)", "Tool (3)"...; the default value's stand-ins are "(2)"...
std::wstring NumberedName(const std::wstring& base, int n, const std::wstring& extension) {
  if (n == 1) return base + extension;
  std::wstring number = L"(" + std::to_wstring(n) + L")";
  return (base.empty() ? number : base + L" " + number) + extension;
}

std::wstring WithoutExtension(const std::wstring& name) {
  return name.substr(0, name.size() - ExtractFileExt(name).size());
}

// Registry value names may hold any character; a file name may not.
std::wstring SafeFileName(std::wstring name) {
  for (wchar_t& c : name) {
    if (c < L' ' || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
  }
  return name;
}

// String data up to its first NUL, as the scan reads it; other data whole.
std::vector<uint8_t> Meaningful(const RegistryValue& value) {
  std::vector<uint8_t> data = value.data;
  if (value.type == RegistryDataType::String || value.type == RegistryDataType::ExpandString) {
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
      if (data[i] == 0 && data[i + 1] == 0) {
        data.resize(i);
        break;
      }
    }
    if (data.size() % 2 != 0) data.pop_back();
  }
  return data;
}

RowMove Moved(std::wstring written, bool same_entry) {
  return {MoveOutcome::Moved, std::move(written), same_entry, {}};
}

RowMove NotMoved(std::wstring reason) {
  return {MoveOutcome::NotMoved, {}, false, std::move(reason)};
}

// What a shortcut holds, all of it.
struct ShortcutFields {
  std::wstring path, arguments, working_directory, description, icon_location;
  int icon_index = 0;
  uint16_t hot_key = 0;
  ShowCommand show_cmd = ShowCommand::Normal;
  bool operator==(const ShortcutFields&) const = default;
};

class Mover {
 public:
  explicit Mover(StartupLocation target)
      : target_(std::move(target)), target_text_(LocationText(target_)) {}

  // The first pass for one row.
  RowMove Write(const StartupEntry& row) {
    if (SameText(ExcludeTrailingBackslash(row.location), target_text_)) {
      return {MoveOutcome::AlreadyThere, {}, false, {}};
    }
    if (std::holds_alternative<std::monostate>(row.source)) return NotMoved(kNoLongerThere);
    // A switched-off entry stays off where it goes, and only the Run keys and
    // the Startup folders keep that state.
    if (!row.enabled && !(StartupApprovalsHonoured() && TargetApproval(L"x"))) {
      return NotMoved(
          L"The entry is switched off, and the target keeps no such state. Switch it on first, "
          L"or move it to a Run key or a Startup folder.");
    }
    RowMove moved =
        target_.kind == StartupLocationKind::RegistryKeyLocation ? ToKey(row) : ToFolder(row);
    if (moved.outcome != MoveOutcome::Moved) return moved;
    if (row.enabled) {
      // What an earlier entry of that name left must not switch this one off.
      if (!moved.same_entry) {
        if (std::optional<ApprovalPlace> place = TargetApproval(moved.written)) {
          DeleteApproval(*place);
        }
      }
      return moved;
    }
    try {
      WriteApproval(*TargetApproval(moved.written), false);
    } catch (const PlatformError& error) {
      // Never leave a copy that would start: the new item goes again.
      if (Created(moved.written)) {
        TakeBack(moved.written);
      } else if (const auto* item = std::get_if<FolderSource>(&row.source)) {
        MoveFileTo(moved.written, item->path);
      }
      return NotMoved(error.Text());
    }
    return moved;
  }

  // Where the approval of an entry written to the target lives: `written` is
  // a value name, or a file's full path.
  std::optional<ApprovalPlace> TargetApproval(const std::wstring& written) const {
    StartupEntry probe;
    if (target_.kind == StartupLocationKind::RegistryKeyLocation) {
      probe.source = RegistrySource{target_.root, RegistryView::Bits64, target_.path, written};
    } else {
      probe.source = FolderSource{
          Contains(written, L"\\") ? written : IncludeTrailingBackslash(target_.path) + written};
    }
    return ApprovalPlaceOf(probe);
  }

  // True when the first pass made `written` as a new item (not a moved file).
  bool Created(const std::wstring& written) const {
    return target_.kind == StartupLocationKind::RegistryKeyLocation ||
           std::find(moved_files_.begin(), moved_files_.end(), written) == moved_files_.end();
  }

  // Removes a new item again; true when it is gone.
  bool TakeBack(const std::wstring& written) {
    try {
      if (target_.kind == StartupLocationKind::StartupFolderLocation) {
        return RemoveFile(written) || !FileExists(written);
      }
      TRegistry reg;
      reg.SetRootKey(target_.root);
      return reg.OpenKey(target_.path, false) &&
             (reg.DeleteValue(written) || !reg.ValueExists(written));
    } catch (const PlatformError&) {
      return false;
    }
  }

 private:
  RowMove ToKey(const StartupEntry& row) {
    // Between keys the value travels as it is stored; from elsewhere it is
    // built from the row as a new entry would be.
    std::optional<RegistryValue> copy;
    std::wstring name, text;
    if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
      TRegistry reg(value->view);
      reg.SetRootKey(value->root);
      if (reg.OpenKey(value->key_path, false)) copy = reg.ReadValue(value->value_name);
      if (!copy) return NotMoved(kNoLongerThere);
      name = value->value_name;
    } else {
      if (const auto* item = std::get_if<FolderSource>(&row.source)) {
        const std::wstring& file = item->path;
        if (!FileExists(file)) return NotMoved(kNoLongerThere);
        // The move would remove the very file that the new value starts.
        if (SameText(row.file_name, file)) {
          return NotMoved(
              L"The file in the Startup folder is the program itself; a registry value "
              L"cannot take its place. It can be moved to the other Startup folder.");
        }
      }
      name = WithoutExtension(ExtractFileName(row.name));
      text = RegistryCommand(row.file_name, row.parameters);
    }

    TRegistry reg;
    reg.SetRootKey(target_.root);
    if (!reg.OpenKey(target_.path, true)) {
      return NotMoved(L"The key " + target_text_ + L" cannot be opened.");
    }
    for (int n = 1;; ++n) {
      std::wstring candidate = NumberedName(name, n, L"");
      std::optional<RegistryValue> there = reg.ReadValue(candidate);
      if (!there) {
        if (copy) {
          reg.WriteValue(candidate, *copy);
        } else {
          reg.WriteString(candidate, text);
        }
        return Moved(candidate, false);
      }
      bool same =
          copy ? there->type == copy->type && Meaningful(*there) == Meaningful(*copy)
               : there->type == RegistryDataType::String && reg.ReadString(candidate) == text;
      if (same) return Moved(candidate, true);
    }
  }

  RowMove ToFolder(const StartupEntry& row) {
    if (target_.path.empty()) return NotMoved(L"The Startup folder is not known.");
    const std::wstring folder = IncludeTrailingBackslash(target_.path);
    if (const auto* item = std::get_if<FolderSource>(&row.source)) {
      // The file itself moves, so a shortcut keeps every field it has.
      const std::wstring& from = item->path;
      if (!FileExists(from)) return NotMoved(kNoLongerThere);
      const std::wstring file_name = ExtractFileName(from);
      std::wstring extension = ExtractFileExt(file_name);
      bool shortcut = SameText(extension, L".lnk");
      std::optional<ShortcutFields> moving;
      for (int n = 1;; ++n) {
        std::wstring candidate = folder + NumberedName(WithoutExtension(file_name), n, extension);
        if (!FileExists(candidate) && !FolderExists(candidate)) {
          if (!MoveFileTo(from, candidate)) {
            return NotMoved(L"The file cannot be moved to " + target_text_ + L".");
          }
          moved_files_.push_back(candidate);
          return Moved(candidate, false);
        }
        if (!shortcut) continue;
        if (!moving) moving = LoadShortcut(from);
        if (moving && LoadShortcut(candidate) == moving) return Moved(candidate, true);
      }
    }

    // A new shortcut, always with the extension that makes it one.
    std::wstring base = SafeFileName(row.name);
    if (SameText(ExtractFileExt(base), L".lnk")) base = WithoutExtension(base);
    for (int n = 1;; ++n) {
      std::wstring candidate = folder + NumberedName(base, n, L".lnk");
      if (!FileExists(candidate) && !FolderExists(candidate)) {
        CreateStartupShortcut(row.file_name, candidate, L"", row.parameters);
        return Moved(candidate, false);
      }
      std::optional<ShortcutFields> there = LoadShortcut(candidate);
      if (there && SameText(there->path, row.file_name) && there->arguments == row.parameters) {
        return Moved(candidate, true);
      }
    }
  }

  std::optional<ShortcutFields> LoadShortcut(const std::wstring& file) {
    if (!link_) link_ = std::make_unique<TLMDShellLink>();
    TLMDShellLink& l = *link_;
    if (!l.LoadShellLink(file, 0)) return std::nullopt;
    return ShortcutFields{l.Path,         l.Arguments, l.WorkingDirectory, l.Description,
                          l.IconLocation, l.IconIndex, l.HotKey,           l.ShowCmd};
  }

  StartupLocation target_;
  std::wstring target_text_;
  std::unique_ptr<TLMDShellLink> link_;    // made at the first shortcut compared
  std::vector<std::wstring> moved_files_;  // files that moved here whole
};

// Removes a moved row's old entry (and asks its program to close); true when
// the old location no longer holds it.
bool RemoveOldEntry(const StartupEntry& row) {
  try {
    return DeleteStartupEntry(row, RemovalSource::MainList);
  } catch (const PlatformError&) {
    // The program could not be asked to close; the entry went or stayed all the same.
    return RemoveStartupEntry(row);
  }
}

}  // namespace

StartupLocation MoveTargetLocation(MoveTarget target) {
  using enum RootKey;
  switch (target) {
    case MoveTarget::CurrentUserRun:
      return Key(CurrentUser, L"Run");
    case MoveTarget::CurrentUserRunOnce:
      return Key(CurrentUser, L"RunOnce");
    case MoveTarget::AllUsersRun:
      return Key(LocalMachine, L"Run");
    case MoveTarget::AllUsersRunServices:
      return Key(LocalMachine, L"RunServices");
    case MoveTarget::AllUsersRunOnce:
      return Key(LocalMachine, L"RunOnce");
    case MoveTarget::AllUsersRunServicesOnce:
      return Key(LocalMachine, L"RunServicesOnce");
    case MoveTarget::CurrentUserStartup:
      return Folder(StartupFolder::CurrentUser);
    case MoveTarget::AllUsersStartup:
      break;
  }
  return Folder(StartupFolder::AllUsers);
}

MoveResult MoveStartupEntries(const StartupList& rows, MoveTarget target) {
  MoveResult result;
  StartupLocation location;
  try {
    location = MoveTargetLocation(target);
  } catch (const PlatformError& error) {
    // Without a known target nothing moves.
    return MoveResult(rows.size(), NotMoved(error.Text()));
  }
  Mover mover(std::move(location));
  for (const StartupEntry& row : rows) {
    try {
      result.push_back(mover.Write(row));
    } catch (const PlatformError& error) {
      result.push_back(NotMoved(error.Text()));
    }
  }
  // Only now, with every new entry in place, do the old ones go. An old entry
  // that stays takes its new copy back with it, so that no entry is doubled.
  for (size_t i = 0; i < rows.size(); ++i) {
    RowMove& row = result[i];
    if (row.outcome != MoveOutcome::Moved || RemoveOldEntry(rows[i])) continue;
    bool created = !row.same_entry && mover.Created(row.written);
    if (created && !mover.TakeBack(row.written)) {
      row.outcome = MoveOutcome::OldKept;
      row.reason = L"The old entry could not be removed.";
    } else {
      row = NotMoved(L"The old entry could not be removed.");
    }
  }
  return result;
}

std::wstring MoveReport(const StartupList& rows, const MoveResult& result) {
  std::wstring not_moved, kept;
  for (size_t i = 0; i < rows.size() && i < result.size(); ++i) {
    std::wstring line =
        L"\"" + rows[i].name + L"\" (" + rows[i].location + L"): " + result[i].reason + L"\n";
    if (result[i].outcome == MoveOutcome::NotMoved) not_moved += line;
    if (result[i].outcome == MoveOutcome::OldKept) kept += line;
  }
  std::wstring report;
  if (!not_moved.empty()) report += L"These entries were not moved:\n" + not_moved;
  if (!kept.empty()) {
    if (!report.empty()) report += L"\n";
    report +=
        L"These entries were written to the new location, but their old entries stay:\n" + kept;
  }
  if (!report.empty()) report.pop_back();
  return report;
}

}  // namespace korvane
