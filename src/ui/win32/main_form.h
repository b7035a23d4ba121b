#pragma once
// The main window: toolbar, the startup list, status bar, menus, tray icon.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "catalogue/entry.h"
#include "ui/settings.h"
#include "ui/win32/form.h"
#include "ui/win32/tray_icon.h"

namespace korvane {

class TNewEntriesForm;
class TNewEntryForm;
class TBlacklistForm;
class TParametersForm;

// Command identifiers, named after the menu items and buttons they belong to.
// A menu item, its context-menu twin and its toolbar button share one handler.
enum MenuCommand : UINT {
  Newstartupentry1 = 100,
  Run1,
  Stop1,
  Openfolder1,
  Fileproperties1,
  Deletestartupentry1,
  Addtoblacklist1,
  Exit1,
  Refreshlist1,
  oolbar1,
  Statusbar1,
  Showgridlines1,
  Rowselection1,
  Font1,
  Backgroundcolor1,
  Systemregistry1,
  Currentuser1,
  Allusers1,
  Wininifile1,
  Parameters1,
  Blacklist1,
  Helpcontents1,
  Homepage1,
  echnicalsupport1,
  AboutKorvane1,
  Registrycurrentuser1,
  RegistrycurrentuserRunOnce1,
  Registryallusers1,
  RegistryallusersRunServices1,
  RegistryallusersRunOnce1,
  RegistryallusersRunServicesOnce1,
  Startmenucurrentuser1,
  Startmenuallusers1,
  // Context-menu twins that keep their own check marks.
  Showgridlines2,
  Rowselection2,
  // The tray menu.
  ShowKorvane1,
  Refresh1,
  Options1,
  Exit2,
  SelectAll,  // Ctrl+A in the list
};

// Posted by a second instance to the first: come to the front.
constexpr UINT kShowInstanceMessage = WM_APP + 10;

// Control identifiers of the main window.
enum : UINT { kCoolBar1 = 10, kToolBar1, kListView1, kStatusBar2 };

class TMainForm : public TForm {
 public:
  TMainForm();
  ~TMainForm() override;

  // The dialogs the main window opens, created after it (see TApplication).
  TNewEntriesForm* NewEntriesForm = nullptr;
  TNewEntryForm* NewEntryForm = nullptr;
  TBlacklistForm* BlacklistForm = nullptr;
  TParametersForm* ParametersForm = nullptr;

  HWND CoolBar1() const { return cool_bar_; }
  HWND ToolBar1() const { return tool_bar_; }
  HWND ListView1() const { return list_view_; }
  HWND StatusBar2() const { return status_bar_; }
  HMENU MainMenu1() const { return main_menu_; }
  TCoolTrayIcon& TrayIcon() { return *tray_icon_; }
  HMENU TrayPopup() const { return tray_popup_.get(); }

  AppSettings Settings;
  bool ExitRequested = false;
  // Set by the program block: closing the main window ends the message loop.
  bool EndsApplication = false;

  // Every row of the list, and the selected ones, as their texts stand.
  StartupList Rows() const;
  StartupList SelectedRows() const;
  // Replaces the list's rows inside one redraw batch.
  void FillRows(const StartupList& rows);
  void SetStatusText(const std::wstring& text);

  // The keyboard accelerators of the window (F5, Ctrl+A); the message loop
  // translates them.
  HACCEL Accelerators() const { return accelerators_.get(); }

  // Handlers that other windows and the tray use.
  void Refreshlist1Click();
  void Parameters1Click();
  void ShowKorvane1Click();
  void Exit2Click();

  // Close requests that arrive before the posted marker are dropped: the
  // program asked itself to close by removing its own startup entry.
  void IgnoreCloseRequestsPostedSoFar();

  // Builds the list's context menu for the selection as it stands: an entry
  // menu or a view menu.
  UniqueMenu ListPopupPopup();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void FormCreate();
  void CreateControls();
  void BuildMainMenu();
  void LayoutControls();
  void OnCommand(UINT id);
  void OnNotify(const NMHDR& header);
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
  HMENU main_menu_ = nullptr;  // destroyed with the window
  HMENU file_menu_ = nullptr;
  HMENU view_menu_ = nullptr;
  UniqueMenu tray_popup_;
  UniqueAccelerators accelerators_;
  UniqueImageList interface_images_;
  UniqueFont list_font_;
  COLORREF custom_colors_[16] = {};
  std::unique_ptr<TCoolTrayIcon> tray_icon_;
  bool activated_ = false;
  bool ignoring_close_ = false;
};

// Empties the list and refills it from the startup locations, with the
// status bar telling the user to wait.
void RefreshStartupList(TMainForm& form);
// The refresh cycle: every step that keeps the list and the system in step.
void RunRefreshCycle(TMainForm& form);

// The program's forms, created in order: the main window first, then the
// dialogs it opens. Destroying the application destroys them in reverse.
class TApplication {
 public:
  TApplication();
  ~TApplication();
  std::unique_ptr<TMainForm> MainForm;
  std::unique_ptr<TNewEntriesForm> NewEntriesForm;
  std::unique_ptr<TNewEntryForm> NewEntryForm;
  std::unique_ptr<TBlacklistForm> BlacklistForm;
  std::unique_ptr<TParametersForm> ParametersForm;
};

}  // namespace korvane
