// Whole-work operations: turns and mirrors move every node to its turned
// position with the origin following, thinning counts, moves, the Z-axis
// offset with the bottom following, the XYZ cut and turning the work over.
#include "workops/work_ops.h"

#include <gtest/gtest.h>

#include <cmath>

namespace morvex {
namespace {

WorkModel Work(int nx, int ny, double pitch, double xMin, double yMin, double bottom) {
    WorkModel w;
    w.pitch = pitch;
    EXPECT_TRUE(AllocateWork(w, nx, ny, kDataLevelFull, true));
    w.xMin = xMin, w.yMin = yMin, w.zMin = bottom;
    w.xMax = xMin + (nx - 1) * pitch, w.yMax = yMin + (ny - 1) * pitch;
    for (int iy = 0; iy < ny; ++iy) {
        for (int ix = 0; ix < nx; ++ix) {
            const std::size_t i = NodeIndex(w, ix, iy);
            w.height[i] = static_cast<float>(ix + 10 * iy);
            w.attr[i] = static_cast<std::uint8_t>(i % 200);
            w.lineNo[i] = static_cast<std::int32_t>(1000 + i);
        }
    }
    RecomputeZMax(w);
    return w;
}

TEST(WorkOps, TurnsAndMirrorsMoveEveryNodeToItsTurnedPlace) {
    struct Case {
        TurnKind kind;
        double (*x)(double, double);
        double (*y)(double, double);
    };
    const Case cases[] = {
        {TurnKind::Deg90, [](double, double y) { return -y; }, [](double x, double) { return x; }},
        {TurnKind::Deg180, [](double x, double) { return -x; }, [](double, double y) { return -y; }},
        {TurnKind::DegMinus90, [](double, double y) { return y; }, [](double x, double) { return -x; }},
        {TurnKind::MirrorX, [](double x, double) { return -x; }, [](double, double y) { return y; }},
        {TurnKind::MirrorY, [](double x, double) { return x; }, [](double, double y) { return -y; }},
    };
    for (const Case& c : cases) {
        const WorkModel before = Work(5, 3, 0.5, 2.0, -7.0, 0.0);
        WorkModel w = Work(5, 3, 0.5, 2.0, -7.0, 0.0);
        ASSERT_TRUE(TurnWork(w, c.kind));
        EXPECT_NEAR(w.xMax, w.xMin + w.lastX * 0.5, 1e-12);
        for (int iy = 0; iy < before.ny; ++iy) {
            for (int ix = 0; ix < before.nx; ++ix) {
                const double x = before.xMin + ix * 0.5, y = before.yMin + iy * 0.5;
                const double jx = (c.x(x, y) - w.xMin) / 0.5, jy = (c.y(x, y) - w.yMin) / 0.5;
                ASSERT_NEAR(jx, std::round(jx), 1e-9);
                ASSERT_NEAR(jy, std::round(jy), 1e-9);
                const std::size_t to = NodeIndex(w, static_cast<int>(std::lround(jx)), static_cast<int>(std::lround(jy)));
                const std::size_t from = NodeIndex(before, ix, iy);
                ASSERT_LT(to, w.cellCount);
                EXPECT_EQ(w.height[to], before.height[from]);
                EXPECT_EQ(w.attr[to], before.attr[from]);
                EXPECT_EQ(w.lineNo[to], before.lineNo[from]);
            }
        }
    }
    // Four quarter turns are none.
    WorkModel w = Work(4, 7, 1.0, 1.0, 2.0, 0.0);
    const WorkModel before = Work(4, 7, 1.0, 1.0, 2.0, 0.0);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(TurnWork(w, TurnKind::Deg90));
    EXPECT_EQ(w.nx, 4);
    EXPECT_DOUBLE_EQ(w.xMin, 1.0);
    EXPECT_DOUBLE_EQ(w.yMin, 2.0);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) ASSERT_EQ(w.height[i], before.height[i]);
}

TEST(WorkOps, ThinningCountsAndTheEndColumn) {
    WorkModel w = Work(101, 5, 0.1, 0, 0, 0);
    ASSERT_TRUE(ThinWork(w, 3, false, false));
    EXPECT_EQ(w.nx, 34);
    EXPECT_EQ(w.ny, 2);  // 4 div 3 + 1
    EXPECT_DOUBLE_EQ(w.pitch, 0.30000000000000004);
    EXPECT_EQ(w.height[NodeIndex(w, 33, 1)], 99.0f + 30.0f);
    w = Work(101, 5, 0.1, 0, 0, 0);
    ASSERT_TRUE(ThinWork(w, 3, true, true));
    EXPECT_EQ(w.nx, 35);
    EXPECT_EQ(w.ny, 3);
    EXPECT_EQ(w.height[NodeIndex(w, 34, 0)], 100.0f);  // the old edge, one new pitch on
    EXPECT_EQ(w.height[NodeIndex(w, 34, 2)], 140.0f);
    EXPECT_NEAR(w.xMax, 34 * 0.3, 1e-9);
    for (bool end : {false, true}) {
        w = Work(101, 5, 0.1, 0, 0, 0);
        ASSERT_TRUE(ThinWork(w, 2, end, false));
        EXPECT_EQ(w.nx, 51);
    }
    EXPECT_FALSE(ThinWork(w, 1, false, false));
    EXPECT_EQ(w.nx, 51);
}

TEST(WorkOps, MovesOffsetsAndTheBottomThatFollows) {
    WorkModel w = Work(4, 4, 1.0, 0, 0, -2.0);
    PlaceWork(w, 5.0, 6.0, -2.0);  // the same bottom: no height moves
    EXPECT_EQ(w.height[5], 11.0f);
    EXPECT_DOUBLE_EQ(w.xMax, 8.0);
    ShiftWork(w, 1.0, -1.0, 0.5);
    EXPECT_EQ(w.height[5], 11.5f);
    EXPECT_DOUBLE_EQ(w.zMin, -1.5);
    EXPECT_DOUBLE_EQ(w.yMin, 5.0);
    PlaceWork(w, 0.0, 0.0, 0.0);
    EXPECT_EQ(w.height[5], 13.0f);

    // A block 10 high on a bottom of 0, one node cut to 0.5: offset -1.
    WorkModel b = Work(3, 3, 1.0, 0, 0, 0.0);
    std::fill_n(b.height, b.cellCount, 10.0f);
    b.height[4] = 0.5f;
    b.attr[2] = kAttrPaint;
    OffsetWorkZ(b, -1.0, false);
    EXPECT_EQ(b.height[0], 9.0f);
    EXPECT_EQ(b.height[4], -0.5f);
    EXPECT_DOUBLE_EQ(b.zMin, -0.5);
    EXPECT_EQ(b.attr[2], 0);
    EXPECT_EQ(b.lineNo[2], 0);
    EXPECT_DOUBLE_EQ(b.zMax, 9.0);
    b.attr[1] = kAttrPaint;
    OffsetWorkZ(b, 2.0, true);  // only the painted node
    EXPECT_EQ(b.height[1], 11.0f);
    EXPECT_EQ(b.height[0], 9.0f);
    EXPECT_DOUBLE_EQ(b.zMax, 11.0);
}

TEST(WorkOps, XyzCutKeepsTheRangeAndLimitsHeights) {
    WorkModel w = Work(10, 8, 1.0, 100.0, 200.0, -1.0);
    XyzCut cut;
    cut.xMin = 102.0, cut.xMax = 105.85, cut.yMin = 201.0, cut.yMax = 204.0;
    cut.zCut = 35.0, cut.zMin = 3.0, cut.cutToBottom = true;
    ASSERT_EQ(CutWorkXyz(w, cut), XyzCutStatus::Ok);
    ASSERT_EQ(w.nx, 4);  // 102 .. 105 (5.85 + 0.1 truncates to 5)
    ASSERT_EQ(w.ny, 4);
    EXPECT_DOUBLE_EQ(w.xMin, 102.0);
    EXPECT_DOUBLE_EQ(w.yMin, 201.0);
    EXPECT_EQ(w.height[NodeIndex(w, 0, 0)], 12.0f);  // old node (2, 1)
    EXPECT_EQ(w.height[NodeIndex(w, 3, 2)], -1.0f);  // 35 >= Z-Cut: to the bottom
    EXPECT_EQ(w.lineNo[NodeIndex(w, 3, 2)], 0);
    EXPECT_EQ(w.lineNo[NodeIndex(w, 0, 0)], 1000 + 12);
    EXPECT_DOUBLE_EQ(w.zMax, 34.0);
    // Z-Min raises low nodes; a range of one column is refused.
    cut = XyzCut{};
    cut.xMin = 102, cut.xMax = 105, cut.yMin = 201, cut.yMax = 204, cut.zCut = 100, cut.zMin = 20;
    ASSERT_EQ(CutWorkXyz(w, cut), XyzCutStatus::Ok);
    EXPECT_EQ(w.height[NodeIndex(w, 0, 0)], 20.0f);
    cut.xMax = 102.0;
    EXPECT_EQ(CutWorkXyz(w, cut), XyzCutStatus::EmptyRange);
    EXPECT_EQ(w.nx, 4);
}

TEST(WorkOps, ReverseTurnsTheWorkOverKeepingTheCheckedBits) {
    WorkModel w = Work(3, 2, 1.0, 0, 0, 1.0);
    w.attr[0] = 0xFF;
    ReverseSetting s;
    s.keepPaint = true;
    s.keepDirection = true;
    ASSERT_TRUE(ReverseWork(w, s));
    // c = 10 + 1 + 12; node (0, 0) comes from (2, 0).
    EXPECT_EQ(w.height[NodeIndex(w, 0, 0)], 23.0f - 2.0f);
    EXPECT_EQ(w.height[NodeIndex(w, 2, 0)], 23.0f);
    EXPECT_EQ(w.attr[NodeIndex(w, 2, 0)], 0xF1);
    EXPECT_EQ(w.lineNo[0], 0);
    EXPECT_DOUBLE_EQ(w.zMax, 23.0);
    s = ReverseSetting{};
    s.alongY = true;
    ASSERT_TRUE(ReverseWork(w, s));
    EXPECT_EQ(w.attr[NodeIndex(w, 2, 1)], 0);
}

}  // namespace
}  // namespace morvex
