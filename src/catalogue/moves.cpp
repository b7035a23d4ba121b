#include "catalogue/moves.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/undo_store.h"
#include "catalogue/placement.h"
#include "catalogue/rights.h"
#include "catalogue/removal.h"
#include "catalogue/system_entries.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

namespace {

bool TargetNeedsAdministrator(const StartupLocation& target) {
  if (target.kind == StartupLocationKind::RegistryKeyLocation) {
    return KeyNeedsAdministrator(target.root, RegistryView::Bits64, target.path);
  }
  return !target.path.empty() && !MayChangeFolder(target.path);
}

constexpr wchar_t kNoLongerThere[] = L"The entry is no longer in its location.";
constexpr wchar_t kNotInPlace[] =
    L"The entry is not in its location now: Korvane keeps it aside while it is switched off "
    L"(switch it on first), or another entry took its place.";

// Whether the row's entry stands in its place as the row was read. A row of
// an entry that Korvane moved aside is listed at its old place, which holds
// nothing of it (or another entry of that name): a move built from its texts
// would make a second copy beside the one kept aside.
bool StandsInPlace(const StartupEntry& row) {
  return PlaceOf(row).StandsAsRead(row);
}

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
// The folder a program file lies in, without a trailing backslash; empty for
// a bare name.
std::wstring ProgramFolder(const std::wstring& file) {
  std::wstring folder = ExtractFilePath(file);
  return folder.empty() ? folder : ExcludeTrailingBackslash(folder);
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

// String data in the registry's own form, with its terminator.
RegistryValue StringValue(RegistryDataType type, const std::wstring& text) {
  RegistryValue value{type, {}};
  for (wchar_t c : text + L'\0') {
    value.data.push_back(static_cast<uint8_t>(c & 0xFF));
    value.data.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
  }
  return value;
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
  std::wstring expandable_target;
  bool operator==(const ShortcutFields&) const = default;
};

// An expandable command split as the scan split it once expanded: the
// program as written (environment references and all) and the rest.
struct WrittenCommand {
  std::wstring program, rest;
};

// For a row read from a REG_EXPAND_SZ value that holds environment
// references: its program and parameters as written. Nothing when the
// written program does not expand to the row's file (a name completed by
// the search path, say).
std::optional<WrittenCommand> ExpandableCommand(const StartupEntry& row) {
  const auto* value = std::get_if<RegistrySource>(&row.source);
  if (!value || value->value.type != RegistryDataType::ExpandString) return std::nullopt;
  std::optional<std::wstring> raw = RegistryText(value->value);
  if (!raw || ExpandEnvironment(*raw) == *raw) return std::nullopt;
  std::wstring text = raw->substr(std::min(raw->find_first_not_of(L' '), raw->size()));
  auto fits = [&row](const std::wstring& program, const std::wstring& rest) {
    return SameText(ExpandEnvironment(program), row.file_name) &&
           ExpandEnvironment(rest) == row.parameters;
  };
  if (!text.empty() && text.front() == L'"') {
    size_t close = text.find(L'"', 1);
    if (close == std::wstring::npos) return std::nullopt;
    size_t start = std::min(close + 2, text.size());
    WrittenCommand command{text.substr(1, close - 1), text.substr(start)};
    if (fits(command.program, command.rest)) return command;
    return std::nullopt;
  }
  for (size_t end = text.find(L' ');; end = text.find(L' ', end + 1)) {
    WrittenCommand command{text.substr(0, end),
                           end == std::wstring::npos ? L"" : text.substr(end + 1)};
    if (fits(command.program, command.rest)) return command;
    if (end == std::wstring::npos) return std::nullopt;
  }
}

// The command of a REG_EXPAND_SZ value that starts `program` (environment
// references unexpanded), quoted where the expanded name holds a blank.
std::wstring ExpandableRegistryCommand(const std::wstring& program,
                                       const std::wstring& parameters) {
  const bool quote = ExpandEnvironment(program).find(L' ') != std::wstring::npos ||
                     program.find(L' ') != std::wstring::npos;
  std::wstring command = quote ? L"\"" + program + L"\"" : program;
  return parameters.empty() ? command : command + L" " + parameters;
}

class Mover {
 public:
  explicit Mover(StartupLocation target)
      : target_(std::move(target)), target_text_(LocationText(target_)) {}

  const std::wstring& TargetText() const { return target_text_; }

  // The first pass for one row.
  RowMove Write(const StartupEntry& row) {
    if (SameText(ExcludeTrailingBackslash(row.location), target_text_)) {
      return {MoveOutcome::AlreadyThere, {}, false, {}};
    }
    if (std::holds_alternative<std::monostate>(row.source)) return NotMoved(kNoLongerThere);
    if (std::wstring why = WhyNotMoved(row); !why.empty()) return NotMoved(why);
    if (!StandsInPlace(row)) return NotMoved(kNotInPlace);
    if (NeedsAdministrator(row)) return NotMoved(kNeedsAdministrator);
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
      probe.source = ValueSource(target_.root, target_.path, written);
    } else {
      probe.source = FileSource(
          Contains(written, L"\\") ? written : IncludeTrailingBackslash(target_.path) + written);
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
    RegistryDataType type = RegistryDataType::String;
    if (const auto* value = std::get_if<RegistrySource>(&row.source)) {
      TRegistry reg(value->view);
      reg.SetRootKey(value->root);
      if (reg.OpenKeyReadOnly(value->key_path)) copy = reg.ReadValue(value->value_name);
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
        // A registry value names a program to start, not a page to open.
        if (SameText(ExtractFileExt(file), L".url")) {
          return NotMoved(
              L"An Internet shortcut opens a page; a registry value cannot take its place. "
              L"It can be moved to the other Startup folder.");
        }
      }
      name = WithoutExtension(ExtractFileName(row.name));
      text = RegistryCommand(row.file_name, row.parameters);
      // A shortcut's target with environment references is expanded when it
      // starts; so is an expandable value.
      const auto* item = std::get_if<FolderSource>(&row.source);
      if (item && item->shortcut) {
        std::optional<ShortcutFields> fields = LoadShortcut(item->path);
        if (fields && !fields->expandable_target.empty() &&
            SameText(ExpandEnvironment(fields->expandable_target), row.file_name)) {
          text = ExpandableRegistryCommand(fields->expandable_target, row.parameters);
          type = RegistryDataType::ExpandString;
        } else if (item->target.find(L'%') != std::wstring::npos) {
          type = RegistryDataType::ExpandString;
        }
      }
    }

    if (TargetNeedsAdministrator(target_)) return NotMoved(kNeedsAdministrator);
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
        } else if (type == RegistryDataType::ExpandString) {
          reg.WriteValue(candidate, StringValue(type, text));
        } else {
          reg.WriteString(candidate, text);
        }
        return Moved(candidate, false);
      }
      bool same = copy ? there->type == copy->type && Meaningful(*there) == Meaningful(*copy)
                       : there->type == type && RegistryText(*there) == text;
      if (same) return Moved(candidate, true);
    }
  }

  RowMove ToFolder(const StartupEntry& row) {
    if (target_.path.empty()) return NotMoved(L"The Startup folder is not known.");
    if (TargetNeedsAdministrator(target_)) return NotMoved(kNeedsAdministrator);
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
          // The file leaves its folder now, not in the second pass: its copy
          // in the undo store is made first.
          std::wstring reason;
          std::optional<std::wstring> record =
              RecordBeforeOverwrite(row, RemovalWay::Moved, reason, target_text_);
          if (!record) return NotMoved(reason);
          if (!MoveFileTo(from, candidate)) {
            ForgetRemovedEntries({*record});
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

    // A new shortcut, always with the extension that makes it one, named
    // after the entry or, for one without a name (a key's default value),
    // after its program.
    std::wstring base = SafeFileName(row.name);
    if (SameText(ExtractFileExt(base), L".lnk")) base = WithoutExtension(base);
    if (base.empty()) base = SafeFileName(WithoutExtension(ExtractFileName(row.file_name)));
    if (base.empty()) base = L"Startup entry";
    for (int n = 1;; ++n) {
      std::wstring candidate = folder + NumberedName(base, n, L".lnk");
      if (!FileExists(candidate) && !FolderExists(candidate)) {
        // The program starts in its own folder, as a key entry's would be run
        // from there by "Run startup entry".
        // A program named through environment references keeps them.
        std::optional<WrittenCommand> written = ExpandableCommand(row);
        CreateStartupShortcut(row.file_name, candidate, L"", row.parameters,
                              ProgramFolder(row.file_name), written ? written->program : L"");
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
    return ShortcutFields{l.Path,        l.Arguments,    l.WorkingDirectory,
                          l.Description, l.IconLocation, l.IconIndex,
                          l.HotKey,      l.ShowCmd,      l.ExpandableTarget};
  }

  StartupLocation target_;
  std::wstring target_text_;
  std::unique_ptr<TLMDShellLink> link_;    // made at the first shortcut compared
  std::vector<std::wstring> moved_files_;  // files that moved here whole
};

}  // namespace

bool MoveTargetNeedsAdministrator(MoveTarget target) {
  return TargetNeedsAdministrator(MoveTargetLocation(target));
}

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
    // The old entry is kept in the undo store before it goes; its program is
    // left running: the entry moved, the program did not stop being wanted.
    if (row.outcome != MoveOutcome::Moved ||
        RecordAndRemove(rows[i], RemovalWay::Moved, mover.TargetText())) {
      continue;
    }
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

std::vector<std::wstring> MovedFileNames(const StartupList& rows, const MoveResult& result) {
  std::vector<std::wstring> names;
  for (size_t i = 0; i < rows.size() && i < result.size(); ++i) {
    if (result[i].outcome != MoveOutcome::Moved) continue;
    const auto* item = std::get_if<FolderSource>(&rows[i].source);
    const bool file_moved =
        item && SameText(rows[i].file_name, item->path) && IsAbsolutePath(result[i].written);
    names.push_back(file_moved ? result[i].written : rows[i].file_name);
  }
  return names;
}

std::wstring MoveLossQuestion(const StartupList& rows, MoveTarget target) {
  StartupLocation location;
  try {
    location = MoveTargetLocation(target);
  } catch (const PlatformError&) {
    return {};  // nothing will move
  }
  const bool to_key = location.kind == StartupLocationKind::RegistryKeyLocation;
  const std::wstring target_text = LocationText(location);
  std::unique_ptr<TLMDShellLink> link;
  std::wstring lines;
  for (const StartupEntry& row : rows) {
    if (SameText(ExcludeTrailingBackslash(row.location), target_text)) continue;
    std::vector<std::wstring> lost;
    if (const auto* item = std::get_if<FolderSource>(&row.source); item && to_key) {
      if (!SameText(ExtractFileExt(item->path), L".lnk")) continue;
      try {
        if (!link) link = std::make_unique<TLMDShellLink>();
        if (!link->LoadShellLink(item->path, 0)) continue;
      } catch (const PlatformError&) {
        continue;
      }
      const std::wstring& folder = link->WorkingDirectory;
      if (!folder.empty() &&
          !SameText(ExcludeTrailingBackslash(folder), ProgramFolder(row.file_name))) {
        lost.push_back(L"working folder");
      }
      if (!link->IconLocation.empty() || link->IconIndex != 0) lost.push_back(L"icon");
      if (link->HotKey != 0) lost.push_back(L"hot key");
      if (link->ShowCmd != ShowCommand::Normal) lost.push_back(L"window state");
      if (!link->Description.empty()) lost.push_back(L"description");
    } else if (const auto* value = std::get_if<RegistrySource>(&row.source); value && !to_key) {
      // The shortcut keeps the references of the program's name; those of
      // the parameters it holds as they read now.
      std::optional<std::wstring> text = RegistryText(value->value);
      std::optional<WrittenCommand> written = ExpandableCommand(row);
      const bool kept = written && ExpandEnvironment(written->rest) == written->rest;
      if (value->value.type == RegistryDataType::ExpandString && text &&
          ExpandEnvironment(*text) != *text && !kept) {
        lost.push_back(
            L"environment references in its parameters (the shortcut holds them as they read "
            L"now)");
      }
    }
    if (lost.empty()) continue;
    std::wstring what;
    for (size_t i = 0; i < lost.size(); ++i) {
      if (i > 0) what += i + 1 == lost.size() ? L" and " : L", ";
      what += lost[i];
    }
    lines += L"\"" + row.name + L"\" (" + row.location + L"): its " + what + L"\n";
  }
  if (lines.empty()) return {};
  return L"Moved to " + target_text + L", these entries lose what it cannot hold:\n" + lines +
         L"\nMove them all the same?";
}

std::wstring MoveReport(const StartupList& rows, const MoveResult& result) {
  std::wstring not_moved, kept;
  const size_t count = std::min(rows.size(), result.size());
  // A row read twice from one place is told of once, and not at all when
  // its entry moved through its twin.
  auto told_elsewhere = [&](size_t i) {
    for (size_t j = 0; j < count; ++j) {
      if (j == i || !SamePlace(rows[i], rows[j])) continue;
      if (j < i || result[j].outcome == MoveOutcome::Moved ||
          result[j].outcome == MoveOutcome::AlreadyThere) {
        return true;
      }
    }
    return false;
  };
  for (size_t i = 0; i < count; ++i) {
    if (told_elsewhere(i)) continue;
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
