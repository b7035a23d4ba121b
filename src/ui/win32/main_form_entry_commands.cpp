// The commands on the selected rows of the list (run, stop, open the folder,
// the file's properties, delete, add to the blacklist), the Service menu's
// tools, and the moves to another location. Each is reached through the
// command table; ConfirmCommand (command_bars.h) asks its question.
#include "catalogue/moves.h"
#include "catalogue/removal.h"
#include "monitor/blacklist.h"
#include "monitor/parked.h"
#include "monitor/saved_list.h"
#include "monitor/switching.h"
#include "platform/error.h"
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
  if (id == Disablestartupentry1 || id == Enablestartupentry1) {
    // Nothing to ask: the other command undoes it.
    const bool on = id == Enablestartupentry1;
    const std::wstring report = SwitchReport(SwitchStartupEntries(rows, on), on);
    // Switched on by the user: not "enabled again" behind the user's back.
    if (on) cycle_->AcceptOwnChanges(rows);
    if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
    return RunRefreshCycle(*this);
  }
  if (!ConfirmCommand(Handle(), id, rows.size(), Settings)) return;
  switch (id) {
    case Run1:
      RunEntries(rows);
      break;
    case Stop1:
      StopEntries(rows);
      break;
    case Deletestartupentry1: {
      std::wstring failed;
      for (const StartupEntry& row : rows) {
        const RemovalResult removed = DeleteListedEntry(row, RemovalSource::MainList);
        if (!removed) failed += L"\n" + row.name + L": " + removed.reason;
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
  if (rows.empty() || !ConfirmCommand(Handle(), target, rows.size(), Settings)) return;
  const MoveTarget place = kMoveTargets[target - Registrycurrentuser1];
  const std::wstring question = MoveLossQuestion(rows, place);
  if (!question.empty() &&
      MessageBoxW(Handle(), question.c_str(), L"Korvane", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  MoveResult result;
  {
    DisabledWhileInScope list(ListView1());
    result = MoveStartupEntries(rows, place);
  }
  FollowMovedEntries(rows, result, place);
  // What the move wrote is the user's own doing, not a new entry to report.
  AddToSavedList(MovedFileNames(rows, result));
  cycle_->AcceptOwnChanges(MovedRows(rows, result));
  const std::wstring report = MoveReport(rows, result);
  if (!report.empty()) MessageBoxW(Handle(), report.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  RunRefreshCycle(*this);
}

}  // namespace korvane
