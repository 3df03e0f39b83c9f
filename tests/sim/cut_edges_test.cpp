// The marks at the edges of cuts written off their place, against the
// distance of every node from the path.
#include "sim/cut_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim/work_model.h"

namespace morvex {
namespace {

// A work of sx x sy x 10 at a pitch of 0.25.
DefineWorkStatus DefineTestWork(WorkModel& w, double sx, double sy) {
    PitchSettings pitch;
    pitch.workPitch = 0.25;
    return DefineBoxWork(w, BoxRequest{0, 0, 0, sx, sy, 10}, pitch, kDataLevelMinimal);
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
    const double t = l2 > 0.0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// Every node within the shift of the cutter's edge, or up to a pitch
// inside, is marked; none well inside the cut, none well beyond it; paths
// of every direction, a plunge, and paths running off the work.
TEST(CutEdges, MarksTheNodesNearTheEdgeOfTheCutOnly) {
    WorkModel w;
    ASSERT_EQ(DefineTestWork(w, 30, 20), DefineWorkStatus::Ok);
    const double reach = 3.0, shift = 0.0007;
    struct Path {
        double ax, ay, bx, by;
    };
    const Path paths[] = {{5.0, 5.0, 25.0, 5.0},
                          {10.0, 2.0, 10.0, 18.0},
                          {4.1, 3.3, 26.7, 15.2},
                          {26.7, 3.3, 4.1, 15.2},
                          {15.0004, 9.9996, 15.0004, 9.9996},
                          {-2.0, -1.0, 8.0, 28.0},
                          {12.3, 7.7, 12.31, 7.71}};
    for (const Path& p : paths) {
        CutEdgeMarks marks;
        MarkCutEdges(marks, w, p.ax, p.ay, p.bx, p.by, reach, shift);
        int marked = 0, wrong = 0;
        for (int iy = 0; iy <= w.lastY; ++iy) {
            for (int ix = 0; ix <= w.lastX; ++ix) {
                const double d =
                    SegmentDistance(ix * w.pitch, iy * w.pitch, p.ax, p.ay, p.bx, p.by);
                const bool m = EdgeMarked(marks, ix, iy);
                marked += m ? 1 : 0;
                const bool must = d >= reach - shift - w.pitch + 1e-9 && d <= reach + shift - 1e-9;
                const bool never =
                    d < reach - shift - w.pitch - 1e-9 || d > reach + shift + w.pitch;
                if ((must && !m) || (never && m)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << p.ax << "," << p.ay << " .. " << p.bx << "," << p.by;
        EXPECT_GT(marked, 0);
    }
    // Outside the work, and on an empty set of marks: nothing.
    CutEdgeMarks none;
    EXPECT_FALSE(EdgeMarked(none, 0, 0));
    MarkCutEdges(none, w, 1.0e9, 1.0e9, 1.0e9, 1.0e9, reach, shift);
    EXPECT_FALSE(EdgeMarked(none, -1, 0));
    EXPECT_FALSE(EdgeMarked(none, w.lastX, w.lastY));
    MarkCutEdges(none, w, 5.0, 5.0, std::nan(""), 5.0, reach, shift);
    EXPECT_EQ(std::count_if(none.bits.begin(), none.bits.end(), [](auto b) { return b != 0; }), 0);
}

// What skipped cuts leave standing: every node within the reach of a
// marked path keeps the highest top marked over it, no node beyond it is
// marked; a query finds the highest mark within its reach of the path, or
// of the whole rectangle between its ends for a rapid that moves each
// axis on its own.
TEST(CutEdges, LeftStandingKeepsTheHighestCutSkippedWithinReach) {
    WorkModel w;
    ASSERT_EQ(DefineTestWork(w, 30, 20), DefineWorkStatus::Ok);
    const double reach = 3.0;
    LeftStanding left;
    EXPECT_EQ(LeftStandingTop(left, w, 0, 0, 30, 20, reach), -std::numeric_limits<double>::infinity());
    MarkLeftStanding(left, w, 5.0, 5.0, 25.0, 5.0, reach, 2.0f);
    MarkLeftStanding(left, w, 10.0, 2.0, 10.0, 18.0, reach, 6.0f);
    MarkLeftStanding(left, w, 20.0, 15.0, 20.0, 15.0, reach, 1.0f);  // a plunge
    MarkLeftStanding(left, w, 5.0, 5.0, std::nan(""), 5.0, reach, 9.0f);  // ignored
    int wrong = 0;
    for (int iy = 0; iy <= w.lastY; ++iy) {
        for (int ix = 0; ix <= w.lastX; ++ix) {
            const double x = ix * w.pitch, y = iy * w.pitch;
            const double d1 = SegmentDistance(x, y, 5.0, 5.0, 25.0, 5.0);
            const double d2 = SegmentDistance(x, y, 10.0, 2.0, 10.0, 18.0);
            const double d3 = std::hypot(x - 20.0, y - 15.0);
            float want = -std::numeric_limits<float>::infinity();
            if (d1 <= reach - 1e-9) want = std::max(want, 2.0f);
            if (d2 <= reach - 1e-9) want = std::max(want, 6.0f);
            if (d3 <= reach - 1e-9) want = std::max(want, 1.0f);
            const bool edge = std::fabs(d1 - reach) < 1e-6 || std::fabs(d2 - reach) < 1e-6 || std::fabs(d3 - reach) < 1e-6;
            const float got = left.top[static_cast<std::size_t>(iy) * static_cast<std::size_t>(w.nx) +
                                       static_cast<std::size_t>(ix)];
            if (!edge && got != want) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    // Queries: beside the slot, over it, across the plunge, far away.
    EXPECT_EQ(LeftStandingTop(left, w, 2.0, 12.0, 2.0, 12.0, 1.0), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeftStandingTop(left, w, 15.0, 9.5, 25.0, 9.5, 1.0), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeftStandingTop(left, w, 15.5, 9.5, 25.0, 9.5, 2.0), 2.0);  // reaches y 7.5 and below
    EXPECT_EQ(LeftStandingTop(left, w, 2.0, 12.0, 28.0, 12.0, 0.5), 6.0);
    EXPECT_EQ(LeftStandingTop(left, w, 17.0, 19.0, 23.0, 19.0, 1.5), 1.0);
    // A rapid from (12, 16) to (28, 9) passes a plunge of reach 1 at
    // (20, 10) 2.29 away; the rectangle between its ends holds it.
    LeftStanding plunge;
    MarkLeftStanding(plunge, w, 20.0, 10.0, 20.0, 10.0, 1.0, 1.0f);
    EXPECT_EQ(LeftStandingTop(plunge, w, 12.0, 16.0, 28.0, 9.0, 0.2), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeftStandingTop(plunge, w, 12.0, 16.0, 28.0, 9.0, 0.2, false), 1.0);
    // Another work's marks are none of this one's.
    WorkModel other;
    ASSERT_EQ(DefineTestWork(other, 10, 10), DefineWorkStatus::Ok);
    EXPECT_EQ(LeftStandingTop(left, other, 0, 0, 10, 10, reach), -std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace morvex
