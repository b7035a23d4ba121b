#include "catalogue/places/value_list.h"

#include <algorithm>

namespace korvane {

namespace {

// The value's data as UTF-16 text, every character of it.
std::wstring DataText(const RegistryValue& value) {
  std::wstring text;
  for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
    text += static_cast<wchar_t>(value.data[i] | (value.data[i + 1] << 8));
  }
  return text;
}

RegistryValue WithDataText(const RegistryValue& value, const std::wstring& text) {
  RegistryValue out{value.type, {}};
  for (wchar_t c : text) {
    out.data.push_back(static_cast<uint8_t>(c & 0xFF));
    out.data.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
  }
  // An odd byte at the end is no character; it stays where it was.
  if (value.data.size() % 2 != 0) out.data.push_back(value.data.back());
  return out;
}

// The part of the data that holds the items: a string up to its terminator,
// a multi-string up to the empty string that ends it. What follows is kept.
size_t ListEnd(const std::wstring& text, ItemList list) {
  const size_t end =
      list == ItemList::MultiString ? text.find(std::wstring(2, L'\0')) : text.find(L'\0');
  return std::min(end, text.size());
}

const wchar_t* Separators(ItemList list) {
  switch (list) {
    case ItemList::Commas:
      return L",";
    case ItemList::Blanks:
      return L" ,";
    case ItemList::MultiString:
      return L"";  // with the NUL that find_first_of can't take, below
    case ItemList::Whole:
      break;
  }
  return nullptr;
}

}  // namespace

std::wstring ListText(const RegistryValue& value, ItemList list) {
  const std::wstring text = DataText(value);
  return text.substr(0, ListEnd(text, list));
}

// Where the items of the list stand: each is the text before the next
// separator (an empty one where two meet).
std::vector<Piece> Pieces(const std::wstring& list_text, ItemList list) {
  if (list == ItemList::Whole) return {{0, list_text.size()}};
  std::vector<Piece> pieces;
  size_t at = 0;
  for (;;) {
    const size_t next = list == ItemList::MultiString
                            ? list_text.find(L'\0', at)
                            : list_text.find_first_of(Separators(list), at);
    if (next == std::wstring::npos) {
      pieces.push_back({at, list_text.size() - at});
      return pieces;
    }
    pieces.push_back({at, next - at});
    at = next + 1;
  }
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The item's index in the list now: at its position if it is still there,
// else by its occurrence among equal items.
std::optional<size_t> FindItem(const std::wstring& list_text, const ValueItemSource& source) {
  const std::vector<Piece> pieces = Pieces(list_text, source.list);
  auto is_item = [&](size_t i) {
    return list_text.compare(pieces[i].at, pieces[i].length, source.item) == 0;
  };
  if (source.position < pieces.size() && is_item(source.position)) return source.position;
  size_t seen = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (is_item(i) && seen++ == source.occurrence) return i;
  }
  return std::nullopt;
}

// The value without the item (and one separator beside it: the one after
// it, for the last item the one before it); nothing when it holds no such item.
std::optional<RegistryValue> Without(const RegistryValue& value, const ValueItemSource& source) {
  const std::wstring text = DataText(value);
  const size_t end = ListEnd(text, source.list);
  std::wstring list_text = text.substr(0, end);
  const std::optional<size_t> found = FindItem(list_text, source);
  if (!found) return std::nullopt;
  auto [start, length] = Pieces(list_text, source.list)[*found];
  if (start + length < list_text.size()) {
    ++length;
  } else if (start > 0) {
    --start;
    ++length;
  }
  list_text.erase(start, length);
  return WithDataText(value, list_text + text.substr(end));
}

// The value with the item put in at its position, with a separator.
RegistryValue With(const RegistryValue& value, const ValueItemSource& source) {
  const std::wstring text = DataText(value);
  const size_t end = ListEnd(text, source.list);
  std::wstring list_text = text.substr(0, end);
  std::wstring rest = text.substr(end);
  const wchar_t separator = source.list == ItemList::MultiString ? L'\0'
                            : source.list == ItemList::Blanks    ? L' '
                                                                 : L',';
  const std::vector<Piece> pieces = Pieces(list_text, source.list);
  if (list_text.empty()) {
    list_text = source.item;
  } else if (source.position < pieces.size()) {
    list_text.insert(pieces[source.position].at, source.item + separator);
  } else {
    list_text += separator + source.item;
  }
  if (source.list == ItemList::MultiString && rest.size() < 2) rest = std::wstring(2, L'\0');
  if (source.list != ItemList::MultiString && rest.empty()) rest = std::wstring(1, L'\0');
  return WithDataText(value, list_text + rest);
}

}  // namespace korvane
