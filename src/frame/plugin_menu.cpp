// Menu items of the plug-in modules.
#include "frame/plugin_menu.h"

#include <algorithm>

namespace morvex {
namespace {

void InsertAt(std::vector<MenuItem>& items, int position, MenuItem item) {
    const auto at = static_cast<std::ptrdiff_t>(std::clamp(position, 0, static_cast<int>(items.size())));
    items.insert(items.begin() + at, std::move(item));
}

MenuItem PluginItem(int id, const std::string& text) {
    MenuItem item;
    item.id = id;
    item.text = text;
    item.ownText = true;
    return item;
}

}  // namespace

int SimCommandIndex(int id) {
    const int i = id - cmd::kPluginSimFirst;
    return i >= 0 && i < kMaxModulesPerFamily ? i : -1;
}

int ModCommandIndex(int id) {
    const int i = id - cmd::kPluginModFirst;
    return i >= 0 && i < kMaxModulesPerFamily ? i : -1;
}

const char* NcComToggleText(bool english) {
    return english ? "Disable mvnccom.dll(&N)" : "mvnccom.dllの無効化(&N)";
}

void AddPluginMenuItems(MenuBarDef& menu, const PluginSet& plugins, bool english) {
    if (menu.size() <= static_cast<std::size_t>(kDefinitionMenu)) return;
    const int sims = std::min(static_cast<int>(plugins.sims.size()), kMaxModulesPerFamily);
    for (int i = 0; i < sims; ++i) {
        InsertAt(menu[kMachiningMenu].items, kSimMenuPosition + i,
                 PluginItem(cmd::kPluginSimFirst + i, plugins.sims[static_cast<std::size_t>(i)].menuText));
    }
    const int mods = std::min(static_cast<int>(plugins.modifiers.size()), kMaxModulesPerFamily);
    for (int i = 0; i < mods; ++i) {
        InsertAt(menu[kWorkMenu].items, kModMenuPosition + i,
                 PluginItem(cmd::kPluginModFirst + i, plugins.modifiers[static_cast<std::size_t>(i)].menuText));
    }
    if (plugins.nccom.module.handle != nullptr) {
        InsertAt(menu[kDefinitionMenu].items, 0, PluginItem(cmd::kNcComToggle, NcComToggleText(english)));
    }
}

std::vector<int> PluginCheckedCommands(const PluginSet& plugins) {
    std::vector<int> on;
    if (plugins.nccom.module.handle != nullptr && !plugins.nccomEnabled) on.push_back(cmd::kNcComToggle);
    return on;
}

}  // namespace morvex
