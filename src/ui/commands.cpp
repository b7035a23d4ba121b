#include "ui/commands.h"

#include "catalogue/places/place_kind.h"

#include <algorithm>
#include <iterator>

namespace korvane {

namespace {

using enum EnableRule;
using enum CommandGroup;
using S = AppSettings;

// Every move shares its confirmation, asked in the words of the other questions.
constexpr Command MoveTarget(CommandId id, const wchar_t* caption) {
  return {.id = id,
          .caption = caption,
          .enable = MovableSelection,
          .group = CommandGroup::Move,
          .confirm_one = &S::single_movement,
          .confirm_several = &S::multiple_movement,
          .question_caption = L"Korvane",
          .question_one = L"Are you really want to move this entry?",
          .question_several_before = L"Are you really want to move ",
          .question_several_after = L" entries?"};
}

const Command kCommands[] = {
    {.id = Newstartupentry1,
     .caption = L"&New startup entry...",
     .tip = L"New startup entry",
     .glyph = kGlyphNew},
    {.id = Run1,
     .caption = L"&Run startup entry",
     .tip = L"Run startup entry",
     .glyph = kGlyphRun,
     .enable = Selection,
     .group = Entry,
     .confirm_one = &S::single_launching,
     .confirm_several = &S::multiple_launching,
     .question_caption = L"Please, confirm launching",
     .question_one = L"Are you really want to launch this entry?",
     .question_several_before = L"Are you really want to launch ",
     .question_several_after = L" entries?"},
    {.id = Stop1,
     .caption = L"&Stop startup entry",
     .tip = L"Stop startup entry",
     .glyph = kGlyphStop,
     .enable = RunningSelection,
     .group = Entry,
     .confirm_one = &S::single_stopping,
     .confirm_several = &S::multiple_stopping,
     .question_caption = L"Please, confirm stopping",
     .question_one = L"Are you really want to stop this entry?",
     .question_several_before = L"Are you really want to stop ",
     .question_several_after = L" entries?"},
    {.id = Openfolder1,
     .caption = L"&Open folder...",
     .tip = L"Open folder",
     .glyph = kGlyphFolder,
     .enable = Selection,
     .group = Entry},
    {.id = Fileproperties1,
     .caption = L"File &properties...",
     .tip = L"File properties",
     .glyph = kGlyphProperties,
     .enable = Selection,
     .group = Entry},
    {.id = Deletestartupentry1,
     .caption = L"&Delete startup entry",
     .tip = L"Delete startup entry",
     .glyph = kGlyphDelete,
     .enable = DeletableSelection,
     .group = Entry,
     .confirm_one = &S::single_deletion,
     .confirm_several = &S::multiple_deletion,
     .question_caption = L"Please, confirm deletion",
     .question_one = L"Are you really want to remove this entry?",
     .question_several_before = L"Are you really want to remove ",
     .question_several_after = L" entries?"},
    {.id = Addtoblacklist1,
     .caption = L"Add to &blacklist",
     .enable = DeletableSelection,
     .group = Entry,
     .confirm_one = &S::single_addition,
     .confirm_several = &S::multiple_addition,
     .question_caption = L"Korvane",
     .question_one = L"Are you really want to add this entry into blacklist?",
     .question_several_before = L"Are you really want to add ",
     .question_several_after = L" entries into blacklist?"},
    {.id = Disablestartupentry1,
     .caption = L"D&isable startup entry",
     .tip = L"Disable startup entry",
     .glyph = kGlyphDisable,
     .enable = OnSelection,
     .group = Entry},
    {.id = Enablestartupentry1,
     .caption = L"&Enable startup entry",
     .tip = L"Enable startup entry",
     .glyph = kGlyphEnable,
     .enable = OffSelection,
     .group = Entry},
    {.id = Jumptoentry1,
     .caption = L"&Jump to entry",
     .shortcut = L"Ctrl+J",
     .enable = Selection,
     .group = Entry},
    {.id = Restartasadministrator1, .caption = L"Restart as &administrator"},
    {.id = Exit1, .caption = L"E&xit"},
    {.id = Refreshlist1,
     .caption = L"&Refresh list",
     .tip = L"Refresh list",
     .glyph = kGlyphRefresh,
     .shortcut = L"F5"},
    {.id = oolbar1, .caption = L"&Toolbar", .group = View},
    {.id = Statusbar1, .caption = L"&Status bar", .group = View},
    {.id = Showgridlines1, .caption = L"Show &gridlines", .group = View},
    {.id = Rowselection1, .caption = L"Row s&election", .group = View},
    {.id = Font1, .caption = L"&Font...", .group = View},
    {.id = Searchentries1, .caption = L"Searc&h entries", .shortcut = L"Ctrl+F", .group = View},
    {.id = Publishercolumn1, .caption = L"&Publisher column", .group = View},
    {.id = Descriptioncolumn1, .caption = L"&Description column", .group = View},
    {.id = Signaturecolumn1, .caption = L"Signat&ure column", .group = View},
    {.id = HideWindowsentries1, .caption = L"Hide &Windows entries", .group = View},
    {.id = Backgroundcolor1, .caption = L"&Background color...", .group = View},
    {.id = Systemregistry1, .caption = L"System &registry...", .group = Entry},
    {.id = Currentuser1, .caption = L"&Current user...", .group = Entry},
    {.id = Allusers1, .caption = L"&All users...", .group = Entry},
    {.id = Wininifile1, .caption = L"&Win.ini file...", .group = Entry},
    {.id = Parameters1,
     .caption = L"&Parameters...",
     .tip = L"Parameters",
     .glyph = kGlyphParameters},
    {.id = Blacklist1, .caption = L"&Blacklist..."},
    {.id = Restoreremovedentries1, .caption = L"Restore removed &entries..."},
    {.id = Restoreremovedentries2,
     .caption = L"Restore removed entries...",
     .acts_as = Restoreremovedentries1},
    {.id = Helpcontents1, .caption = L"&Help contents...", .enable = EnableRule::Never},
    {.id = Homepage1, .caption = L"H&omepage...", .enable = EnableRule::Never},
    {.id = echnicalsupport1, .caption = L"&Technical support...", .enable = EnableRule::Never},
    {.id = AboutKorvane1, .caption = L"&About Korvane...", .enable = EnableRule::Never},
    MoveTarget(Registrycurrentuser1, L"Registry, current user, Run"),
    MoveTarget(RegistrycurrentuserRunOnce1, L"Registry, current user, RunOnce"),
    MoveTarget(Registryallusers1, L"Registry, all users, Run"),
    MoveTarget(RegistryallusersRunServices1, L"Registry, all users, RunServices"),
    MoveTarget(RegistryallusersRunOnce1, L"Registry, all users, RunOnce"),
    MoveTarget(RegistryallusersRunServicesOnce1, L"Registry, all users, RunServicesOnce"),
    MoveTarget(Startmenucurrentuser1, L"Start menu, current user"),
    MoveTarget(Startmenuallusers1, L"Start menu, all users"),
    {.id = Showgridlines2, .caption = L"Show &gridlines", .group = View},
    {.id = Rowselection2, .caption = L"Row s&election", .group = View},
    {.id = ShowKorvane1, .caption = L"Show Korvane"},
    {.id = Refresh1, .caption = L"Refresh", .acts_as = Refreshlist1},
    {.id = Options1, .caption = L"Parameters...", .acts_as = Parameters1},
    {.id = Exit2, .caption = L"Exit"},
    {.id = SelectAll, .caption = L"Select all", .shortcut = L"Ctrl+A", .group = View},
    {.id = File1, .caption = L"&File"},
    {.id = View1, .caption = L"&View"},
    {.id = Service1, .caption = L"&Service"},
    {.id = Help1, .caption = L"&Help"},
    {.id = Moveto1, .caption = L"&Move to", .enable = MovableSelection},
    {.id = Startupfolder1, .caption = L"&Startup folder"},
};

const MenuSlot kGap;

const std::vector<MenuSlot> kMoveTo = {
    {Registrycurrentuser1},
    {RegistrycurrentuserRunOnce1},
    kGap,
    {Registryallusers1},
    {RegistryallusersRunServices1},
    {RegistryallusersRunOnce1},
    {RegistryallusersRunServicesOnce1},
    kGap,
    {Startmenucurrentuser1},
    {Startmenuallusers1},
};

}  // namespace

const Command* FindCommand(unsigned id) {
  const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                  [id](const Command& c) { return c.id == id; });
  return found == std::end(kCommands) ? nullptr : &*found;
}

