// The menu items of the plug-in modules: each simulation module's command
// in the machining menu, each modifier's in the work menu, and the switch of
// the network tool data module at the top of the definition-file menu.
#pragma once

#include <vector>

#include "integration/plugins.h"
#include "resources/menu_table.h"

namespace morvex {

namespace cmd {
inline constexpr int kPluginSimFirst = 32901;   // + module index 0..2 (F8, F9 for the first two)
inline constexpr int kPluginModFirst = 32911;   // + module index 0..2
inline constexpr int kNcComToggle = 32931;      // the network tool data module off and on
}  // namespace cmd

// Where the items go: simulation module i at 6 + i of the machining menu,
// modifier i at 13 + i of the work menu (at the end of a shorter menu).
inline constexpr int kSimMenuPosition = 6;
inline constexpr int kModMenuPosition = 13;

// The module index of a plug-in command (0..2), or -1 for other commands.
int SimCommandIndex(int id);
int ModCommandIndex(int id);

// The text of the network module's switch in the menu language.
const char* NcComToggleText(bool english);

// Inserts the items of the accepted modules into `menu` (after the message
// file has renamed its own items: these keep the modules' texts).
void AddPluginMenuItems(MenuBarDef& menu, const PluginSet& plugins, bool english);

// The plug-in items that carry a check mark now: the network switch while
// the module is switched off.
std::vector<int> PluginCheckedCommands(const PluginSet& plugins);

}  // namespace morvex
