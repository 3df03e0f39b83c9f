// Menu check marks from the settings: one member of each radio group.
#include "frame/menu_state.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "resources/command_ids.h"
#include "resources/menu_table.h"

namespace morvex {
namespace {

bool Has(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

TEST(MenuState, RadioGroupsFollowTheSettings) {
    Settings s;
    const struct {
        int dataLevel;
        int item;  // 1: backup and line numbers .. 4: neither
    } levels[] = {{1, 32867}, {2, 32868}, {3, 32869}, {4, 32870}};
    for (const auto& l : levels) {
        s.dmf.dataLevel = l.dataLevel;
        const auto on = CheckedCommands(s, 1);
        EXPECT_TRUE(Has(on, l.item)) << l.dataLevel;
        EXPECT_EQ(std::count_if(on.begin(), on.end(), [](int id) { return id >= 32867 && id <= 32870; }), 1);
    }
    s.dmf.saveLevel = 3;
    s.display.colorByDirection = true;
    s.work.differenceAlways = true;
    s.work.rapidInterferenceMode = 2;
    s.work.chipMode = 1;
    s.work.lengthMode = 3;
    s.work.sound = true;
    s.display.meshMode = false;
    const auto on = CheckedCommands(s, 4);
    for (const int id : {32866, 32844, 32892, 32897, 32876, 32899, 32857, cmd::kSound}) {
        EXPECT_TRUE(Has(on, id)) << id;
    }
    for (const int id : {32865, 32843, 32891, 32833, 32875, 32856, cmd::kMeshMode}) {
        EXPECT_FALSE(Has(on, id)) << id;
    }
    // Every checked identifier is an item of the menu.
    const MenuBarDef menu = DefaultMenuBar();
    for (const int id : on) EXPECT_NE(FindMenuItem(menu, id), nullptr) << id;
}

TEST(MenuState, LockedPositionsHoldTheWorkOperationsAndTheCoordinateEditor) {
    const MenuBarDef menu = DefaultMenuBar();
    ASSERT_EQ(menu.size(), 8u);
    const auto& work = menu[kWorkMenu].items;
    const int operations[] = {cmd::kMergeWork, cmd::kRotateMirrorWork, cmd::kMoveWork,
                              cmd::kOffsetWork, cmd::kCutWorkXyz, cmd::kThinWork};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(work[7 + i].id, operations[i]) << i;
    EXPECT_EQ(work[3].id, cmd::kDefineWorkTwoPoints);
    EXPECT_EQ(menu[kMachiningMenu].items[19].id, cmd::kWorkCoordinates);
    EXPECT_EQ(menu[kNcMenu].items[2].id, cmd::kReport);
}

}  // namespace
}  // namespace morvex
