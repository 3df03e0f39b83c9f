// Hand tools on a 41 x 41 block at pitch 1 mm against hand-worked values:
// the footprint size, the welding disc, the cells of the stroke walk, the
// grinder's level across a step, and the stroke record's wrap. The window
// test works every tool through the mouse.
#include "sim/hand_tools.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvex {
namespace {

WorkModel Block(float z) {
    WorkModel w;
    PitchSettings pitch;
    EXPECT_EQ(DefineBoxWork(w, BoxRequest{0, 0, 0, 40, 40, z}, pitch, kDataLevelFull), DefineWorkStatus::Ok);
    return w;
}

float& H(WorkModel& w, int ix, int iy) { return w.height[NodeIndex(w, ix, iy)]; }
std::uint8_t& A(WorkModel& w, int ix, int iy) { return w.attr[NodeIndex(w, ix, iy)]; }

TEST(HandTools, FootprintsAndTheStrokeWalk) {
    const struct {
        float width;
        double pitch;
        int r;
    } sizes[] = {{5.0f, 1.0, 2}, {5.0f, 0.3, 8}, {0.9f, 1.0, 0}, {-3.0f, 1.0, 0}, {5.0f, 0.0, 0}};
    for (const auto& s : sizes) EXPECT_EQ(FootprintHalfSize(s.width, s.pitch), s.r) << s.width << " " << s.pitch;

    // Welding 5 wide at pitch 1: the 5 x 5 square without its corners
    // (2^2 + 2^2 = 8 > 6.25); the byte becomes the pen alone, the line number 0.
    WorkModel w = Block(10.0f);
    A(w, 20, 22) = 0x31;
    w.lineNo[NodeIndex(w, 20, 22)] = 77;
    A(w, 22, 22) = 0x31;  // a dropped corner keeps its byte
    HandStroke s;
    BeginStroke(s, HandTool::Welding);
    const StrokeResult r = StrokeTo(w, s, {HandTool::Welding, 0.5f, 5.0f, 3}, GridCell{20, 20}, nullptr);
    int raised = 0;
    for (std::size_t i = 0; i < w.cellCount; ++i) raised += w.height[i] == 10.5f && w.attr[i] == 6;
    EXPECT_EQ(raised, 21);
    EXPECT_FLOAT_EQ(H(w, 22, 21), 10.5f);
    EXPECT_FLOAT_EQ(H(w, 22, 22), 10.0f);
    EXPECT_EQ(A(w, 22, 22), 0x31);
    EXPECT_EQ(w.lineNo[NodeIndex(w, 20, 22)], 0);
    EXPECT_EQ((std::array{r.ix0, r.iy0, r.ix1, r.iy1}), (std::array{18, 18, 22, 22}));
    EXPECT_TRUE(r.topRaised && w.zMax == 10.5 && w.workState == 2);

    // Step i of n lands on previous + (current - previous) i / n, + 0.1
    // truncated: (0,0) -> (3,1) on (1,0) (2,0) (3,1); (10,10) -> (7,9) on
    // (9,9) (8,9) (7,9); a point in the last one's cell is one more step.
    const struct {
        GridCell from, to;
        std::vector<GridCell> cells;
    } walks[] = {{{0, 0}, {3, 1}, {{1, 0}, {2, 0}, {3, 1}}},
                 {{10, 10}, {7, 9}, {{9, 9}, {8, 9}, {7, 9}}},
                 {{5, 5}, {5, 5}, {{5, 5}}}};
    const HandToolParams dot{HandTool::Brush, 0.0f, 0.5f, 0};
    for (const auto& walk : walks) {
        w = Block(10.0f);
        BeginStroke(s, HandTool::Brush);
        (void)StrokeTo(w, s, dot, walk.from, nullptr);
        StripPaint(w);
        EXPECT_EQ(StrokeTo(w, s, dot, walk.to, nullptr).steps, static_cast<int>(walk.cells.size()));
        int painted = 0;
        for (std::size_t i = 0; i < w.cellCount; ++i) painted += w.attr[i];
        EXPECT_EQ(painted, static_cast<int>(walk.cells.size())) << walk.to.ix;
        for (const GridCell& c : walk.cells) EXPECT_EQ(A(w, c.ix, c.iy), kAttrPaint) << c.ix << "," << c.iy;
    }
    // Off the work nothing changes, and the next point is not walked to.
    EXPECT_FALSE(StrokeTo(w, s, dot, GridCell{41, 0}, nullptr).onWork);
    EXPECT_EQ(StrokeTo(w, s, dot, GridCell{0, 30}, nullptr).steps, 1);
}

TEST(HandTools, GrinderLevelAcrossAStep) {
    // 5 mm high for X < 20, 10 mm from there on; depth 1, width 3 (the 3 x 3
    // square). The first contact at (10,10) fixes the level at 4; the drag
    // over the step to (30,10) leaves the plateau more than a depth above.
    WorkModel w = Block(10.0f);
    for (int iy = 0; iy <= w.lastY; ++iy) {
        for (int ix = 0; ix < 20; ++ix) H(w, ix, iy) = 5.0f;
    }
    H(w, 14, 9) = 5.25f;  // more than a depth above the level: left
    H(w, 15, 11) = 3.0f;  // below it: left
    const HandToolParams grinder{HandTool::Grinder, 1.0f, 3.0f, 5};
    HandStroke s;
    BeginStroke(s, HandTool::Grinder);
    EXPECT_TRUE(StrokeTo(w, s, grinder, GridCell{10, 10}, nullptr).levelFixed);
    const StrokeResult r = StrokeTo(w, s, grinder, GridCell{30, 10}, nullptr);
    EXPECT_FALSE(r.levelFixed);
    // Columns 9..11 went down at the press already.
    EXPECT_EQ((std::array{r.ix0, r.iy0, r.ix1, r.iy1}), (std::array{12, 9, 19, 11}));
    for (int iy = 8; iy <= 12; ++iy) {
        for (int ix = 8; ix <= 32; ++ix) {
            float z = ix < 20 ? 5.0f : 10.0f;
            if (iy >= 9 && iy <= 11 && ix >= 9 && ix < 20) z = 4.0f;
            if ((ix == 14 && iy == 9) || (ix == 15 && iy == 11)) z = ix == 14 ? 5.25f : 3.0f;
            EXPECT_FLOAT_EQ(H(w, ix, iy), z) << ix << "," << iy;
            EXPECT_EQ(A(w, ix, iy), z == 4.0f ? 5 << 1 : 0) << ix << "," << iy;
        }
    }
    // A new stroke starting on the plateau grinds it to 9 and leaves the low side.
    EndStroke(s);
    BeginStroke(s, HandTool::Grinder);
    (void)StrokeTo(w, s, grinder, GridCell{30, 20}, nullptr);
    (void)StrokeTo(w, s, grinder, GridCell{10, 20}, nullptr);
    EXPECT_EQ((std::array{H(w, 25, 20), H(w, 20, 21), H(w, 15, 20)}), (std::array{9.0f, 9.0f, 5.0f}));
}

TEST(HandTools, StrokeRecordTakesEachPointAndWraps) {
    WorkModel w = Block(10.0f);
    StrokeRecord record;
    AllocateStrokeRecord(record);
    const HandToolParams weld{HandTool::Welding, 0.5f, 0.5f, 0};
    HandStroke s;
    BeginStroke(s, HandTool::Welding);
    for (const std::optional<GridCell> at : {std::optional<GridCell>{GridCell{3, 4}}, std::optional<GridCell>{GridCell{4, 4}},
                                             std::optional<GridCell>{}, std::optional<GridCell>{GridCell{5, 4}}}) {
        (void)StrokeTo(w, s, weld, at, &record);
    }
    ASSERT_EQ(record.count, 3u);
    EXPECT_EQ((std::array{record.x[0], record.y[0], record.z[0]}), (std::array{3.0f, 4.0f, 10.5f}));
    EXPECT_EQ((std::array{record.continues[0], record.continues[1], record.continues[2]}),
              (std::array<std::uint8_t, 3>{0, 1, 0}));
    // The 10001st point starts the record again at slot 0.
    record.count = kStrokePoints - 1;
    (void)StrokeTo(w, s, weld, GridCell{6, 4}, &record);
    (void)StrokeTo(w, s, weld, GridCell{7, 4}, &record);
    EXPECT_EQ(record.count, 1u);
    EXPECT_EQ((std::array{record.x[0], record.x[kStrokePoints - 1]}), (std::array{7.0f, 6.0f}));
}

}  // namespace
}  // namespace morvex
