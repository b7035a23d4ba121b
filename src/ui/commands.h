#pragma once
// Every command of the main window in one table: its caption, glyph,
// shortcut, when it is enabled, and what it asks before it acts. The menus,
// the list's context menu, the toolbar and the tray menu are laid out here
// by command id, and the main window dispatches through the table. The new
// entries dialog's list menu takes its ids from here too.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/entry.h"
#include "ui/settings.h"

namespace korvane {

// Command identifiers, named after the menu items and buttons they belong to.
// A menu item, its context-menu twin and its toolbar button share one id.
enum CommandId : unsigned {
  kSeparator = 0,
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
  // The eight targets of "Move to".
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
  // Submenus.
  File1,
  View1,
  Service1,
  Help1,
  Moveto1,
  Startupfolder1,
  // Switching entries off and on without deleting them.
  Disablestartupentry1,
  Enablestartupentry1,
  // The undo store: the Service menu's item and the tray menu's twin.
  Restoreremovedentries1,
  Restoreremovedentries2,
  // Showing a row in its place, finding rows, and the list's optional columns.
  Jumptoentry1,
  Searchentries1,
  Publishercolumn1,
  Descriptioncolumn1,
  Signaturecolumn1,
  // File › Restart as administrator (absent when the program runs elevated).
  Restartasadministrator1,
  // View › Hide Windows entries: Windows' own entries out of the list.
  HideWindowsentries1,
};

// The toolbar's pictures, in the order of the toolbar's image list.
enum Glyph : int {
  kNoGlyph = -1,
  kGlyphNew,
  kGlyphDelete,
  kGlyphFolder,
  kGlyphProperties,
  kGlyphRun,
  kGlyphStop,
  kGlyphRefresh,
  kGlyphParameters,
  kGlyphDisable,
  kGlyphEnable,
  kGlyphCount
};

// When a command can be chosen.
enum class EnableRule {
  Always,
  Selection,           // one row or more selected
  RunningSelection,    // a selected row's program runs
  OnSelection,         // a selected row is switched on
  OffSelection,        // a selected row is switched off
  DeletableSelection,  // a selected row can be deleted (not a service)
  MovableSelection,    // a selected row can be moved (neither a task nor a service)
  Never,               // shown for its place in the menu; nothing to do yet
};

// Who carries a command out: the main window itself, its View commands, the
// entry commands (the selected rows and the Service tools), or a move to one
// of the targets.
enum class CommandGroup { Form, View, Entry, Move };

struct Command {
  CommandId id;
  const wchar_t* caption;        // with its access key
  const wchar_t* tip = nullptr;  // the toolbar button's tooltip
  Glyph glyph = kNoGlyph;
  const wchar_t* shortcut = nullptr;  // shown after the caption
  EnableRule enable = EnableRule::Always;
  CommandGroup group = CommandGroup::Form;
  CommandId acts_as = kSeparator;  // a twin runs this command; kSeparator: itself
  // The confirmation: a switch for one row, one for several, the question's
  // caption, its text for one row, and its text for several around the count.
  bool AppSettings::*confirm_one = nullptr;
  bool AppSettings::*confirm_several = nullptr;
  const wchar_t* question_caption = nullptr;
  const wchar_t* question_one = nullptr;
  const wchar_t* question_several_before = nullptr;
  const wchar_t* question_several_after = nullptr;
};

// The table's row for `id`; nullptr for an id it does not know.
const Command* FindCommand(unsigned id);
// The command an id runs: itself, or the command its twin stands for.
CommandId Target(CommandId id);
// The caption as a menu shows it: with the shortcut after a tab.
std::wstring MenuText(const Command& command);

struct SelectionState {
  size_t rows = 0;
  bool any_running = false;
  bool any_on = false;
  bool any_off = false;
  bool any_deletable = false;
  bool any_movable = false;
  // Changing a row of the selection needs administrator rights here, and
  // moving to each of the move targets does (in kMoveTargets' order).
  bool any_needs_administrator = false;
  std::vector<bool> target_needs_administrator;
  // Why a command is greyed for the selection, for the status bar; empty
  // when none is.
  std::wstring why_not;
};
bool CommandEnabled(CommandId id, const SelectionState& selection);
// Whether the command carries the shield: it changes a row, or writes to a
// place, that needs administrator rights.
bool CommandNeedsAdministrator(CommandId id, const SelectionState& selection);

struct Question {
  std::wstring caption, text;
};
// The confirmation step of a command on `rows` selected rows (one or more):
// the question to ask, or nothing when the command's switch for that many
// rows is off or the command asks nothing. With no rows selected a command
// on entries does nothing at all, so there is nothing to ask.
std::optional<Question> ConfirmationQuestion(CommandId id, size_t rows,
                                             const AppSettings& settings);
// The second, plain question before Delete takes one of Windows' own entries
// (userinit.exe, explorer.exe as the shell, the boot check): it names them;
// nothing when none of `rows` is one. Asked whatever the settings say.
std::optional<Question> WindowsOwnQuestion(const StartupList& rows);

// A menu's layout. `id` kSeparator is a separator; a slot with items is a
// submenu; `caption` replaces the table's caption where a menu words it
// otherwise.
struct MenuSlot {
  CommandId id = kSeparator;
  std::vector<MenuSlot> items = {};
  const wchar_t* caption = nullptr;
  bool is_default = false;
};

// File, View, Service, Help.
const std::vector<MenuSlot>& MainMenuLayout();
// The list's context menu: an entry menu when rows are selected, a view
// menu when none is.
const std::vector<MenuSlot>& ListPopupLayout(bool rows_selected);
const std::vector<MenuSlot>& TrayMenuLayout();
// The new entries dialog's list menu, on the entries it shows.
const std::vector<MenuSlot>& NewEntriesPopupLayout();
// The toolbar, left to right; kSeparator between groups.
const std::vector<CommandId>& ToolbarLayout();

}  // namespace korvane
