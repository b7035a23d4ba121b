#include "catalogue/entry_format.h"

#include <charconv>

#include "platform/text.h"

namespace korvane {

namespace {

constexpr std::pair<RegistryDataType, const char*> kTypeNames[] = {
    {RegistryDataType::None, "REG_NONE"},
    {RegistryDataType::String, "REG_SZ"},
    {RegistryDataType::ExpandString, "REG_EXPAND_SZ"},
    {RegistryDataType::DWord, "REG_DWORD"},
    {RegistryDataType::Binary, "REG_BINARY"},
    {RegistryDataType::MultiString, "REG_MULTI_SZ"},
    {RegistryDataType::Other, "other"},
};
constexpr std::pair<RegistryView, const char*> kViewNames[] = {
    {RegistryView::Native, "native"}, {RegistryView::Bits64, "64"}, {RegistryView::Bits32, "32"}};
constexpr std::pair<ItemList, const char*> kListNames[] = {{ItemList::Whole, "whole"},
                                                           {ItemList::Commas, "commas"},
                                                           {ItemList::Blanks, "blanks"},
                                                           {ItemList::MultiString, "multistring"}};
constexpr RootKey kRoots[] = {RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users};

// No win.ini list, and no task, comes near these.
constexpr uint64_t kMaxPosition = 1 << 20;
constexpr uint64_t kMaxAction = 1 << 10;

[[noreturn]] void Bad(const std::string& what) {
  throw EntryFormatError(what);
}

std::string Quoted(const char* key) {
  return std::string("\"") + key + "\"";
}

// The name of an enum's value in a table of names, and back.
template <typename Enum, size_t N>
const char* NameOf(const std::pair<Enum, const char*> (&names)[N], Enum value) {
  for (const auto& [v, name] : names) {
    if (v == value) return name;
  }
  return names[0].second;
}
template <typename Enum, size_t N>
Enum ValueOf(const std::pair<Enum, const char*> (&names)[N], const Json& j, const char* key,
             const char* what) {
  const Json& name = Member(j, key);
  if (name.is_string()) {
    for (const auto& [v, n] : names) {
      if (name.get_ref<const std::string&>() == n) return v;
    }
  }
  Bad(std::string("unknown ") + what);
}

}  // namespace

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::optional<std::string> Unhex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    out += static_cast<char>(value);
  }
  return out;
}

const Json& Member(const Json& object, const char* key) {
  if (!object.is_object()) Bad("not an object");
  auto it = object.find(key);
  if (it == object.end()) Bad(Quoted(key) + " is missing");
  return *it;
}

std::wstring TextMember(const Json& object, const char* key) {
  const Json& value = Member(object, key);
  if (!value.is_string()) Bad(Quoted(key) + " is not a string");
  return FromUtf8(value.get_ref<const std::string&>());
}

bool TruthMember(const Json& object, const char* key) {
  const Json& value = Member(object, key);
  if (!value.is_boolean()) Bad(Quoted(key) + " is not true or false");
  return value.get<bool>();
}

uint64_t CountMember(const Json& object, const char* key, uint64_t max) {
  const Json& value = Member(object, key);
  if (!value.is_number_unsigned() || value.get<uint64_t>() > max) {
    Bad(Quoted(key) + " is not a count");
  }
  return value.get<uint64_t>();
}

void to_json(Json& j, const RegistryValue& value) {
  j["type"] = NameOf(kTypeNames, value.type);
  j["data"] = Hex({reinterpret_cast<const char*>(value.data.data()), value.data.size()});
}

void from_json(const Json& j, RegistryValue& value) {
  value.type = ValueOf(kTypeNames, j, "type", "value type");
  const Json& data = Member(j, "data");
  std::optional<std::string> bytes =
      data.is_string() ? Unhex(data.get_ref<const std::string&>()) : std::nullopt;
  if (!bytes) Bad("\"data\" is not hexadecimal bytes");
  value.data.assign(bytes->begin(), bytes->end());
}

void to_json(Json& j, const RegistrySource& source) {
  j["kind"] = "registry";
  j["root"] = ToUtf8(RootKeyName(source.root));
  j["view"] = NameOf(kViewNames, source.view);
  j["key"] = ToUtf8(source.key_path);
  j["value"] = ToUtf8(source.value_name);
  to_json(j, source.value);
}

