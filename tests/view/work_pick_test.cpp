// The node under a pixel: every node of a 20 x 20 block found again from
// its own projection in the plan view and in an oblique perspective view,
// a raised column hiding the nodes behind it, and pixels beside the work.
#include "view/work_pick.h"

#include <gtest/gtest.h>

#include "support/view_scene.h"

namespace morvex {
namespace {

TEST(WorkPick, NodesFromTheirProjectionsAndWhatHidesThem) {
    WorkModel w = test::Block20();
    // Each view with a point beside the block on its far side, where the
    // line of sight passes over the block or away from it.
    struct Case {
        float a, b;
        bool perspective;
        Vec3 beside;
    };
    for (const Case c : {Case{0, 0, false, {-3, 10, 0}}, Case{315, 45, true, {-3, 43, 0}},
                         Case{30, 60, true, {45, 45, 0}}, Case{0, 90, false, {10, 20, 3}}}) {
        ViewState v = test::MakeView(c.a, c.b, 12.0, 400, 300, 800, 600, c.perspective);
        v.centre = Vec3{10, 10, -5};
        v.distance = 300.0;
        int found = 0, nodes = 0;
        for (int iy = 0; iy <= w.lastY; ++iy) {
            for (int ix = 0; ix <= w.lastX; ++ix) {
                const ScreenPoint p = Project(v, ix, iy, 0.0);
                const std::optional<GridCell> cell = CellUnderPixel(v, w, p.x, p.y);
                ++nodes;
                if (c.b == 90.0f) {
                    // Side view: the top edge seen from the front is the near row.
                    if (cell && cell->ix == ix && cell->iy == 0) ++found;
                } else if (cell && cell->ix == ix && cell->iy == iy) {
                    ++found;
                }
            }
        }
        EXPECT_EQ(found, nodes) << c.a << " " << c.b;
        const ScreenPoint out = Project(v, c.beside.x, c.beside.y, c.beside.z);
        EXPECT_FALSE(CellUnderPixel(v, w, out.x, out.y)) << c.a << " " << c.b;
    }
    // A column 8 mm high on nodes 9..11 x 9..11, seen from (+x, -y) at 45
    // degrees: the line of sight to node (7,13) on the floor meets the
    // column at x = 10 at 3 * sqrt(2) = 4.2 mm, below its top.
    for (int iy = 9; iy <= 11; ++iy) {
        for (int ix = 9; ix <= 11; ++ix) w.height[NodeIndex(w, ix, iy)] = 8.0f;
    }
    w.zMax = 8.0;
    ViewState v = test::MakeView(315, 45, 12.0, 400, 300, 800, 600, false);
    v.centre = Vec3{10, 10, -5};
    const ScreenPoint behind = Project(v, 7, 13, 0.0);
    const std::optional<GridCell> cell = CellUnderPixel(v, w, behind.x, behind.y);
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->ix >= 9 && cell->ix <= 11 && cell->iy >= 9 && cell->iy <= 11) << cell->ix << "," << cell->iy;
    // In front of it the floor is seen.
    const ScreenPoint front = Project(v, 13, 7, 0.0);
    const std::optional<GridCell> near = CellUnderPixel(v, w, front.x, front.y);
    ASSERT_TRUE(near);
    EXPECT_EQ((std::array{near->ix, near->iy}), (std::array{13, 7}));
    // No work, no node.
    EXPECT_FALSE(CellUnderPixel(v, WorkModel{}, 400, 300));
}

}  // namespace
}  // namespace morvex
