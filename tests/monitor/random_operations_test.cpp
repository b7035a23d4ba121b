// Thousands of random operations of every kind that changes an entry, with
// write faults injected at random on the memory platform, checked after each
// against what must exist: every entry the test made is in a place, aside in
// the parked store or kept in the store of removed entries (unless that
// store, at its bound, dropped it among its oldest records); none is in two
// places, unless a move reported that it kept both copies; none has another
// command than it was made with.
//
// KORVANE_RANDOM_OPS sets the count (the full run: 10000 natively, 500 under
// Wine) and KORVANE_RANDOM_SEED the seed; the default is a short run for
// every build of the suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "catalogue/approval.h"
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "catalogue/scan.h"
#include "catalogue/undo_store.h"
#include "monitor/blacklist.h"
#include "monitor/new_entries.h"
#include "monitor/parked.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "support/world.h"
#include "ui/new_entry.h"

namespace korvane {
namespace {

// The places "New startup entry" offers that hold ordinary entries (the
// Userinit value and RunOnceEx's subkeys are left out).
constexpr size_t kAddPlaces[] = {0, 1, 2, 3, 4, 6, 7, 9, 10, 11, 12, 13};

struct Token {
  std::wstring file, parameters, title;
  bool required = true;        // must exist somewhere
  bool both_copies = false;    // a move reported that it kept the old entry too
  std::wstring newest_record;  // the id of its latest copy seen in the store
};

class RandomOperations {
 public:
  explicit RandomOperations(uint32_t seed) : random_(seed) {}

  void Run(int count) {
    for (int i = 0; i < 12; ++i) Add(false);
    for (op_ = 0; op_ < count; ++op_) {
      trace_.clear();
      parked_.reset();
      InjectFault();
      const int kind = Pick(11);
      trace_ = L"kind " + std::to_wstring(kind) + trace_;
      try {
        Do(kind);
      } catch (const PlatformError& error) {
        // The platform's error ends the command, as the window's error box does.
        ++counts[L"ended by an error"];
        errors.insert(error.Text());
      }
#ifndef _WIN32
      memory::ClearFaults();
#endif
      if (op_ % 25 == 24) ForgetCopiesOfLiveEntries();
      Check();
      if (::testing::Test::HasFatalFailure()) return;
    }
  }

  std::map<std::wstring, int> counts;  // operations done, by what they did
  std::set<std::wstring> errors;
  size_t most_records = 0;  // in the store of removed entries after any operation

 private:
  void Do(int kind) {
    switch (kind) {
      case 0:
        Add(Pick(2) == 0);
        break;
      case 1:
        Delete();
        break;
      case 2:
      case 3:
        Switch(kind == 3);
        break;
      case 4:
        Restore();
        break;
      case 5:
      case 6:
        Move();
        break;
      case 7:
        Blacklist();
        break;
      case 8:
        UndoChange();
        break;
      case 9:
        Switch(false, /*park=*/true);
        break;
      default:
        Add(true);
        break;
    }
  }

  int Pick(int n) {
    return static_cast<int>(random_() % static_cast<uint32_t>(n));
  }

  void InjectFault() {
#ifndef _WIN32
    static constexpr memory::Fault kFaults[] = {
        memory::Fault::RegistryWrite, memory::Fault::FileWrite,    memory::Fault::FileMove,
        memory::Fault::FileDelete,    memory::Fault::ProfileWrite, memory::Fault::RegistryOpen,
        memory::Fault::FileRead,      memory::Fault::RegistryRead, memory::Fault::ShellLink};
    if (Pick(3) == 0) {
      const int fault = Pick(std::size(kFaults));
      memory::FailNext(kFaults[fault]);
      trace_ += L" [fault " + std::to_wstring(fault) + L"]";
    }
#endif
  }

  std::wstring Where() const {
    return L"operation " + std::to_wstring(op_) + L" (" + trace_ + L"): ";
  }

  static StartupList Rows() {
    StartupList rows;
    ScanStartupListWithParked(rows);
    return rows;
  }

  int TokenOf(const std::wstring& file_name) const {
    auto found = token_of_.find(AsciiUpper(file_name));
    return found == token_of_.end() ? -1 : found->second;
  }

