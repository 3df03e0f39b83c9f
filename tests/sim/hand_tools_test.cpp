// Hand tools on a small work at pitch 1 mm, against hand-worked heights and
// attribute bytes: the welding disc, the stroke walk and its rounding, the
// grinder's level across a step, paper, brush and spatula, and the stroke
// record.
#include "sim/hand_tools.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvex {
namespace {

// 0..40 x 0..40 at pitch 1 (41 x 41 nodes), top at `z`.
WorkModel Block(float z, int level = kDataLevelFull) {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 1.0;
    EXPECT_EQ(DefineBoxWork(w, BoxRequest{0, 0, 0, 40, 40, z}, pitch, level), DefineWorkStatus::Ok);
    return w;
}

float& H(WorkModel& w, int ix, int iy) { return w.height[NodeIndex(w, ix, iy)]; }
std::uint8_t& A(WorkModel& w, int ix, int iy) { return w.attr[NodeIndex(w, ix, iy)]; }

HandToolParams Tool(HandTool tool, float amount, float width, int pen = 0) { return {tool, amount, width, pen}; }

// One stroke through `points` (button down at the first).
StrokeResult Stroke(WorkModel& w, const HandToolParams& p, const std::vector<GridCell>& points,
                    StrokeRecord* record = nullptr) {
    HandStroke s;
    BeginStroke(s, p.tool);
    StrokeResult last;
    for (const GridCell& c : points) last = StrokeTo(w, s, p, c, record);
    return last;
}

TEST(HandTools, WeldingDiscAndTheStrokeWalk) {
    const struct {
        float width;
        double pitch;
        int r;
    } sizes[] = {{5.0f, 1.0, 2}, {5.0f, 0.3, 8}, {0.9f, 1.0, 0}, {0.0f, 1.0, 0}, {-3.0f, 1.0, 0}, {5.0f, 0.0, 0}};
    for (const auto& s : sizes) EXPECT_EQ(FootprintHalfSize(s.width, s.pitch), s.r) << s.width << " " << s.pitch;

    // Width 5 at pitch 1: the 5 x 5 square about the cell without its four
    // corners (2^2 + 2^2 = 8 > 6.25), 21 nodes.
    WorkModel w = Block(10.0f);
    A(w, 20, 21) = 0x31;  // paint and a down-cut: cleared by welding
    w.lineNo[NodeIndex(w, 20, 21)] = 77;
    A(w, 22, 22) = 0x31;  // a dropped corner keeps its byte
    StrokeResult r = Stroke(w, Tool(HandTool::Welding, 0.5f, 5.0f, 3), {{20, 20}});
    int raised = 0;
    for (int iy = 0; iy <= w.lastY; ++iy) {
        for (int ix = 0; ix <= w.lastX; ++ix) {
            const bool in = std::abs(ix - 20) <= 2 && std::abs(iy - 20) <= 2 && !(std::abs(ix - 20) == 2 && std::abs(iy - 20) == 2);
            EXPECT_FLOAT_EQ(H(w, ix, iy), in ? 10.5f : 10.0f) << ix << "," << iy;
            if (in) {
                EXPECT_EQ(A(w, ix, iy), 3 << 1) << ix << "," << iy;
            }
            raised += in;
        }
    }
    EXPECT_EQ(raised, 21);
    EXPECT_EQ(A(w, 22, 22), 0x31);
    EXPECT_EQ(w.lineNo[NodeIndex(w, 20, 21)], 0);
    EXPECT_TRUE(r.changed && r.topRaised && r.onWork);
    EXPECT_EQ((std::array{r.ix0, r.iy0, r.ix1, r.iy1}), (std::array{18, 18, 22, 22}));
    EXPECT_FLOAT_EQ(static_cast<float>(w.zMax), 10.5f);
    EXPECT_EQ(w.workState, 2);

    // Button down at (20,20), then a move to (23,20): 3 steps at 21, 22, 23,
    // each welding its own disc again where they overlap.
    w = Block(10.0f);
    r = Stroke(w, Tool(HandTool::Welding, 0.5f, 5.0f), {{20, 20}, {23, 20}});
    EXPECT_EQ(r.steps, 3);
    const struct {
        int ix, iy;
        float z;
    } welded[] = {{20, 20, 11.5f}, {21, 22, 11.5f}, {23, 20, 11.5f}, {25, 20, 10.5f},
                  {26, 20, 10.0f}, {18, 20, 10.5f}, {17, 20, 10.0f}, {25, 22, 10.0f}};
    for (const auto& c : welded) EXPECT_FLOAT_EQ(H(w, c.ix, c.iy), c.z) << c.ix << "," << c.iy;
    EXPECT_EQ((std::array{r.ix0, r.iy0, r.ix1, r.iy1}), (std::array{19, 18, 25, 22}));

    // The walk's cells (+ 0.1, truncated) with a one-cell brush: (0,0) ->
    // (3,1) steps on (1,0) (2,0) (3,1); (10,10) -> (7,9) on (9,9) (8,9) (7,9).
    const struct {
        GridCell from, to;
        std::vector<GridCell> cells;
    } walks[] = {{{0, 0}, {3, 1}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}},
                 {{10, 10}, {7, 9}, {{9, 9}, {8, 9}, {7, 9}}},
                 {{5, 5}, {5, 5}, {{5, 5}}}};
    for (const auto& walk : walks) {
        w = Block(10.0f);
        HandStroke s;
        BeginStroke(s, HandTool::Brush);
        (void)StrokeTo(w, s, Tool(HandTool::Brush, 0, 0.5f), walk.from, nullptr);
        if (walk.from.ix != 0) StripPaint(w);  // only the move's own cells count
        (void)StrokeTo(w, s, Tool(HandTool::Brush, 0, 0.5f), walk.to, nullptr);
        int painted = 0;
        for (std::size_t i = 0; i < w.cellCount; ++i) painted += w.attr[i] & kAttrPaint;
        EXPECT_EQ(painted, static_cast<int>(walk.cells.size())) << walk.to.ix;
        for (const GridCell& c : walk.cells) EXPECT_EQ(A(w, c.ix, c.iy), kAttrPaint) << c.ix << "," << c.iy;
    }

