#include "ui/win32/main_form.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <utility>
#include <vector>

#include "catalogue/scan.h"
#include "monitor/win32/blacklist_form.h"
#include "monitor/win32/new_entries_form.h"
#include "ui/lifecycle.h"
#include "ui/list_rules.h"
#include "ui/win32/glyphs.h"
#include "ui/win32/new_entry_form.h"
#include "ui/win32/parameters_form.h"

namespace korvane {

namespace {

const wchar_t kCaption[] = L"Korvane 1.0.0";
const wchar_t kRefreshingText[] = L"Refreshing startup list, please wait...";
const wchar_t kYes[] = L"Yes";
const wchar_t kNo[] = L"No";

// Posted to run the refresh cycle once the first activation has been handled.
constexpr UINT kFirstActivation = WM_APP + 1;
// Posted behind close requests that are to be ignored; ends the ignoring.
constexpr UINT kStopIgnoringClose = WM_APP + 2;

void Append(HMENU menu, UINT id, const wchar_t* caption, UINT flags = 0) {
  AppendMenuW(menu, MF_STRING | flags, id, caption);
}
void AppendSeparator(HMENU menu) {
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}
void AppendSubmenu(HMENU menu, HMENU submenu, const wchar_t* caption) {
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), caption);
}

// The eight targets of "Move to", the same in the File menu and the context menu.
HMENU BuildMoveToMenu() {
  HMENU menu = CreatePopupMenu();
  Append(menu, Registrycurrentuser1, L"Registry, current user, Run");
  Append(menu, RegistrycurrentuserRunOnce1, L"Registry, current user, RunOnce");
  AppendSeparator(menu);
  Append(menu, Registryallusers1, L"Registry, all users, Run");
  Append(menu, RegistryallusersRunServices1, L"Registry, all users, RunServices");
  Append(menu, RegistryallusersRunOnce1, L"Registry, all users, RunOnce");
  Append(menu, RegistryallusersRunServicesOnce1, L"Registry, all users, RunServicesOnce");
  AppendSeparator(menu);
  Append(menu, Startmenucurrentuser1, L"Start menu, current user");
  Append(menu, Startmenuallusers1, L"Start menu, all users");
  return menu;
}

std::wstring ItemText(HWND list, int item, int column) {
  std::wstring text(260, L'\0');
  for (;;) {
    LVITEMW lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = text.data();
    lvi.cchTextMax = static_cast<int>(text.size());
    const auto length = static_cast<size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi)));
    if (length + 1 < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

StartupEntry RowAt(HWND list, int item) {
  StartupEntry row;
  row.name = ItemText(list, item, 0);
  row.running = ItemText(list, item, 1) == kYes;
  row.file_name = ItemText(list, item, 2);
  row.parameters = ItemText(list, item, 3);
  row.location = ItemText(list, item, 4);
  LVITEMW lvi = {};
  lvi.mask = LVIF_IMAGE;
  lvi.iItem = item;
  if (ListView_GetItem(list, &lvi)) row.icon = lvi.iImage;
  return row;
}

// Restores the list's drawing and the status bar even when the scan fails.
class ScanDisplay {
 public:
  explicit ScanDisplay(TMainForm& form) : form_(form) {
    form_.SetStatusText(kRefreshingText);
    SendMessageW(form_.ListView1(), WM_SETREDRAW, FALSE, 0);
  }
  ~ScanDisplay() {
    SendMessageW(form_.ListView1(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(form_.ListView1(), nullptr, TRUE);
    form_.SetStatusText(L"");
  }
  ScanDisplay(const ScanDisplay&) = delete;
  ScanDisplay& operator=(const ScanDisplay&) = delete;

 private:
  TMainForm& form_;
};

}  // namespace

TMainForm::TMainForm() {
  CreateForm(L"TMainForm", kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, Scale(999),
             Scale(886), nullptr);
  FormCreate();
}

TMainForm::~TMainForm() {
  tray_icon_.reset();
  // The window goes before the glyphs its toolbar draws with.
  if (Handle()) DestroyWindow(Handle());
}

void TMainForm::FormCreate() {
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ApplicationIcon(false)));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ApplicationIcon(true)));
  SetWindowPos(Handle(), nullptr, 0, 0, Scale(450), Scale(350),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateControls();
  BuildMainMenu();

  ACCEL keys[] = {{FVIRTKEY, VK_F5, Refreshlist1}, {FVIRTKEY | FCONTROL, 'A', SelectAll}};
  accelerators_.reset(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));

  tray_popup_.reset(CreatePopupMenu());
  HMENU tray = tray_popup_.get();
  Append(tray, ShowKorvane1, L"Show Korvane");
  Append(tray, Refresh1, L"Refresh");
  AppendSeparator(tray);
  Append(tray, Options1, L"Parameters...");
  AppendSeparator(tray);
  Append(tray, Exit2, L"Exit");
  SetMenuDefaultItem(tray, ShowKorvane1, FALSE);
  tray_icon_ = std::make_unique<TCoolTrayIcon>(tray, [this](UINT id) { OnCommand(id); });
  tray_icon_->ShowIcon();

  // A settings key that cannot be read leaves every switch off.
  Guarded(Handle(), [this] { ReadSettings(Settings); });
}

