// Mouse drags over the view: the 3-pixel threshold, rotate and Ctrl-zoom,
// panning that carries the picture with the pointer, and the zoom rectangle
// brought to the middle and fitted.
#include "view/mouse_drag.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/view_scene.h"

namespace morvex {
namespace {

ViewState Plan() { return test::MakeView(0, 0, 4.0, 400, 300, 800, 600); }

TEST(MouseDrag, ThresholdRotateZoomAndPan) {
    ViewState v = Plan();
    DragState d;
    BeginDrag(d, DragKind::Rotate, 100, 100);
    EXPECT_FALSE(DragTo(d, v, 101, 101, false));  // 2 pixels: nothing yet
    EXPECT_FLOAT_EQ(v.angleA, 0.0f);
    // Half the width to the right: 36 steps of 2.5 degrees.
    EXPECT_TRUE(DragTo(d, v, 500, 101, false));
    EXPECT_NEAR(std::fmod(std::fabs(v.angleA - 0.0f), 360.0f), 90.0f, 1e-4) << v.angleA;
    const float a = v.angleA;
    // Ctrl: the same kind of drag zooms and leaves the angles.
    const double scale = v.scale;
    EXPECT_TRUE(DragTo(d, v, 500, 400, true));
    EXPECT_NE(v.scale, scale);
    EXPECT_FLOAT_EQ(v.angleA, a);
    EndDrag(d, v, 500, 400);
    EXPECT_EQ(d.kind, DragKind::None);
    EXPECT_FALSE(DragTo(d, v, 700, 400, false));  // no button held

    // Pan in the plan view: a work point follows the pointer.
    ViewState p = Plan();
    const ScreenPoint before = Project(p, 10, 20, 0);
    BeginDrag(d, DragKind::Pan, 200, 200);
    EXPECT_TRUE(DragTo(d, p, 240, 170, false));
    const ScreenPoint after = Project(p, 10, 20, 0);
    EXPECT_EQ(after.x - before.x, 40);
    EXPECT_EQ(after.y - before.y, -30);
}

TEST(MouseDrag, ZoomRectangleIsCentredAndFitted) {
    ViewState v = Plan();
    const ScreenPoint target = Project(v, 25, 10, 0);  // the middle of the rectangle
    DragState d;
    BeginDrag(d, DragKind::ZoomRect, target.x - 50, target.y - 20);
    EXPECT_FALSE(DragTo(d, v, target.x + 50, target.y + 20, false));  // the view waits for the release
    EXPECT_TRUE(EndDrag(d, v, target.x + 50, target.y + 20));
    // 100 x 40 pixels into 800 x 600: 8 times (the width decides).
    EXPECT_DOUBLE_EQ(v.scale, 32.0);
    const ScreenPoint now = Project(v, 25, 10, 0);
    EXPECT_NEAR(now.x, 400, 1);
    EXPECT_NEAR(now.y, 300, 1);
    // A click (no rectangle) leaves the view.
    const ViewState kept = v;
    BeginDrag(d, DragKind::ZoomRect, 10, 10);
    EXPECT_FALSE(EndDrag(d, v, 11, 30));
    EXPECT_EQ(v.scale, kept.scale);
    EXPECT_EQ(v.ox, kept.ox);
}

}  // namespace
}  // namespace morvex
