#include "ui/win32/main_form.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <future>

#include "gui/guard.h"
#include "gui/list_view.h"
#include "gui/messages.h"
#include "gui/metrics.h"
#include "monitor/saved_list.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "ui/elevation.h"
#include "ui/lifecycle.h"
#include "ui/win32/blacklist_dialog.h"
#include "ui/win32/removed_dialog.h"
#include "ui/win32/command_bars.h"
#include "ui/win32/new_entry_dialog.h"
#include "ui/win32/parameters_dialog.h"

namespace korvane {

namespace {

// Posted behind close requests that are to be ignored; ends the ignoring.
constexpr UINT kStopIgnoringClose = WM_APP + 2;
// Posted at creation: the tray icon is added once the message loop runs.
constexpr UINT kShowTrayIcon = WM_APP + 3;
// Posted at creation: the list takes the shell's icons once the window shows.
constexpr UINT kAttachIcons = WM_APP + 4;

// The optional column a View item shows or hides.
std::optional<ListColumn> OptionalColumnOf(CommandId id) {
  if (id == Publishercolumn1) return ListColumn::Publisher;
  if (id == Descriptioncolumn1) return ListColumn::Description;
  if (id == Signaturecolumn1) return ListColumn::Signature;
  return std::nullopt;
}

}  // namespace

TMainForm::TMainForm() {
  std::future<ScannedList> first_scan = StartFirstScan();
  // Made at the size it opens with (450 x 350 until the user sizes it), so
  // that it is not laid out twice.
  ScalesPerMonitor = true;
  const std::wstring caption =
      std::wstring(kMainFormCaption) + (RunsElevated() ? kAdministratorCaption : L"");
  CreateForm(kMainFormClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, Scale(450),
             Scale(350), nullptr);
  dpi_ = WindowDpi(Handle());
  RestoreWindowPlacement();
  FormCreate();
  // In while the window is hidden: the list sets its scroll bars up once,
  // unseen, and the window shows its rows at once. A scan that failed is
  // made again, and its error shown, by the first cycle.
  model_.Replace(first_scan.get().rows);
  // Once the window shows: the icons, with the first paint of the rows; then
  // the tray icon, which the shell takes its time over.
  PostMessageW(Handle(), kAttachIcons, 0, 0);
  PostMessageW(Handle(), kShowTrayIcon, 0, 0);
}

TMainForm::~TMainForm() {
  watch_.reset();
  tray_icon_.reset();
  // The window goes before the glyphs its toolbar draws with.
  if (Handle()) DestroyWindow(Handle());
}

void TMainForm::FormCreate() {
  // The window shows the application icon of its class (CreateForm).
  layout_ = ReadListLayout();
  hide_windows_ = ReadHideWindowsEntries();
  CreateControls();
  // The bars and the list's two styles start switched on; the Help items
  // have nothing to show yet and stay grey.
  main_menu_ = BuildMenuBar(MenuItems(MainMenuLayout(), [this](CommandId id) -> UINT {
    if (id == oolbar1 || id == Statusbar1 || id == Showgridlines1 || id == Rowselection1) {
      return MFS_CHECKED;
    }
    if (id == HideWindowsentries1) return hide_windows_ ? MFS_CHECKED : 0u;
    if (const std::optional<ListColumn> column = OptionalColumnOf(id)) {
      return std::find(layout_.shown.begin(), layout_.shown.end(), *column) != layout_.shown.end()
                 ? MFS_CHECKED
                 : 0u;
    }
    return FindCommand(id) && FindCommand(id)->enable == EnableRule::Never ? MFS_GRAYED : 0;
  }));
  // Elevated already, there is nothing to restart for.
  if (RunsElevated()) DeleteMenu(main_menu_, Restartasadministrator1, MF_BYCOMMAND);
  SetMenu(Handle(), main_menu_);
  // A second instance started without elevation may still bring this one
  // forward.
  ChangeWindowMessageFilterEx(Handle(), kShowInstanceMessage, MSGFLT_ALLOW, nullptr);

  ACCEL keys[] = {{FVIRTKEY, VK_F5, Refreshlist1},
                  {FVIRTKEY | FCONTROL, 'A', SelectAll},
                  {FVIRTKEY | FCONTROL, 'F', Searchentries1},
                  {FVIRTKEY | FCONTROL, 'J', Jumptoentry1}};
  accelerators_.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));

  tray_popup_ = BuildPopupMenu(MenuItems(TrayMenuLayout(), [](CommandId) { return 0u; }));

  // A settings key that cannot be read leaves every switch off.
  Guarded(Handle(), [this] { ReadSettings(Settings); });
  cycle_ = MakeRefreshCycle(*this);
  cycle_->SetMonitoring(Settings.monitoring);
  cycle_->SetReportChanges(Settings.report_changes);
  cycle_->SetReportWindowsEntries(Settings.report_windows);
  model_.SetScanner([this](const std::function<void()>& scan) { ScanBesideWindow(scan); });
  // The timer stays as the safety net for what can't be watched.
  watch_ = std::make_unique<StartupWatch>(Handle(), kStartupChanged);
  SetTimer(Handle(), kTimer1, 1000, nullptr);
}