  void Keep(const Token& token) {
    token_of_[AsciiUpper(token.file)] = static_cast<int>(tokens_.size());
    tokens_.push_back(token);
  }

  // A row of the list made by this test, or nothing.
  std::optional<StartupEntry> AnyRow(const std::function<bool(const StartupEntry&)>& fits) {
    StartupList candidates;
    for (StartupEntry& row : Rows()) {
      if (TokenOf(row.file_name) >= 0 && fits(row)) candidates.push_back(std::move(row));
    }
    if (candidates.empty()) return std::nullopt;
    StartupEntry& row = candidates[Pick(static_cast<int>(candidates.size()))];
    trace_ += L" on " + row.name + L" " + row.file_name + L" in " + row.location +
              (row.enabled ? L"" : L" (off)");
    return std::move(row);
  }

  bool InPlace(const StartupEntry& row) {
    // A parked row is listed where it was; its place no longer holds it. The
    // store is read once for all the rows of one choice.
    if (!parked_) parked_ = ReadParkedEntries();
    for (const ParkedEntry& parked : *parked_) {
      if (SamePlace(parked.row, row)) return false;
    }
    return true;
  }

  void Add(bool replace) {
    // A world of a few dozen entries, as a user has: every check scans it
    // whole. There one goes for each one made, so that new entries keep coming
    // and the store of removed entries fills up to its bound.
    if (Rows().size() >= 40) Delete();
    const size_t place = kAddPlaces[Pick(std::size(kAddPlaces))];
    const bool ini = NewEntryLocations()[place].kind == NewEntryLocationKind::WinIni;
    Token token;
    const std::wstring n = std::to_wstring(tokens_.size());
    token.file = test::kRoot + L"\\P\\prog" + n + L".exe";
    token.parameters = ini ? L"" : L"-p" + n;
    // Some with arguments of a few hundred characters, as installers write.
    if (!ini && Pick(3) == 0) token.parameters += L" " + std::wstring(200 + Pick(241), L'x');
    token.title = L"E" + n;
    std::vector<std::wstring>& titles = titles_[place];
    if (replace && !titles.empty()) token.title = titles[Pick(static_cast<int>(titles.size()))];
    NewEntry entry{token.title, token.file, token.parameters, place};
    try {
      PlaceNewEntry(entry);
      ++counts[replace ? L"add, replacing" : L"add"];
    } catch (const PlatformError&) {
      ++counts[L"add failed"];
    }
    token.required = false;  // required once it is seen
    titles.push_back(token.title);
    Keep(token);
  }

  void Delete() {
    std::optional<StartupEntry> row =
        AnyRow([this](const StartupEntry& row) { return InPlace(row); });
    if (!row) return;
    const RemovalResult done = DeleteStartupEntry(*row, RemovalSource::MainList);
    ++counts[done ? L"delete" : L"delete failed"];
  }

  void Switch(bool on, bool park = false) {
    // Parking: the places where Windows keeps no state of its own.
    std::optional<StartupEntry> row = AnyRow([&](const StartupEntry& row) {
      return row.enabled != on && (!park || !ApprovalPlaceOf(row));
    });
    if (!row) return;
    const int token = TokenOf(row->file_name);
    const std::vector<SwitchFailure> failures = SwitchStartupEntries({*row}, on);
    ++counts[std::wstring(on     ? L"enable"
                          : park ? L"disable by parking"
                                 : L"disable") +
             (failures.empty() ? L"" : L" failed")];
    if (!failures.empty()) return;
#ifndef _WIN32
    memory::ClearFaults();
#endif
    // Switched as asked, in its place or aside.
    int seen = 0;
    for (const StartupEntry& now : Rows()) {
      if (TokenOf(now.file_name) != token) continue;
      ++seen;
      EXPECT_EQ(now.enabled, on) << Where() << now.name << " " << now.location;
    }
    EXPECT_GE(seen, 1) << Where() << "switched " << row->name << " is gone";
  }

