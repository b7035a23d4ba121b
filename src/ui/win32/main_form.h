#pragma once
// The main window: toolbar, the startup list, status bar, menus, tray icon,
// and the dispatch of every command to its handler.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "gui/form.h"
#include "monitor/cycle.h"
#include "monitor/startup_list.h"
#include "platform/win32/handles.h"
#include "ui/commands.h"
#include "ui/file_facts.h"
#include "ui/list_rules.h"
#include "ui/settings.h"
#include "ui/window_state.h"
#include "ui/win32/new_entry_dialog.h"
#include "ui/win32/startup_watch.h"
#include "ui/win32/tray_icon.h"

namespace korvane {

// What one scan found, and the error that ended it early, if any.
struct ScannedList {
  StartupList rows;
  std::exception_ptr error;
};

// Control identifiers of the main window.
enum : UINT { kCoolBar1 = 10, kToolBar1, kListView1, kStatusBar2, kFilterBox };

class TMainForm : public TForm {
 public:
  TMainForm();
  ~TMainForm() override;

  HWND CoolBar1() const { return cool_bar_; }
  HWND ToolBar1() const { return tool_bar_; }
  HWND ListView1() const { return list_view_; }
  HWND StatusBar2() const { return status_bar_; }
  // The search box above the list.
  HWND FilterBox() const { return filter_box_; }
  HMENU MainMenu1() const { return main_menu_; }
  TCoolTrayIcon& TrayIcon();
  HMENU TrayPopup() const { return tray_popup_.get(); }

  AppSettings Settings;
  bool ExitRequested = false;
  // Set by the program block: closing the main window ends the message loop.
  bool EndsApplication = false;

  // The startup list the window draws, and its rows that are selected.
  StartupListModel& Model() { return model_; }
  const StartupList& Rows() const { return model_.Rows(); }
  StartupList SelectedRows() const;
  // The list drawn from the model (main_form_list.cpp): the rows went from
  // their old places to new ones; selection, focus and the top row follow.
  void RowsChanged(const std::vector<ptrdiff_t>& old_to_new);
  void SetStatusText(const std::wstring& text);
  // The status bar between scans: the count of rows the filter keeps, and of
  // Windows' own that are hidden, or nothing without either; before them,
  // which sources could not be read.
  void ShowListStatus();
  void SetUnreadSources(const std::wstring& unread);
  // The scan's row behind a row of the list as it is filtered and sorted.
  size_t ModelRow(int list_item) const { return shown_[static_cast<size_t>(list_item)]; }
  // The list's row of a scan's row; -1 when the filter hides it.
  int ListItemOf(size_t model_row) const;
  // What is known of a scan row's program file; nothing while it is read.
  const FileFacts* FactsOf(size_t model_row) const;
  // The list's columns: those shown, in their order, with their widths.
  ListLayout CurrentListLayout() const;
  const ListOrder& Order() const { return order_; }
  // Sorts by the column as a click on its header does.
  void ListView1ColumnClick(ListColumn column);
  // Keeps the rows whose cells hold `text` (the filter box's own change).
  void SetFilter(const std::wstring& text);
  // Waits until every program file of the list has been looked at and the
  // list shows what was found (for tests and the benchmark).
  bool WaitForFileFacts(unsigned milliseconds);

  // How the program block shows the window first: maximised when it was
  // maximised at the end of the last run, else as `show` says.
  int FirstShowCommand(int show) const;

  // The keyboard accelerators of the window (F5, Ctrl+A); the message loop
  // translates them.
  HACCEL Accelerators() const { return accelerators_.get(); }

  // Runs a command by its id, as its menu item, button or key would.
  void OnCommand(UINT id);
  void Refreshlist1Click();
  void Parameters1Click();
  void ShowKorvane1Click();
  void Exit2Click();
  void RestartAsAdministrator1Click();
  // Timer1: one tick a second; the refresh cycle comes every `monitoring` minutes.
  static constexpr UINT_PTR kTimer1 = 1;
  void Timer1Timer();
  void TrayIconBalloonHintClick();
  RefreshCycle& Cycle() { return *cycle_; }
  // Posted to run the refresh cycle: at the first activation, and for a
  // cycle asked for while a scan answered messages.
  static constexpr UINT kRunRefreshCycle = WM_APP + 1;
  // While a scan answers the window's messages, a message that would start a
  // cycle or close the window is kept and posted again once the scan has
  // ended (true); no cycle runs inside another's scan.
  bool HeldForScan(UINT message);

  // Close requests that arrive before the posted marker are dropped: the
  // program asked itself to close by removing its own startup entry.
  void IgnoreCloseRequestsPostedSoFar();