    // Off the work nothing changes and the next point starts afresh.
    w = Block(10.0f);
    HandStroke s;
    BeginStroke(s, HandTool::Brush);
    (void)StrokeTo(w, s, Tool(HandTool::Brush, 0, 0.5f), GridCell{0, 0}, nullptr);
    r = StrokeTo(w, s, Tool(HandTool::Brush, 0, 0.5f), std::nullopt, nullptr);
    EXPECT_FALSE(r.onWork || r.changed || s.continues);
    EXPECT_FALSE(StrokeTo(w, s, Tool(HandTool::Brush, 0, 0.5f), GridCell{41, 0}, nullptr).onWork);
    (void)StrokeTo(w, s, Tool(HandTool::Brush, 0, 0.5f), GridCell{5, 0}, nullptr);
    EXPECT_EQ(A(w, 1, 0) | A(w, 4, 0), 0);
    EXPECT_EQ(A(w, 5, 0), kAttrPaint);
    // Nothing without a stroke or a work.
    HandStroke idle;
    EXPECT_FALSE(StrokeTo(w, idle, Tool(HandTool::Brush, 0, 0.5f), GridCell{6, 0}, nullptr).onWork);
    WorkModel none;
    BeginStroke(s, HandTool::Welding);
    EXPECT_FALSE(StrokeTo(none, s, Tool(HandTool::Welding, 1, 5), GridCell{0, 0}, nullptr).onWork);
}

