#include "cli/snapshot.h"

#include <chrono>
#include <cwchar>
#include <map>

#include "catalogue/entry_format.h"
#include "catalogue/signers.h"
#include "platform/text.h"

namespace korvane {

namespace {

std::string Utf8(const std::wstring& text) {
  return ToUtf8(text);
}

[[noreturn]] void Bad(const std::string& what) {
  throw EntryFormatError(what);
}

// What two sources of one place differ in, by the names the JSON uses: the
// members that name the place are the same for both.
void SourceDifferences(const EntrySource& a, const EntrySource& b,
                       std::vector<std::string>& fields) {
  static const char* const kPlace[] = {"kind", "root", "view",       "key",  "value",   "path",
                                       "file", "task", "occurrence", "list", "service", "action"};
  Json ja, jb;
  to_json(ja, a);
  to_json(jb, b);
  if (ja["kind"] != jb["kind"]) {
    fields.push_back("source");
    return;
  }
  // An item of a list is its own content; the value holds the others too.
  const bool item = ja["kind"] == "valueitem" && ja["list"] != "whole";
  for (const auto& [name, value] : ja.items()) {
    if (std::find(std::begin(kPlace), std::end(kPlace), name) != std::end(kPlace)) continue;
    if (item && (name == "type" || name == "data")) continue;
    if (!jb.contains(name) || jb[name] != value) fields.push_back(name);
  }
}

}  // namespace

std::string SnapshotJson(const Snapshot& snapshot) {
  Json j;
  j["schema"] = kSnapshotSchema;
  j["schemaVersion"] = snapshot.schema_version;
  j["korvaneVersion"] = Utf8(snapshot.korvane_version);
  j["machine"] = Utf8(snapshot.machine);
  j["user"] = Utf8(snapshot.user);
  j["time"] = Utf8(snapshot.time);
  j["entries"] = snapshot.entries;
  return JsonText(j);
}

std::optional<Snapshot> ReadSnapshot(std::string_view text, std::wstring& error) {
  try {
    const Json j =
        ParseJson(text, {kMaxSnapshotBytes, kMaxSnapshotDepth, kMaxSnapshotValues, "a snapshot"});
    if (!j.is_object()) Bad("the file is not a snapshot (no JSON object)");
    const Json* schema = j.contains("schema") ? &j["schema"] : nullptr;
    if (!schema || !schema->is_string() ||
        schema->get_ref<const std::string&>() != kSnapshotSchema) {
      Bad("the file is not a snapshot (\"schema\" is not \"korvane-snapshot\")");
    }
    const Json& version = Member(j, "schemaVersion");
    if (!version.is_number_unsigned() || version.get<uint64_t>() < 1) {
      Bad("\"schemaVersion\" is not a version number");
    }
    if (version.get<uint64_t>() > static_cast<uint64_t>(kSnapshotSchemaVersion)) {
      Bad("the snapshot's schema version " + std::to_string(version.get<uint64_t>()) +
          " is newer than this korvanec reads (" + std::to_string(kSnapshotSchemaVersion) + ")");
    }
    Snapshot snapshot;
    snapshot.schema_version = static_cast<int>(version.get<uint64_t>());
    snapshot.korvane_version = TextMember(j, "korvaneVersion");
    snapshot.machine = TextMember(j, "machine");
    snapshot.user = TextMember(j, "user");
    snapshot.time = TextMember(j, "time");
    const Json& entries = Member(j, "entries");
    if (!entries.is_array()) Bad("\"entries\" is not an array");
    if (entries.size() > kMaxSnapshotEntries) Bad("the snapshot holds too many entries");
    for (size_t i = 0; i < entries.size(); ++i) {
      try {
        snapshot.entries.push_back(entries[i].get<StartupEntry>());
      } catch (const EntryFormatError& bad) {
        Bad("entry " + std::to_string(i + 1) + ": " + bad.what());
      }
    }
    return snapshot;
  } catch (const EntryFormatError& bad) {
    error = FromUtf8(bad.what());
  }
  // The parser quotes the token it stopped at, which may be most of the file.
  constexpr size_t kLongest = 200;
  if (error.size() > kLongest) error = error.substr(0, kLongest) + L"...";
  return std::nullopt;
}

std::vector<EntryChange> CompareEntries(const StartupList& before, const StartupList& now) {
  // One place can be listed twice (a key read in two views that share it):
  // the n-th listing before pairs with the n-th listing now.
  std::map<std::wstring, std::vector<size_t>> earlier;
  for (size_t i = 0; i < before.size(); ++i) earlier[EntryIdentity(before[i])].push_back(i);
  std::vector<bool> matched(before.size(), false);
  std::vector<EntryChange> found;
  std::map<std::wstring, size_t> seen;
  for (const StartupEntry& e : now) {
    const std::wstring identity = EntryIdentity(e);
    const std::vector<size_t>& candidates = earlier[identity];
    const size_t n = seen[identity]++;
    if (n >= candidates.size()) {
      found.push_back({EntryChange::Added, e, {}});
      continue;
    }
    const StartupEntry& old = before[candidates[n]];
    matched[candidates[n]] = true;
    std::vector<std::string> fields;
    if (old.name != e.name) fields.push_back("name");
    if (old.file_name != e.file_name) fields.push_back("fileName");
    if (old.parameters != e.parameters) fields.push_back("parameters");
    SourceDifferences(old.source, e.source, fields);
    if (!fields.empty()) {
      if (old.enabled != e.enabled) fields.push_back("enabled");
      found.push_back({EntryChange::Changed, e, fields});
    } else if (old.enabled != e.enabled) {
      found.push_back({EntryChange::StateChanged, e, {"enabled"}});
    }
  }
  // A place the snapshot lists more often than the list does now is still
  // there: only a place no longer listed at all was removed.
  std::vector<EntryChange> changes;
  for (size_t i = 0; i < before.size(); ++i) {
    if (!matched[i] && !seen.count(EntryIdentity(before[i])))
      changes.push_back({EntryChange::Removed, before[i], {}});
  }
  const SeenPrograms seen_programs(before);
  for (EntryChange& change : found) {
    if (change.kind != EntryChange::StateChanged && seen_programs.IsUpdate(change.entry)) {
      change.kind = EntryChange::Updated;
    }
  }
  changes.insert(changes.end(), found.begin(), found.end());
  return changes;
}

std::string FormatChanges(const std::vector<EntryChange>& changes, ListFormat format) {
  static const wchar_t* const kKinds[] = {L"added", L"removed", L"changed", L"state changed",
                                          L"updated"};
  if (format == ListFormat::Json) {
    std::string out = "[";
    for (size_t i = 0; i < changes.size(); ++i) {
      const EntryChange& c = changes[i];
      Json j;
      j["change"] = Utf8(kKinds[c.kind]);
      j["name"] = Utf8(c.entry.name);
      j["fileName"] = Utf8(c.entry.file_name);
      j["location"] = Utf8(c.entry.location);
      j["enabled"] = c.entry.enabled;
      j["fields"] = c.fields;
      out += i ? ",\n  " : "\n  ";
      out += j.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    return out + (changes.empty() ? "]\n" : "\n]\n");
  }
  static const std::vector<TableColumn> columns = {{L"Change", "change"},
                                                   {L"Name", "name"},
                                                   {L"File name", "fileName"},
                                                   {L"Location", "location"},
                                                   {L"Startup", "enabled", L"Enabled", L"Disabled"},
                                                   {L"Fields", "fields"}};
  std::vector<TableRow> rows;
  for (const EntryChange& c : changes) {
    std::wstring fields;
    for (const std::string& f : c.fields) fields += (fields.empty() ? L"" : L" ") + FromUtf8(f);
    rows.push_back({kKinds[c.kind], c.entry.name, c.entry.file_name, c.entry.location,
                    c.entry.enabled ? L"1" : L"0", fields});
  }
  return FormatTable(columns, rows, format);
}

std::wstring IsoTimeUtc(long long unix_seconds) {
  using namespace std::chrono;
  const sys_seconds time{seconds(unix_seconds)};
  const sys_days day = floor<days>(time);
  const year_month_day date(day);
  const hh_mm_ss clock(time - day);
  wchar_t text[40];
  swprintf(text, 40, L"%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
           static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
           static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
           static_cast<int>(clock.seconds().count()));
  return text;
}

}  // namespace korvane
