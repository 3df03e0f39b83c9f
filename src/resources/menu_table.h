// The main menu as data: eight pull-downs with their items in order,
// Japanese texts, separators and sub-menus. The desktop builds its menu bar
// from it; the message file rewrites its texts in English.
#pragma once

#include <string>
#include <vector>

namespace morvex {

enum class MenuItemKind { Command, Separator, Submenu };

struct MenuItem {
    MenuItemKind kind = MenuItemKind::Command;
    int id = 0;  // command identifier (0 for separators and sub-menus)
    std::string text;
    std::vector<MenuItem> items;  // sub-menu items
    bool radio = false;           // member of a radio group (its sub-menu)
    bool ownText = false;         // not renamed by the message file (nor counted by it)
};

struct MenuPopup {
    std::string title;
    std::vector<MenuItem> items;
};

using MenuBarDef = std::vector<MenuPopup>;

// Pull-down positions used by the menu lock of a run.
inline constexpr int kNcMenu = 0;
inline constexpr int kWorkMenu = 1;
inline constexpr int kMachiningMenu = 2;
inline constexpr int kDefinitionMenu = 3;

MenuBarDef DefaultMenuBar();

// The English text of an item of this program's own (ownText), for the
// English menu; "" for other identifiers.
const char* OwnItemEnglishText(int id);

// The item with this command identifier (searched through sub-menus), or null.
const MenuItem* FindMenuItem(const MenuBarDef& menu, int id);

}  // namespace morvex
