// The rotary load: an STL model and a DMF work turned about Z, X and Y
// land where the turn puts them on the current grid; nodes nothing covers
// stay at the bottom; an unusable file leaves the work alone.
#include "workio/rotary_load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../support/temp_dir.h"
#include "workio/dmf_file.h"
#include "workio/stl_file.h"

namespace morvex {
namespace {

using test::TempDir;

WorkModel Plate(int nx, int ny, double pitch, float h) {
    WorkModel w;
    w.pitch = pitch;
    EXPECT_TRUE(AllocateWork(w, nx, ny, kDataLevelLineNumbers, true));
    w.zMin = 0.0;
    std::fill_n(w.height, w.cellCount, h);
    std::fill_n(w.attr, w.cellCount, std::uint8_t{3});
    std::fill_n(w.lineNo, w.cellCount, 4);
    w.workState = 1;
    return w;
}

TEST(RotaryLoad, TurnedModelsLandWhereTheTurnPutsThem) {
    EXPECT_NEAR(SwingPoint(SwingSetting{2, {1, 1, 0}, 90.0}, Point{2, 1, 5})[1], 2.0, 1e-12);
    EXPECT_NEAR(SwingPoint(SwingSetting{0, {0, 0, 0}, 90.0}, Point{0, 1, 0})[2], 1.0, 1e-12);
    EXPECT_NEAR(SwingPoint(SwingSetting{1, {0, 0, 0}, 90.0}, Point{0, 0, 1})[0], 1.0, 1e-12);

    // A DMF ramp z = 1 + x / 4 on 0..8 x 0..4, turned 180 degrees about Z
    // through (4, 2): z = 1 + (8 - x) / 4 on the same grid.
    TempDir dir;
    WorkModel ramp = Plate(17, 9, 0.5, 0.0f);
    for (int iy = 0; iy < 9; ++iy) {
        for (int ix = 0; ix < 17; ++ix) ramp.height[NodeIndex(ramp, ix, iy)] = static_cast<float>(1.0 + ix * 0.125);
    }
    ramp.workState = 2;  // a cut work: the file holds every height
    DmfContext ctx;
    ASSERT_EQ(SaveDmf(dir.Path("ramp.dmf"), ramp, ctx), kDmfSaved);
    WorkModel w = Plate(17, 9, 0.5, 7.0f);
    ASSERT_FALSE(LoadSwung(dir.Path("ramp.dmf"), SwingSetting{2, {4, 2, 0}, 180.0}, w).has_value());
    for (int iy = 0; iy < 9; ++iy) {
        for (int ix = 0; ix < 17; ++ix) {
            ASSERT_NEAR(w.height[NodeIndex(w, ix, iy)], 1.0 + (8.0 - ix * 0.5) / 4.0, 1e-5) << ix << "," << iy;
        }
    }
    EXPECT_EQ(w.attr[5], 0);
    EXPECT_EQ(w.lineNo[5], 0);
    EXPECT_EQ(w.workState, 2);
    // Turned 90 degrees about Z through (4, 2), the 8 x 4 ramp covers only
    // x 2..6: the rest stays at the bottom.
    ASSERT_FALSE(LoadSwung(dir.Path("ramp.dmf"), SwingSetting{2, {4, 2, 0}, 90.0}, w).has_value());
    EXPECT_EQ(w.height[NodeIndex(w, 0, 4)], 0.0f);
    // (x, y) came from (4 + (y - 2), 2 - (x - 4)): at (4, 1), from x = 3.
    EXPECT_NEAR(w.height[NodeIndex(w, 8, 2)], 1.0 + 3.0 / 4.0, 1e-5);

    // An STL plate at z = 2 tilted 90 degrees about X through (0, 0, 2)
    // stands on edge: nothing over the grid but its top edge line.
    const std::string plate = dir.Write("plate.stl",
                                        "solid\nfacet normal 0 0 1\nouter loop\nvertex 0 0 2\nvertex 8 0 2\n"
                                        "vertex 8 4 2\nendloop\nendfacet\nendsolid\n");
    w = Plate(17, 9, 0.5, 7.0f);
    ASSERT_FALSE(LoadSwung(plate, SwingSetting{0, {0, 0, 2}, 90.0}, w).has_value());
    EXPECT_EQ(w.height[NodeIndex(w, 4, 4)], 0.0f);
    // Unusable files: a message, the work as it was.
    WorkModel kept = Plate(17, 9, 0.5, 7.0f);
    EXPECT_TRUE(LoadSwung(dir.Write("bad.stl", ""), SwingSetting{}, kept).has_value());
    EXPECT_TRUE(LoadSwung(dir.Path("missing.dmf"), SwingSetting{}, kept).has_value());
    EXPECT_TRUE(LoadSwung(plate, SwingSetting{2, {0, 0, 0}, NAN}, kept).has_value());
    EXPECT_EQ(kept.height[0], 7.0f);
    EXPECT_EQ(kept.attr[0], 3);
}

}  // namespace
}  // namespace morvex
