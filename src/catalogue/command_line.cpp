#include "catalogue/command_line.h"

#include <map>
#include <optional>
#include <utility>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

const std::array<const wchar_t*, 10> ProgramExtensions = {L"pif", L"com", L"exe", L"bat", L"lnk",
                                                          L"cmd", L"dll", L"ocx", L"scr", L"cpl"};

struct SearchScope::Memory {
  std::map<std::wstring, std::optional<std::wstring>> on_path;
  std::map<std::pair<std::wstring, std::wstring>, std::optional<std::wstring>> executables;
  std::map<std::wstring, bool> files, stems;
};

namespace {

// Per thread: a scan on a worker thread keeps its memory to itself.
thread_local SearchScope::Memory* active_memory = nullptr;

// The answer remembered in the active scope's `table`, else asked.
template <typename Key, typename Value, typename Ask>
Value Remembered(std::map<Key, Value> SearchScope::Memory::*table, const Key& key, Ask ask) {
  if (!active_memory) return ask();
  std::map<Key, Value>& answers = active_memory->*table;
  auto found = answers.find(key);
  if (found == answers.end()) found = answers.emplace(key, ask()).first;
  return found->second;
}

std::optional<std::wstring> ExecutableFor(const std::wstring& file, const std::wstring& directory) {
  return Remembered(&SearchScope::Memory::executables, std::pair(file, directory),
                    [&] { return FindExecutableFor(file, directory); });
}

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

SearchScope::SearchScope() {
  if (active_memory) return;
  memory_ = std::make_unique<Memory>();
  active_memory = memory_.get();
}

SearchScope::~SearchScope() {
  if (memory_) active_memory = nullptr;
}

bool ProgramFileExists(const std::wstring& path) {
  return Remembered(&SearchScope::Memory::files, path, [&] { return FileExists(path); });
}

FileSearch SearchFileOnPath(const std::wstring& name) {
  if (name.empty() || HasWildcard(name)) return {false, name};
  std::optional<std::wstring> found =
      Remembered(&SearchScope::Memory::on_path, name, [&] { return SearchPathFor(name); });
  // The system's search finds folders too ("C:\Program Files" of an unquoted
  // "C:\Program Files (x86)\..."); a folder is no program.
  if (found && ProgramFileExists(*found)) return {true, *found};
  return {false, name};
}

FileSearch FindProgramFile(const std::wstring& name) {
  if (name.empty() || HasWildcard(name) || !FitsPathLimit(name)) return {false, name};
  const bool has_extension = !ExtractFileExt(name).empty();
  // A full path finds nothing when nothing of its name is there: one look
  // saves the searches (a dozen of them for a name without extension).
  if (IsAbsolutePath(name) && !Remembered(&SearchScope::Memory::stems, name, [&] {
        return has_extension ? FileExists(name) || FolderExists(name) : AnyItemWithStem(name);
      })) {
    return {false, name};
  }
  if (has_extension) return SearchFileOnPath(name);

  std::optional<std::wstring> program = ExecutableFor(name, ExtractFilePath(OwnExecutablePath()));
  if (!program) program = ExecutableFor(name, L"");
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

namespace korvane {

namespace {

// A path as the service control manager writes one: "\??\C:\...",
// "\SystemRoot\..." and a path relative to the Windows folder made full.
std::wstring ManagerPath(std::wstring path) {
  path = ExpandEnvironment(path);
  auto starts = [&path](std::wstring_view prefix) {
    return path.size() >= prefix.size() &&
           SameText(std::wstring_view(path).substr(0, prefix.size()), prefix);
  };
  if (starts(L"\\??\\")) return path.substr(4);
  if (starts(L"\\SystemRoot\\")) {
    return IncludeTrailingBackslash(WindowsDirectory()) + path.substr(12);
  }
  if (starts(L"system32\\")) return IncludeTrailingBackslash(WindowsDirectory()) + path;
  return path;
}

}  // namespace

SplitCommand SplitTaskAction(const TaskAction& action) {
  // The Command field names one program, blanks and all, unless it is quoted
  // with more after it.
  SplitCommand split = SplitCommandLine(ExpandEnvironment(action.command));
  const std::wstring arguments = ExpandEnvironment(action.arguments);
  if (!arguments.empty()) {
    split.parameters += (split.parameters.empty() ? L"" : L" ") + arguments;
  }
  return split;
}

SplitCommand SplitServiceImage(const ServiceRecord& service) {
  SplitCommand split = SplitCommandLine(ManagerPath(service.image_path));
  if (!service.service_dll.empty() && SameText(ExtractFileName(split.file_name), L"svchost.exe")) {
    split.file_name = ManagerPath(service.service_dll);
  }
  return split;
}

}  // namespace korvane
