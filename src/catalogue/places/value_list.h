#pragma once
// The items of a registry value that Windows reads as a list of programs:
// where each stands, and the value without one of them or with it put back,
// the other items and separators kept as Windows reads them.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"

namespace korvane {

// The text that holds the items: a string up to its terminator, a
// multi-string up to the empty string that ends it.
std::wstring ListText(const RegistryValue& value, ItemList list);

// Where an item stands in that text: each is the text before the next
// separator (an empty one where two meet).
struct Piece {
  size_t at, length;
};
std::vector<Piece> Pieces(const std::wstring& list_text, ItemList list);

// An item without the blanks around it.
std::wstring Trimmed(const std::wstring& text);

// The item's index in the list now: at its position if it is still there,
// else by its occurrence among equal items.
std::optional<size_t> FindItem(const std::wstring& list_text, const ValueItemSource& source);

// The value without the item (and one separator beside it: the one after
// it, for the last item the one before it); nothing when it holds no such
// item. And the value with the item put in at its position, with a separator.
std::optional<RegistryValue> Without(const RegistryValue& value, const ValueItemSource& source);
RegistryValue With(const RegistryValue& value, const ValueItemSource& source);

}  // namespace korvane
