#pragma once
// The command table on screen: menus and toolbar buttons built from its
// layouts, and the confirmation a command asks before it acts.
#include <windows.h>

#include <functional>
#include <vector>

#include "gui/menus.h"
#include "ui/commands.h"

namespace korvane {

// The items of a layout; `state` gives each command's MFS_ flags, and a
// `selection` the shields of the commands that need administrator rights.
std::vector<MenuItem> MenuItems(const std::vector<MenuSlot>& layout,
                                const std::function<UINT(CommandId)>& state,
                                const SelectionState* selection = nullptr);
// The toolbar's buttons, enabled for `selection`; the Disable button turns
// into Enable when only switched-off rows are selected.
std::vector<ToolButton> ToolButtons(const SelectionState& selection);
// Enables or greys every item of `layout` found in `menu` (submenus included)
// for `selection`, with the shield where the command needs administrator
// rights.
void EnableMenuCommands(HMENU menu, const std::vector<MenuSlot>& layout,
                        const SelectionState& selection);

// The confirmation step of command `id` on `rows` selected rows: when its
// switch is on, the exclamation beep and the Yes/No question owned by
// `owner`, with `note` after the question. True when the command goes on:
// no question asked, or Yes.
bool ConfirmCommand(HWND owner, CommandId id, size_t rows, const AppSettings& settings,
                    const std::wstring& note = {});

// Asks the second question before Windows' own entries among `rows` are
// deleted (No is the default); true when there are none or the user says Yes.
bool AskAboutWindowsOwn(HWND owner, const StartupList& rows);

}  // namespace korvane
