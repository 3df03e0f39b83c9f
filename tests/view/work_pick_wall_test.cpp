// Picking the node under a pixel on a block 10 high over the front third of
// a floor: what the line of sight meets first, in a parallel and in a
// perspective view; a floor node in the block's shadow gives the wall.
#include "view/work_pick.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(WorkPick, TheFirstSurfaceOnTheLineOfSight) {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 1.0;
    ASSERT_EQ(DefineBoxWork(w, BoxRequest{0, 0, -5, 30, 30, 10}, pitch, kDataLevelMinimal), DefineWorkStatus::Ok);
    for (int iy = 11; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) w.height[iy * w.nx + ix] = 0.0f;
    }
    auto node = [&w](int x, int y) { return static_cast<long long>(y) * w.nx + x; };
    // From the front (-Y), looking down at 30 degrees: the block's edge at
    // Z10 shades the floor up to Y 10 + 10 / tan 30 = 27.3.
    ViewState front;
    front.angleA = 0.0f;
    front.angleB = 60.0f;
    front.perspective = false;
    front.scale = 10.0;
    front.centre = Vec3{15, 15, 5};
    front.ox = front.oy = 300.0;
    SetUpView(front);
    // From the right front corner, in perspective.
    ViewState corner = front;
    corner.angleA = 315.0f;
    corner.angleB = 45.0f;
    corner.perspective = true;
    corner.distance = 300.0;
    SetUpView(corner);
    const struct {
        const ViewState* view;
        double x, y, z;  // the point drawn at the pixel
        long long picked;
    } rows[] = {
        {&front, 10, 5, 10, node(10, 5)},    // the block's top
        {&front, 10, 29, 0, node(10, 29)},   // the floor beyond the shadow
        {&front, 10, 14, 0, node(10, 0)},    // in the shadow: the front wall's top node
        {&front, -20, 15, 0, -1},            // beside the work
        {&corner, 20, 25, 0, node(20, 25)},  // the floor seen over the block
        {&corner, 4, 7, 10, node(4, 7)},
    };
    for (const auto& r : rows) {
        const ScreenPoint at = Project(*r.view, r.x, r.y, r.z);
        const std::optional<GridCell> cell = CellUnderPixel(*r.view, w, at.x, at.y);
        EXPECT_EQ(cell ? node(cell->ix, cell->iy) : -1, r.picked) << r.x << " " << r.y;
    }
}

}  // namespace
}  // namespace morvex
