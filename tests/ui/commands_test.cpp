#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/commands.h"

namespace korvane {
namespace {

using Switch = bool AppSettings::*;

const Switch kSwitches[] = {
    &AppSettings::min_to_tray,        &AppSettings::close_to_tray,
    &AppSettings::confirm_exit,       &AppSettings::single_deletion,
    &AppSettings::multiple_deletion,  &AppSettings::single_launching,
    &AppSettings::multiple_launching, &AppSettings::single_movement,
    &AppSettings::multiple_movement,  &AppSettings::single_stopping,
    &AppSettings::multiple_stopping,  &AppSettings::single_addition,
    &AppSettings::multiple_addition,
};

const CommandId kMoveTargets[] = {
    Registrycurrentuser1,         RegistrycurrentuserRunOnce1, Registryallusers1,
    RegistryallusersRunServices1, RegistryallusersRunOnce1,    RegistryallusersRunServicesOnce1,
    Startmenucurrentuser1,        Startmenuallusers1,
};

TEST(CommandTable, ASelectionEnablesTheEntryCommandsAndARunningRowStop) {
  SelectionState none, idle, several;
  idle.rows = 1;
  several.rows = 3;
  several.any_running = true;
  idle.any_deletable = several.any_deletable = idle.any_movable = several.any_movable = true;
  // A process list that still names a program is no selection.
  SelectionState stale;
  stale.any_running = true;
  std::vector<CommandId> need_rows = {Run1,    Openfolder1,         Fileproperties1,
                                      Moveto1, Deletestartupentry1, Addtoblacklist1};
  need_rows.insert(need_rows.end(), std::begin(kMoveTargets), std::end(kMoveTargets));
  for (CommandId id : need_rows) {
    EXPECT_FALSE(CommandEnabled(id, none)) << id;
    EXPECT_FALSE(CommandEnabled(id, stale)) << id;
    EXPECT_TRUE(CommandEnabled(id, idle)) << id;
    EXPECT_TRUE(CommandEnabled(id, several)) << id;
  }
  EXPECT_FALSE(CommandEnabled(Stop1, none));
  EXPECT_FALSE(CommandEnabled(Stop1, stale));
  EXPECT_FALSE(CommandEnabled(Stop1, idle));
  EXPECT_TRUE(CommandEnabled(Stop1, several));
  for (CommandId id : {Newstartupentry1, Refreshlist1, Refresh1, Parameters1, Options1, Exit1,
                       Exit2, ShowKorvane1, Blacklist1, Systemregistry1, Currentuser1, Allusers1,
                       Wininifile1, Showgridlines2, Font1, SelectAll}) {
    EXPECT_TRUE(CommandEnabled(id, none)) << id;
  }
  for (CommandId id : {Helpcontents1, Homepage1, echnicalsupport1, AboutKorvane1}) {
    EXPECT_FALSE(CommandEnabled(id, several)) << id;
  }

  // The shield: the commands that change a row when one needs administrator
  // rights, and a move into a target that does.
  SelectionState locked_row = idle, locked_target = idle;
  locked_row.any_needs_administrator = true;
  locked_target.target_needs_administrator = {false, false, true, false, false, false, false, true};
  for (CommandId id : {Deletestartupentry1, Disablestartupentry1, Enablestartupentry1}) {
    EXPECT_TRUE(CommandNeedsAdministrator(id, locked_row)) << id;
    EXPECT_FALSE(CommandNeedsAdministrator(id, locked_target)) << id;
    EXPECT_FALSE(CommandNeedsAdministrator(id, idle)) << id;
  }
  for (size_t i = 0; i < std::size(kMoveTargets); ++i) {
    EXPECT_TRUE(CommandNeedsAdministrator(kMoveTargets[i], locked_row)) << i;
    EXPECT_EQ(CommandNeedsAdministrator(kMoveTargets[i], locked_target),
              locked_target.target_needs_administrator[i])
        << i;
  }
  for (CommandId id : {Run1, Stop1, Openfolder1, Jumptoentry1, Newstartupentry1, Exit1}) {
    EXPECT_FALSE(CommandNeedsAdministrator(id, locked_row)) << id;
  }
}

// The new entries dialog dispatches its menu by the table's ids: an id the
// table does not know would come out as a separator.
TEST(CommandTable, TheNewEntriesMenuHoldsTableCommandsOnTheSelection) {
  std::vector<CommandId> ids;
  for (const MenuSlot& slot : NewEntriesPopupLayout()) {
    if (slot.id == kSeparator) continue;
    ASSERT_NE(FindCommand(slot.id), nullptr) << slot.id;
    EXPECT_FALSE(CommandEnabled(slot.id, {})) << slot.id;
    ids.push_back(slot.id);
  }
  EXPECT_EQ(ids, (std::vector<CommandId>{Fileproperties1, Jumptoentry1, Deletestartupentry1,
                                         Disablestartupentry1, Addtoblacklist1}));
}

TEST(CommandTable, EachCommandConsultsItsOwnTwoSwitchesAndAsksItsOwnQuestion) {
  struct Case {
    CommandId id;
    Switch one, several;
    const wchar_t *caption, *text_one, *text_three;
  };
  std::vector<Case> cases = {
      {Run1, &AppSettings::single_launching, &AppSettings::multiple_launching,
       L"Please, confirm launching", L"Are you really want to launch this entry?",
       L"Are you really want to launch 3 entries?"},
      {Stop1, &AppSettings::single_stopping, &AppSettings::multiple_stopping,
       L"Please, confirm stopping", L"Are you really want to stop this entry?",
       L"Are you really want to stop 3 entries?"},
      {Deletestartupentry1, &AppSettings::single_deletion, &AppSettings::multiple_deletion,
       L"Please, confirm deletion", L"Are you really want to remove this entry?",
       L"Are you really want to remove 3 entries?"},
      {Addtoblacklist1, &AppSettings::single_addition, &AppSettings::multiple_addition, L"Korvane",
       L"Are you really want to add this entry into blacklist?",
       L"Are you really want to add 3 entries into blacklist?"},
  };
  for (CommandId target : kMoveTargets) {
    cases.push_back({target, &AppSettings::single_movement, &AppSettings::multiple_movement,
                     L"Korvane", L"Are you really want to move this entry?",
                     L"Are you really want to move 3 entries?"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    for (Switch on : kSwitches) {
      AppSettings settings;
      settings.*on = true;
      const auto one = ConfirmationQuestion(c.id, 1, settings);
      const auto three = ConfirmationQuestion(c.id, 3, settings);
      EXPECT_EQ(one.has_value(), on == c.one);
      EXPECT_EQ(three.has_value(), on == c.several);
      if (one) {
        EXPECT_EQ(one->caption, c.caption);
        EXPECT_EQ(one->text, c.text_one);
      }
      if (three) {
        EXPECT_EQ(three->caption, c.caption);
        EXPECT_EQ(three->text, c.text_three);
      }
    }
    AppSettings all;
    for (Switch on : kSwitches) all.*on = true;
    EXPECT_FALSE(ConfirmationQuestion(c.id, 0, all));
  }
  EXPECT_EQ(ConfirmationQuestion(Deletestartupentry1, 12345, {.multiple_deletion = true})->text,
            L"Are you really want to remove 12345 entries?");

  // The other commands never ask, whatever the settings.
  AppSettings all;
  for (Switch on : kSwitches) all.*on = true;
  for (CommandId id : {Openfolder1, Fileproperties1, Systemregistry1, Currentuser1, Allusers1,
                       Wininifile1, Newstartupentry1, Refreshlist1, Exit1, Moveto1}) {
    EXPECT_FALSE(ConfirmationQuestion(id, 1, all)) << id;
    EXPECT_FALSE(ConfirmationQuestion(id, 2, all)) << id;
  }
}

// Windows' own defaults are named in a second question; other rows ask none.
TEST(Commands, DeletingWindowsOwnEntriesAsksASecondQuestionNamingThem) {
  const std::wstring winlogon = L"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  auto item = [&](const std::wstring& name, const std::wstring& value, const std::wstring& text) {
    StartupEntry row;
    row.name = name;
    row.file_name = L"C:\\Windows\\" + name;
    row.location = L"HKEY_LOCAL_MACHINE" + winlogon + L", " + value;
    row.source = ValueItemSource{ValueSource(RootKey::LocalMachine, winlogon, value),
                                 ItemList::Commas, text};
    return row;
  };
  StartupEntry run;
  run.name = L"Tool";
  run.source = ValueSource(RootKey::CurrentUser,
                           L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Tool");
  const StartupEntry userinit =
      item(L"userinit.exe", L"Userinit", L"C:\\Windows\\system32\\userinit.exe");
  const StartupEntry other = item(L"other.exe", L"Shell", L"C:\\Tools\\other.exe");
  EXPECT_FALSE(WindowsOwnQuestion({run, other}));
  const std::optional<Question> asked = WindowsOwnQuestion({run, userinit, other});
  ASSERT_TRUE(asked);
  EXPECT_NE(asked->text.find(L"userinit.exe (" + userinit.location + L")"), std::wstring::npos);
  EXPECT_EQ(asked->text.find(L"other.exe"), std::wstring::npos);
  EXPECT_NE(asked->text.find(L"log on"), std::wstring::npos);
}

void CollectIds(const std::vector<MenuSlot>& layout, std::vector<CommandId>& ids) {
  for (const MenuSlot& slot : layout) {
    if (slot.id != kSeparator) ids.push_back(slot.id);
    CollectIds(slot.items, ids);
  }
}

// The access keys of one menu level that more than one item shares.
void CollectSharedKeys(const std::vector<MenuSlot>& layout, std::vector<std::wstring>& shared) {
  std::map<wchar_t, std::wstring> seen;
  for (const MenuSlot& slot : layout) {
    CollectSharedKeys(slot.items, shared);
    const Command* command = FindCommand(slot.id);
    const std::wstring caption = slot.caption ? slot.caption : command ? command->caption : L"";
    const size_t amp = caption.find(L'&');
    if (amp == std::wstring::npos || amp + 1 >= caption.size()) continue;
    auto [at, fresh] = seen.emplace(std::towupper(caption[amp + 1]), caption);
    if (!fresh) shared.push_back(at->second + L" / " + caption);
  }
}

TEST(CommandTable, EveryMenuAndButtonNamesACommandOfTheTable) {
  std::vector<std::wstring> shared;
  for (const auto* layout : {&MainMenuLayout(), &ListPopupLayout(true), &ListPopupLayout(false),
                             &TrayMenuLayout(), &NewEntriesPopupLayout()}) {
    CollectSharedKeys(*layout, shared);
  }
  EXPECT_EQ(shared, std::vector<std::wstring>{});

  std::vector<CommandId> ids;
  CollectIds(MainMenuLayout(), ids);
  CollectIds(ListPopupLayout(true), ids);
  CollectIds(ListPopupLayout(false), ids);
  CollectIds(TrayMenuLayout(), ids);
  for (CommandId id : ids) {
    const Command* command = FindCommand(id);
    ASSERT_NE(command, nullptr) << id;
    EXPECT_NE(std::wstring(command->caption), L"") << id;
  }
  for (CommandId id : ToolbarLayout()) {
    if (id == kSeparator) continue;
    const Command* command = FindCommand(id);
    ASSERT_NE(command, nullptr) << id;
    EXPECT_NE(command->glyph, kNoGlyph) << id;
    EXPECT_NE(command->tip, nullptr) << id;
  }
  EXPECT_EQ(FindCommand(kSeparator), nullptr);
  EXPECT_EQ(FindCommand(99999), nullptr);

  // "Move to" holds the eight targets in both menus, which run one handler each.
  std::vector<CommandId> in_file, in_popup;
  for (const MenuSlot& slot : MainMenuLayout()[0].items) {
    if (slot.id == Moveto1) CollectIds(slot.items, in_file);
  }
  for (const MenuSlot& slot : ListPopupLayout(true)) {
    if (slot.id == Moveto1) CollectIds(slot.items, in_popup);
  }
  const std::vector<CommandId> targets(std::begin(kMoveTargets), std::end(kMoveTargets));
  EXPECT_EQ(in_file, targets);
  EXPECT_EQ(in_popup, targets);
  for (CommandId id : targets) EXPECT_EQ(FindCommand(id)->group, CommandGroup::Move);

  // The tray's twins run the main window's commands.
  EXPECT_EQ(Target(Refresh1), Refreshlist1);
  EXPECT_EQ(Target(Options1), Parameters1);
  EXPECT_EQ(Target(Run1), Run1);
  EXPECT_EQ(MenuText(*FindCommand(Refreshlist1)), L"&Refresh list\tF5");
}

}  // namespace
}  // namespace korvane
