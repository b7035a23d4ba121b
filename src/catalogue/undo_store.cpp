#include "catalogue/undo_store.h"

#include <algorithm>
#include <variant>

#include "catalogue/places/place_kind.h"
#include "catalogue/removal.h"
#include "catalogue/rights.h"
#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

namespace {

RecordStore& Store() {
  static RecordStore store(L"Removed", "Korvane removed entry");
  return store;
}

struct WayName {
  RemovalWay way;
  const wchar_t* word;  // as the record keeps it
  const wchar_t* text;  // as the dialog and korvanec show it
};

constexpr WayName kWays[] = {
    {RemovalWay::Deleted, L"deleted", L"Deleted"},
    {RemovalWay::Blacklisted, L"blacklisted", L"Blacklisted"},
    {RemovalWay::Moved, L"moved", L"Moved to "},
    {RemovalWay::Replaced, L"replaced", L"Replaced"},
    {RemovalWay::DeletedAsNew, L"deleted-as-new", L"Deleted as a new entry"},
    {RemovalWay::Changed, L"changed", L"Changed back"},
};

// Names the content of a copy in its id, so that the same entry removed
// again is found among a thousand records without reading them all.
std::wstring ContentTag(const EntryCopy& copy) {
  uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](std::string_view bytes) {
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  };
  mix(ToUtf8(EntryIdentity(copy.record.row)));
  mix(PlaceOf(copy.record.row).Content(copy));
  std::wstring tag = L"-";
  for (int i = 0; i < 16; ++i) tag += L"0123456789abcdef"[(hash >> (60 - 4 * i)) & 15];
  return tag;
}

// Drops the oldest records beyond the bounds; never the one just written.
void KeepBounds(const std::wstring& newest) {
  const std::vector<std::pair<std::wstring, uint64_t>> records = Store().Sizes();
  uint64_t total = 0;
  for (const auto& [id, size] : records) total += size;
  size_t count = records.size();
  for (const auto& [id, size] : records) {
    if (count <= kMaxRemovedRecords && total <= kMaxRemovedBytes) break;
    if (id == newest) continue;
    Store().Forget(id);
    --count;
    total -= size;
  }
}

// Marks the copy as removed now, in this way.
void Stamp(EntryCopy& copy, RemovalWay way, const std::wstring& moved_to) {
  copy.record.when = FileTimeNow();
  for (const WayName& name : kWays) {
    if (name.way == way) copy.record.how = name.word;
  }
  copy.record.moved_to = moved_to;
}

std::optional<EntryCopy> Capture(const StartupEntry& row, RemovalWay way,
                                 const std::wstring& moved_to, std::wstring& reason) {
  std::optional<EntryCopy> copy = CaptureEntry(row, reason);
  if (copy) Stamp(*copy, way, moved_to);
  return copy;
}

// Writes the record; its id, or nothing with the reason.
std::optional<std::wstring> Keep(const EntryCopy& copy, std::wstring& reason) {
  try {
    std::wstring id = Store().Write(copy, ContentTag(copy));
    KeepBounds(id);
    return id;
  } catch (const PlatformError& error) {
    reason = L"The copy of the entry could not be saved: " + error.Text();
    return std::nullopt;
  }
}

RemovalResult NotDone(std::wstring reason) {
  return {false, std::move(reason)};
}

}  // namespace

RemovalResult RecordAndRemove(const StartupEntry& row, RemovalWay way,
                              const std::wstring& moved_to) {
  if (NeedsAdministrator(row)) return NotDone(kNeedsAdministrator);
  std::wstring reason;
  std::optional<EntryCopy> copy;
  try {
    copy = Capture(row, way, moved_to, reason);
    if (!copy) {
      // Nothing to keep when the entry is gone already.
      if (!PlaceOf(row).StillThere(row) && RemoveStartupEntry(row)) return {true, {}};
      return NotDone(L"The entry was not removed: " + reason);
    }
  } catch (const PlatformError& error) {
    return NotDone(L"The entry was not removed: " + error.Text());
  }
  const std::wstring tag = ContentTag(*copy);
  std::vector<std::wstring> older;
  for (const std::wstring& id : Store().Ids()) {
    if (!EndsWith(id, tag)) continue;
    std::optional<EntryCopy> kept = Store().Read(id);
    if (kept && SameEntryContent(*kept, *copy)) older.push_back(id);
  }
  std::wstring id;
  try {
    id = Store().Write(*copy, tag);
  } catch (const PlatformError& error) {
    return NotDone(L"The entry was not removed, because its copy could not be saved: " +
                   error.Text());
  }
  if (!RemoveStartupEntry(row)) {
    Store().Forget(id);
    return NotDone(L"The entry cannot be removed from its location.");
  }
  // The newer record replaces the older ones of the same content.
  for (const std::wstring& old : older) Store().Forget(old);
  KeepBounds(id);
  return {true, {}};
}