TCoolTrayIcon& TMainForm::TrayIcon() {
  // Made once the window shows, or when first needed: its hidden window is
  // not worth keeping the list waiting.
  if (!tray_icon_) {
    tray_icon_ =
        std::make_unique<TCoolTrayIcon>(tray_popup_.get(), [this](UINT id) { OnCommand(id); });
    tray_icon_->OnBalloonHintClick = [this] { TrayIconBalloonHintClick(); };
  }
  return *tray_icon_;
}

void TMainForm::SetStatusText(const std::wstring& text) {
  if (!text.empty()) SendMessageW(status_bar_, SB_SIMPLE, TRUE, 0);
  SendMessageW(status_bar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
  if (text.empty()) SendMessageW(status_bar_, SB_SIMPLE, FALSE, 0);
  UpdateWindow(status_bar_);
}

void TMainForm::Refreshlist1Click() {
  RunRefreshCycle(*this);
}

void TMainForm::Parameters1Click() {
  ParametersChoice shown;
  shown.run_on_startup = ListHoldsProgram(Rows(), OwnExecutablePath());
  // Values that cannot be read keep what the program runs with.
  shown.settings = Settings;
  Guarded(Handle(), [&] { ReadSettings(shown.settings); });
  const std::optional<ParametersChoice> chosen = ShowParametersDialog(Handle(), shown);
  if (!chosen) return;
  StoreSettings(chosen->settings);
  Settings = chosen->settings;
  cycle_->SetMonitoring(Settings.monitoring);
  cycle_->SetReportChanges(Settings.report_changes);
  cycle_->SetReportWindowsEntries(Settings.report_windows);
  if (chosen->run_on_startup == shown.run_on_startup) return;
  SetRunOnStartup(chosen->run_on_startup, Rows(), OwnExecutablePath());
  // Removing the entry asked the running program, this one, to close.
  if (!chosen->run_on_startup) IgnoreCloseRequestsPostedSoFar();
  // The entry the user just made is no news to the user.
  RefreshStartupList(*this);
  cycle_->RecordSeen(Rows());
  RunRefreshCycle(*this);
}

void TMainForm::ShowKorvane1Click() {
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void TMainForm::RestartAsAdministrator1Click() {
  std::wstring error;
  if (RestartAsAdministrator(GetCurrentProcessId(), error, Handle())) return Exit2Click();
  if (error.empty()) {
    SetStatusText(L"Administrator rights were not given: Korvane goes on without them.");
  } else {
    const std::wstring text = L"Korvane could not be restarted as administrator: " + error;
    MessageBoxW(Handle(), text.c_str(), L"Korvane", MB_OK | MB_ICONWARNING);
  }
}

void TMainForm::Exit2Click() {
  ExitRequested = true;
  SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TMainForm::IgnoreCloseRequestsPostedSoFar() {
  ignoring_close_ = true;
  PostMessageW(Handle(), kStopIgnoringClose, 0, 0);
}

void TMainForm::FormCloseQuery() {
  if (ignoring_close_ || HeldForScan(WM_CLOSE)) return;
  bool may_close = false;
  switch (CloseQuery(ExitRequested, Settings)) {
    case CloseAction::Close:
      may_close = true;
      break;
    case CloseAction::Minimise:
      if (IsWindowVisible(Handle())) ShowWindow(Handle(), SW_MINIMIZE);
      break;
    case CloseAction::Ask: {
      MessageBeep(MB_ICONEXCLAMATION);
      const int answer =
          MessageBoxW(Handle(), kExitQuestion, kExitQuestionCaption, MB_YESNO | MB_ICONQUESTION);
      may_close = CloseAfterAnswer(answer == IDYES, ExitRequested);
      break;
    }
  }
  if (may_close) DestroyWindow(Handle());
}

void TMainForm::ApplicationEvents1Minimize() {
  // Hiding the window takes its taskbar button away; the tray icon stays.
  if (Settings.min_to_tray) ShowWindow(Handle(), SW_HIDE);
}

void TMainForm::OnCommand(UINT id) {
  const Command* command = FindCommand(id);
  if (!command) return;
  if (command->group == CommandGroup::Entry) return OnEntryCommand(Target(command->id));
  if (command->group == CommandGroup::Move) return OnMoveCommand(command->id);
  if (command->group == CommandGroup::View) return OnViewCommand(command->id);
  switch (Target(command->id)) {
    case Newstartupentry1:
      // The entry the user has just added is not reported as new.
      ShowNewEntryDialog(Handle(), new_entry_, [this] {
        RefreshStartupList(*this);
        cycle_->RecordSeen(Rows());
      });
      break;
    case Blacklist1:
      ShowBlacklistDialog(Handle());
      break;
    case Restoreremovedentries1:
      // The tray's twin may come while the window is hidden.
      if (ShowRemovedEntriesDialog(Handle())) RunRefreshCycle(*this);
      break;
    case Parameters1:
      Parameters1Click();
      break;
    case Refreshlist1:
      Refreshlist1Click();
      break;
    case Restartasadministrator1:
      RestartAsAdministrator1Click();
      break;
    case Exit1:  // File › Exit ends the program as the tray menu's "Exit" does
    case Exit2:
      Exit2Click();
      break;
    case ShowKorvane1:
      ShowKorvane1Click();
      break;
    default:
      break;
  }
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      if (wparam == SIZE_MINIMIZED) {
        ApplicationEvents1Minimize();
      } else {
        LayoutControls();
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && !activated_) {
        activated_ = true;
        PostMessageW(Handle(), kRunRefreshCycle, 0, 0);
      }
      break;
    case kRunRefreshCycle:
      RunRefreshCycle(*this);
      return 0;
    case WM_TIMER:
      if (wparam == kTimer1) Timer1Timer();
      return 0;
    case kListClicked:
      list_click_posted_ = false;
      ListView1Click();
      return 0;
    case kFileFactsAnswered:
      TakeFileFacts();
      return 0;
    case kStartupChanged:
      if (HeldForScan(message)) return 0;
      if (std::set<std::wstring> parts = watch_->Take(); !parts.empty()) {
        cycle_->RunForChanges(parts);
      }
      return 0;
    case WM_DPICHANGED:
      DpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case kAttachIcons:
      // Waits for the icon list if the worker is still making it.
      shell_icons_.wait();
      AttachSystemIcons();
      // The rows are drawn now, before the tray icon and the first cycle,
      // which wait on other processes.
      UpdateWindow(Handle());
      return 0;
    case kShowTrayIcon:
      TrayIcon().ShowIcon();
      return 0;
    case kStopIgnoringClose:
      ignoring_close_ = false;
      return 0;
    case kShowInstanceMessage:
      ShowKorvane1Click();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kFilterBox) {
        if (HIWORD(wparam) == EN_CHANGE) {
          const int length = GetWindowTextLengthW(filter_box_);
          std::wstring text(static_cast<size_t>(length) + 1, L'\0');
          text.resize(static_cast<size_t>(GetWindowTextW(filter_box_, text.data(), length + 1)));
          SetFilter(text);
        }
        return 0;
      }
      OnCommand(LOWORD(wparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(lparam));
    case WM_INITMENUPOPUP: {
      auto menu = reinterpret_cast<HMENU>(wparam);
      if (menu == GetSubMenu(main_menu_, 0)) File1Click(menu);
      if (menu == GetSubMenu(main_menu_, 1)) View1Click(menu);
      return 0;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == list_view_) {
        ShowListPopup({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
        return 0;
      }
      break;
    case WM_CLOSE:
      FormCloseQuery();
      return 0;
    // A session end is never refused and never sends the program to the tray.
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wparam) DestroyWindow(Handle());
      return 0;
    case WM_DESTROY:
      StoreWindowState();
      if (tray_icon_) tray_icon_->HideIcon();
      if (EndsApplication) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(Handle(), message, wparam, lparam);
}

}  // namespace korvane