void TMainForm::CreateControls() {
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
  interface_images_.reset(CreateInterfaceImageList(Scale(16)));
  SendMessageW(tool_bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(interface_images_.get()));
  // Texts serve as tooltips only: the buttons carry no captions.
  SendMessageW(tool_bar_, TB_SETMAXTEXTROWS, 0, 0);
  struct Button {
    int glyph;
    UINT command;
    const wchar_t* tip;
    bool enabled;
  };
  const Button buttons[] = {
      {kGlyphNew, Newstartupentry1, L"New startup entry", true},
      {kGlyphDelete, Deletestartupentry1, L"Delete startup entry", false},
      {-1, 0, nullptr, false},
      {kGlyphFolder, Openfolder1, L"Open folder", false},
      {kGlyphProperties, Fileproperties1, L"File properties", false},
      {-1, 0, nullptr, false},
      {kGlyphRun, Run1, L"Run startup entry", false},
      {kGlyphStop, Stop1, L"Stop startup entry", false},
      {-1, 0, nullptr, false},
      {kGlyphRefresh, Refreshlist1, L"Refresh list", true},
      {-1, 0, nullptr, false},
      {kGlyphParameters, Parameters1, L"Parameters", true},
  };
  std::vector<TBBUTTON> tb;
  for (const Button& b : buttons) {
    TBBUTTON button = {};
    if (b.glyph < 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      button.iBitmap = b.glyph;
      button.idCommand = static_cast<int>(b.command);
      button.fsState = b.enabled ? TBSTATE_ENABLED : 0;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(b.tip);
    }
    tb.push_back(button);
  }
  SendMessageW(tool_bar_, TB_ADDBUTTONSW, tb.size(), reinterpret_cast<LPARAM>(tb.data()));
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

  list_view_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 0,
      0, 0, 0, Handle(), reinterpret_cast<HMENU>(kListView1), instance, nullptr);
  ListView_SetExtendedListViewStyle(list_view_,
                                    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  SendMessageW(list_view_, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
  SHFILEINFOW info = {};
  // The system's small-icon list: shared by every program, never destroyed.
  auto system_images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ListView_SetImageList(list_view_, system_images, LVSIL_SMALL);
  ListView_SetImageList(list_view_, system_images, LVSIL_NORMAL);
  struct Column {
    const wchar_t* caption;
    int width;
    int format;
  };
  const Column columns[] = {{L"Name", 250, LVCFMT_LEFT},
                            {L"Running", 60, LVCFMT_CENTER},
                            {L"File name", 200, LVCFMT_LEFT},
                            {L"Parameters", 100, LVCFMT_LEFT},
                            {L"Location", 200, LVCFMT_LEFT}};
  for (int i = 0; i < 5; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = columns[i].format;
    column.cx = Scale(columns[i].width);
    column.pszText = const_cast<wchar_t*>(columns[i].caption);
    ListView_InsertColumn(list_view_, i, &column);
  }

  status_bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                Handle(), reinterpret_cast<HMENU>(kStatusBar2), instance, nullptr);
  LayoutControls();
}

