// The commands on the selected rows of the list (run, stop, open the folder,
// the file's properties, delete, add to the blacklist), the Service menu's
// tools, and the moves to another location. Each is reached through the
// command table; ConfirmCommand (command_bars.h) asks its question.
#include <functional>

#include "catalogue/location.h"
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "catalogue/rights.h"
#include "monitor/blacklist.h"
#include "monitor/parked.h"
#include "monitor/saved_list.h"
#include "monitor/switching.h"
#include "platform/error.h"
#include "ui/elevation.h"
#include "ui/entry_actions.h"
#include "ui/win32/command_bars.h"
#include "ui/win32/main_form.h"

namespace korvane {

namespace {

// The list takes no input while a move walks its rows, and gets it back
// however the move ends.
class DisabledWhileInScope {
 public:
  explicit DisabledWhileInScope(HWND window) : window_(window) { EnableWindow(window_, FALSE); }
  ~DisabledWhileInScope() { EnableWindow(window_, TRUE); }
  DisabledWhileInScope(const DisabledWhileInScope&) = delete;
  DisabledWhileInScope& operator=(const DisabledWhileInScope&) = delete;

 private:
  HWND window_;
};

// The rows that moved, each with the file name the next scan lists for it.
StartupList MovedRows(const StartupList& rows, const MoveResult& result) {
  const std::vector<std::wstring> names = MovedFileNames(rows, result);
  StartupList moved;
  for (size_t i = 0; i < rows.size() && i < result.size() && moved.size() < names.size(); ++i) {
    if (result[i].outcome != MoveOutcome::Moved) continue;
    moved.push_back(rows[i]);
    moved.back().file_name = names[moved.size() - 1];
  }
  return moved;
}

// Takes the rows that need administrator rights here out of `rows`: those
// for the elevated korvanec.
StartupList TakeNeedingAdministrator(StartupList& rows,
                                     const std::function<bool(const StartupEntry&)>& needs) {
  StartupList taken, kept;
  for (StartupEntry& row : rows) (needs(row) ? taken : kept).push_back(std::move(row));
  rows = std::move(kept);
  return taken;
}

}  // namespace

void TMainForm::OnEntryCommand(CommandId id) {
  switch (id) {
    case Systemregistry1:
      return OpenServiceTool(ServiceTool::SystemRegistry);
    case Currentuser1:
      return OpenServiceTool(ServiceTool::CurrentUserStartup);
    case Allusers1:
      return OpenServiceTool(ServiceTool::AllUsersStartup);
    case Wininifile1:
      return OpenServiceTool(ServiceTool::WinIni);
    default:
      break;
  }
  const StartupList rows = SelectedRows();
  if (rows.empty()) return;
  if (id == Openfolder1) return OpenEntryFolders(rows);
  if (id == Fileproperties1) return ShowEntryProperties(rows);
  // The registry editor and Explorer each show one place: the first row's.
  if (id == Jumptoentry1) return JumpToEntry(rows.front());
  StartupList own = rows;
  const StartupList elevated = TakeNeedingAdministrator(own, NeedsAdministrator);
  if (id == Disablestartupentry1 || id == Enablestartupentry1) {
    // Nothing to ask (the other command undoes it), but the UAC prompt for
    // the rows that need administrator rights.
    const bool on = id == Enablestartupentry1;
    std::vector<SwitchFailure> failures = SwitchStartupEntries(own, on);
    if (!elevated.empty()) {
      const std::vector<std::wstring> reasons = ElevatedReasons(
          elevated.size(),
          ChangeAsAdministrator(on ? L"enable" : L"disable", {}, elevated, Handle()));
      for (size_t i = 0; i < elevated.size(); ++i) {
        if (!reasons[i].empty())
          failures.push_back({elevated[i].name, elevated[i].location, reasons[i]});
      }
    }
    const std::wstring report = SwitchReport(failures, on);
    // Switched on by the user: not "enabled again" behind the user's back.
    if (on) cycle_->AcceptOwnChanges(rows);
    if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
    return RunRefreshCycle(*this);
  }
  const bool changes = id == Deletestartupentry1;
  if (!ConfirmCommand(Handle(), id, rows.size(), Settings,
                      changes ? AdministratorNote(elevated) : std::wstring())) {
    return;
  }
  if (changes && !AskAboutWindowsOwn(Handle(), rows)) return;
  switch (id) {
    case Run1:
      RunEntries(rows);
      break;
    case Stop1:
      StopEntries(rows);
      break;
    case Deletestartupentry1: {
      std::wstring failed;
      for (const StartupEntry& row : own) {
        const RemovalResult removed = DeleteListedEntry(row, RemovalSource::MainList);
        if (!removed) failed += L"\n" + row.name + L": " + removed.reason;
      }
      if (!elevated.empty()) {
        const std::wstring refused =
            ElevatedFailures(elevated, ChangeAsAdministrator(L"delete", {}, elevated, Handle()));
        if (!refused.empty()) failed += L"\n" + refused;
      }
      if (!failed.empty()) {
        const std::wstring text = L"These entries were not deleted:\n" + failed;
        MessageBoxW(Handle(), text.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
      }
      break;
    }
    case Addtoblacklist1: {
      std::vector<std::wstring> names;
      for (const StartupEntry& row : rows) names.push_back(row.file_name);
      if (!AddToBlacklist(names)) {
        throw PlatformError(std::wstring(L"Cannot open the registry key HKEY_CURRENT_USER") +
                            kBlacklistKey);
      }
      break;  // the cycle's enforcement removes the entries and shows the balloon
    }
    default:
      return;
  }
  RunRefreshCycle(*this);
}

void TMainForm::OnMoveCommand(CommandId target) {
  const StartupList rows = SelectedRows();
  if (rows.empty()) return;
  const MoveTarget place = kMoveTargets[target - Registrycurrentuser1];
  const bool target_needs = MoveTargetNeedsAdministrator(place);
  StartupList own = rows;
  const StartupList elevated = TakeNeedingAdministrator(
      own, [&](const StartupEntry& row) { return target_needs || NeedsAdministrator(row); });
  if (!ConfirmCommand(Handle(), target, rows.size(), Settings, AdministratorNote(elevated))) {
    return;
  }
  const std::wstring question = MoveLossQuestion(rows, place);
  if (!question.empty() &&
      MessageBoxW(Handle(), question.c_str(), L"Korvane", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  MoveResult result;
  {
    DisabledWhileInScope list(ListView1());
    result = MoveStartupEntries(own, place);
  }
  if (!elevated.empty()) {
    // korvanec moves them as the window would (what a move loses has been
    // asked already); its rows follow the window's.
    const ElevatedResult done = ChangeAsAdministrator(
        L"move", {L"--to", LocationText(MoveTargetLocation(place)), L"--allow-loss"}, elevated,
        Handle());
    const std::vector<std::wstring> reasons = ElevatedReasons(elevated.size(), done);
    for (size_t i = 0; i < elevated.size(); ++i) {
      RowMove move;
      if (reasons[i].empty() && done.actions[i].outcome == L"unchanged") {
        move.outcome = MoveOutcome::AlreadyThere;
      } else if (reasons[i].empty()) {
        move.outcome = MoveOutcome::Moved;
        move.written = done.actions[i].detail;
      } else {
        move.reason = reasons[i];
      }
      result.push_back(move);
    }
    own.insert(own.end(), elevated.begin(), elevated.end());
  }
  const StartupList& moved_rows = own;  // in the order of `result`
  FollowMovedEntries(moved_rows, result, place);
  // What the move wrote is the user's own doing, not a new entry to report.
  AddToSavedList(MovedFileNames(moved_rows, result));
  cycle_->AcceptOwnChanges(MovedRows(moved_rows, result));
  const std::wstring report = MoveReport(moved_rows, result);
  if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  RunRefreshCycle(*this);
}

}  // namespace korvane