  void Restore() {
    std::set<int> live;
    for (const StartupEntry& row : Rows()) live.insert(TokenOf(row.file_name));
    std::vector<RemovedEntry> kept;
    for (RemovedEntry& entry : ReadRemovedEntries()) {
      const int token = TokenOf(entry.record.row.file_name);
      if (token >= 0 && !live.count(token)) kept.push_back(std::move(entry));
    }
    if (kept.empty()) return;
    const RemovedEntry& entry = kept[Pick(static_cast<int>(kept.size()))];
    const RestoreResult result =
        RestoreRemovedEntry(entry.id, Pick(2) == 0 ? RestoreTaken::Rename : RestoreTaken::Replace);
    ++counts[result.outcome == RestoreResult::Restored ? L"restore" : L"restore failed"];
  }

  void Move() {
    std::optional<StartupEntry> row = AnyRow([](const StartupEntry&) { return true; });
    if (!row) return;
    const MoveTarget target = kMoveTargets[Pick(std::size(kMoveTargets))];
    trace_ += L" to " + LocationText(MoveTargetLocation(target));
    const MoveResult result = MoveStartupEntries({*row}, target);
    const bool from_key = std::holds_alternative<RegistrySource>(row->source);
    const bool to_key = MoveTargetLocation(target).kind == StartupLocationKind::RegistryKeyLocation;
    const std::wstring kind =
        std::wstring(from_key ? L"key" : L"folder") + L"\u2192" + (to_key ? L"key" : L"folder");
    switch (result.at(0).outcome) {
      case MoveOutcome::Moved:
        ++counts[L"move " + kind];
        break;
      case MoveOutcome::OldKept:
        ++counts[L"move " + kind + L", both copies kept"];
        tokens_[TokenOf(row->file_name)].both_copies = true;
        break;
      default:
        ++counts[L"move not done"];
        break;
    }
  }

  void Blacklist() {
    std::optional<StartupEntry> row =
        AnyRow([this](const StartupEntry& row) { return InPlace(row); });
    if (!row) return;
    TRegistry reg;
    if (!reg.OpenKey(kBlacklistKey, true)) return;
    try {
      reg.WriteString(row->file_name, L"");
    } catch (const PlatformError&) {
      ++counts[L"blacklist failed"];
      return;
    }
    RemovalFailures failures;
    const Enforcement done = RemoveBlacklisted(Rows(), {row->file_name}, failures);
    ++counts[done.removed.empty() ? L"blacklist failed" : L"blacklist"];
    // Off the list again, so that a restore is not undone by the next enforcement.
    reg.DeleteValue(row->file_name);
  }

  // Another program writes another command over a registry entry; the user
  // undoes the change.
  void UndoChange() {
    std::optional<StartupEntry> row = AnyRow([](const StartupEntry& row) {
      return row.enabled && std::holds_alternative<RegistrySource>(row.source);
    });
    if (!row) return;
    const auto& value = std::get<RegistrySource>(row->source);
    Token token;
    const std::wstring n = std::to_wstring(tokens_.size());
    token.file = test::kRoot + L"\\P\\prog" + n + L".exe";
    token.parameters = L"-p" + n;
    token.title = row->name;
    {
#ifndef _WIN32
      memory::ClearFaults();  // the other program's write is not Korvane's to fail
#endif
      TRegistry reg(value.view);
      reg.SetRootKey(value.root);
      if (!reg.OpenKey(value.key_path, false)) return;
      reg.WriteString(value.value_name, token.file + L" " + token.parameters);
    }
    // What the other program wrote over is its doing, not a loss of Korvane's.
    tokens_[TokenOf(row->file_name)].required = false;
    Keep(token);
    InjectFault();
    std::optional<StartupEntry> now;
    StartupList in_place;  // a parked entry of that name is listed at the same place
    ScanStartupList(in_place);
    for (StartupEntry& scanned : in_place) {
      if (SamePlace(scanned, *row)) now = std::move(scanned);
    }
    if (!now) return;
    ReportedEntry changed{*now, ChangeKind::Changed, *row};
    std::wstring reason;
    const bool undone = UndoEntryChange(changed, reason);
    ++counts[undone ? L"undo of a change" : L"undo of a change failed"];
    trace_ += L" " + reason;
  }

