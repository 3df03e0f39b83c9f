// The marks at the edges of cuts written off their place, against the
// distance of every node from the path.
#include "sim/cut_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sim/work_model.h"

namespace morvex {
namespace {

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
    PitchSettings pitch;
    pitch.workPitch = 0.25;
    ASSERT_EQ(DefineBoxWork(w, BoxRequest{0, 0, 0, 30, 20, 10}, pitch, kDataLevelMinimal),
              DefineWorkStatus::Ok);
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

}  // namespace
}  // namespace morvex