void from_json(const Json& j, RegistrySource& source) {
  const std::wstring root = TextMember(j, "root");
  bool known = false;
  for (RootKey r : kRoots) {
    if (root == RootKeyName(r)) source.root = r, known = true;
  }
  if (!known) Bad("unknown registry root");
  source.view = ValueOf(kViewNames, j, "view", "registry view");
  source.key_path = TextMember(j, "key");
  source.value_name = TextMember(j, "value");
  from_json(j, source.value);
}

void to_json(Json& j, const FolderSource& source) {
  j["kind"] = "file";
  j["path"] = ToUtf8(source.path);
  j["shortcut"] = source.shortcut;
  j["target"] = ToUtf8(source.target);
  j["arguments"] = ToUtf8(source.arguments);
  j["workingFolder"] = ToUtf8(source.working_folder);
}

void from_json(const Json& j, FolderSource& source) {
  source.path = TextMember(j, "path");
  source.shortcut = TruthMember(j, "shortcut");
  source.target = TextMember(j, "target");
  source.arguments = TextMember(j, "arguments");
  source.working_folder = TextMember(j, "workingFolder");
}

void to_json(Json& j, const WinIniSource& source) {
  j["kind"] = "winini";
  j["file"] = ToUtf8(source.ini_path);
  j["key"] = ToUtf8(source.key);
  j["word"] = ToUtf8(source.word);
  j["position"] = source.position;
  j["occurrence"] = source.occurrence;
}

void from_json(const Json& j, WinIniSource& source) {
  source.ini_path = TextMember(j, "file");
  source.key = TextMember(j, "key");
  source.word = TextMember(j, "word");
  source.position = CountMember(j, "position", kMaxPosition);
  source.occurrence = CountMember(j, "occurrence", kMaxPosition);
}

void to_json(Json& j, const TaskSource& source) {
  j["kind"] = "task";
  j["task"] = ToUtf8(source.path);
  j["action"] = source.action;
  j["workingFolder"] = ToUtf8(source.working_folder);
}

void from_json(const Json& j, TaskSource& source) {
  source.path = TextMember(j, "task");
  source.action = CountMember(j, "action", kMaxAction);
  source.working_folder = TextMember(j, "workingFolder");
}

void to_json(Json& j, const ServiceSource& source) {
  j["kind"] = "service";
  j["service"] = ToUtf8(source.name);
  // Windows' own number for the start type, as the service's key holds it.
  j["start"] = static_cast<uint32_t>(source.start);
  j["delayed"] = source.delayed;
}

void from_json(const Json& j, ServiceSource& source) {
  source.name = TextMember(j, "service");
  const Json& start = Member(j, "start");
  if (!start.is_number_unsigned() ||
      start.get<uint64_t>() > static_cast<uint64_t>(ServiceStart::Disabled)) {
    Bad("unknown start type");
  }
  source.start = static_cast<ServiceStart>(start.get<uint64_t>());
  source.delayed = TruthMember(j, "delayed");
}

// An item of a value: the value as a registry entry's source, and the item.
void to_json(Json& j, const ValueItemSource& source) {
  to_json(j, source.value);
  j["kind"] = "valueitem";
  j["list"] = NameOf(kListNames, source.list);
  j["item"] = ToUtf8(source.item);
  j["position"] = source.position;
  j["occurrence"] = source.occurrence;
}

void from_json(const Json& j, ValueItemSource& source) {
  from_json(j, source.value);
  source.list = ValueOf(kListNames, j, "list", "list");
  source.item = TextMember(j, "item");
  source.position = CountMember(j, "position", kMaxPosition);
  source.occurrence = CountMember(j, "occurrence", kMaxPosition);
}

void to_json(Json& j, const EntrySource& source) {
  j = Json::object();
  std::visit(
      [&j](const auto& s) {
        if constexpr (std::is_same_v<std::decay_t<decltype(s)>, std::monostate>) {
          j["kind"] = "none";
        } else {
          to_json(j, s);
        }
      },
      source);
}

void from_json(const Json& j, EntrySource& source) {
  if (!j.is_object()) Bad("\"source\" is not an object");
  const std::wstring kind = TextMember(j, "kind");
  auto read = [&j, &source](auto s) {
    from_json(j, s);
    source = std::move(s);
  };
  if (kind == L"none") {
    source = std::monostate{};
  } else if (kind == L"registry") {
    read(RegistrySource{});
  } else if (kind == L"file") {
    read(FolderSource{});
  } else if (kind == L"winini") {
    read(WinIniSource{});
  } else if (kind == L"task") {
    read(TaskSource{});
  } else if (kind == L"service") {
    read(ServiceSource{});
  } else if (kind == L"valueitem") {
    read(ValueItemSource{});
  } else {
    Bad("unknown source kind");
  }
}

