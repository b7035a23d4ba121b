#include "ui/win32/command_bars.h"

namespace korvane {

std::vector<MenuItem> MenuItems(const std::vector<MenuSlot>& layout,
                                const std::function<UINT(CommandId)>& state,
                                const SelectionState* selection) {
  std::vector<MenuItem> items;
  for (const MenuSlot& slot : layout) {
    const Command* command = FindCommand(slot.id);
    if (!command) {
      items.emplace_back();  // a separator
      continue;
    }
    MenuItem item;
    item.id = slot.id;
    item.caption = slot.caption ? std::wstring(slot.caption) : MenuText(*command);
    item.state = state(slot.id) | (slot.is_default ? MFS_DEFAULT : 0);
    item.shield = selection && CommandNeedsAdministrator(slot.id, *selection);
    item.items = MenuItems(slot.items, state, selection);
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<ToolButton> ToolButtons(const SelectionState& selection) {
  std::vector<ToolButton> buttons;
  for (CommandId id : ToolbarLayout()) {
    const Command* command = FindCommand(id);
    if (!command) {
      buttons.emplace_back();
      continue;
    }
    // One button switches: it enables when the selection holds only rows
    // that are switched off.
    if (id == Disablestartupentry1 && !selection.any_on && selection.any_off) {
      command = FindCommand(Enablestartupentry1);
    }
    // The shielded twin of the glyph follows the glyphs.
    const int glyph =
        command->glyph + (CommandNeedsAdministrator(command->id, selection) ? kGlyphCount : 0);
    buttons.push_back({glyph, command->id, command->tip, CommandEnabled(command->id, selection)});
  }
  return buttons;
}

void EnableMenuCommands(HMENU menu, const std::vector<MenuSlot>& layout,
                        const SelectionState& selection) {
  for (const MenuSlot& slot : layout) {
    if (slot.id == kSeparator) continue;
    EnableMenuItem(menu, slot.id,
                   MF_BYCOMMAND | (CommandEnabled(slot.id, selection) ? MF_ENABLED : MF_GRAYED));
    if (FindCommand(slot.id)) {
      ShowMenuShield(menu, slot.id, CommandNeedsAdministrator(slot.id, selection));
    }
    EnableMenuCommands(menu, slot.items, selection);
  }
}

bool ConfirmCommand(HWND owner, CommandId id, size_t rows, const AppSettings& settings,
                    const std::wstring& note) {
  const std::optional<Question> question = ConfirmationQuestion(id, rows, settings);
  if (!question) return true;
  MessageBeep(MB_ICONEXCLAMATION);
  const std::wstring text = question->text + note;
  return MessageBoxW(owner, text.c_str(), question->caption.c_str(), MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

bool AskAboutWindowsOwn(HWND owner, const StartupList& rows) {
  const std::optional<Question> question = WindowsOwnQuestion(rows);
  return !question || MessageBoxW(owner, question->text.c_str(), question->caption.c_str(),
                                  MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace korvane
