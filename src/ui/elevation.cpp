#include "ui/elevation.h"

#include <nlohmann/json.hpp>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace korvane {

namespace {

// One argument as CommandLineToArgvW reads it back: quoted when it holds a
// blank or a quote or is empty, a quote escaped, and the backslashes before
// a quote (or the closing one) doubled.
std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring ResultFile() {
  const std::wstring local = LocalAppDataFolder();
  if (local.empty()) throw PlatformError(L"The local application data folder is not known.");
  const std::wstring folder = IncludeTrailingBackslash(local) + L"Korvane";
  CreateFolder(folder);
  return folder + L"\\elevated-result.json";
}

// The rows' actions from korvanec's result file; Failed when it is missing or
// not what korvanec writes.
ElevatedResult ReadResult(const std::wstring& file, size_t rows, uint32_t exit_code) {
  ElevatedResult result;
  const std::wstring ended = L"korvanec ended with exit code " + std::to_wstring(exit_code);
  const std::optional<std::string> bytes = ReadFileBytes(file);
  RemoveFile(file);
  if (!bytes) {
    result.error = ended + L" and left no result.";
    return result;
  }
  const nlohmann::json written = nlohmann::json::parse(*bytes, nullptr, false);
  if (!written.is_object() || !written.contains("output") || !written["output"].is_string() ||
      !written.contains("errors") || !written["errors"].is_string()) {
    result.error = ended + L" and left a result that can't be read.";
    return result;
  }
  const nlohmann::json actions =
      nlohmann::json::parse(written["output"].get<std::string>(), nullptr, false);
  if (!actions.is_array() || actions.size() != rows) {
    // No row was acted on: korvanec says why on its error lines.
    std::wstring errors = FromUtf8(written["errors"].get<std::string>());
    const std::wstring prefix = L"korvanec: ";
    if (errors.compare(0, prefix.size(), prefix) == 0) errors.erase(0, prefix.size());
    while (!errors.empty() && (errors.back() == L'\n' || errors.back() == L'\r')) errors.pop_back();
    result.error = errors.empty() ? ended + L"." : errors;
    return result;
  }
  for (const nlohmann::json& action : actions) {
    const auto text = [&](const char* key) {
      return action.is_object() && action.contains(key) && action[key].is_string()
                 ? FromUtf8(action[key].get<std::string>())
                 : std::wstring();
    };
    result.actions.push_back({text("outcome"), text("detail")});
  }
  result.kind = ElevatedResult::Kind::Done;
  return result;
}

}  // namespace

std::wstring ElevatedCommandLine(const std::wstring& verb, const std::vector<std::wstring>& options,
                                 const StartupList& rows, const std::wstring& data_folder,
                                 const std::wstring& result_file) {
  std::wstring line = L"--data-folder " + QuoteArgument(data_folder) + L" --result " +
                      QuoteArgument(result_file) + L" " + verb + L" --format json --exact";
  for (const std::wstring& option : options) line += L" " + QuoteArgument(option);
  line += L" --";
  for (const StartupEntry& row : rows) {
    line += L" " + QuoteArgument(row.location) + L" " + QuoteArgument(EntryPlace(row));
  }
  return line;
}

ElevatedResult ChangeAsAdministrator(const std::wstring& verb,
                                     const std::vector<std::wstring>& options,
                                     const StartupList& rows, void* owner) {
  ElevatedResult result;
  try {
    const std::wstring result_file = ResultFile();
    RemoveFile(result_file);
    const std::wstring korvanec = ExtractFilePath(OwnExecutablePath()) + L"korvanec.exe";
    const ElevatedRun run = RunElevated(
        korvanec, ElevatedCommandLine(verb, options, rows, LocalAppDataFolder(), result_file),
        /*wait=*/true, owner);
    switch (run.outcome) {
      case ElevatedRun::Outcome::Declined:
        result.kind = ElevatedResult::Kind::Declined;
        return result;
      case ElevatedRun::Outcome::Ended:
        return ReadResult(result_file, rows.size(), run.exit_code);
      default:
        result.error = L"korvanec could not be started as administrator: " + run.error;
        return result;
    }
  } catch (const PlatformError& error) {
    result.error = error.Text();
  }
  return result;
}

std::vector<std::wstring> ElevatedReasons(size_t rows, const ElevatedResult& result) {
  std::wstring all;
  if (result.kind == ElevatedResult::Kind::Declined) {
    all = L"Administrator rights were not given: nothing was changed.";
  } else if (result.kind == ElevatedResult::Kind::Failed || result.actions.size() != rows) {
    all = result.error.empty() ? L"korvanec did not say what it did." : result.error;
  }
  std::vector<std::wstring> reasons(rows, all);
  for (size_t i = 0; all.empty() && i < rows && i < result.actions.size(); ++i) {
    if (result.actions[i].outcome == L"failed") reasons[i] = result.actions[i].detail;
  }
  return reasons;
}

std::wstring ElevatedFailures(const StartupList& rows, const ElevatedResult& result) {
  const std::vector<std::wstring> reasons = ElevatedReasons(rows.size(), result);
  std::wstring failures;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (reasons[i].empty()) continue;
    failures += (failures.empty() ? L"" : L"\n") + rows[i].name + L": " + reasons[i];
  }
  return failures;
}

std::wstring AdministratorNote(const StartupList& rows) {
  if (rows.empty()) return {};
  constexpr size_t kNamed = 10;
  std::wstring note = L"\n\nChanging these needs administrator rights (Windows asks for them):";
  for (size_t i = 0; i < rows.size() && i < kNamed; ++i) {
    note += L"\n\"" + rows[i].name + L"\" in " + rows[i].location;
  }
  if (rows.size() > kNamed) note += L"\nand " + std::to_wstring(rows.size() - kNamed) + L" more";
  return note;
}

bool RestartAsAdministrator(uint32_t own_process_id, std::wstring& error, void* owner) {
  const ElevatedRun run = RunElevated(
      OwnExecutablePath(), std::wstring(kRestartedSwitch) + L" " + std::to_wstring(own_process_id),
      false, owner);
  error = run.outcome == ElevatedRun::Outcome::Failed ? run.error : L"";
  return run.outcome == ElevatedRun::Outcome::Started || run.outcome == ElevatedRun::Outcome::Ended;
}

}  // namespace korvane
