#include "catalogue/entry.h"

#include "catalogue/places/place_kind.h"
#include "platform/text.h"

namespace korvane {

std::wstring EntryIdentity(const StartupEntry& entry) {
  return AsciiUpper(entry.location + L"\n" + EntryPlace(entry));
}

std::wstring EntryPlace(const StartupEntry& entry) {
  return PlaceOf(entry).Place(entry);
}

bool SamePlace(const StartupEntry& a, const StartupEntry& b) {
  const PlaceKind& kind = PlaceOf(a);
  return &kind == &PlaceOf(b) && kind.SamePlace(a, b);
}

}  // namespace korvane
