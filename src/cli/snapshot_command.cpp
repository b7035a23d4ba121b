// korvanec export and compare.
#include <chrono>

#include "catalogue/signers.h"
#include "cli/snapshot.h"
#include "cli/verbs.h"
#include "korvane_version.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "platform/files.h"

namespace korvane {

namespace {

// Windows sets both for every session; a name it does not know stays empty.
std::wstring EnvironmentValue(const std::wstring& name) {
  const std::wstring reference = L"%" + name + L"%";
  const std::wstring value = ExpandEnvironment(reference);
  return value == reference ? std::wstring() : value;
}

}  // namespace

CommandResult RunExportVerb(const Arguments& args) {
  Snapshot snapshot;
  snapshot.korvane_version = KORVANE_VERSION_TEXT;
  snapshot.machine = EnvironmentValue(L"COMPUTERNAME");
  snapshot.user = EnvironmentValue(L"USERNAME");
  snapshot.time = IsoTimeUtc(std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count());
  try {
    ScanStartupListWithParked(snapshot.entries);
    // Each program's signer goes along, for compare to tell its updates.
    SignRows(snapshot.entries, true);
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  const std::string json = SnapshotJson(snapshot);
  if (args.words.empty()) return {kExitDone, json, {}};
  try {
    ReplaceFileBytes(args.words[0], json);
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, L"cannot write " + args.words[0] + L": " + error.Text());
  }
  return {};
}

CommandResult RunCompareVerb(const Arguments& args) {
  const std::wstring& path = args.words.at(0);
  // The size is asked first: a file too large to be a snapshot is never read.
  const std::optional<FileStamp> stamp = ReadFileStamp(path);
  if (!stamp) return Failure(kExitUsage, L"cannot read " + path + L": there is no such file");
  if (stamp->size > kMaxSnapshotBytes) {
    return Failure(kExitUsage, path + L": the file is too large to be a snapshot");
  }
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return Failure(kExitUsage, L"cannot read " + path);
  std::wstring reason;
  const std::optional<Snapshot> snapshot = ReadSnapshot(*bytes, reason);
  if (!snapshot) return Failure(kExitUsage, path + L": " + reason);

  StartupList now;
  try {
    ScanStartupListWithParked(now);
    SignRows(now, true);
  } catch (const PlatformError& error) {
    return Failure(kExitFailed, error.Text());
  }
  const std::vector<EntryChange> changes = CompareEntries(snapshot->entries, now);
  return {
      changes.empty() ? kExitDone : kExitNothingMatched, FormatChanges(changes, args.Format()), {}};
}

}  // namespace korvane