  // Builds the list's context menu for the selection as it stands: an entry
  // menu or a view menu.
  win32::Menu ListPopupPopup();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // Starts the first scan and the shell's icon list on a worker; shell_icons_
  // is that worker (main_form_first_scan.cpp).
  std::future<ScannedList> StartFirstScan();
  void FormCreate();
  // The bars, the search box and the list, made and laid out (main_form_controls.cpp).
  void CreateControls();
  void CreateToolBar();
  // The toolbar's band sized to its buttons as they stand (laid out anew).
  REBARBANDINFOW ToolBarBandSize();
  void LayoutControls();
  // The commands on the selected rows and the Service tools (main_form_entry_commands.cpp).
  void OnEntryCommand(CommandId id);
  // The eight "Move to" targets (main_form_entry_commands.cpp).
  void OnMoveCommand(CommandId target);
  // The View menu's commands and their context-menu twins (main_form_view_commands.cpp).
  void OnViewCommand(CommandId id);
  void AttachSystemIcons();
  // The rows the list shows again by filter and order; the selection, the
  // focused row and the top row stay with their scan rows.
  void UpdateShownRows(const std::vector<ptrdiff_t>& old_to_new);
  void TakeFileFacts();
  void ShowColumn(ListColumn column, bool shown);
  void ApplyListLayout(const ListLayout& layout);
  void ShowSortArrow();
  void StoreWindowState();
  void RestoreWindowPlacement();
  // Scales what was made for one DPI to another (per-monitor DPI; main_form_dpi.cpp).
  void DpiChanged(int dpi, const RECT& suggested);
  int Dpi() const { return dpi_; }
  int ScaleHere(int size_at_96dpi) const;
  LRESULT OnNotify(NMHDR& header);
  void ListView1GetDispInfo(LVITEMW& item);
  // Posted on a click in the list and on every change of its selection (by
  // the keys too), once for a burst of changes: the virtual list settles its
  // selection only after it has told of the click.
  static constexpr UINT kListClicked = WM_APP + 5;
  // Posted by the file facts' thread when it has new answers.
  static constexpr UINT kFileFactsAnswered = WM_APP + 6;
  // Posted by the watch of the startup places when they changed.
  static constexpr UINT kStartupChanged = WM_APP + 7;
  // The model's scans run beside the window (main_form_refresh_cycle.cpp).
  void ScanBesideWindow(const std::function<void()>& scan);
  // Enabling and the context menu by the selection (main_form_selection_menus.cpp).
  void ListView1Click();
  void File1Click(HMENU menu);
  void View1Click(HMENU menu);
  void ShowListPopup(POINT at);
  void SetListStyle(DWORD style, bool on);
  bool ListStyle(DWORD style) const;
  bool ToggleAutoCheck(UINT id);  // returns the new check state
  void Font1Click();
  void Backgroundcolor1Click();
  void FormCloseQuery();
  void ApplicationEvents1Minimize();

  HWND cool_bar_ = nullptr;
  HWND tool_bar_ = nullptr;
  HWND list_view_ = nullptr;
  HWND status_bar_ = nullptr;
  bool showing_why_not_ = false;    // the status bar tells why a command is greyed
  bool list_click_posted_ = false;  // kListClicked is on its way
  HWND filter_box_ = nullptr;
  HMENU main_menu_ = nullptr;  // destroyed with the window
  win32::Menu tray_popup_;
  win32::Accelerators accelerators_;
  win32::ImageList interface_images_;
  win32::Font list_font_;
  COLORREF custom_colors_[16] = {};
  std::unique_ptr<TCoolTrayIcon> tray_icon_;
  bool activated_ = false;
  StartupListModel model_;
  struct RowIcon {
    std::wstring file_name;
    int index = -1;  // -1 until the row is first drawn
  };
  std::vector<RowIcon> icons_;                   // per row of the model
  std::vector<std::optional<FileFacts>> facts_;  // per row of the model
  std::vector<size_t> shown_;                    // the model's rows the list shows, in its order
  std::wstring filter_;
  bool hide_windows_ = true;   // View › Hide Windows entries
  size_t windows_hidden_ = 0;  // the rows it hides
  ListOrder order_;
  ListLayout layout_ = DefaultListLayout();  // the widths of hidden columns live here
  int dpi_ = 96;
  bool start_maximised_ = false;
  bool showing_count_ = false;  // the status bar shows the filter's count
  std::wstring unread_;         // the sources the last scan could not read, and why
  win32::Font form_font_;       // the window's font at its DPI
  std::unique_ptr<FileFactsKeeper> file_facts_;
  std::unique_ptr<RefreshCycle> cycle_;
  std::future<void> shell_icons_;  // the worker of the first scan, done once it has the icons
  bool ignoring_close_ = false;
  int scans_waited_on_ = 0;       // scans the window answers messages beside
  std::set<UINT> held_for_scan_;  // posted again once they have ended
  std::unique_ptr<StartupWatch> watch_;
  NewEntryDialogState new_entry_;  // kept from one showing to the next
};

// The refresh cycle and its steps (main_form_refresh_cycle.cpp).
// Scans the startup locations into the list again, with the status bar
// telling the user to wait.
void RefreshStartupList(TMainForm& form);
// Scans every location now.
ScannedList ScanStartupLocations();
// The refresh cycle: rescan, blacklist, new entries, save. Asked for while one
// runs, it runs once after it.
void RunRefreshCycle(TMainForm& form);
// The cycle's state and the windows it shows, bound to `form`.
std::unique_ptr<RefreshCycle> MakeRefreshCycle(TMainForm& form);

}  // namespace korvane
