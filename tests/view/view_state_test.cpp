// The view against hand-computed numbers: projections in the plan, side,
// oblique and perspective views, shades, shade colours, the drawing step,
// fitting and the view keys; mouse drags over the view: the 3-pixel
// threshold, rotate and Ctrl-zoom, panning that carries the picture with the
// pointer, and the zoom rectangle brought to the middle and fitted.
#include "view/view_state.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/view_scene.h"
#include "view/mouse_drag.h"

namespace morvex {
namespace {

ViewState View(float a, float b, bool perspective = false) {
    return test::MakeView(a, b, 2.0, 100, 100, 1200, 900, perspective);
}

void ExpectPoint(ScreenPoint p, int x, int y) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
}

TEST(ViewState, ProjectionByHand) {
    // Plan view: X to the right, Y up (screen y falls).
    ExpectPoint(Project(View(0, 0), 10, 5, 3), 120, 90);
    // A = 0, B = 90: X to the right, Z up; Y is depth.
    ExpectPoint(Project(View(0, 90), 10, 5, 3), 120, 94);
    ExpectPoint(Project(View(0, 90), 10, 40, 3), 120, 94);
    // A = 90 is orthographic even with perspective on: h = -y, w = x cos B + z sin B.
    // (10, 5, 3) at B = 60: h = -5, w = 5 + 2.598 = 7.598 -> (90, 84.8).
    ExpectPoint(Project(View(90, 60, true), 10, 5, 3), 90, 84);
    // A = 45, B = 0 with perspective, D = 300, S = 1: f = 300 / (300 - dz).
    ViewState p = View(45, 0, true);
    p.scale = 1.0;
    p.distance = 300.0;
    ExpectPoint(Project(p, 0, 0, 100), 100, 100);
    // (10, 0, 100): h = e = 7.0711, f = 1.5 -> (110.6, 89.4); orthographic would be (107, 92).
    ExpectPoint(Project(p, 10, 0, 100), 110, 89);
    p.perspective = false;
    ExpectPoint(Project(p, 10, 0, 100), 107, 92);
    // The 16-bit variant clamps.
    EXPECT_EQ(Project16(View(0, 0), 1e9, 0, 0)[0], 32767);
    EXPECT_EQ(PerspectiveDistance({50, 50, 0}, 10, -20), 1000.0);
    EXPECT_EQ(PerspectiveDistance({5, 5, 0}, 60, 0), 600.0);
    EXPECT_EQ(PerspectiveDistance({1, 1, 0}, 1, 0), 300.0);
}

TEST(ViewState, ShadesAndShadeColours) {
    ViewState top = View(0, 0);
    top.light = {0, 0, 1};
    // Facing the light and the viewer: base 24 + the full highlight.
    EXPECT_EQ(ShadeOf(top, {0, 0, 1}), 49);
    // A wall: no diffuse part, reflection away from the viewer.
    EXPECT_EQ(ShadeOf(top, {1, 0, 0}), 0);
    // Seen at B = 45: s = cos 45, s^8 = 1/16 -> 24 + 25/16 = 25.56.
    ViewState oblique = View(0, 45);
    oblique.light = {0, 0, 1};
    EXPECT_EQ(ShadeOf(oblique, {0, 0, 1}), 25);
    // Colours: 40 % of the colour at 0, c (0.4 + 0.024 i) up to 24, then to white.
    const ColorRef c = MakeColor(200, 100, 0);
    EXPECT_EQ(ShadeColor(c, 0), MakeColor(80, 40, 0));
    EXPECT_EQ(ShadeColor(c, 24), MakeColor(195, 97, 0));
    EXPECT_EQ(ShadeColor(c, 25), MakeColor(200, 100, 0));
    EXPECT_EQ(ShadeColor(c, 37), MakeColor(227, 177, 127));
    EXPECT_EQ(ShadeColor(c, 49), MakeColor(255, 255, 255));
}

TEST(ViewState, StepFitAndZoom) {
    // 3 dots per drawn cell at 1 pixel per cell: every 3rd node; without optimising every node.
    EXPECT_EQ(DrawingStep(0.1, 10.0, true, 3), 3);
    EXPECT_EQ(DrawingStep(0.1, 10.0, false, 3), 1);
    EXPECT_EQ(DrawingStep(1.0, 0.01, true, 3), 270);
    // A 100 x 100 block in plan view fills 90 % of the shorter side of 1200 x 900.
    ViewState v = View(0, 0);
    FitView(v, ViewBox{0, 0, 0, 100, 100, 10});
    EXPECT_DOUBLE_EQ(v.scale, 8.1);
    ExpectPoint(Project(v, 50, 50, 5), 600, 450);
    ExpectPoint(Project(v, 100, 100, 0), 1005, 45);
    // Zoom about a pixel keeps the work point under it.
    const ScreenPoint before = Project(v, 80, 20, 0);
    ZoomAbout(v, 5.0, before.x, before.y);
    const ScreenPoint after = Project(v, 80, 20, 0);
    EXPECT_NEAR(after.x, before.x, 1);
    EXPECT_NEAR(after.y, before.y, 1);
    EXPECT_DOUBLE_EQ(v.scale, 40.5);
    WheelZoom(v, 2, false, 0, 0);
    EXPECT_NEAR(v.scale, 40.5 * 1.21, 1e-9);
    WheelZoom(v, 2, true, 0, 0);
    EXPECT_NEAR(v.scale, 40.5, 1e-9);
}

TEST(ViewState, ViewKeys) {
    const struct {
        float a, b;
        char key;
        float wantA, wantB;
    } cases[] = {
        {0, 45, '5', 345, 45},   {350, 45, '6', 5, 45},  {270, 45, '7', 90, 45}, {10, 45, '1', 225, 45},
        {10, 45, '4', 315, 45},  {10, 45, '8', 0, 90},   {10, 45, '9', 270, 90}, {10, 45, '0', 0, 0},
        {0, 90, 'U', 0, 85},     {0, 85, 'U', 0, 75},    {0, 5, 'U', 0, 0},      {0, 0, 'U', 0, 0},
        {0, 0, 'D', 0, 5},       {0, 5, 'D', 0, 15},     {0, 85, 'D', 0, 90},    {0, 90, 'D', 0, 90},
    };
    for (const auto& c : cases) {
        ViewState v = View(c.a, c.b);
        EXPECT_TRUE(TurnView(v, c.key));
        EXPECT_EQ(v.angleA, c.wantA) << c.key << " from " << c.a;
        EXPECT_EQ(v.angleB, c.wantB) << c.key << " from " << c.b;
    }
    ViewState v = View(0, 45);
    EXPECT_FALSE(TurnView(v, 'Q'));
    // R: the settings' angles again, fitted.
    DisplaySettings display;
    display.angleA = 315.0;
    display.angleB = 45.0;
    ViewState r = View(0, 0);
    InitialViewAgain(r, display, ViewBox{0, 0, 0, 100, 100, 10});
    EXPECT_EQ(r.angleA, 315.0f);
    EXPECT_EQ(r.angleB, 45.0f);
    EXPECT_EQ(Project(r, 50, 50, 5).x, 600);
    // Drag-zoom: a drag of half the width to the right scales by 1.1^10; up by 1.1^(20/9 * 4.5).
    ViewState z = View(0, 0);
    DragZoom(z, 600, 0);
    EXPECT_NEAR(z.scale, 2.0 * std::pow(1.1, 10.0), 1e-9);
    DragZoom(z, -600, 0);
    EXPECT_NEAR(z.scale, 2.0, 1e-9);
    DragZoom(z, 0, -450);
    EXPECT_NEAR(z.scale, 2.0 * std::pow(1.1, 10.0), 1e-9);
    // A drag across the whole width turns A by 180 degrees; down the height B by 90.
    DragRotate(v, 1200, 0);
    EXPECT_EQ(v.angleA, 180.0f);
    DragRotate(v, 0, -900);
    EXPECT_EQ(v.angleB, 0.0f);
}

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
