// What the view shows while cutting: the cut path on its own layer survives
// the partial redraws of the work, the tool is drawn into the shown picture
// only, the detailed drawing of a thinned-out view, and the question before
// a picture is taken.
#include "view/run_overlay.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "frame/picture_detail.h"
#include "support/recording_host.h"
#include "support/view_scene.h"
#include "view/offscreen_bitmap.h"
#include "view/work_picture.h"

namespace morvex {
namespace {

// A plan view of a 20 x 20 block at pitch 1 in a 400 x 300 picture.
struct Plan {
    ViewSettings st;
    WorkModel w;
    ViewState v;
    RenderStyle style;
    ProjectedGrid grid;
    QImage bitmap;

    Plan() : st(test::PlanSettings()), w(test::Block20()) {
        st.colors[ColorKey::CutPath] = MakeColor(255, 0, 255);
        st.colors[ColorKey::ToolTop] = MakeColor(255, 255, 0);
        v = PictureView(st, w, std::nullopt, 400, 300);
        style = RenderStyleOf(st, false);
        bitmap = CreateOffscreenBitmap(400, 300, st.colors[ColorKey::Background]);
        DrawWork(bitmap, w, v, style, grid);
    }
    QPoint At(double x, double y, double z) const {
        const ScreenPoint p = Project(v, x, y, z);
        return {p.x, p.y};
    }
};

TEST(RunOverlay, CutPathSurvivesRedrawsAndTheToolStaysOutOfTheBitmap) {
    Plan p;
    CutPathLayer layer;
    ClearCutPath(layer, 400, 300);
    PathRecord line;
    line.type = kLine;
    line.feed = 100.0;
    line.toolStart = {2, 10, 1};
    line.toolEnd = {18, 10, 1};
    // A work offset of (0, 2, 0) and a shift of 1: drawn along Y12 at Z0.
    AddCutSegment(layer, p.v, p.st, line, Point{0, 2, 0}, 1.0, 5000.0);
    // The cut goes on under the path: the region is drawn again.
    for (int ix = 0; ix <= 20; ++ix) p.w.height[NodeIndex(p.w, ix, 12)] = -0.5f;
    RedrawRegion(p.bitmap, p.w, p.v, p.style, p.grid, NodeRect{0, 10, 20, 14});
    const QPoint mid = p.At(10, 12, 0);
    EXPECT_NE(p.bitmap.pixel(mid), qRgb(255, 0, 255));
    Point tip{15, 5, 0};
    ToolTable table;
    table.tools.resize(2);
    table.tools[1].defined = true;
    table.tools[1].shape = kShapeFlat;
    table.tools[1].d = 4.0f;
    table.tools[1].h = 10.0f;
    ToolProfile tool;
    SelectTool(table, 1, 0.0, 0.0, nullptr, tool);
    const QImage before = p.bitmap.copy();
    const QImage shown = ComposeView(p.bitmap, &layer, ToolAt{&tool, tip}, p.v, p.st);
    EXPECT_EQ(shown.pixel(mid), qRgb(255, 0, 255));
    EXPECT_EQ(shown.pixel(p.At(3, 12, 0)), qRgb(255, 0, 255));
    EXPECT_NE(shown.pixel(p.At(10, 8, 0)), qRgb(255, 0, 255));
    // The tip circle (radius 2 about X15 Y5) in the tool-top colour, off the outline
    // drawn across it along X.
    EXPECT_EQ(shown.pixel(p.At(15, 7, 0)), qRgb(255, 255, 0));
    EXPECT_EQ(p.bitmap, before);
    // TOOL DISPLAY off: no tool; a layer of another size (the view was resized) is left out.
    p.st.display.toolDisplay = false;
    EXPECT_NE(ComposeView(p.bitmap, &layer, ToolAt{&tool, tip}, p.v, p.st).pixel(p.At(15, 7, 0)),
              qRgb(255, 255, 0));
    ClearCutPath(layer, 200, 100);
    EXPECT_EQ(ComposeView(p.bitmap, &layer, ToolAt{}, p.v, p.st), p.bitmap);
    ClearCutPath(layer, 0, 0);
    EXPECT_TRUE(layer.image.isNull());
    AddCutSegment(layer, p.v, p.st, line, Point{}, 0.0, 5000.0);  // no layer: nothing, no crash
}

TEST(RunOverlay, DetailOnceDrawsEveryNodeFilled) {
    Plan p;
    for (int iy = 3; iy <= 16; ++iy) {
        for (int ix = 3; ix <= 16; ix += 2) p.w.height[NodeIndex(p.w, ix, iy)] = -3.0f;  // ribs a step apart
    }
    ViewState thin = p.v;
    thin.step = 4;
    RenderStyle mesh = p.style;
    mesh.mesh = true;
    ProjectedGrid grid;
    DrawWork(p.bitmap, p.w, thin, mesh, grid);
    const QImage thinned = p.bitmap.copy();
    DrawDetailOnce(p.bitmap, p.w, thin, mesh);
    ViewState full = p.v;
    full.step = 1;
    QImage expected = CreateOffscreenBitmap(400, 300, p.st.colors[ColorKey::Background]);
    ProjectedGrid fresh;
    DrawWork(expected, p.w, full, p.style, fresh);
    EXPECT_EQ(p.bitmap, expected);
    EXPECT_NE(thinned, expected);
    // The caller's cache still belongs to its own step.
    EXPECT_TRUE(grid.valid);
    EXPECT_EQ(grid.columns.size(), fresh.columns.size() / 4 + 1);
}

TEST(RunOverlay, DetailQuestionFollowsDisplayGuidance) {
    test::RecordingHost host;
    // A full drawing, a running program, or NO: never asked, never redrawn.
    EXPECT_FALSE(WantDetailedPicture(1, 1, false, host));
    EXPECT_FALSE(WantDetailedPicture(2, 3, true, host));
    EXPECT_FALSE(WantDetailedPicture(0, 3, false, host));
    // DETAIL: always, without asking.
    EXPECT_TRUE(WantDetailedPicture(2, 3, false, host));
    EXPECT_TRUE(host.messages.empty());
    // YES: the user's answer.
    SetEnglish(true);
    host.answer = MessageAnswer::No;
    EXPECT_FALSE(WantDetailedPicture(1, 3, false, host));
    host.answer = MessageAnswer::Yes;
    EXPECT_TRUE(WantDetailedPicture(1, 2, false, host));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "Detail Display?");
    EXPECT_EQ(host.captions[0], "Skip Displaying");
    SetEnglish(false);
    EXPECT_TRUE(WantDetailedPicture(1, 2, false, host));
    EXPECT_EQ(host.messages.back(), "精度を上げても良いですか？");
    EXPECT_EQ(host.captions.back(), "現在表示が間引かれています");
}

}  // namespace
}  // namespace morvex