TEST(HandTools, GrinderLevelPaperAndPaint) {
    // A step: 5 mm high for X < 20, 10 mm from X = 20 on. Grinder depth 1,
    // width 3 (the 3 x 3 square). Down at (10,10) fixes the level at 4.
    WorkModel w = Block(10.0f);
    for (int iy = 0; iy <= w.lastY; ++iy) {
        for (int ix = 0; ix < 20; ++ix) H(w, ix, iy) = 5.0f;
    }
    H(w, 14, 9) = 5.25f;  // more than one depth above the level: left
    H(w, 15, 11) = 3.0f;  // below the level: left
    H(w, 16, 9) = 4.5f;   // within one depth: cut
    const HandToolParams grinder = Tool(HandTool::Grinder, 1.0f, 3.0f, 5);
    HandStroke s;
    BeginStroke(s, HandTool::Grinder);
    StrokeResult r = StrokeTo(w, s, grinder, GridCell{10, 10}, nullptr);
    EXPECT_TRUE(r.levelFixed);
    EXPECT_FLOAT_EQ(s.level, 4.0f);
    r = StrokeTo(w, s, grinder, GridCell{30, 10}, nullptr);  // across the step
    EXPECT_FALSE(r.levelFixed);
    EXPECT_EQ(r.steps, 20);
    // Columns 10 and 11 were cut at the press already: no change there now.
    EXPECT_EQ((std::array{r.ix0, r.iy0, r.ix1, r.iy1}), (std::array{12, 9, 19, 11}));
    for (int iy = 8; iy <= 12; ++iy) {
        for (int ix = 8; ix <= 32; ++ix) {
            float z = ix < 20 ? 5.0f : 10.0f;
            if (iy >= 9 && iy <= 11 && ix >= 9 && ix < 20) z = 4.0f;
            if (ix == 14 && iy == 9) z = 5.25f;
            if (ix == 15 && iy == 11) z = 3.0f;
            EXPECT_FLOAT_EQ(H(w, ix, iy), z) << ix << "," << iy;
            EXPECT_EQ(A(w, ix, iy), z == 4.0f ? 5 << 1 : 0) << ix << "," << iy;
        }
    }
    // The level goes with the button: a stroke starting on the plateau cuts it to 9.
    EndStroke(s);
    EXPECT_FALSE(s.levelSet);
    r = Stroke(w, grinder, {{30, 20}, {10, 20}});
    EXPECT_FLOAT_EQ(H(w, 25, 20), 9.0f);
    EXPECT_FLOAT_EQ(H(w, 15, 20), 5.0f);
    EXPECT_FLOAT_EQ(H(w, 20, 21), 9.0f);

    // Paper: minus the depth on the whole square, corners too, pen set.
    w = Block(10.0f);
    w.lineNo[NodeIndex(w, 6, 6)] = -12;
    r = Stroke(w, Tool(HandTool::Paper, 0.1f, 3.0f, 7), {{5, 5}});
    EXPECT_FLOAT_EQ(H(w, 4, 4), 10.0f - 0.1f);
    EXPECT_FLOAT_EQ(H(w, 6, 6), 10.0f - 0.1f);
    EXPECT_FLOAT_EQ(H(w, 7, 5), 10.0f);
    EXPECT_EQ(A(w, 4, 6), 7 << 1);
    EXPECT_EQ(w.lineNo[NodeIndex(w, 6, 6)], 0);
    EXPECT_FALSE(r.topRaised);
    EXPECT_FLOAT_EQ(static_cast<float>(w.zMax), 10.0f);

    // Brush and spatula: the paint bit alone; a node already so is no change.
    w = Block(10.0f, kDataLevelMinimal);
    A(w, 5, 5) = 0x2C;  // pen 6, up-cut
    r = Stroke(w, Tool(HandTool::Brush, 0, 3.0f), {{5, 5}});
    EXPECT_EQ(A(w, 5, 5), 0x2D);
    EXPECT_EQ(A(w, 4, 6), kAttrPaint);
    EXPECT_EQ(A(w, 7, 5), 0);
    EXPECT_FLOAT_EQ(H(w, 5, 5), 10.0f);
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(Stroke(w, Tool(HandTool::Brush, 0, 3.0f), {{5, 5}}).changed);
    r = Stroke(w, Tool(HandTool::Spatula, 0, 1.0f), {{5, 5}});
    EXPECT_EQ(A(w, 5, 5), 0x2C);
    EXPECT_EQ(A(w, 4, 5), kAttrPaint);
    EXPECT_EQ((std::array{r.ix0, r.iy0, r.ix1, r.iy1}), (std::array{5, 5, 5, 5}));

    EXPECT_EQ(HandToolOfMode(2), HandTool::Welding);
    EXPECT_EQ(HandToolOfMode(7), HandTool::Spatula);
    EXPECT_EQ(HandToolOfMode(5), HandTool::None);
    EXPECT_EQ(HandToolOfMode(11), HandTool::None);
}

TEST(HandTools, StrokePointsGoToTheRecord) {
    WorkModel w = Block(10.0f);
    StrokeRecord record;
    AllocateStrokeRecord(record);
    // Down at (3,4), off the work, on at (5,4): one point per call on the work.
    HandStroke s;
    BeginStroke(s, HandTool::Welding);
    const HandToolParams weld = Tool(HandTool::Welding, 0.5f, 0.5f);
    (void)StrokeTo(w, s, weld, GridCell{3, 4}, &record);
    (void)StrokeTo(w, s, weld, GridCell{4, 4}, &record);
    (void)StrokeTo(w, s, weld, std::nullopt, &record);
    (void)StrokeTo(w, s, weld, GridCell{5, 4}, &record);
    ASSERT_EQ(record.count, 3u);
    EXPECT_EQ((std::array{record.x[0], record.y[0], record.z[0]}), (std::array{3.0f, 4.0f, 10.5f}));
    EXPECT_EQ((std::array{record.continues[0], record.continues[1], record.continues[2]}),
              (std::array<std::uint8_t, 3>{0, 1, 0}));
    // The 10001st point starts the record again at slot 0.
    record.count = kStrokePoints - 1;
    (void)StrokeTo(w, s, weld, GridCell{6, 4}, &record);
    EXPECT_EQ(record.count, kStrokePoints);
    (void)StrokeTo(w, s, weld, GridCell{7, 4}, &record);
    EXPECT_EQ(record.count, 1u);
    EXPECT_EQ(record.x[0], 7.0f);
    EXPECT_EQ(record.continues[0], 1);
}

}  // namespace
}  // namespace morvex