std::optional<std::wstring> RecordBeforeOverwrite(const StartupEntry& row, RemovalWay way,
                                                  std::wstring& reason,
                                                  const std::wstring& moved_to) {
  try {
    std::optional<EntryCopy> copy = Capture(row, way, moved_to, reason);
    if (!copy) return std::nullopt;
    return Keep(*copy, reason);
  } catch (const PlatformError& error) {
    reason = L"The copy of the entry could not be saved: " + error.Text();
    return std::nullopt;
  }
}

std::optional<std::wstring> RecordRemovedCopy(EntryCopy copy, RemovalWay way,
                                              std::wstring& reason) {
  Stamp(copy, way, {});
  return Keep(copy, reason);
}

std::vector<RemovedEntry> ReadRemovedEntries() {
  std::vector<RemovedEntry> entries;
  for (auto& [id, record] : Store().ReadAll()) entries.push_back({id, std::move(record)});
  std::reverse(entries.begin(), entries.end());
  return entries;
}

std::wstring RemovalWayText(const EntryRecord& record) {
  for (const WayName& name : kWays) {
    if (record.how != name.word) continue;
    return name.way == RemovalWay::Moved ? name.text + record.moved_to : name.text;
  }
  return record.how;
}

RestoreResult RestoreRemovedEntry(const std::wstring& id, RestoreTaken taken) {
  std::optional<EntryCopy> copy = Store().Read(id);
  if (!copy) return {RestoreResult::Failed, L"The record " + id + L" cannot be read.", {}};
  TakenPlace place = TakenPlace::Refuse;
  if (taken == RestoreTaken::Rename) place = TakenPlace::Rename;
  if (taken == RestoreTaken::Replace) {
    // What stands there now is kept before it is written over.
    PutBackResult probe = PutEntryBack(*copy, TakenPlace::Refuse);
    if (probe.outcome == PutBackResult::Taken) {
      std::wstring reason;
      if (!RecordBeforeOverwrite(EntryInPlaceOf(copy->record.row), RemovalWay::Replaced, reason)) {
        return {RestoreResult::Failed, reason, {}};
      }
      place = TakenPlace::Replace;
    } else if (probe.outcome == PutBackResult::Failed) {
      return {RestoreResult::Failed, probe.reason, {}};
    } else {
      Store().Forget(id);
      return {RestoreResult::Restored, {}, probe.row};
    }
  }
  PutBackResult put = PutEntryBack(*copy, place);
  if (put.outcome == PutBackResult::Taken) return {RestoreResult::Taken, put.reason, {}};
  if (put.outcome == PutBackResult::Failed) return {RestoreResult::Failed, put.reason, {}};
  Store().Forget(id);
  return {RestoreResult::Restored, {}, put.row};
}

StartupEntry EntryInPlaceOf(const StartupEntry& place) {
  StartupList rows;
  try {
    ScanStartupList(rows);
  } catch (const PlatformError&) {
    // The rows read so far are searched all the same.
  }
  for (StartupEntry& row : rows) {
    if (SamePlace(row, place)) return std::move(row);
  }
  return place;
}

bool ForgetRemovedEntries(const std::vector<std::wstring>& ids) {
  bool all = true;
  for (const std::wstring& id : ids) {
    if (id.empty() || id.find_first_of(L"\\/:.") != std::wstring::npos) {
      all = false;
      continue;
    }
    Store().Forget(id);
    if (Store().Read(id)) all = false;
  }
  return all;
}

}  // namespace korvane