void to_json(Json& j, const FileTimes& times) {
  j["attributes"] = times.attributes;
  j["created"] = times.created;
  j["accessed"] = times.accessed;
  j["written"] = times.written;
}

void from_json(const Json& j, FileTimes& times) {
  times.attributes = static_cast<uint32_t>(CountMember(j, "attributes", UINT32_MAX));
  times.created = CountMember(j, "created", UINT64_MAX);
  times.accessed = CountMember(j, "accessed", UINT64_MAX);
  times.written = CountMember(j, "written", UINT64_MAX);
}

void to_json(Json& j, const StartupEntry& entry) {
  j["name"] = ToUtf8(entry.name);
  j["running"] = entry.running;
  j["fileName"] = ToUtf8(entry.file_name);
  j["parameters"] = ToUtf8(entry.parameters);
  j["location"] = ToUtf8(entry.location);
  j["enabled"] = entry.enabled;
  to_json(j["source"], entry.source);
  if (entry.signer) j["signer"] = ToUtf8(*entry.signer);
}

void from_json(const Json& j, StartupEntry& entry) {
  if (!j.is_object()) Bad("not an object");
  entry.name = TextMember(j, "name");
  entry.running = TruthMember(j, "running");
  entry.file_name = TextMember(j, "fileName");
  entry.parameters = TextMember(j, "parameters");
  entry.location = TextMember(j, "location");
  entry.enabled = TruthMember(j, "enabled");
  from_json(Member(j, "source"), entry.source);
  // Written once the program's signature is known.
  if (j.contains("signer")) entry.signer = TextMember(j, "signer");
}

void to_json(Json& j, const EntryRecord& record) {
  to_json(j["entry"], record.row);
  // A Startup folder file goes back with its attributes and times.
  if (std::holds_alternative<FolderSource>(record.row.source)) to_json(j["times"], record.times);
  if (record.when != 0) j["when"] = record.when;
  if (!record.how.empty()) j["how"] = ToUtf8(record.how);
  if (!record.moved_to.empty()) j["movedTo"] = ToUtf8(record.moved_to);
  if (record.approval) to_json(j["approval"], *record.approval);
}

void from_json(const Json& j, EntryRecord& record) {
  from_json(Member(j, "entry"), record.row);
  if (j.contains("times") || std::holds_alternative<FolderSource>(record.row.source)) {
    from_json(Member(j, "times"), record.times);
  }
  if (j.contains("when")) record.when = CountMember(j, "when", UINT64_MAX);
  if (j.contains("how")) record.how = TextMember(j, "how");
  if (j.contains("movedTo")) record.moved_to = TextMember(j, "movedTo");
  if (j.contains("approval")) {
    RegistryValue approval;
    from_json(Member(j, "approval"), approval);
    record.approval = std::move(approval);
  }
}

std::string JsonText(const Json& j) {
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json ParseJson(std::string_view text, const JsonLimits& limits) {
  const std::string what = limits.what;
  if (text.size() > limits.bytes) Bad("the file is too large to be " + what);
  // The parser itself does not recurse, but the values it builds must stay
  // small: Korvane's files are a few levels deep and hold a bounded number
  // of values, whatever the file claims.
  size_t values = 0;
  auto limit = [&](int depth, Json::parse_event_t, Json&) {
    if (depth > static_cast<int>(limits.depth)) {
      Bad("the file is nested too deeply to be " + what);
    }
    if (++values > limits.values) Bad("the file holds too many values to be " + what);
    return true;
  };
  try {
    return Json::parse(text.begin(), text.end(), limit, true, false);
  } catch (const Json::parse_error& parse) {
    // "[json.exception.parse_error.101] parse error at line 1, column 3: ..."
    std::string reason = parse.what();
    if (size_t at = reason.find("] "); at != std::string::npos) reason.erase(0, at + 2);
    Bad("the file is not valid JSON: " + reason);
  } catch (const Json::exception& other) {
    Bad("the file is not " + what + ": " + other.what());
  } catch (const std::bad_alloc&) {
    Bad("the file is too large to be " + what);
  }
}

}  // namespace korvane