void TMainForm::BuildMainMenu() {
  main_menu_ = CreateMenu();
  file_menu_ = CreatePopupMenu();
  HMENU file = file_menu_;
  Append(file, Newstartupentry1, L"&New startup entry...");
  AppendSeparator(file);
  Append(file, Run1, L"&Run startup entry");
  Append(file, Stop1, L"&Stop startup entry");
  AppendSeparator(file);
  Append(file, Openfolder1, L"&Open folder...");
  Append(file, Fileproperties1, L"File &properties...");
  AppendSeparator(file);
  AppendSubmenu(file, BuildMoveToMenu(), L"&Move to");
  AppendSeparator(file);
  Append(file, Deletestartupentry1, L"&Delete startup entry");
  AppendSeparator(file);
  Append(file, Addtoblacklist1, L"Add to &blacklist");
  AppendSeparator(file);
  Append(file, Exit1, L"E&xit");
  AppendSubmenu(main_menu_, file, L"&File");

  view_menu_ = CreatePopupMenu();
  HMENU view = view_menu_;
  Append(view, Refreshlist1, L"&Refresh list\tF5");
  AppendSeparator(view);
  Append(view, oolbar1, L"&Toolbar", MF_CHECKED);
  Append(view, Statusbar1, L"&Status bar", MF_CHECKED);
  AppendSeparator(view);
  Append(view, Showgridlines1, L"Show &gridlines", MF_CHECKED);
  Append(view, Rowselection1, L"Row s&election", MF_CHECKED);
  AppendSeparator(view);
  Append(view, Font1, L"&Font...");
  Append(view, Backgroundcolor1, L"&Background color...");
  AppendSubmenu(main_menu_, view, L"&View");

  HMENU service = CreatePopupMenu();
  Append(service, Systemregistry1, L"System &registry...");
  HMENU startup_folder = CreatePopupMenu();
  Append(startup_folder, Currentuser1, L"&Current user...");
  Append(startup_folder, Allusers1, L"&All users...");
  AppendSubmenu(service, startup_folder, L"&Startup folder");
  Append(service, Wininifile1, L"&Win.ini file...");
  AppendSeparator(service);
  Append(service, Parameters1, L"&Parameters...");
  AppendSeparator(service);
  Append(service, Blacklist1, L"&Blacklist...");
  AppendSubmenu(main_menu_, service, L"&Service");

  HMENU help = CreatePopupMenu();
  Append(help, Helpcontents1, L"&Help contents...");
  Append(help, Homepage1, L"H&omepage...");
  Append(help, echnicalsupport1, L"&Technical support...");
  Append(help, AboutKorvane1, L"&About Korvane...");
  AppendSubmenu(main_menu_, help, L"&Help");
  SetMenu(Handle(), main_menu_);
}