CommandId Target(CommandId id) {
  const Command* command = FindCommand(id);
  return command && command->acts_as != kSeparator ? command->acts_as : id;
}

std::wstring MenuText(const Command& command) {
  std::wstring text = command.caption;
  if (command.shortcut) text += std::wstring(L"\t") + command.shortcut;
  return text;
}

bool CommandEnabled(CommandId id, const SelectionState& selection) {
  const Command* command = FindCommand(Target(id));
  if (!command) return false;
  switch (command->enable) {
    case EnableRule::Always:
      return true;
    case EnableRule::Selection:
      return selection.rows > 0;
    case EnableRule::RunningSelection:
      return selection.rows > 0 && selection.any_running;
    case EnableRule::OnSelection:
      return selection.any_on;
    case EnableRule::OffSelection:
      return selection.any_off;
    case EnableRule::DeletableSelection:
      return selection.any_deletable;
    case EnableRule::MovableSelection:
      return selection.any_movable;
    case EnableRule::Never:
      break;
  }
  return false;
}

bool CommandNeedsAdministrator(CommandId id, const SelectionState& selection) {
  if (id >= Registrycurrentuser1 && id <= Startmenuallusers1) {
    const size_t target = id - Registrycurrentuser1;
    return selection.any_needs_administrator ||
           (target < selection.target_needs_administrator.size() &&
            selection.target_needs_administrator[target]);
  }
  return (id == Deletestartupentry1 || id == Disablestartupentry1 || id == Enablestartupentry1) &&
         selection.any_needs_administrator;
}

