// Which menu commands can be chosen: every command of the menu is built but
// those that wait for the editor link, and each is enabled by what it needs.
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

TEST(CommandDispatch, OnlyTheEditorLinkAndTheHomePageStayGreyedAndTheRestFollowWhatTheyNeed) {
    std::set<int> greyed;
    for (const MenuPopup& popup : DefaultMenuBar()) Collect(popup.items, greyed);
    EXPECT_EQ(greyed, (std::set<int>{cmd::kEditor, cmd::kHomePage}));

    const Settings settings;
    const struct {
        int id;
        bool nc, work, can;
    } cases[] = {
        {cmd::kRunReal, false, true, false},     {cmd::kRunReal, true, true, true},
        {cmd::kRunFastSkip, true, false, true},  // the run itself tells that a work is missing
        {cmd::kHighlightPen, true, false, false}, {cmd::kHighlightPen, false, true, true},
        {cmd::kSound, false, false, true},       {cmd::kHomePage, true, true, false},
    };
    for (const auto& c : cases) {
        DeskState desk;
        desk.ncLoaded = c.nc;
        desk.workExists = c.work;
        EXPECT_EQ(CanChooseCommand(c.id, settings, desk), c.can) << c.id << " " << c.nc << c.work;
    }
}

}  // namespace
}  // namespace morvex
