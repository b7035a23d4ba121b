#include "ui/win32/main_form.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <utility>

#include "gui/controls.h"
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
#include "ui/win32/main_form_glyphs.h"
#include "ui/win32/new_entry_dialog.h"
#include "ui/win32/parameters_dialog.h"

namespace korvane {

namespace {

// Posted to run the refresh cycle once the first activation has been handled.
constexpr UINT kFirstActivation = WM_APP + 1;
// Posted behind close requests that are to be ignored; ends the ignoring.
constexpr UINT kStopIgnoringClose = WM_APP + 2;
// Posted at creation: the tray icon is added once the message loop runs.
constexpr UINT kShowTrayIcon = WM_APP + 3;
// Posted at creation: the list takes the shell's icons once the window shows.
constexpr UINT kAttachIcons = WM_APP + 4;

// The bar's own switch: IsWindowVisible says no for every child of a hidden
// window, and the list would be laid out without the bars until the window
// shows, then laid out again as it appears.
bool BarShown(HWND bar) {
  return (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The search box is as high as a line of its font and its frame.
int FilterBoxHeight(HWND box) {
  const win32::WindowDc dc(box);
  auto font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc.get(), font);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc.get(), &metrics);
  SelectObject(dc.get(), old);
  return metrics.tmHeight + 2 * GetSystemMetrics(SM_CYEDGE) + 4;
}

// The optional column a View item shows or hides.
std::optional<ListColumn> OptionalColumnOf(CommandId id) {
  if (id == Publishercolumn1) return ListColumn::Publisher;
  if (id == Descriptioncolumn1) return ListColumn::Description;
  if (id == Signaturecolumn1) return ListColumn::Signature;
  return std::nullopt;
}

// Esc empties the search box; Enter and Down go to the list.
LRESULT CALLBACK FilterBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                               DWORD_PTR data) {
  auto* form = reinterpret_cast<TMainForm*>(data);
  if (message == WM_KEYDOWN && wparam == VK_ESCAPE) {
    SetWindowTextW(box, L"");
    return 0;
  }
  if (message == WM_KEYDOWN && (wparam == VK_RETURN || wparam == VK_DOWN)) {
    SetFocus(form->ListView1());
    if (ListView_GetNextItem(form->ListView1(), -1, LVNI_FOCUSED) < 0 &&
        ListView_GetItemCount(form->ListView1()) > 0) {
      ListView_SetItemState(form->ListView1(), 0, LVIS_FOCUSED | LVIS_SELECTED,
                            LVIS_FOCUSED | LVIS_SELECTED);
    }
    return 0;
  }
  // No beep for the keys handled above.
  if (message == WM_CHAR && (wparam == VK_ESCAPE || wparam == VK_RETURN)) return 0;
  return DefSubclassProc(box, message, wparam, lparam);
}

}  // namespace

TMainForm::TMainForm() {
  // The first scan and the shell's icon list need no window: they are made on
  // a thread of their own while the window is built. The window waits for the
  // scan only; the icons are first needed when a row is drawn.
  std::promise<ScannedList> scan;
  std::future<ScannedList> first_scan = scan.get_future();
  shell_icons_ =
      std::async(std::launch::async | std::launch::deferred, [scan = std::move(scan)]() mutable {
        // Shortcuts are read through the shell's COM objects.
        const win32::ComApartment com;
        try {
          scan.set_value(ScanStartupLocations());
        } catch (...) {
          scan.set_exception(std::current_exception());
        }
        SystemSmallIcons();
      });
  // Where no thread could be made, both are made here, now.
  if (shell_icons_.wait_for(std::chrono::seconds(0)) == std::future_status::deferred) {
    shell_icons_.wait();
  }
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
  tray_icon_.reset();
  // The window goes before the glyphs its toolbar draws with.
  if (Handle()) DestroyWindow(Handle());
}

