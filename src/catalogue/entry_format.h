#pragma once
// One format for an entry, wherever Korvane writes one down: the records of
// removed and parked entries, the refresh's snapshot and the snapshots of
// `korvanec export` all hold entries as the JSON objects made here, with
// the names `korvanec export` gave them first. Every reader takes its input
// as another program's: each conversion checks the type and range of what
// it reads and throws EntryFormatError, and nothing else, for anything off.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "catalogue/entry.h"
#include "catalogue/entry_record.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace korvane {

// Ordered, so that fields come out in the order they are written.
using Json = nlohmann::ordered_json;

// What a reader throws; its text is one line that names the field.
class EntryFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Bytes as lowercase hex digits, two a byte, and back: nothing for an odd
// length or a character that is no hex digit.
std::string Hex(std::string_view bytes);
std::optional<std::string> Unhex(std::string_view hex);

// The members of an object, read with their type checked.
const Json& Member(const Json& object, const char* key);
std::wstring TextMember(const Json& object, const char* key);
bool TruthMember(const Json& object, const char* key);
uint64_t CountMember(const Json& object, const char* key, uint64_t max);

// A value's type by its name ("REG_SZ") and its data in hex, as two fields
// of the object that holds it.
void to_json(Json& j, const RegistryValue& value);
void from_json(const Json& j, RegistryValue& value);

// Each source writes its "kind" first and then what it holds.
void to_json(Json& j, const RegistrySource& source);
void from_json(const Json& j, RegistrySource& source);
void to_json(Json& j, const FolderSource& source);
void from_json(const Json& j, FolderSource& source);
void to_json(Json& j, const WinIniSource& source);
void from_json(const Json& j, WinIniSource& source);
void to_json(Json& j, const TaskSource& source);
void from_json(const Json& j, TaskSource& source);
void to_json(Json& j, const ServiceSource& source);
void from_json(const Json& j, ServiceSource& source);
// Any source by its kind; an entry without a place is {"kind": "none"}.
void to_json(Json& j, const EntrySource& source);
void from_json(const Json& j, EntrySource& source);

void to_json(Json& j, const FileTimes& times);
void from_json(const Json& j, FileTimes& times);

void to_json(Json& j, const StartupEntry& entry);
void from_json(const Json& j, StartupEntry& entry);

// A record's fields beside its entry; its "format" is the store's business.
void to_json(Json& j, const EntryRecord& record);
void from_json(const Json& j, EntryRecord& record);

// JSON text as Korvane writes it: indented, UTF-8, ending in a newline.
std::string JsonText(const Json& j);
// The limits of a file that another program may have written, and what the
// file should be ("a snapshot"), for the reason when it is not.
struct JsonLimits {
  size_t bytes, depth, values;
  const char* what;
};
// The JSON of such text; throws EntryFormatError with the reason, in one
// line, for text past the limits or that is not JSON.
Json ParseJson(std::string_view text, const JsonLimits& limits);

}  // namespace korvane