  // The user forgets the copies of entries that are back in place, as the
  // restore dialog's Delete does, so that the store's bounds never drop the
  // copy of an entry that is only there.
  void ForgetCopiesOfLiveEntries() {
    std::set<int> live;
    for (const StartupEntry& row : Rows()) live.insert(TokenOf(row.file_name));
    std::vector<std::wstring> ids;
    for (const RemovedEntry& entry : ReadRemovedEntries()) {
      const int token = TokenOf(entry.record.row.file_name);
      if (token < 0 || live.count(token)) ids.push_back(entry.id);
    }
    ForgetRemovedEntries(ids);
  }

  void Check() {
    std::map<int, int> in_place;  // listed rows (in place or parked) per token
    for (const StartupEntry& row : Rows()) {
      const int token = TokenOf(row.file_name);
      ASSERT_GE(token, 0) << Where() << "an entry nobody made: " << row.name << " " << row.file_name
                          << " in " << row.location;
      ++in_place[token];
      Token& made = tokens_[token];
      made.required = true;
      EXPECT_EQ(row.parameters, made.parameters)
          << Where() << "changed: " << row.name << " in " << row.location;
    }
    std::set<int> kept;
    const std::vector<RemovedEntry> records = ReadRemovedEntries();
    // A record over the bound whose deletion failed stays until the next
    // write trims the store again.
    ASSERT_LE(records.size(), kMaxRemovedRecords + 1) << Where();
    most_records = std::max(most_records, records.size());
    for (const RemovedEntry& entry : records) {
      const int token = TokenOf(entry.record.row.file_name);
      ASSERT_GE(token, 0) << Where();
      kept.insert(token);
      tokens_[token].required = true;
      tokens_[token].newest_record = std::max(tokens_[token].newest_record, entry.id);
    }
    for (size_t i = 0; i < tokens_.size(); ++i) {
      Token& token = tokens_[i];
      const int places = in_place.count(static_cast<int>(i)) ? in_place[static_cast<int>(i)] : 0;
      if (places <= 1) token.both_copies = false;
      if (token.required && places == 0 && !kept.count(static_cast<int>(i))) {
        // The store at its bound drops its oldest records first (ids sort in
        // the order of writing, and the newest record is never dropped).
        ASSERT_TRUE(most_records >= kMaxRemovedRecords && !records.empty() &&
                    !token.newest_record.empty() && token.newest_record < records.back().id)
            << Where() << "lost: " << token.title << " " << token.file;
        token.required = false;
      }
      ASSERT_TRUE(places <= 1 || token.both_copies)
          << Where() << "in " << places << " places: " << token.title << " " << token.file;
    }
  }

  std::mt19937 random_;
  std::vector<Token> tokens_;
  // Index by upper-case file (every file is ASCII): each check looks up every
  // row and every kept record among thousands of tokens.
  std::map<std::wstring, int> token_of_;
  std::optional<std::vector<ParkedEntry>> parked_;      // as the operation in hand found them
  std::map<size_t, std::vector<std::wstring>> titles_;  // by place, titles added there
  int op_ = 0;
  std::wstring trace_;  // what the operation in hand did
};

int FromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::atoi(text) : fallback;
}

TEST(RandomOperations, NothingIsLostDuplicatedOrChanged) {
  test::ResetWorld();
  test::MakeFolder(LocalAppDataFolder());
#ifdef _WIN32
  constexpr int kDefault = 50;
#else
  constexpr int kDefault = 300;
#endif
  const int count = FromEnvironment("KORVANE_RANDOM_OPS", kDefault);
  const auto seed = static_cast<uint32_t>(FromEnvironment("KORVANE_RANDOM_SEED", 30));
  RandomOperations run(seed);
  run.Run(count);
  // The long run is long enough to fill the store of removed entries, so that
  // its bound is exercised under faults too.
  if (count >= 10000) EXPECT_GE(run.most_records, kMaxRemovedRecords);
  std::wstring done;
  for (const auto& [what, n] : run.counts) done += what + L": " + std::to_wstring(n) + L"\n";
  for (const std::wstring& error : run.errors) done += L"error: " + error + L"\n";
  std::printf("%d operations, seed %u, at most %zu of %zu removed entries kept\n%s", count, seed,
              run.most_records, kMaxRemovedRecords, ToUtf8(done).c_str());
  test::ResetWorld();
  TRegistry().DeleteKey(kBlacklistKey);
}

}  // namespace
}  // namespace korvane
