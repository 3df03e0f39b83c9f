// The row spans the sweepers look at: every node a sweeper can find within
// reach lies in its row's span, on grids fine and coarse, for reaches small
// and large, on rows that only graze the reach and for nodes that lie on
// it exactly; and the spans stay tight.
#include "sim/sweep_rows.h"
#include "sim/sweep_step_run.h"
#include "support/sweep_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace morvex {
namespace {

struct Spans {
    std::vector<double> ys;
    std::vector<int> ix0, ix1;
    explicit Spans(const WorkModel& w) : ys(w.nodeOffset.begin(), w.nodeOffset.begin() + w.ny), ix0(w.ny), ix1(w.ny) {}
    bool Holds(int ix, int iy) const { return ix0[iy] <= ix && ix <= ix1[iy]; }
};

// A grid whose nodes lie where the cases put them: centres, ends and
// reaches on whole columns half the time, so that rows graze the reach and
// nodes lie on it exactly.
double Snap(std::mt19937& random, double v, double pitch) {
    return std::uniform_int_distribution<int>(0, 1)(random) != 0 ? std::round(v / pitch) * pitch : v;
}

TEST(SweepRows, SpansHoldEveryNodeWithinReachAndLittleMore) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    long long within = 0, spanned = 0;
    for (int c = 0; c < 400; ++c) {
        const double pitch = std::pow(10.0, -2.3 + 2.6 * unit(random));  // 0.005 .. 2 mm
        const int n = 60 + static_cast<int>(80 * unit(random));
        const WorkModel w = test::SweepGrid(n, n, pitch, 0.0f);
        const double size = (n - 1) * pitch;
        double reach = Snap(random, std::max(pitch, size * (0.02 + 0.4 * unit(random))), pitch);
        if (c % 8 == 3) reach = std::round(reach / pitch) * pitch;
        double ax = Snap(random, size * unit(random), pitch), ay = Snap(random, size * unit(random), pitch);
        // Along X, along Y, slanted, or a short step.
        double bx = Snap(random, size * unit(random), pitch), by = Snap(random, size * unit(random), pitch);
        const int kind = c % 4;
        if (kind == 0) by = ay;
        if (kind == 1) bx = ax;
        if (kind == 3) bx = ax + 0.3 * pitch * unit(random), by = ay + 0.2 * pitch * unit(random);
        if (kind == 3 && c % 8 == 3) {
            // A short step ending on a node, along an axis: the nodes straight
            // ahead and beside its end lie on the reach exactly.
            bx = std::round(bx / pitch) * pitch, by = std::round(by / pitch) * pitch;
            ax = c % 16 == 3 ? bx - 0.4 * pitch * unit(random) : bx;
            ay = c % 16 == 3 ? by : by - 0.4 * pitch * unit(random);
        }
        const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
        const bool travel = l2 > 0.0;
        const double il2 = travel ? 1.0 / l2 : 0.0;

        Spans capsule(w), disc(w), around(w);
        sweep_detail::ReachRows(w, ax, ay, bx, by, reach, 0, w.lastX).Rows(capsule.ys.data(), n, capsule.ix0.data(),
                                                                          capsule.ix1.data());
        sweep_detail::ReachRows(w, ax, ay, bx, by, reach, 0, w.lastX, true)
            .Rows(around.ys.data(), n, around.ix0.data(), around.ix1.data());
        const double half = 0.5 * std::sqrt(l2);
        sweep_detail::DiscRows(w, 0.5 * (ax + bx), 0.5 * (ay + by), reach + half, 0, w.lastX, disc.ys.data(), n,
                               disc.ix0.data(), disc.ix1.data());
        for (int iy = 0; iy < n; ++iy) {
            const double y = w.nodeOffset[iy];
            const double vy = y - by, ny = y - ay;
            for (int ix = 0; ix < n; ++ix) {
                const double x = w.nodeOffset[ix];
                // As the step sweeper measures (behind the start at the end's
                // distance), and the plain distance to the segment.
                const double qStep = sweep_detail::StepDistance(x, ax, bx, dx, dy, il2, vy * vy, ny * dx, ny * dy,
                                                                true, travel);
                const double t = travel ? std::clamp(((x - ax) * dx + ny * dy) * il2, 0.0, 1.0) : 0.0;
                const double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
                const bool reached = qStep <= reach * reach || ex * ex + ey * ey <= reach * reach;
                if (capsule.Holds(ix, iy)) ++spanned;
                if (!reached) continue;
                ++within;
                ASSERT_TRUE(capsule.Holds(ix, iy)) << "case " << c << " node " << ix << "," << iy;
                ASSERT_TRUE(around.Holds(ix, iy) && around.Holds(std::max(ix - 1, 0), iy) &&
                            around.Holds(std::min(ix + 1, w.lastX), iy))
                    << "case " << c;
                if (kind == 3) {
                    ASSERT_TRUE(disc.Holds(ix, iy)) << "case " << c << " node " << ix << "," << iy;
                }
            }
        }
    }
    ASSERT_GT(within, 100000);
    // Tight: 5 % more than the nodes within reach here (slanted rows span
    // their widest chord), where a node more at either end is 11 %.
    EXPECT_LT(static_cast<double>(spanned), 1.08 * static_cast<double>(within));
}