void TMainForm::FormCreate() {
  // The window shows the application icon of its class (CreateForm).
  layout_ = ReadListLayout();
  CreateControls();
  // The bars and the list's two styles start switched on; the Help items
  // have nothing to show yet and stay grey.
  main_menu_ = BuildMenuBar(MenuItems(MainMenuLayout(), [this](CommandId id) -> UINT {
    if (id == oolbar1 || id == Statusbar1 || id == Showgridlines1 || id == Rowselection1) {
      return MFS_CHECKED;
    }
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
  SetTimer(Handle(), kTimer1, 1000, nullptr);
}

void TMainForm::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  CreateToolBar();
  list_view_ =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                          LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                      0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(kListView1), instance, nullptr);
  ListView_SetExtendedListViewStyle(list_view_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                    LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
  form_font_.reset(CreateFormFont(dpi_));
  SendMessageW(list_view_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), FALSE);
  // Every column is made, in one order, so that a column's index names it
  // always; a hidden one has no width and stands last.
  for (const ListColumnInfo& info : ListColumns()) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = info.centred ? LVCFMT_CENTER : LVCFMT_LEFT;
    column.cx = ScaleHere(info.width);
    column.pszText = const_cast<wchar_t*>(info.caption);
    ListView_InsertColumn(list_view_, static_cast<int>(info.column), &column);
  }
  ApplyListLayout(layout_);

  // The search box: what is typed keeps the rows that hold it.
  filter_box_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                Handle(), reinterpret_cast<HMENU>(kFilterBox), instance, nullptr);
  SendMessageW(filter_box_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), FALSE);
  SendMessageW(filter_box_, EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Search entries (Ctrl+F)"));
  SetWindowSubclass(filter_box_, FilterBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));

  status_bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                Handle(), reinterpret_cast<HMENU>(kStatusBar2), instance, nullptr);
  LayoutControls();
}

void TMainForm::CreateToolBar() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  cool_bar_ =
      CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                          RBS_AUTOSIZE | CCS_NODIVIDER,
                      0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(kCoolBar1), instance, nullptr);
  tool_bar_ =
      CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                      WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                          CCS_NODIVIDER | CCS_NOPARENTALIGN,
                      0, 0, 0, 0, cool_bar_, reinterpret_cast<HMENU>(kToolBar1), instance, nullptr);
  SendMessageW(tool_bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  interface_images_.reset(CreateInterfaceImageList(ScaleHere(16)));
  SendMessageW(tool_bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(interface_images_.get()));
  // Texts serve as tooltips only: the buttons carry no captions.
  SendMessageW(tool_bar_, TB_SETMAXTEXTROWS, 0, 0);
  AddToolButtons(tool_bar_, ToolButtons({}));
  SendMessageW(tool_bar_, TB_AUTOSIZE, 0, 0);
  SIZE ideal = {};
  SendMessageW(tool_bar_, TB_GETIDEALSIZE, FALSE, reinterpret_cast<LPARAM>(&ideal));
  const DWORD button_size = static_cast<DWORD>(SendMessageW(tool_bar_, TB_GETBUTTONSIZE, 0, 0));

  REBARBANDINFOW band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE;
  band.fStyle = RBBS_CHILDEDGE;
  band.hwndChild = tool_bar_;
  band.cxMinChild = static_cast<UINT>(ideal.cx);
  band.cyMinChild = HIWORD(button_size);
  band.cx = static_cast<UINT>(ideal.cx);
  SendMessageW(cool_bar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
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

void TMainForm::LayoutControls() {
  RECT client;
  GetClientRect(Handle(), &client);
  int top = 0;
  int bottom = client.bottom;
  if (BarShown(cool_bar_)) {
    SendMessageW(cool_bar_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(cool_bar_, &bar);
    top = bar.bottom - bar.top;
  }
  // The search box stands in a row of its own above the list.
  const int box_height = FilterBoxHeight(filter_box_);
  SetWindowPos(filter_box_, nullptr, 0, top, client.right, box_height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  top += box_height;
  if (BarShown(status_bar_)) {
    SendMessageW(status_bar_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(status_bar_, &bar);
    bottom -= bar.bottom - bar.top;
  }
  // A bar shown or hidden moves the list: its old picture, header included,
  // is not copied along but drawn anew.
  SetWindowPos(list_view_, nullptr, 0, top, client.right, std::max(0, bottom - top),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
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
  if (ignoring_close_) return;
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
        PostMessageW(Handle(), kFirstActivation, 0, 0);
      }
      break;
    case kFirstActivation:
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
