#include "catalogue/command_line.h"

#include <optional>

#include "platform/files.h"
#include "platform/text.h"

namespace korvane {

const std::array<const wchar_t*, 10> ProgramExtensions = {L"pif", L"com", L"exe", L"bat", L"lnk",
                                                          L"cmd", L"dll", L"ocx", L"scr", L"cpl"};

namespace {

bool HasWildcard(const std::wstring& name) {
  return name.find_first_of(L"*?") != std::wstring::npos;
}

// Appends the found program's extension to a name that has none. `search` is
// the search already made for this name, if any.
std::wstring CompleteExtension(std::wstring name, std::optional<FileSearch> search) {
  if (name.empty() || !ExtractFileExt(name).empty()) return name;
  if (!search) search = FindProgramFile(name);
  if (search->found) name += ExtractFileExt(search->path);
  return name;
}

}  // namespace

FileSearch SearchFileOnPath(const std::wstring& name) {
  if (name.empty() || HasWildcard(name)) return {false, name};
  if (std::optional<std::wstring> found = SearchPathFor(name)) return {true, *found};
  return {false, name};
}

FileSearch FindProgramFile(const std::wstring& name) {
  if (name.empty() || HasWildcard(name) || !FitsPathLimit(name)) return {false, name};
  if (!ExtractFileExt(name).empty()) return SearchFileOnPath(name);

  std::optional<std::wstring> program =
      FindExecutableFor(name, ExtractFilePath(OwnExecutablePath()));
  if (!program) program = FindExecutableFor(name, L"");
  std::wstring associated;
  if (program) {
    associated = ExtractFileExt(*program);
    FileSearch search = SearchFileOnPath(name + associated);
    if (search.found) return search;
  }
  for (const wchar_t* extension : ProgramExtensions) {
    std::wstring dotted = std::wstring(L".") + extension;
    if (program && dotted == associated) continue;
    FileSearch search = SearchFileOnPath(name + dotted);
    if (search.found) return search;
  }
  return SearchFileOnPath(name);
}

SplitCommand SplitCommandLine(const std::wstring& command) {
  SplitCommand split;
  if (!command.empty() && command.front() == L'"') {
    size_t close = command.find(L'"', 1);
    if (close == std::wstring::npos) {
      split.file_name = command.substr(1);
    } else {
      split.file_name = command.substr(1, close - 1);
      size_t start = close + 1;
      if (start < command.size() && static_cast<unsigned>(command[start]) < 33) ++start;
      split.parameters = command.substr(std::min(start, command.size()));
    }
    split.file_name = CompleteExtension(std::move(split.file_name), std::nullopt);
    return split;
  }

  std::wstring rest = command.substr(std::min(command.find_first_not_of(L' '), command.size()));
  size_t first_blank = rest.find(L' ');
  size_t split_at = std::wstring::npos;
  std::optional<FileSearch> search;
  // The shortest candidate before a blank that names a program wins. Past
  // the path limit no candidate can name one, so a long command costs no
  // more searches than a short one.
  for (size_t blank = first_blank; blank != std::wstring::npos;
       blank = rest.find(L' ', blank + 1)) {
    if (!FitsPathLimit(std::wstring_view(rest).substr(0, blank))) break;
    FileSearch candidate = FindProgramFile(rest.substr(0, blank));
    if (candidate.found) {
      split_at = blank;
      search = candidate;
      break;
    }
  }
  if (split_at == std::wstring::npos && first_blank != std::wstring::npos) {
    FileSearch whole = FindProgramFile(rest);
    if (whole.found) {
      search = whole;
    } else {
      // The first candidate was searched already and not found.
      split_at = first_blank;
      search = FileSearch{false, rest.substr(0, first_blank)};
    }
  }
  split.file_name = CompleteExtension(rest.substr(0, split_at), search);
  if (split_at != std::wstring::npos) split.parameters = rest.substr(split_at + 1);
  return split;
}

}  // namespace korvane
