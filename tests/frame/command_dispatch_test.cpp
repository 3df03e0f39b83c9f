// Every command of the menu is built but the editor link and the home page.
#include "frame/command_dispatch.h"

#include <gtest/gtest.h>

#include <set>

#include "resources/command_ids.h"

namespace morvex {
namespace {

void Collect(const std::vector<MenuItem>& items, std::set<int>& greyed) {
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::Submenu) Collect(item.items, greyed);
        if (item.kind == MenuItemKind::Command && !IsCommandBuilt(item.id)) greyed.insert(item.id);
    }
}

TEST(CommandDispatch, OnlyTheHomePageStaysGreyed) {
    std::set<int> greyed;
    for (const MenuPopup& popup : DefaultMenuBar())
        Collect(popup.items, greyed);
    EXPECT_EQ(greyed, (std::set<int>{cmd::kHomePage}));
}

}  // namespace
}  // namespace morvex