void TMainForm::LayoutControls() {
  RECT client;
  GetClientRect(Handle(), &client);
  int top = 0;
  int bottom = client.bottom;
  if (IsWindowVisible(cool_bar_)) {
    SendMessageW(cool_bar_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(cool_bar_, &bar);
    top = bar.bottom - bar.top;
  }
  if (IsWindowVisible(status_bar_)) {
    SendMessageW(status_bar_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(status_bar_, &bar);
    bottom -= bar.bottom - bar.top;
  }
  MoveWindow(list_view_, 0, top, client.right, std::max(0, bottom - top), TRUE);
}

StartupList TMainForm::Rows() const {
  StartupList rows;
  const int count = ListView_GetItemCount(list_view_);
  for (int i = 0; i < count; ++i) rows.push_back(RowAt(list_view_, i));
  return rows;
}

StartupList TMainForm::SelectedRows() const {
  StartupList rows;
  for (int i = ListView_GetNextItem(list_view_, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list_view_, i, LVNI_SELECTED)) {
    rows.push_back(RowAt(list_view_, i));
  }
  return rows;
}

void TMainForm::FillRows(const StartupList& rows) {
  ListView_DeleteAllItems(list_view_);
  int index = 0;
  for (const StartupEntry& row : rows) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(row.name.c_str());
    item.iImage = row.icon;
    const int at = ListView_InsertItem(list_view_, &item);
    const std::wstring* texts[] = {nullptr, &row.file_name, &row.parameters, &row.location};
    ListView_SetItemText(list_view_, at, 1, const_cast<wchar_t*>(row.running ? kYes : kNo));
    for (int column = 1; column < 4; ++column) {
      ListView_SetItemText(list_view_, at, column + 1,
                           const_cast<wchar_t*>(texts[column]->c_str()));
    }
    ++index;
  }
}

void TMainForm::SetStatusText(const std::wstring& text) {
  if (!text.empty()) SendMessageW(status_bar_, SB_SIMPLE, TRUE, 0);
  SendMessageW(status_bar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
  if (text.empty()) SendMessageW(status_bar_, SB_SIMPLE, FALSE, 0);
  UpdateWindow(status_bar_);
}

void RefreshStartupList(TMainForm& form) {
  StartupList rows;
  ScanDisplay display(form);
  try {
    ScanStartupList(rows);
  } catch (...) {
    form.FillRows(rows);  // what the scan found before it failed
    throw;
  }
  form.FillRows(rows);
}

void RunRefreshCycle(TMainForm& form) {
  RefreshStartupList(form);
}

void TMainForm::Refreshlist1Click() {
  RunRefreshCycle(*this);
}

void TMainForm::Parameters1Click() {
  if (ParametersForm) ParametersForm->ShowModal(Handle());
}

void TMainForm::ShowKorvane1Click() {
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void TMainForm::Exit2Click() {
  ExitRequested = true;
  SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TMainForm::IgnoreCloseRequestsPostedSoFar() {
  ignoring_close_ = true;
  PostMessageW(Handle(), kStopIgnoringClose, 0, 0);
}

void TMainForm::ListView1Click() {
  const EntryCommandsEnabled enabled = EnabledAfterListClick(SelectedRows());
  const std::pair<UINT, bool> buttons[] = {{Deletestartupentry1, enabled.remove},
                                           {Openfolder1, enabled.open_folder},
                                           {Fileproperties1, enabled.properties},
                                           {Run1, enabled.run},
                                           {Stop1, enabled.stop}};
  for (const auto& [id, on] : buttons) SendMessageW(tool_bar_, TB_ENABLEBUTTON, id, on);
}

void TMainForm::File1Click(HMENU menu) {
  const EntryCommandsEnabled enabled = EnabledInFileMenu(SelectedRows());
  const std::pair<UINT, bool> items[] = {{Run1, enabled.run},
                                         {Stop1, enabled.stop},
                                         {Openfolder1, enabled.open_folder},
                                         {Fileproperties1, enabled.properties},
                                         {Deletestartupentry1, enabled.remove},
                                         {Addtoblacklist1, enabled.blacklist}};
  for (const auto& [id, on] : items) EnableMenuItem(menu, id, on ? MF_ENABLED : MF_GRAYED);
  // "Move to" is the ninth entry, counting the separators.
  EnableMenuItem(menu, 8, MF_BYPOSITION | (enabled.move ? MF_ENABLED : MF_GRAYED));
}

void TMainForm::View1Click(HMENU menu) {
  CheckMenuItem(menu, Showgridlines1, ListStyle(LVS_EX_GRIDLINES) ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu, Rowselection1, ListStyle(LVS_EX_FULLROWSELECT) ? MF_CHECKED : MF_UNCHECKED);
}

UniqueMenu TMainForm::ListPopupPopup() {
  UniqueMenu menu(CreatePopupMenu());
  HMENU popup = menu.get();
  const PopupLayout layout = ListPopupLayout(SelectedRows());
  for (PopupItem item : layout.shown) {
    switch (item) {
      case PopupItem::Runstartupentry1:
        Append(popup, Run1, L"&Run startup entry...");
        SetMenuDefaultItem(popup, Run1, FALSE);
        break;
      case PopupItem::Stopstartupentry1:
        Append(popup, Stop1, L"&Stop startup entry", layout.stop_enabled ? 0 : MF_GRAYED);
        break;
      case PopupItem::Openfolder2:
        Append(popup, Openfolder1, L"&Open folder...");
        break;
      case PopupItem::Fileproperties2:
        Append(popup, Fileproperties1, L"File &properties...");
        break;
      case PopupItem::Moveto2:
        AppendSubmenu(popup, BuildMoveToMenu(), L"&Move to");
        break;
      case PopupItem::Deletestartupentry2:
        Append(popup, Deletestartupentry1, L"&Delete startup entry");
        break;
      case PopupItem::Addtoblacklist2:
        Append(popup, Addtoblacklist1, L"Add to &blacklist");
        break;
      case PopupItem::Refreshlist2:
        Append(popup, Refreshlist1, L"&Refresh list\tF5");
        break;
      case PopupItem::Showgridlines2:
        Append(popup, Showgridlines2, L"Show &gridlines",
               ListStyle(LVS_EX_GRIDLINES) ? MF_CHECKED : 0);
        break;
      case PopupItem::Rowselection2:
        Append(popup, Rowselection2, L"Row s&election",
               ListStyle(LVS_EX_FULLROWSELECT) ? MF_CHECKED : 0);
        break;
      case PopupItem::Font2:
        Append(popup, Font1, L"&Font...");
        break;
      case PopupItem::Backgroundcolor2:
        Append(popup, Backgroundcolor1, L"&Background color...");
        break;
      case PopupItem::N17:
      case PopupItem::N18:
      case PopupItem::N20:
      case PopupItem::N23:
      case PopupItem::N24:
      case PopupItem::N25:
      case PopupItem::N26:
        AppendSeparator(popup);
        break;
      default:
        break;  // items that are never shown
    }
  }
  return menu;
}

void TMainForm::ShowListPopup(POINT at) {
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: at the focused row, or at the list's corner.
    RECT place = {};
    const int focused = ListView_GetNextItem(list_view_, -1, LVNI_FOCUSED);
    if (focused < 0 || !ListView_GetItemRect(list_view_, focused, &place, LVIR_LABEL)) {
      GetClientRect(list_view_, &place);
    }
    at = {place.left, place.bottom};
    ClientToScreen(list_view_, &at);
  }
  UniqueMenu menu = ListPopupPopup();
  const UINT id =
      TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, Handle(), nullptr);
  if (id) OnCommand(id);
}

bool TMainForm::ListStyle(DWORD style) const {
  return (ListView_GetExtendedListViewStyle(list_view_) & style) != 0;
}

void TMainForm::SetListStyle(DWORD style, bool on) {
  ListView_SetExtendedListViewStyleEx(list_view_, style, on ? style : 0);
}

bool TMainForm::ToggleAutoCheck(UINT id) {
  const bool checked = (GetMenuState(main_menu_, id, MF_BYCOMMAND) & MF_CHECKED) == 0;
  CheckMenuItem(main_menu_, id, checked ? MF_CHECKED : MF_UNCHECKED);
  return checked;
}

void TMainForm::Font1Click() {
  LOGFONTW font = {};
  auto current = reinterpret_cast<HFONT>(SendMessageW(list_view_, WM_GETFONT, 0, 0));
  GetObjectW(current ? current : FormFont(), sizeof(font), &font);
  CHOOSEFONTW choose = {};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = Handle();
  choose.lpLogFont = &font;
  choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  choose.rgbColors = ListView_GetTextColor(list_view_);
  if (!ChooseFontW(&choose)) return;
  UniqueFont chosen(CreateFontIndirectW(&font));
  if (!chosen) return;
  SendMessageW(list_view_, WM_SETFONT, reinterpret_cast<WPARAM>(chosen.get()), TRUE);
  list_font_ = std::move(chosen);
  ListView_SetTextColor(list_view_, choose.rgbColors);
  InvalidateRect(list_view_, nullptr, TRUE);
}

void TMainForm::Backgroundcolor1Click() {
  CHOOSECOLORW choose = {};
  choose.lStructSize = sizeof(choose);
  choose.hwndOwner = Handle();
  choose.rgbResult = ListView_GetBkColor(list_view_);
  choose.lpCustColors = custom_colors_;
  choose.Flags = CC_RGBINIT;
  if (!ChooseColorW(&choose)) return;
  ListView_SetBkColor(list_view_, choose.rgbResult);
  ListView_SetTextBkColor(list_view_, choose.rgbResult);
  InvalidateRect(list_view_, nullptr, TRUE);
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
  switch (id) {
    case Newstartupentry1:
      if (NewEntryForm) NewEntryForm->ShowModal(Handle());
      break;
    case Blacklist1:
      if (BlacklistForm) BlacklistForm->ShowModal(Handle());
      break;
    case Parameters1:
    case Options1:
      Parameters1Click();
      break;
    case Refreshlist1:
    case Refresh1:
      Refreshlist1Click();
      break;
    case Exit1:
      SendMessageW(Handle(), WM_CLOSE, 0, 0);
      break;
    case Exit2:
      Exit2Click();
      break;
    case ShowKorvane1:
      ShowKorvane1Click();
      break;
    case oolbar1:
      ShowWindow(cool_bar_, ToggleAutoCheck(oolbar1) ? SW_SHOW : SW_HIDE);
      LayoutControls();
      break;
    case Statusbar1:
      ShowWindow(status_bar_, ToggleAutoCheck(Statusbar1) ? SW_SHOW : SW_HIDE);
      LayoutControls();
      break;
    case Showgridlines1:
      SetListStyle(LVS_EX_GRIDLINES, ToggleAutoCheck(Showgridlines1));
      break;
    case Rowselection1:
      SetListStyle(LVS_EX_FULLROWSELECT, ToggleAutoCheck(Rowselection1));
      break;
    // The context menu's twins were checked by the list's state when it opened.
    case Showgridlines2:
      SetListStyle(LVS_EX_GRIDLINES, !ListStyle(LVS_EX_GRIDLINES));
      break;
    case Rowselection2:
      SetListStyle(LVS_EX_FULLROWSELECT, !ListStyle(LVS_EX_FULLROWSELECT));
      break;
    case Font1:
      Font1Click();
      break;
    case Backgroundcolor1:
      Backgroundcolor1Click();
      break;
    case SelectAll:
      ListView_SetItemState(list_view_, -1, LVIS_SELECTED, LVIS_SELECTED);
      break;
    default:
      // The entry commands, moves and service items act from their own handlers.
      break;
  }
}

void TMainForm::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == list_view_) {
    if (header.code == NM_CLICK) ListView1Click();
    if (header.code == NM_DBLCLK) OnCommand(Run1);
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
    case kStopIgnoringClose:
      ignoring_close_ = false;
      return 0;
    case kShowInstanceMessage:
      ShowKorvane1Click();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam));
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
      return 0;
    case WM_INITMENUPOPUP: {
      auto menu = reinterpret_cast<HMENU>(wparam);
      if (menu == file_menu_) File1Click(menu);
      if (menu == view_menu_) View1Click(menu);
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
      if (tray_icon_) tray_icon_->HideIcon();
      if (EndsApplication) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(Handle(), message, wparam, lparam);
}

TApplication::TApplication() {
  MainForm = std::make_unique<TMainForm>();
  NewEntriesForm = std::make_unique<TNewEntriesForm>();
  NewEntryForm = std::make_unique<TNewEntryForm>();
  BlacklistForm = std::make_unique<TBlacklistForm>();
  ParametersForm = std::make_unique<TParametersForm>(*MainForm);
  MainForm->NewEntriesForm = NewEntriesForm.get();
  MainForm->NewEntryForm = NewEntryForm.get();
  MainForm->BlacklistForm = BlacklistForm.get();
  MainForm->ParametersForm = ParametersForm.get();
}

TApplication::~TApplication() {
  ParametersForm.reset();
  BlacklistForm.reset();
  NewEntryForm.reset();
  NewEntriesForm.reset();
  MainForm.reset();
}

}  // namespace korvane
