#pragma once
// The first format of the records of removed and parked entries: a header
// line, then one `key value` line per field, every text as the hex digits
// of its UTF-8 bytes. Korvane writes records as JSON now (entry_format.h);
// this reader stays so that what a user kept in it is never lost.
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/entry_record.h"

namespace korvane {

// The record of text under the header line `header`; nothing for text that
// is not a whole record of that form.
std::optional<EntryRecord> ParseEntryRecordV1(const std::string& text, std::string_view header);

}  // namespace korvane