// The box of a step straight down onto a node, on pitches that are no
// binary fractions, with the reach a whole number of pitches: the nodes on
// the reach on every side lie in the box.
TEST(SweepRows, StepBoxesHoldTheNodesOnTheReach) {
    std::mt19937 random(7);
    int onReach = 0;
    for (const double pitch : {0.1, 0.3, 0.7, 0.05, 0.15}) {
        WorkModel w = test::SweepGrid(201, 201, pitch, 10.0f);
        for (int c = 0; c < 200; ++c) {
            const int k = 2 + static_cast<int>(random() % 40);
            const ToolProfile tool = test::SweepTool(kShapeFlat, static_cast<float>(2 * k * pitch), 0.0f);
            const int cx = 50 + static_cast<int>(random() % 100), cy = 50 + static_cast<int>(random() % 100);
            const Point end{w.nodeOffset[cx], w.nodeOffset[cy], 5.0};
            const StepBox box = StepNodeBox(test::SweepContextOf(w, tool),
                                            {end[0], end[1], 6.0}, end);
            const double r2 = box.reach * box.reach;
            for (const auto& [dx, dy] : {std::pair{k, 0}, std::pair{-k, 0}, std::pair{0, k}, std::pair{0, -k}}) {
                const int ix = cx + dx, iy = cy + dy;
                const double vx = w.nodeOffset[ix] - end[0], vy = w.nodeOffset[iy] - end[1];
                if (!(vx * vx + vy * vy <= r2)) continue;
                ++onReach;
                EXPECT_TRUE(box.ixBegin <= ix && ix < box.ixEnd && box.iyBegin <= iy && iy < box.iyEnd)
                    << "pitch " << pitch << " k " << k << " node " << ix << "," << iy;
            }
        }
    }
    EXPECT_GT(onReach, 1000);
}


// A flat tool's long runs skip the distance of the nodes well within reach:
// steps of every kind (short and long, rising, level, descending, straight
// down, along X, along Y, just off Y, where a start line nearly follows
// the rows, travels too short to square) lower the same nodes to the same heights, with the same
// attributes, classes and loads, as the node by node path a measuring
// check forces.
TEST(SweepRows, FlatRunsLowerAsTheNodeByNodePath) {
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const double pitch : {0.1, 0.07}) {
        WorkModel fast = test::SweepGrid(141, 141, pitch, 10.0f);
        for (std::uint32_t i = 0; i < fast.cellCount; ++i) {
            fast.heightA[i] = static_cast<float>(9.5 + 0.4 * std::sin(i % 141 * 0.05) * std::cos(i / 141 * 0.04));
        }
        WorkModel slow = fast;
        for (WorkModel* w : {&fast, &slow}) {
            w->height = w->heightA.data();
            w->attr = w->attrA.data();
            w->lineNo = w->lineNumbers.data();
        }
        const double size = 140 * pitch;
        const ToolProfile tool = test::SweepTool(kShapeFlat, 4.0f + 2.0f * static_cast<float>(pitch), 0.0f);
        std::vector<std::pair<Point, Point>> steps;
        for (int c = 0; c < 1500; ++c) {
            const Point p0{2.5 + (size - 5.0) * unit(random), 2.5 + (size - 5.0) * unit(random),
                           9.9 - 2.0 * c / 1500.0 - 0.3 * unit(random)};
            const double length = unit(random) < 0.7 ? 0.02 + 0.3 * unit(random) : 1.0 + 2.0 * unit(random);
            double angle = 2.0 * 3.14159265358979 * unit(random);
            const int kind = c % 6;
            if (kind == 1) angle = 0.5 * 3.14159265358979;  // along Y
            if (kind == 2) angle = 0.5 * 3.14159265358979 + 1e-9;  // just off Y
            if (kind == 3) angle = 0.0;  // along X
            const double reach = kind == 4 ? 0.0 : length;  // straight up or down
            const double rise = (unit(random) - 0.6) * 0.5;
            steps.push_back({p0, {p0[0] + reach * std::cos(angle), p0[1] + reach * std::sin(angle),
                                  c % 5 == 0 ? p0[2] : p0[2] + rise}});
        }
        // Travels too short to square, starting on the grid's first column or row.
        steps.push_back({{0, 5, 7}, {1e-200, 5, 7}});
        steps.push_back({{3, 0, 6.5}, {3, 1e-200, 6.5}});
        int cuts = 0;
        for (std::size_t c = 0; c < steps.size(); ++c) {
            const auto& [p0, p1] = steps[c];
            SweepContext plain = test::SweepContextOf(fast, tool);
            SweepContext measuring = test::SweepContextOf(slow, tool);
            plain.sumLoad = measuring.sumLoad = true;
            measuring.lengthMode = 1;
            SweepFlags a, b;
            SweepStep(plain, p0, p1, a);
            SweepStep(measuring, p0, p1, b);
            ASSERT_EQ(std::tuple(a.cutDone, a.stepClass), std::tuple(b.cutDone, b.stepClass)) << "step " << c;
            // The node path snaps each node's load term to 2^-36, the run
            // path each row's sum: up to half a unit apart per node met.
            const double across = 6.0 + 2.0 * std::hypot(p1[0] - p0[0], p1[1] - p0[1]);
            const double nodes = (across / pitch + 2.0) * (across / pitch + 2.0);
            ASSERT_NEAR(a.loadVolume, b.loadVolume, 1e-9 * (1.0 + b.loadVolume) + nodes * std::ldexp(1.0, -37))
                << "step " << c;
            cuts += a.cutDone;
        }
        EXPECT_GT(cuts, 400);
        EXPECT_EQ(fast.heightA, slow.heightA) << pitch;
        EXPECT_EQ(fast.attrA, slow.attrA) << pitch;
        EXPECT_EQ(fast.lineNumbers, slow.lineNumbers) << pitch;
    }
}

}  // namespace
}  // namespace morvex
