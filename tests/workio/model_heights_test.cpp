// Model heights on the work's grid: a DMF of the same grid read straight,
// one of another grid resampled on its cells' triangles (exact for a
// plane), an STL from its start value, and the merge rules.
#include "workio/model_heights.h"

#include <gtest/gtest.h>

#include <cmath>

#include "../support/temp_dir.h"
#include "workio/dmf_file.h"

namespace morvex {
namespace {

using test::TempDir;

WorkModel Grid(int nx, int ny, double pitch, double xMin, double yMin, double (*f)(double, double)) {
    WorkModel w;
    w.pitch = pitch;
    EXPECT_TRUE(AllocateWork(w, nx, ny, kDataLevelLineNumbers, true));
    w.xMin = xMin, w.yMin = yMin, w.zMin = -1.0;
    w.xMax = xMin + (nx - 1) * pitch, w.yMax = yMin + (ny - 1) * pitch;
    for (int iy = 0; iy < ny; ++iy) {
        for (int ix = 0; ix < nx; ++ix) {
            w.height[NodeIndex(w, ix, iy)] = static_cast<float>(f(xMin + ix * pitch, yMin + iy * pitch));
        }
    }
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0x11});
    std::fill_n(w.lineNo, w.cellCount, 9);
    w.workState = 2;
    RecomputeZMax(w);
    return w;
}

double Plane(double x, double y) { return 2.0 + 0.25 * x - 0.125 * y; }
double Flat(double, double) { return 1.0; }

TEST(ModelHeights, DmfOnTheSameGridOrResampledFromAnother) {
    TempDir dir;
    WorkModel model = Grid(21, 11, 0.5, 3.0, 4.0, Plane);
    DmfContext ctx;
    ASSERT_EQ(SaveDmf(dir.Path("model.dmf"), model, ctx), kDmfSaved);
    // The same grid: the file's heights as they are.
    const WorkModel same = Grid(21, 11, 0.5, 3.0, 4.0, Flat);
    std::vector<float> m;
    ASSERT_FALSE(ModelHeightsOnGrid(dir.Path("model.dmf"), same, kBasicModelStart, m).has_value());
    ASSERT_EQ(m.size(), same.cellCount);
    for (std::uint32_t i = 0; i < same.cellCount; ++i) ASSERT_EQ(m[i], model.height[i]);
    // A finer grid shifted against it: the plane again inside the model,
    // -100000 outside it (the work reaches beyond the model on both sides).
    const WorkModel fine = Grid(40, 30, 0.3, 2.05, 3.95, Flat);
    ASSERT_FALSE(ModelHeightsOnGrid(dir.Path("model.dmf"), fine, kBasicModelStart, m).has_value());
    int inside = 0;
    for (int iy = 0; iy < fine.ny; ++iy) {
        for (int ix = 0; ix < fine.nx; ++ix) {
            const double x = fine.xMin + ix * 0.3, y = fine.yMin + iy * 0.3;
            const float v = m[NodeIndex(fine, ix, iy)];
            if (x >= 3.0 && x <= 13.0 && y >= 4.0 && y <= 9.0) {
                ASSERT_NEAR(v, Plane(x, y), 1e-5) << x << "," << y;
                ++inside;
            } else {
                ASSERT_EQ(v, kBasicModelStart) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inside, 400);
    // Files that are no model: a message, the target untouched.
    m.assign(3, 7.0f);
    EXPECT_TRUE(ModelHeightsOnGrid(dir.Write("x.dmf", "junk"), fine, 0.0f, m).has_value());
    EXPECT_EQ(ModelHeightsOnGrid(dir.Path("missing.stl"), fine, 0.0f, m), MsgId::StlNotOpened);
    EXPECT_EQ(ModelHeightsOnGrid(dir.Write("model.obj", "v 0 0 0"), fine, 0.0f, m), MsgId::WorkFormatNotAvailable);
    EXPECT_EQ(m.size(), 3u);
}

TEST(ModelHeights, MergeHigherAndLower) {
    WorkModel w = Grid(3, 2, 1.0, 0.0, 0.0, Flat);  // bottom -1
    const std::vector<float> model = {2.0f, 1.0f, 0.5f, -2.0f, -100000.0f, 1.5f};
    WorkModel higher = Grid(3, 2, 1.0, 0.0, 0.0, Flat);
    EXPECT_TRUE(ApplyMerge(higher, model, true));
    EXPECT_EQ(higher.height[0], 2.0f);
    EXPECT_EQ(higher.attr[0], 0);
    EXPECT_EQ(higher.lineNo[0], 0);
    EXPECT_EQ(higher.attr[1], 0x11);  // equal: no change (strict)
    EXPECT_EQ(higher.height[2], 1.0f);
    EXPECT_DOUBLE_EQ(higher.zMax, 2.0);
    EXPECT_TRUE(ApplyMerge(w, model, false));
    EXPECT_EQ(w.height[2], 0.5f);
    EXPECT_EQ(w.height[3], 1.0f);  // below the bottom: left alone
    EXPECT_EQ(w.height[4], 1.0f);  // no model
    EXPECT_EQ(w.height[0], 1.0f);
    EXPECT_FALSE(ApplyMerge(w, std::vector<float>(6, 5.0f), false));
}

}  // namespace
}  // namespace morvex
