// "Undo change" of the new entries dialog: a changed entry gets back the
// command the snapshot held, once what it holds now is safe in the undo
// store.
#include <variant>

#include "catalogue/undo_store.h"
#include "monitor/new_entries.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

namespace {

void WriteValueBack(const RegistrySource& now, const RegistrySource& before) {
  TRegistry reg(now.view);
  reg.SetRootKey(now.root);
  if (!reg.OpenKey(now.key_path, false)) {
    throw PlatformError(L"The key of the value " + now.value_name + L" cannot be opened.");
  }
  reg.WriteValue(now.value_name, before.value);
}

// The shortcut keeps what the snapshot does not hold (its description);
// target, arguments and working folder are the snapshot's.
void WriteShortcutBack(const FolderSource& now, const FolderSource& before) {
  TLMDShellLink link;
  std::wstring description;
  if (link.LoadShellLink(now.path)) description = link.Description;
  CreateStartupShortcut(before.target, now.path, description, before.arguments,
                        before.working_folder);
}

}  // namespace

bool CanUndoChange(const ReportedEntry& entry) {
  if (entry.change != ChangeKind::Changed || !entry.before) return false;
  if (EntryIdentity(entry.row) != EntryIdentity(*entry.before)) return false;
  if (const auto* value = std::get_if<RegistrySource>(&entry.before->source)) {
    return value->value.type != RegistryDataType::None &&
           std::holds_alternative<RegistrySource>(entry.row.source);
  }
  const auto* file = std::get_if<FolderSource>(&entry.before->source);
  const auto* now = std::get_if<FolderSource>(&entry.row.source);
  return file && now && file->shortcut && now->shortcut && !file->target.empty();
}

bool UndoEntryChange(const ReportedEntry& entry, std::wstring& reason) {
  if (!CanUndoChange(entry)) {
    reason = L"The entry's earlier command is not known.";
    return false;
  }
  // What is about to be written over goes to the undo store first.
  if (!RecordBeforeOverwrite(entry.row, RemovalWay::Changed, reason)) return false;
  try {
    if (const auto* value = std::get_if<RegistrySource>(&entry.row.source)) {
      WriteValueBack(*value, std::get<RegistrySource>(entry.before->source));
    } else {
      WriteShortcutBack(std::get<FolderSource>(entry.row.source),
                        std::get<FolderSource>(entry.before->source));
    }
  } catch (const PlatformError& error) {
    reason = error.Text();
    return false;
  }
  return true;
}

std::wstring UndoNewEntryChanges(ReportedEntries& entries, const std::vector<size_t>& selected) {
  std::vector<bool> marks(entries.size(), false);
  for (size_t index : selected) {
    if (index < entries.size()) marks[index] = true;
  }
  ReportedEntries kept;
  std::wstring report;
  for (size_t i = 0; i < entries.size(); ++i) {
    std::wstring reason;
    if (marks[i] && CanUndoChange(entries[i]) && UndoEntryChange(entries[i], reason)) continue;
    if (marks[i] && CanUndoChange(entries[i])) {
      report += entries[i].row.name + L" (" + entries[i].row.location + L"): " + reason + L"\n";
    }
    kept.push_back(std::move(entries[i]));
  }
  entries = std::move(kept);
  if (report.empty()) return report;
  return L"The change of these entries could not be undone:\n\n" + report;
}

}  // namespace korvane
