#include "monitor/parked.h"

#include <variant>

#include "catalogue/entry_record.h"
#include "catalogue/removal.h"
#include "catalogue/undo_store.h"
#include "platform/error.h"

namespace korvane {

namespace {

RecordStore& Store() {
  static RecordStore store(L"Parked", "Korvane parked entry");
  return store;
}

ParkResult Failed(std::wstring reason) {
  return {false, std::move(reason)};
}

}  // namespace

ParkResult ParkEntry(const StartupEntry& row) {
  if (Store().Folder().empty()) return Failed(L"The local application data folder is not known.");
  // What goes aside is the entry as it stands now.
  std::wstring reason;
  std::optional<EntryCopy> copy = CaptureEntry(row, reason);
  if (!copy) return Failed(reason);
  // A parked entry comes back switched on, whatever its approval said.
  copy->record.approval.reset();
  // The same entry already aside (a program wrote it back as it was) is
  // only removed again: its record holds it.
  for (const std::wstring& id : Store().Ids()) {
    std::optional<EntryCopy> parked = Store().Read(id);
    if (!parked || !SameEntryContent(*parked, *copy)) continue;
    if (!RemoveStartupEntry(row)) return Failed(L"The entry cannot be removed from its location.");
    return {true, {}};
  }
  try {
    // The copy is whole on disk before the entry leaves its place.
    const std::wstring id = Store().Write(*copy);
    if (!RemoveStartupEntry(row)) {
      Store().Forget(id);
      return Failed(L"The entry cannot be removed from its location.");
    }
  } catch (const PlatformError& error) {
    return Failed(L"The entry could not be put aside: " + error.Text());
  }
  return {true, {}};
}

std::vector<ParkedEntry> ReadParkedEntries() {
  std::vector<ParkedEntry> entries;
  for (auto& [id, record] : Store().ReadAll()) {
    // An entry put back whose record could not be deleted afterwards (or the
    // program ended in between) is in its place: its record is done with.
    std::optional<EntryCopy> copy = Store().Read(id);
    if (copy && StandsInPlace(*copy)) {
      Store().Forget(id);
      continue;
    }
    record.row.enabled = false;
    entries.push_back({id, std::move(record.row)});
  }
  return entries;
}

StartupList ParkedRows() {
  StartupList rows;
  for (ParkedEntry& entry : ReadParkedEntries()) rows.push_back(std::move(entry.row));
  return rows;
}

std::optional<ParkedEntry> ParkedEntryOf(const StartupEntry& row) {
  if (row.enabled) return std::nullopt;
  const std::wstring identity = EntryIdentity(row);
  for (ParkedEntry& parked : ReadParkedEntries()) {
    if (EntryIdentity(parked.row) == identity && parked.row.file_name == row.file_name &&
        parked.row.parameters == row.parameters) {
      return std::move(parked);
    }
  }
  return std::nullopt;
}

RemovalResult DeleteListedEntry(const StartupEntry& row, RemovalSource source) {
  const std::optional<ParkedEntry> parked = ParkedEntryOf(row);
  if (!parked) return DeleteStartupEntry(row, source);
  std::optional<EntryCopy> copy = Store().Read(parked->id);
  if (!copy) return {false, L"The record of the entry cannot be read."};
  std::wstring reason;
  if (!RecordRemovedCopy(std::move(*copy), RemovalWayOf(source), reason)) {
    return {false, L"The entry was not removed: " + reason};
  }
  Store().Forget(parked->id);
  EndEntryProgram(row, source);
  return {true, {}};
}

ParkResult RestoreParkedEntry(const ParkedEntry& entry) {
  if (Store().Folder().empty()) return Failed(L"The local application data folder is not known.");
  // The record is read again: it is what goes back, not what was listed.
  std::optional<EntryCopy> copy = Store().Read(entry.id);
  if (!copy) return Failed(L"The record of the entry cannot be read.");
  const PutBackResult put = PutEntryBack(*copy, TakenPlace::Refuse);
  if (put.outcome != PutBackResult::Done) return Failed(put.reason);
  Store().Forget(entry.id);
  return {true, {}};
}

}  // namespace korvane
