#include "catalogue/places/win_ini_word.h"

#include <algorithm>

#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "catalogue/scan.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace korvane {

namespace {

const WinIniSource& Word(const StartupEntry& row) {
  return std::get<WinIniSource>(row.source);
}

bool InList(const WinIniSource& word) {
  const std::wstring list = TIniFile(word.ini_path).ReadString(L"windows", word.key, L"");
  for (const auto& [at, length] : WinIniWords(list)) {
    if (SameText(list.substr(at, length), word.word)) return true;
  }
  return false;
}

// Removes the word and one blank beside it (the one after it; for a last
// word the one before it) from its place in the list, so that putting the
// word back at its place gives the line as it was; where the list changed
// since the scan, the word's occurrence among equal words. False when it is
// not there.
bool RemoveWord(std::wstring& words, const WinIniSource& source) {
  const auto places = WinIniWords(words);
  auto is_word = [&](size_t i) {
    return words.compare(places[i].first, places[i].second, source.word) == 0;
  };
  std::optional<size_t> found;
  if (source.position < places.size() && is_word(source.position)) {
    found = source.position;
  } else {
    size_t seen = 0;
    for (size_t i = 0; i < places.size() && !found; ++i) {
      if (is_word(i) && seen++ == source.occurrence) found = i;
    }
  }
  if (!found) return false;
  auto [start, length] = places[*found];
  if (start + length < words.size()) {
    ++length;
  } else if (start > 0) {
    --start;
    ++length;
  }
  words.erase(start, length);
  return true;
}

// Puts `word` back at its place among the words of the list, with the one
// blank that its removal took: before the word now at its place, or after
// the last word (before any blanks that end the line).
std::wstring WithWord(const std::wstring& words, const WinIniSource& source) {
  const auto places = WinIniWords(words);
  std::wstring out = words;
  if (source.position < places.size()) {
    out.insert(places[source.position].first, source.word + L" ");
  } else if (places.empty()) {
    out.insert(0, source.word);
  } else {
    out.insert(places.back().first + places.back().second, L" " + source.word);
  }
  return out;
}

class WinIniWordKind : public PlaceKind {
 public:
  const wchar_t* Word(const StartupEntry&) const override { return L"ini"; }

  std::wstring Place(const StartupEntry& row) const override {
    const WinIniSource& word = korvane::Word(row);
    return L"I" + std::to_wstring(word.occurrence) + L"|" + word.word;
  }

  bool SamePlace(const StartupEntry& a, const StartupEntry& b) const override {
    const WinIniSource &x = korvane::Word(a), &y = korvane::Word(b);
    return SameText(x.ini_path, y.ini_path) && SameText(x.key, y.key) && x.position == y.position &&
           x.word == y.word;
  }

  // A word leaves nothing behind in its list: nothing of it remains once it
  // is gone, and a new word takes no other's place.
  bool StillThere(const StartupEntry&) const override { return false; }
  bool StandsAsRead(const StartupEntry& row) const override { return InList(korvane::Word(row)); }

  // The word is all its content: there is nothing more to keep.
  bool Capture(EntryCopy&, std::wstring&) const override { return true; }

  bool StandsInPlace(const EntryCopy& copy) const override {
    try {
      return InList(korvane::Word(copy.record.row));
    } catch (const PlatformError&) {
      return false;
    }
  }

  bool Remove(const StartupEntry& row) const override {
    const WinIniSource& word = korvane::Word(row);
    TIniFile ini(word.ini_path);
    std::wstring words = ini.ReadStringForUpdate(L"Windows", word.key);
    if (RemoveWord(words, word)) ini.WriteString(L"windows", word.key, words);
    return true;
  }

  PutBackResult PutBack(const EntryCopy& copy, TakenPlace) const override {
    const WinIniSource& word = korvane::Word(copy.record.row);
    TIniFile ini(word.ini_path);
    const std::wstring words = ini.ReadStringForUpdate(L"Windows", word.key);
    ini.WriteString(L"windows", word.key, WithWord(words, word));
    return {PutBackResult::Done, {}, copy.record.row};
  }

  // No word that would cut win.ini's line.
  bool Restorable(const StartupEntry& row) const override {
    const WinIniSource& word = korvane::Word(row);
    return !word.word.empty() && (word.key == L"run" || word.key == L"load") &&
           std::none_of(word.word.begin(), word.word.end(), [](wchar_t c) { return c <= L' '; });
  }

  bool NamesStartupPlace(const StartupEntry& row,
                         const std::vector<StartupLocation>& places) const override {
    const WinIniSource& word = korvane::Word(row);
    return std::any_of(places.begin(), places.end(), [&word](const StartupLocation& place) {
      return place.kind == StartupLocationKind::WinIniLocation &&
             SameText(place.path, word.ini_path);
    });
  }

  JumpPlace Jump(const StartupEntry& row) const override {
    return {JumpPlace::Kind::WinIni, korvane::Word(row).ini_path};
  }
};

}  // namespace

const PlaceKind& WinIniWordPlace() {
  static const WinIniWordKind kind;
  return kind;
}

void ListWinIniKey(const StartupLocation& location, StartupScan& scan) {
  std::wstring words = TIniFile(location.path).ReadString(L"Windows", location.key, L"");
  std::wstring text = LocationText(location);
  const auto places = WinIniWords(words);
  for (size_t i = 0; i < places.size(); ++i) {
    std::wstring word = words.substr(places[i].first, places[i].second);
    if (word.empty()) continue;
    size_t occurrence = 0;
    for (size_t j = 0; j < i; ++j) {
      if (words.compare(places[j].first, places[j].second, word) == 0) ++occurrence;
    }
    std::wstring name = ExtractFileTitle(word);
    scan.Add(std::move(name), word, L"", text,
             WinIniSource{location.path, location.key, word, i, occurrence});
  }
}

}  // namespace korvane
