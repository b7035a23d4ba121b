#include "cli/snapshot.h"

#include <map>
#include <nlohmann/json.hpp>

#include "platform/text.h"

namespace korvane {

namespace {

using Json = nlohmann::ordered_json;

const std::pair<RegistryDataType, const char*> kTypeNames[] = {
    {RegistryDataType::None, "REG_NONE"},
    {RegistryDataType::String, "REG_SZ"},
    {RegistryDataType::ExpandString, "REG_EXPAND_SZ"},
    {RegistryDataType::DWord, "REG_DWORD"},
    {RegistryDataType::Binary, "REG_BINARY"},
    {RegistryDataType::MultiString, "REG_MULTI_SZ"},
    {RegistryDataType::Other, "other"},
};
const std::pair<RegistryView, const char*> kViewNames[] = {
    {RegistryView::Native, "native"}, {RegistryView::Bits64, "64"}, {RegistryView::Bits32, "32"}};
const RootKey kRoots[] = {RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users};

std::string Utf8(const std::wstring& text) {
  return ToUtf8(text);
}

std::string Hex(const std::vector<uint8_t>& data) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(data.size() * 2);
  for (uint8_t byte : data) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

struct SourceJson {
  Json operator()(const std::monostate&) const { return {{"kind", "none"}}; }
  Json operator()(const RegistrySource& s) const {
    Json j;
    j["kind"] = "registry";
    j["root"] = Utf8(RootKeyName(s.root));
    for (auto [view, name] : kViewNames) {
      if (view == s.view) j["view"] = name;
    }
    j["key"] = Utf8(s.key_path);
    j["value"] = Utf8(s.value_name);
    for (auto [type, name] : kTypeNames) {
      if (type == s.value.type) j["type"] = name;
    }
    j["data"] = Hex(s.value.data);
    return j;
  }
  Json operator()(const FolderSource& s) const {
    Json j;
    j["kind"] = "file";
    j["path"] = Utf8(s.path);
    j["shortcut"] = s.shortcut;
    j["target"] = Utf8(s.target);
    j["arguments"] = Utf8(s.arguments);
    j["workingFolder"] = Utf8(s.working_folder);
    return j;
  }
  Json operator()(const WinIniSource& s) const {
    Json j;
    j["kind"] = "winini";
    j["file"] = Utf8(s.ini_path);
    j["key"] = Utf8(s.key);
    j["word"] = Utf8(s.word);
    j["position"] = s.position;
    j["occurrence"] = s.occurrence;
    return j;
  }
  Json operator()(const TaskSource& s) const {
    Json j;
    j["kind"] = "task";
    j["task"] = Utf8(s.path);
    j["action"] = s.action;
    j["workingFolder"] = Utf8(s.working_folder);
    return j;
  }
  Json operator()(const ServiceSource& s) const {
    Json j;
    j["kind"] = "service";
    j["service"] = Utf8(s.name);
    j["start"] = static_cast<uint32_t>(s.start);
    j["delayed"] = s.delayed;
    return j;
  }
};

// Thrown inside the reader; its text becomes the one line of error.
struct BadSnapshot {
  std::wstring text;
};

[[noreturn]] void Bad(const std::string& where, const std::string& what) {
  throw BadSnapshot{FromUtf8(where + what)};
}

const Json& Member(const Json& object, const char* key, const std::string& where) {
  auto it = object.find(key);
  if (it == object.end()) Bad(where, std::string("\"") + key + "\" is missing");
  return *it;
}

std::wstring Text(const Json& object, const char* key, const std::string& where) {
  const Json& value = Member(object, key, where);
  if (!value.is_string()) Bad(where, std::string("\"") + key + "\" is not a string");
  return FromUtf8(value.get_ref<const std::string&>());
}

bool Truth(const Json& object, const char* key, const std::string& where) {
  const Json& value = Member(object, key, where);
  if (!value.is_boolean()) Bad(where, std::string("\"") + key + "\" is not true or false");
  return value.get<bool>();
}

size_t Count(const Json& object, const char* key, const std::string& where) {
  const Json& value = Member(object, key, where);
  // Counts index lists that fit in memory: anything larger is not one of ours.
  if (!value.is_number_unsigned() || value.get<uint64_t>() > kMaxSnapshotBytes) {
    Bad(where, std::string("\"") + key + "\" is not a count");
  }
  return static_cast<size_t>(value.get<uint64_t>());
}

std::vector<uint8_t> Bytes(const std::string& hex, const std::string& where) {
  if (hex.size() % 2) Bad(where, "\"data\" is not hexadecimal bytes");
  auto digit = [&](char c) -> uint8_t {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    Bad(where, "\"data\" is not hexadecimal bytes");
  };
  std::vector<uint8_t> data;
  data.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    data.push_back(static_cast<uint8_t>(digit(hex[i]) << 4 | digit(hex[i + 1])));
  }
  return data;
}

EntrySource ReadSource(const Json& j, const std::string& where) {
  if (!j.is_object()) Bad(where, "\"source\" is not an object");
  const std::wstring kind = Text(j, "kind", where);
  if (kind == L"none") return std::monostate{};
  if (kind == L"registry") {
    RegistrySource s;
    const std::wstring root = Text(j, "root", where);
    bool known = false;
    for (RootKey r : kRoots) {
      if (root == RootKeyName(r)) s.root = r, known = true;
    }
    if (!known) Bad(where, "unknown registry root");
    const std::wstring view = Text(j, "view", where);
    known = false;
    for (auto [v, name] : kViewNames) {
      if (view == FromUtf8(name)) s.view = v, known = true;
    }
    if (!known) Bad(where, "unknown registry view");
    s.key_path = Text(j, "key", where);
    s.value_name = Text(j, "value", where);
    const std::wstring type = Text(j, "type", where);
    known = false;
    for (auto [t, name] : kTypeNames) {
      if (type == FromUtf8(name)) s.value.type = t, known = true;
    }
    if (!known) Bad(where, "unknown value type");
    const Json& data = Member(j, "data", where);
    if (!data.is_string()) Bad(where, "\"data\" is not a string");
    s.value.data = Bytes(data.get_ref<const std::string&>(), where);
    return s;
  }
  if (kind == L"file") {
    FolderSource s;
    s.path = Text(j, "path", where);
    s.shortcut = Truth(j, "shortcut", where);
    s.target = Text(j, "target", where);
    s.arguments = Text(j, "arguments", where);
    s.working_folder = Text(j, "workingFolder", where);
    return s;
  }
  if (kind == L"winini") {
    WinIniSource s;
    s.ini_path = Text(j, "file", where);
    s.key = Text(j, "key", where);
    s.word = Text(j, "word", where);
    s.position = Count(j, "position", where);
    s.occurrence = Count(j, "occurrence", where);
    return s;
  }
  if (kind == L"task") {
    TaskSource s;
    s.path = Text(j, "task", where);
    s.action = Count(j, "action", where);
    s.working_folder = Text(j, "workingFolder", where);
    return s;
  }
  if (kind == L"service") {
    ServiceSource s;
    s.name = Text(j, "service", where);
    const size_t start = Count(j, "start", where);
    if (start > static_cast<size_t>(ServiceStart::Disabled)) Bad(where, "unknown start type");
    s.start = static_cast<ServiceStart>(start);
    s.delayed = Truth(j, "delayed", where);
    return s;
  }
  Bad(where, "unknown source kind");
}

StartupEntry ReadEntry(const Json& j, const std::string& where) {
  if (!j.is_object()) Bad(where, "not an object");
  StartupEntry e;
  e.name = Text(j, "name", where);
  e.running = Truth(j, "running", where);
  e.file_name = Text(j, "fileName", where);
  e.parameters = Text(j, "parameters", where);
  e.location = Text(j, "location", where);
  e.enabled = Truth(j, "enabled", where);
  e.source = ReadSource(Member(j, "source", where), where);
  return e;
}

// What two sources of one place differ in, by the names the JSON uses.
void SourceDifferences(const EntrySource& a, const EntrySource& b,
                       std::vector<std::string>& fields) {
  if (a.index() != b.index()) {
    fields.push_back("source");
    return;
  }
  if (const auto* ra = std::get_if<RegistrySource>(&a)) {
    const auto& rb = std::get<RegistrySource>(b);
    if (ra->value.type != rb.value.type) fields.push_back("type");
    if (ra->value.data != rb.value.data) fields.push_back("data");
  } else if (const auto* fa = std::get_if<FolderSource>(&a)) {
    const auto& fb = std::get<FolderSource>(b);
    if (fa->shortcut != fb.shortcut) fields.push_back("shortcut");
    if (fa->target != fb.target) fields.push_back("target");
    if (fa->arguments != fb.arguments) fields.push_back("arguments");
    if (fa->working_folder != fb.working_folder) fields.push_back("workingFolder");
  } else if (const auto* wa = std::get_if<WinIniSource>(&a)) {
    const auto& wb = std::get<WinIniSource>(b);
    if (wa->word != wb.word) fields.push_back("word");
    if (wa->position != wb.position) fields.push_back("position");
  } else if (const auto* sa = std::get_if<ServiceSource>(&a)) {
    const auto& sb = std::get<ServiceSource>(b);
    if (sa->start != sb.start) fields.push_back("start");
    if (sa->delayed != sb.delayed) fields.push_back("delayed");
  } else if (const auto* ta = std::get_if<TaskSource>(&a)) {
    if (ta->working_folder != std::get<TaskSource>(b).working_folder)
      fields.push_back("workingFolder");
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
  Json entries = Json::array();
  for (const StartupEntry& e : snapshot.entries) {
    Json entry;
    entry["name"] = Utf8(e.name);
    entry["running"] = e.running;
    entry["fileName"] = Utf8(e.file_name);
    entry["parameters"] = Utf8(e.parameters);
    entry["location"] = Utf8(e.location);
    entry["enabled"] = e.enabled;
    entry["source"] = std::visit(SourceJson{}, e.source);
    entries.push_back(std::move(entry));
  }
  j["entries"] = std::move(entries);
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<Snapshot> ReadSnapshot(std::string_view text, std::wstring& error) {
  if (text.size() > kMaxSnapshotBytes) {
    error = L"the file is too large to be a snapshot";
    return std::nullopt;
  }
  // The parser itself does not recurse, but the values it builds must stay
  // small: a snapshot is a few levels deep and holds a bounded number of
  // values, whatever the file claims.
  size_t values = 0;
  struct TooDeep {};
  struct TooMany {};
  auto limit = [&values](int depth, Json::parse_event_t event, Json&) {
    if (depth > static_cast<int>(kMaxSnapshotDepth)) throw TooDeep{};
    (void)event;
    if (++values > kMaxSnapshotValues) throw TooMany{};
    return true;
  };
  try {
    const Json j = Json::parse(text.begin(), text.end(), limit, true, false);
    if (!j.is_object()) Bad("", "the file is not a snapshot (no JSON object)");
    const Json* schema = j.contains("schema") ? &j["schema"] : nullptr;
    if (!schema || !schema->is_string() || schema->get<std::string>() != kSnapshotSchema) {
      Bad("", "the file is not a snapshot (\"schema\" is not \"korvane-snapshot\")");
    }
    const Json& version = Member(j, "schemaVersion", "");
    if (!version.is_number_unsigned() || version.get<uint64_t>() < 1) {
      Bad("", "\"schemaVersion\" is not a version number");
    }
    if (version.get<uint64_t>() > static_cast<uint64_t>(kSnapshotSchemaVersion)) {
      Bad("", "the snapshot's schema version " + std::to_string(version.get<uint64_t>()) +
                  " is newer than this korvanec reads (" + std::to_string(kSnapshotSchemaVersion) +
                  ")");
    }
    Snapshot snapshot;
    snapshot.schema_version = static_cast<int>(version.get<uint64_t>());
    snapshot.korvane_version = Text(j, "korvaneVersion", "");
    snapshot.machine = Text(j, "machine", "");
    snapshot.user = Text(j, "user", "");
    snapshot.time = Text(j, "time", "");
    const Json& entries = Member(j, "entries", "");
    if (!entries.is_array()) Bad("", "\"entries\" is not an array");
    if (entries.size() > kMaxSnapshotEntries) Bad("", "the snapshot holds too many entries");
    for (size_t i = 0; i < entries.size(); ++i) {
      snapshot.entries.push_back(ReadEntry(entries[i], "entry " + std::to_string(i + 1) + ": "));
    }
    return snapshot;
  } catch (const BadSnapshot& bad) {
    error = bad.text;
  } catch (const TooDeep&) {
    error = L"the file is nested too deeply to be a snapshot";
  } catch (const TooMany&) {
    error = L"the file holds too many values to be a snapshot";
  } catch (const Json::parse_error& parse) {
    // "[json.exception.parse_error.101] parse error at line 1, column 3: ..."
    std::string what = parse.what();
    if (size_t at = what.find("] "); at != std::string::npos) what.erase(0, at + 2);
    error = L"the file is not valid JSON: " + FromUtf8(what);
  } catch (const std::bad_alloc&) {
    error = L"the file is too large to be a snapshot";
  } catch (const Json::exception& other) {
    error = L"the file is not a snapshot: " + FromUtf8(other.what());
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
  changes.insert(changes.end(), found.begin(), found.end());
  return changes;
}

std::string FormatChanges(const std::vector<EntryChange>& changes, ListFormat format) {
  static const wchar_t* const kKinds[] = {L"added", L"removed", L"changed", L"state changed"};
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
  // Days to civil date (proleptic Gregorian), so that no C library's time
  // functions and their time zones are involved.
  long long days = unix_seconds / 86400, rest = unix_seconds % 86400;
  if (rest < 0) rest += 86400, --days;
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long day = doy - (153 * mp + 2) / 5 + 1;
  const long long month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yoe + era * 400 + (month <= 2);
  wchar_t text[40];
  swprintf(text, 40, L"%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", year, month, day, rest / 3600,
           rest / 60 % 60, rest % 60);
  return text;
}

}  // namespace korvane
