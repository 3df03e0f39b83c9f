// Canned-cycle hole motions, levels worked out by hand.
#include "nc/canned_cycle.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>
#include <vector>

namespace morvex {
namespace {

// Motion type and tool-axis level of each entry; all entries stand over the hole.
void Expect(const CycleRequest& r, const std::vector<std::pair<int, double>>& want) {
    std::vector<QueuedMotion> out;
    ASSERT_EQ(ExpandCycle(r, out), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(out[k].type, want[k].first) << k;
        EXPECT_DOUBLE_EQ(out[k].end[r.third], want[k].second) << k;
        EXPECT_EQ(out[k].end[r.first], r.hole[r.first]) << k;
        EXPECT_EQ(out[k].end[r.second], r.hole[r.second]) << k;
    }
}

// R2 Z-10, absolute, G98, from level 50 at (0, 0) to a new hole at (10, 10).
CycleRequest Drill(int code) {
    CycleRequest r;
    r.code = code;
    r.current = {0, 0, 50};
    r.hole = {10, 10, -10};
    r.rWord = 2.0;
    r.bottomWord = -10.0;
    r.initialLevel = 50.0;
    return r;
}

TEST(CannedCycle, DrillLevelsAndReturns) {
    CycleRequest r = Drill(81);
    Expect(r, {{0, 50}, {0, 2}, {1, -10}, {0, 50}});
    r.returnLevel = 0;  // G99
    Expect(r, {{0, 50}, {0, 2}, {1, -10}, {0, 2}});
    r.current = {10, 10, 2};  // already over the hole at the R level
    r.clearance = 0.5;
    Expect(r, {{0, 1.5}, {1, -10}, {0, 2}});

    CycleRequest b = Drill(85);  // feeds back to R, then rapid up unless G99
    Expect(b, {{0, 50}, {0, 2}, {1, -10}, {1, 2}, {0, 50}});
    b.returnLevel = 0;
    Expect(b, {{0, 50}, {0, 2}, {1, -10}, {1, 2}});

    CycleRequest zx = Drill(81);  // ZX plane: the tool axis is Y
    zx.first = 2, zx.second = 0, zx.third = 1;
    zx.current = {0, 50, 0};
    zx.hole = {4, -10, 6};
    Expect(zx, {{0, 50}, {0, 2}, {1, -10}, {0, 50}});
}

TEST(CannedCycle, PeckCycles) {
    CycleRequest r = Drill(83);  // Q3 from R 2 to -7, re-approach 1 above the last depth
    r.current = {10, 10, 50};
    r.bottomWord = -7.0;
    r.q = 3.0;
    Expect(r, {{0, 2}, {1, -1}, {0, 2}, {0, 0}, {1, -4}, {0, 2}, {0, -3}, {1, -7}, {0, 50}});
    r.code = 73;
    r.g73Return = 0.5;
    Expect(r, {{0, 2}, {1, -1}, {0, -0.5}, {1, -4}, {0, -3.5}, {1, -7}, {0, 50}});
    r.clearance = 4.0;  // the approach to -2 passes the step to -1
    Expect(r, {{0, 2}, {0, -2}, {1, -4}, {0, -3.5}, {1, -7}, {0, 50}});
    r.clearance = 0.0;
    for (double q : {3.0, 0.0, -2.0, std::nan("")}) {  // run modes 2 and 3; unusable Q
        CycleRequest s = r;
        s.q = q;
        s.singleFeed = q == 3.0;
        Expect(s, {{0, 2}, {1, -7}, {0, 50}});
    }
    // Bottom above the R level: the steps go up, the retracts come down.
    r.current = {10, 10, -20};
    r.bottomWord = 8.0;
    r.initialLevel = -20.0;
    Expect(r, {{0, 2}, {1, 5}, {0, 4.5}, {1, 8}, {0, -20}});
}

TEST(CannedCycle, RepeatsPositionOnlyAndLimits) {
    // Incremental R-48 Z-12 from level 50: R level 2, bottom -10. X10 K3 from X0
    // drills at X 10, 20, 30, returning to the initial level despite G99.
    CycleRequest r = Drill(81);
    r.incremental = true;
    r.rWord = -48.0;
    r.bottomWord = -12.0;
    r.hole = {10, 0, 50};
    r.planeIncrement = {10, 0, 0};
    r.repeat = 3;
    r.returnLevel = 0;
    std::vector<QueuedMotion> out;
    ASSERT_EQ(ExpandCycle(r, out), 12u);
    const double levels[4] = {50, 2, -10, 50};
    for (std::size_t k = 0; k < 12; ++k) {
        EXPECT_EQ(out[k].end, (Point{10.0 + 10.0 * (k / 4), 0, levels[k % 4]})) << k;
        EXPECT_EQ(out[k].type, k % 4 == 2 ? kLine : kRapid) << k;
    }
    r.repeat = 0;  // K0: positioning only, nothing when already there
    Expect(r, {{0, 50}});
    r.current = {10, 0, 50};
    Expect(r, {});

    // Budget of 996: whole holes only, however large the count or small the Q.
    r.current = {0, 0, 50};
    r.repeat = INT_MAX;
    out.clear();
    EXPECT_EQ(ExpandCycle(r, out), 996u);  // 249 holes of 4 entries
    EXPECT_EQ(out.back().end, (Point{2490, 0, 50}));
    out.resize(993);
    EXPECT_EQ(ExpandCycle(Drill(81), out), 0u);
    // The re-approach 1 above each shallow depth would lie above R, so it stays
    // at R: 2 approach rapids, 496 pecks of feed and rapid, final feed, return.
    CycleRequest p = Drill(83);
    p.q = 1e-6;
    out.clear();
    ASSERT_EQ(ExpandCycle(p, out), 996u);
    EXPECT_NEAR(out[992].end[2], 2.0 - 496e-6, 1e-9);
    EXPECT_EQ(out[995].end, (Point{10, 10, 50}));

    CycleRequest nanR = Drill(81), samePlaneAxis = Drill(81);  // unusable requests append nothing
    nanR.rWord = std::nan("");
    samePlaneAxis.second = 0;
    for (const CycleRequest& bad : {nanR, samePlaneAxis, Drill(80)}) EXPECT_EQ(ExpandCycle(bad, out), 0u);
}

}  // namespace
}  // namespace morvex
