#pragma once
// The refresh's snapshot in its first format: the header line, then one line
// per row of blank-separated fields, every text as the hex digits of its
// UTF-8 bytes. Korvane writes the snapshot as JSON now (snapshot.h); a
// snapshot of this form is still read, and rewritten in the new one at the
// next refresh that writes.
#include <optional>
#include <string_view>

#include "catalogue/entry.h"

namespace korvane {

inline constexpr char kSnapshotV1Header[] = "Korvane snapshot 1";

// The rows; nothing for text that is not a whole snapshot of this form.
std::optional<StartupList> ParseSnapshotV1(std::string_view text);

}  // namespace korvane