std::optional<Question> WindowsOwnQuestion(const StartupList& rows) {
  std::wstring names;
  for (const StartupEntry& row : rows) {
    if (PlaceOf(row).WindowsOwn(row)) names += L"\n" + row.name + L" (" + row.location + L")";
  }
  if (names.empty()) return std::nullopt;
  return Question{L"Windows' own entries",
                  L"These entries are Windows' own:\n" + names +
                      L"\n\nWithout them Windows may not be able to log on or start. Delete them "
                      L"all the same?"};
}

std::optional<Question> ConfirmationQuestion(CommandId id, size_t rows,
                                             const AppSettings& settings) {
  const Command* command = FindCommand(Target(id));
  if (!command || rows == 0 || !command->confirm_one) return std::nullopt;
  if (rows == 1) {
    if (!(settings.*command->confirm_one)) return std::nullopt;
    return Question{command->question_caption, command->question_one};
  }
  if (!(settings.*command->confirm_several)) return std::nullopt;
  return Question{
      command->question_caption,
      command->question_several_before + std::to_wstring(rows) + command->question_several_after};
}

const std::vector<MenuSlot>& MainMenuLayout() {
  static const std::vector<MenuSlot> layout = {
      {File1,
       {{Newstartupentry1},
        kGap,
        {Run1},
        {Stop1},
        kGap,
        {Openfolder1},
        {Fileproperties1},
        {Jumptoentry1},
        kGap,
        {Moveto1, kMoveTo},
        kGap,
        {Disablestartupentry1},
        {Enablestartupentry1},
        {Deletestartupentry1},
        kGap,
        {Addtoblacklist1},
        kGap,
        {Restartasadministrator1},
        {Exit1}}},
      {View1,
       {{Refreshlist1},
        {Searchentries1},
        {HideWindowsentries1},
        kGap,
        {oolbar1},
        {Statusbar1},
        kGap,
        {Publishercolumn1},
        {Descriptioncolumn1},
        {Signaturecolumn1},
        kGap,
        {Showgridlines1},
        {Rowselection1},
        kGap,
        {Font1},
        {Backgroundcolor1}}},
      {Service1,
       {{Systemregistry1},
        {Startupfolder1, {{Currentuser1}, {Allusers1}}},
        {Wininifile1},
        kGap,
        {Parameters1},
        kGap,
        {Blacklist1},
        {Restoreremovedentries1}}},
      {Help1, {{Helpcontents1}, {Homepage1}, {echnicalsupport1}, {AboutKorvane1}}},
  };
  return layout;
}

const std::vector<MenuSlot>& ListPopupLayout(bool rows_selected) {
  static const std::vector<MenuSlot> entries = {
      {.id = Run1, .caption = L"&Run startup entry...", .is_default = true},
      {Stop1},
      kGap,
      {Openfolder1},
      {Fileproperties1},
      {Jumptoentry1},
      kGap,
      {Moveto1, kMoveTo},
      kGap,
      {Disablestartupentry1},
      {Enablestartupentry1},
      {Deletestartupentry1},
      kGap,
      {Addtoblacklist1},
  };
  static const std::vector<MenuSlot> view = {
      {Refreshlist1}, kGap, {Showgridlines2}, {Rowselection2}, kGap, {Font1}, {Backgroundcolor1},
  };
  return rows_selected ? entries : view;
}

const std::vector<MenuSlot>& TrayMenuLayout() {
  static const std::vector<MenuSlot> layout = {
      {.id = ShowKorvane1, .is_default = true},
      {Refresh1},
      kGap,
      {Options1},
      {Restoreremovedentries2},
      kGap,
      {Exit2},
  };
  return layout;
}

const std::vector<MenuSlot>& NewEntriesPopupLayout() {
  static const std::vector<MenuSlot> layout = {
      {.id = Fileproperties1, .caption = L"File properties..."},
      {.id = Jumptoentry1, .caption = L"Jump to entry"},
      kGap,
      {.id = Deletestartupentry1, .caption = L"Delete startup entry"},
      {.id = Disablestartupentry1, .caption = L"Disable startup entry"},
      {.id = Addtoblacklist1, .caption = L"Add to blacklist"},
  };
  return layout;
}

const std::vector<CommandId>& ToolbarLayout() {
  static const std::vector<CommandId> layout = {
      Newstartupentry1,
      Deletestartupentry1,
      Disablestartupentry1,
      kSeparator,
      Openfolder1,
      Fileproperties1,
      kSeparator,
      Run1,
      Stop1,
      kSeparator,
      Refreshlist1,
      kSeparator,
      Parameters1,
  };
  return layout;
}

}  // namespace korvane
