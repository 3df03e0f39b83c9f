// Difference to the basic model: the margin is strict, nodes without a
// model are never marked, pens are written and cleared only for their own
// colour, the normal check, and the point query in memory and from a DMF
// file with the grid check's codes.
#include "workops/difference.h"

#include <gtest/gtest.h>

#include <cmath>

#include "../support/temp_dir.h"
#include "workio/dmf_file.h"

namespace morvex {
namespace {

using test::TempDir;

WorkModel Flat(int nx, int ny, float h, double pitch = 0.5) {
    WorkModel w;
    w.pitch = pitch;
    EXPECT_TRUE(AllocateWork(w, nx, ny, kDataLevelMinimal, true));
    std::fill_n(w.height, w.cellCount, h);
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0});
    return w;
}

TEST(Difference, PaintsBeyondTheMarginWithPaintOrPen) {
    WorkModel w = Flat(4, 2, 5.0f);  // row 1 has no model
    w.height[0] = 5.01f;
    w.height[1] = 5.0101f;
    w.height[2] = 4.98f;
    const std::vector<float> basic = {5.0f, 5.0f, 5.0f, -100000.0f, -100000.0f, -100000.0f, -100000.0f, -100000.0f};
    w.height[3] = 100.0f;  // no model there: never marked
    std::vector<std::uint8_t> marks;
    DifferenceSettings plus;
    ASSERT_EQ(PaintDifference(w, basic, plus, 0, marks), DifferenceStatus::Ok);
    EXPECT_EQ(marks, (std::vector<std::uint8_t>{0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w.attr[1], kAttrPaint);
    DifferenceSettings minus;
    minus.area = -1;
    minus.penMode = true;
    minus.penNumber = 3;
    w.attr[0] = 0xF1;
    ASSERT_EQ(PaintDifference(w, basic, minus, 0, marks), DifferenceStatus::Ok);
    EXPECT_EQ(marks, (std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w.attr[2], 6);
    EXPECT_EQ(w.attr[0], 0xF1);  // other pen bits untouched, paint kept
    // Clearing in pen mode removes only this pen's colour.
    w.attr[1] = static_cast<std::uint8_t>(kAttrPaint | 4);  // pen 2
    w.height[2] = 5.0f;
    ASSERT_EQ(PaintDifference(w, basic, minus, 0, marks), DifferenceStatus::Ok);
    EXPECT_EQ(w.attr[2], 0);
    EXPECT_EQ(w.attr[1], kAttrPaint | 4);
    // Paint mode clears the paint bit of unmarked nodes unless told to keep it.
    plus.clear = false;
    ASSERT_EQ(PaintDifference(w, basic, plus, 0, marks), DifferenceStatus::Ok);
    EXPECT_EQ(w.attr[1] & kAttrPaint, kAttrPaint);
    plus.clear = true;
    w.height[1] = 5.0f;
    ASSERT_EQ(PaintDifference(w, basic, plus, 0, marks), DifferenceStatus::Ok);
    EXPECT_EQ(w.attr[1], 4);
    minus.penNumber = 8;
    EXPECT_EQ(PaintDifference(w, basic, minus, 0, marks), DifferenceStatus::BadPen);
}

TEST(Difference, NormalCheckComparesWithTheModelOffsetByTheMargin) {
    // A 45-degree model slope under a work 0.3 above it vertically (0.21 along the normal).
    WorkModel w = Flat(30, 13, 0.0f, 0.05);
    std::vector<float> basic(w.cellCount);
    for (int iy = 0; iy < 13; ++iy) {
        for (int ix = 0; ix < 30; ++ix) {
            basic[NodeIndex(w, ix, iy)] = static_cast<float>(ix * 0.05);
            w.height[NodeIndex(w, ix, iy)] = static_cast<float>(ix * 0.05 + 0.3);
        }
    }
    std::vector<std::uint8_t> marks;
    DifferenceSettings s;
    s.normalCheck = true;
    s.margin = 0.25;  // beyond 0.21: not marked along the normal, though 0.3 > 0.25 vertically
    ASSERT_EQ(PaintDifference(w, basic, s, 2, marks), DifferenceStatus::Ok);
    EXPECT_EQ(marks[NodeIndex(w, 15, 6)], 0);
    s.margin = 0.15;
    ASSERT_EQ(PaintDifference(w, basic, s, 2, marks), DifferenceStatus::Ok);
    EXPECT_EQ(marks[NodeIndex(w, 15, 6)], 1);
}

TEST(Difference, PointQueryInMemoryAndFromTheModelFile) {
    WorkModel w = Flat(11, 11, 2.0f);
    std::vector<float> basic(w.cellCount, 0.0f);
    basic[NodeIndex(w, 7, 5)] = 1.9f;  // a model point 1 mm to the side, 0.1 below the work
    DifferencePoint p;
    ASSERT_TRUE(DifferenceAt(w, basic.data(), 5, 5, p));
    EXPECT_DOUBLE_EQ(p.vertical, 2.0);
    EXPECT_NEAR(p.nearest, std::sqrt(1.0 + 0.01), 1e-6);
    EXPECT_NEAR(p.modelPoint[0], 3.5, 1e-12);
    EXPECT_NEAR(p.modelPoint[2], 1.9, 1e-6);
    EXPECT_DOUBLE_EQ(p.workPoint[0], 2.5);
    w.height[NodeIndex(w, 1, 1)] = 0.0000005f;
    ASSERT_TRUE(DifferenceAt(w, basic.data(), 1, 1, p));
    EXPECT_EQ(p.vertical, 0.0);
    EXPECT_EQ(p.nearest, 0.0);
    EXPECT_FALSE(DifferenceAt(w, basic.data(), 11, 0, p));

    // The same model as a DMF file, and files that do not fit the grid.
    TempDir dir;
    WorkModel model = Flat(11, 11, 0.0f);
    std::copy(basic.begin(), basic.end(), model.height);
    DmfContext ctx;
    ASSERT_EQ(SaveDmf(dir.Path("basic.dmf"), model, ctx), kDmfSaved);
    DifferencePoint q;
    ASSERT_EQ(DifferenceAtFile(w, dir.Path("basic.dmf"), 5, 5, q), 0);
    EXPECT_NEAR(q.nearest, std::sqrt(1.01), 1e-6);
    EXPECT_EQ(DifferenceAtFile(w, dir.Path("none.dmf"), 5, 5, q), 1);
    model.xMin = 1.0;
    ASSERT_EQ(SaveDmf(dir.Path("moved.dmf"), model, ctx), kDmfSaved);
    EXPECT_EQ(DifferenceAtFile(w, dir.Path("moved.dmf"), 5, 5, q), 2);
    WorkModel small = Flat(5, 11, 0.0f);
    ASSERT_EQ(SaveDmf(dir.Path("small.dmf"), small, ctx), kDmfSaved);
    EXPECT_EQ(DifferenceAtFile(w, dir.Path("small.dmf"), 5, 5, q), 3);
}

}  // namespace
}  // namespace morvex
