// Putting a recorded entry back in its place.
#include <variant>

#include "catalogue/approval.h"
#include "catalogue/entry_record.h"
#include "catalogue/location.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "platform/tasks.h"
#include "platform/text.h"

namespace korvane {

namespace {

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

PutBackResult Taken(std::wstring reason) {
  return {PutBackResult::Taken, std::move(reason), {}};
}

PutBackResult Failed(std::wstring reason) {
  return {PutBackResult::Failed, std::move(reason), {}};
}

// The row of an entry put back under another name.
StartupEntry Renamed(StartupEntry row, const std::wstring& name) {
  if (auto* value = std::get_if<RegistrySource>(&row.source)) {
    value->value_name = name;
    row.name = name;
  } else if (auto* file = std::get_if<FolderSource>(&row.source)) {
    const std::wstring path = IncludeTrailingBackslash(ExtractFilePath(file->path)) + name;
    if (SameText(row.file_name, file->path)) row.file_name = path;
    row.name = SameText(ExtractFileExt(name), L".lnk") ? WithoutExtension(name) : name;
    file->path = path;
  } else if (auto* task = std::get_if<TaskSource>(&row.source)) {
    task->path = name;
    row.name = name;
  }
  return row;
}

PutBackResult PutValueBack(const EntryRecord& record, TakenPlace taken) {
  const auto& value = std::get<RegistrySource>(record.row.source);
  TRegistry reg(value.view);
  reg.SetRootKey(value.root);
  if (!reg.OpenKey(value.key_path, true)) {
    return Failed(L"The key " + record.row.location + L" cannot be opened.");
  }
  std::wstring name = value.value_name;
  std::optional<RegistryValue> there = reg.ReadValue(name);
  if (there && *there != value.value) {
    if (taken == TakenPlace::Refuse) {
      return Taken(L"Another entry of that name is in its location now.");
    }
    if (taken == TakenPlace::Rename) {
      for (int n = 2; there && *there != value.value; ++n) {
        name = NumberedName(value.value_name, n, L"");
        there = reg.ReadValue(name);
      }
    }
  }
  if (!there || *there != value.value) reg.WriteValue(name, value.value);
  return {PutBackResult::Done, {}, Renamed(record.row, name)};
}

PutBackResult PutFileBack(const EntryCopy& copy, TakenPlace taken) {
  const auto& file = std::get<FolderSource>(copy.record.row.source);
  std::wstring path = file.path;
  std::optional<std::string> there = ReadFileBytes(path);
  const bool occupied = FileExists(path) || FolderExists(path);
  if (occupied && there != copy.bytes) {
    if (taken == TakenPlace::Refuse || FolderExists(path)) {
      return Taken(L"Another file of that name is in its folder now.");
    }
    if (taken == TakenPlace::Rename) {
      const std::wstring folder = IncludeTrailingBackslash(ExtractFilePath(file.path));
      const std::wstring name = ExtractFileName(file.path);
      for (int n = 2;; ++n) {
        path = folder + NumberedName(WithoutExtension(name), n, ExtractFileExt(name));
        there = ReadFileBytes(path);
        if (there == copy.bytes || (!FileExists(path) && !FolderExists(path))) break;
      }
    }
  }
  if (there != copy.bytes) {
    CreateFolder(ExcludeTrailingBackslash(ExtractFilePath(path)));
    // A file written over is replaced whole, never left half written.
    ReplaceFileBytes(path, copy.bytes);
    WriteFileTimes(path, copy.record.times);
  }
  return {PutBackResult::Done, {}, Renamed(copy.record.row, ExtractFileName(path))};
}

// A task is registered again from its definition.
PutBackResult PutTaskBack(const EntryCopy& copy, TakenPlace taken) {
  const auto& task = std::get<TaskSource>(copy.record.row.source);
  const std::wstring definition = FromUtf8(copy.bytes);
  std::wstring path = task.path;
  std::optional<std::wstring> there = ReadTaskDefinition(path);
  if (there && *there != definition) {
    if (taken == TakenPlace::Refuse) return Taken(L"Another task of that name is registered now.");
    if (taken == TakenPlace::Replace) {
      DeleteTask(path);
      there.reset();
    }
    for (int n = 2; there && *there != definition; ++n) {
      path = NumberedName(task.path, n, L"");
      there = ReadTaskDefinition(path);
    }
  }
  if (!there) RegisterTask(path, definition);
  return {PutBackResult::Done, {}, Renamed(copy.record.row, path)};
}

}  // namespace

PutBackResult PutEntryBack(const EntryCopy& copy, TakenPlace taken) {
  const EntrySource& source = copy.record.row.source;
  PutBackResult result;
  try {
    if (std::holds_alternative<RegistrySource>(source)) {
      result = PutValueBack(copy.record, taken);
    } else if (std::holds_alternative<FolderSource>(source)) {
      result = PutFileBack(copy, taken);
    } else if (std::holds_alternative<TaskSource>(source)) {
      result = PutTaskBack(copy, taken);
    } else if (const auto* word = std::get_if<WinIniSource>(&source)) {
      TIniFile ini(word->ini_path);
      const std::wstring words = ini.ReadStringForUpdate(L"Windows", word->key);
      ini.WriteString(L"windows", word->key, WithWord(words, *word));
      result = {PutBackResult::Done, {}, copy.record.row};
    } else {
      return Failed(L"The record names no place.");
    }
    if (result.outcome != PutBackResult::Done) return result;
    // The approval as it was, or none: the entry comes back as it went.
    if (std::optional<ApprovalPlace> place = ApprovalPlaceOf(result.row)) {
      if (copy.record.approval) {
        WriteApprovalValue(*place, *copy.record.approval);
      } else {
        DeleteApproval(*place);
      }
    }
  } catch (const PlatformError& error) {
    return Failed(error.Text());
  }
  result.row.enabled = !copy.record.approval || !ApprovalSaysOff(*copy.record.approval);
  return result;
}

}  // namespace korvane
