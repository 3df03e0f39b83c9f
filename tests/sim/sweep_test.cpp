// The cut left by the sweepers against closed formulas: a flat slot's
// volume, a swept ball, a full circle's annulus, row strips bit
// for bit, step counts and the cutting directions of a slot.
#include "sim/cut_motion.h"
#include "sim/sweep_node.h"
#include "sim/sweep_rows.h"
#include "sim/sweep_workers.h"
#include "support/progress_watchdog.h"
#include "support/sweep_grid.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

namespace morvex {
namespace {

constexpr double kTop = 10.0;
constexpr float kTopF = static_cast<float>(kTop);

WorkModel MakeWork(int nx, int ny, double pitch) { return test::SweepGrid(nx, ny, pitch, kTopF); }

ToolProfile Tool(int shape, float d, float r, float h = 30.0f, int pen = 3, float alpha = 0.0f, float beta = 0.0f) {
    return test::SweepTool(shape, d, r, h, pen, alpha, beta);
}

SweepContext Context(WorkModel& w, const ToolProfile& t) { return test::SweepContextOf(w, t); }

SweepMotionInput Line(Point p0, Point p1) { return test::LineMotion(p0, p1); }

// A counter-clockwise arc starting along +X from the centre.
SweepMotionInput Arc(Point centre, Point p0, Point p1, double r0, double r1, double sweep) {
    SweepMotionInput arc;
    arc.type = kArcCcw;
    arc.centre = centre;
    arc.p0 = p0;
    arc.p1 = p1;
    arc.startDir = {1, 0, 0};
    arc.startRadius = r0;
    arc.endRadius = r1;
    arc.sweep = sweep;
    arc.arcLength = 0.5 * (r0 + r1) * sweep;
    return arc;
}

// A copy of w whose height, attribute and line views are its own arrays.
WorkModel CopyOf(const WorkModel& w) {
    WorkModel copy = w;
    copy.height = copy.heightA.data();
    copy.attr = copy.attrA.data();
    copy.lineNo = copy.lineNumbers.data();
    return copy;
}

// A 91 x 81 grid at 0.2 mm: smooth below the middle (long runs of nodes
// above a tool), rough above it (short runs).
WorkModel MixedGround() {
    WorkModel w = MakeWork(91, 81, 0.2);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        const double ix = i % 91, iy = i / 91;
        w.height[i] = static_cast<float>(iy < 40 ? 8.5 + std::sin(ix * 0.11) * std::cos(iy * 0.07)
                                                 : 8.5 + std::sin(i * 0.37) + 0.5 * std::cos(i * 0.011));
    }
    return w;
}

double Removed(const WorkModel& w) {
    double v = 0.0;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) v += (kTop - w.height[i]) * w.pitch * w.pitch;
    return v;
}

TEST(Sweep, FlatSlotAlongXOrYRemovesItsVolume) {
    const ToolProfile flat = Tool(kShapeFlat, 10.0f, 0.0f);
    // (L * d + pi r^2) * depth; each node stands for a cell of pitch^2, so
    // the error is bounded by the outline's length times pitch times depth.
    const double want = (30.0 * 10.0 + kPi * 25.0) * 2.0;
    const double bound = (2.0 * 30.0 + 2.0 * kPi * 5.0) * 0.2 * 2.0;
    for (const bool alongY : {false, true}) {
        WorkModel w = alongY ? MakeWork(201, 301, 0.2) : MakeWork(301, 201, 0.2);
        const SweepContext ctx = Context(w, flat);
        auto at = [&](double along, double across) {  // slot coordinates
            return alongY ? Point{across, along, 0} : Point{along, across, 0};
        };
        auto height = [&](int along, int across) {
            return w.height[alongY ? NodeIndex(w, across, along) : NodeIndex(w, along, across)];
        };
        SweepFlags flags;
        const Point a = at(10, 20), b = at(40, 20);
        ASSERT_EQ(CutMotion(ctx, Line({a[0], a[1], 12}, {a[0], a[1], 8}), CutOptions{}, flags), 1);
        ASSERT_EQ(CutMotion(ctx, Line({a[0], a[1], 8}, {b[0], b[1], 8}), CutOptions{}, flags), 1);
        EXPECT_EQ(flags.cutDone, 1);
        EXPECT_NEAR(Removed(w), want, bound) << alongY;
        EXPECT_EQ(height(100, 100), 8.0f) << alongY;   // on the path
        EXPECT_EQ(height(25, 100), 8.0f) << alongY;    // the round start
        EXPECT_EQ(height(24, 100), kTopF) << alongY;   // 5.2 before the start
        EXPECT_EQ(height(100, 124), 8.0f) << alongY;   // 4.8 off the line
        EXPECT_EQ(height(100, 126), kTopF) << alongY;  // 5.2 off it
        EXPECT_EQ(w.lineNo[NodeIndex(w, 100, 100)], 7);
    }
}

// A full circle leaves an annulus; a quarter arc cuts the ring alongside it,
// past its end only the end disc, and nothing behind its start.
TEST(Sweep, ArcsCutTheirRingAndTheEndDisc) {
    {
        WorkModel w = MakeWork(301, 201, 0.2);
        const ToolProfile flat = Tool(kShapeFlat, 6.0f, 0.0f);
        SweepMotionInput circle = Arc({30, 20, 8}, {45, 20, 8}, {45, 20, 8}, 15.0, 15.0, 2.0 * kPi);
        SweepFlags flags;
        ASSERT_EQ(SweepMotion(Context(w, flat), circle, flags), 1);
        for (int iy = 0; iy < w.ny; ++iy) {
            for (int ix = 0; ix < w.nx; ++ix) {
                const double off = std::fabs(std::hypot(ix * 0.2 - 30, iy * 0.2 - 20) - 15.0);
                const float h = w.height[NodeIndex(w, ix, iy)];
                if (off < 3.0 - 1e-9) {
                    ASSERT_EQ(h, 8.0f) << ix << "," << iy;
                }
                if (off > 3.0 + 1e-9) {
                    ASSERT_EQ(h, kTopF) << ix << "," << iy;
                }
            }
        }
    }
    WorkModel w = MakeWork(301, 301, 0.2);
    const ToolProfile flat = Tool(kShapeFlat, 4.0f, 0.0f);
    SweepFlags flags;
    ASSERT_EQ(SweepMotion(Context(w, flat), Arc({30, 30, 8}, {45, 30, 8}, {30, 45, 8}, 15.0, 15.0, 0.5 * kPi), flags),
              1);
    auto at = [&](double angleDeg, double radius) {
        const double a = angleDeg * kPi / 180.0;
        const int ix = static_cast<int>(std::lround((30 + radius * std::cos(a)) / 0.2));
        const int iy = static_cast<int>(std::lround((30 + radius * std::sin(a)) / 0.2));
        return w.height[NodeIndex(w, ix, iy)];
    };
    EXPECT_EQ(at(45, 16.6), 8.0f);
    EXPECT_EQ(at(45, 17.4), kTopF);  // beyond the tool's radius of 2
    EXPECT_EQ(at(95, 15), 8.0f);     // the end disc: 1.3 from p1
    EXPECT_EQ(at(105, 15), kTopF);   // 3.9 from p1
    EXPECT_EQ(at(-5, 15), kTopF);    // behind the start
}

// A spiral is stepped, not swept as a circle: a node beside its start that
// the tool passes within its radius is cut although it lies "behind" the
// start direction.
TEST(Sweep, SpiralArcsAreSteppedAndFarMotionsEndAtOnce) {
    WorkModel w = MakeWork(151, 151, 0.2);
    const ToolProfile flat = Tool(kShapeFlat, 10.0f, 0.0f);
    const SweepContext ctx = Context(w, flat);
    const SweepMotionInput arc =
        Arc({15.013, 15.029, 7}, {25.013, 15.029, 7}, {15.013, 20.029, 7}, 10.0, 5.0, 0.5 * kPi);
    CutOptions options;
    options.movingPitch = 0.05;
    SweepFlags flags;
    ASSERT_EQ(CutMotion(ctx, Line({25.013, 15.029, 12}, arc.p0), options, flags), 1);
    ASSERT_EQ(CutMotion(ctx, arc, options, flags), 1);
    // At 0.1 rad the tool stands at radius 10 - 5 * 0.1 / (pi / 2), 4.98 from (20, 14.2).
    EXPECT_EQ(w.height[NodeIndex(w, 100, 71)], 7.0f);

    // A scribing motion far off the grid touches nothing and ends at once.
    const ToolProfile marker = Tool(kShapeKegaki, 1.0f, 0.0f, 0.5f);
    SweepFlags none;
    CutMotion(Context(w, marker), Line({1e12, 5, 5}, {2e12, 5, 5}), CutOptions{}, none);
    EXPECT_EQ(none.cutDone, 0);
}

// A ball plunged at p0 (a sphere) and then moved along an inclined line
// leaves at every node the lowest point of the balls along the path:
// compared with a dense sampling of the ball positions.
TEST(Sweep, InclinedBallLineLeavesTheLowestPointOfTheSweptBall) {
    // A long shallow ramp, short steep ones along +X and -X (the end ball
    // covers most of their nodes), one mostly along Y that climbs and one
    // exactly along -Y that descends (nodes behind the start are skipped by
    // the side of the travel they lie on).
    const std::pair<Point, Point> lines[] = {
        {{8, 9, 8.5}, {31, 21, 6.2}},
        {{15, 15, 8.0}, {15.5, 15, 7.6}},
        {{25, 12, 7.0}, {24.2, 12.3, 8.1}},
        {{10, 5, 6.5}, {11.5, 20, 8.8}},
        {{20, 25, 8.0}, {20, 16, 6.9}},
    };
    for (const auto& [p0, p1] : lines) {
        WorkModel w = MakeWork(201, 151, 0.2);
        const ToolProfile ball = Tool(kShapeBall, 6.0f, 3.0f);
        const SweepContext ctx = Context(w, ball);
        SweepFlags flags;
        ASSERT_EQ(CutMotion(ctx, Line({p0[0], p0[1], 12}, p0), CutOptions{}, flags), 1);
        ASSERT_EQ(SweepMotion(ctx, Line(p0, p1), flags), 1);
        constexpr int kSamples = 20000;
        for (int iy = 0; iy < w.ny; iy += 2) {
            for (int ix = 0; ix < w.nx; ix += 2) {
                const double x = ix * 0.2, y = iy * 0.2;
                if (x < std::min(p0[0], p1[0]) - 3.2 || x > std::max(p0[0], p1[0]) + 3.2 ||
                    y < std::min(p0[1], p1[1]) - 3.2 || y > std::max(p0[1], p1[1]) + 3.2) {
                    continue;
                }
                double lowest = kTop;
                for (int i = 0; i <= kSamples; ++i) {
                    const double t = static_cast<double>(i) / kSamples;
                    const double cx = p0[0] + t * (p1[0] - p0[0]), cy = p0[1] + t * (p1[1] - p0[1]);
                    const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                    if (d2 <= 9.0) lowest = std::min(lowest, p0[2] + t * (p1[2] - p0[2]) + 3.0 - std::sqrt(9.0 - d2));
                }
                // Sampling finds the lowest point from above, within the sampling step.
                const float h = w.height[NodeIndex(w, ix, iy)];
                ASSERT_LE(h, static_cast<float>(lowest) + 1e-5f) << ix << "," << iy << " line " << p1[0];
                ASSERT_GE(h, static_cast<float>(lowest) - 2e-3f) << ix << "," << iy << " line " << p1[0];
            }
        }
    }
}

// A ball reaches no further than its radius, rounding or not: lines along
// Y over grid columns exactly a radius away (where the lowest point of the
// swept ball is its equator), with the arbor check set to abort, raise no
// interference of the parts beyond the flank and leave no paint mark.
TEST(Sweep, InclinedBallLineNeverMeetsNodesBeyondItsFlank) {
    const std::pair<Point, Point> lines[] = {
        {{44.7, 14.5, 7.3}, {44.7, 43.8, 1.3}},  // descending along +Y
        {{44.6, 21.7, 7.9}, {44.6, 12.1, 5.1}},  // descending along -Y
        {{25.0, 5.0, 2.7}, {30.8, 5.0, 8.9}},    // rising along +X
        {{21.9, 7.1, 7.0}, {14.5, 7.1, 1.0}},    // descending along -X
    };
    for (const auto& [p0, p1] : lines) {
        WorkModel w = MakeWork(501, 501, 0.1);
        const ToolProfile ball = Tool(kShapeBall, 6.0f, 3.0f);
        SweepContext ctx = Context(w, ball);
        ctx.arborMode = kArborAbort;
        SweepFlags flags;
        ASSERT_EQ(SweepMotion(ctx, Line(p0, p1), flags), 1);
        EXPECT_EQ(std::tuple(flags.taperHit, flags.holderHit, flags.attachmentHit, flags.painted), std::tuple(0, 0, 0, 0))
            << p0[0] << "," << p0[1] << " -> " << p1[0] << "," << p1[1];
        EXPECT_EQ(flags.cutDone, 1);
        std::size_t marked = 0;
        for (const std::uint8_t a : w.attrA) marked += (a & kAttrPaint) != 0 ? 1 : 0;
        EXPECT_EQ(marked, 0u);
    }
}

// Strips on worker threads write only their own rows: marks on a
// neighbouring strip's rows wait until the strips have joined, and the
// result equals one strip's.
TEST(Sweep, StripsOnThreadsMarkTheSameAsOneStrip) {
    const ToolProfile flat = Tool(kShapeFlat, 10.0f, 0.0f);
    WorkModel one = MakeWork(151, 151, 0.2);
    WorkModel four = MakeWork(151, 151, 0.2);
    const Point p0{5, 7, 9.5}, p1{25.3, 21.1, 7.25};
    SweepContext single = Context(one, flat);
    single.markPaint = true;  // a rapid into the material marks every lowered node and its neighbours
    SweepFlags a;
    SweepStep(single, p0, p1, a);
    SweepContext ctx = Context(four, flat);
    ctx.markPaint = true;
    const StepBox box = StepNodeBox(ctx, p0, p1);
    const int rows = box.iyEnd - box.iyBegin;
    std::vector<SweepFlags> strips(4);
    std::vector<std::thread> workers;
    for (int s = 0; s < 4; ++s) {
        workers.emplace_back([&, s] {
            SweepStepRows(ctx, p0, p1, box, box.iyBegin + rows * s / 4, box.iyBegin + rows * (s + 1) / 4, strips[s]);
        });
    }
    for (std::thread& t : workers) t.join();
    SweepFlags b;
    for (const SweepFlags& f : strips) MergeSweepFlags(b, f);
    EXPECT_FALSE(b.deferredPaint.empty());
    ApplyDeferredPaint(four, b);
    EXPECT_EQ(one.heightA, four.heightA);
    EXPECT_EQ(one.attrA, four.attrA);
    EXPECT_EQ(a.stepClass, b.stepClass);
    EXPECT_EQ(one.attr[NodeIndex(one, 50, 50)] & kAttrPaint, kAttrPaint);
}

// The hand-over between the caller and the workers: 200,000 steps and
// whole motions over restarts with 1, 2 and 4 workers, under a watchdog
// that ends the process when no hand-over has finished for 10 s rather
// than let a lost wake-up hang the suite; the work comes out as one thread
// cuts it, bit for bit.
TEST(Sweep, WorkerHandOverNeverHangsAndCutsLikeOneThread) {
    test::ProgressWatchdog watchdog("a worker hand-over hung after %lld motions");
    // Small boxes (21 rows: enough for 5 strips of 4) and many jobs: one,
    // two and four workers, started and stopped again and again.
    const ToolProfile flat = Tool(kShapeFlat, 4.0f, 0.0f);
    WorkModel one = MakeWork(101, 101, 0.2);
    WorkModel many = MakeWork(101, 101, 0.2);
    const SweepContext single = Context(one, flat);
    const SweepContext shared = Context(many, flat);
    const ToolProfile ball = Tool(kShapeBall, 4.0f, 2.0f);
    const SweepContext singleBall = Context(one, ball);
    const SweepContext sharedBall = Context(many, ball);
    SweepWorkers workers;
    int steps = 0, onWorkers = 0;
    long long handOvers = 0;
    for (int round = 0; round < 60; ++round) {
        handOvers += workers.handOvers;
        workers.handOvers = 0;
        constexpr int kStrips[] = {2, 3, 5};
        StartWorkers(workers, kStrips[round % 3]);
        for (int i = 0; i < 3400; ++i, ++steps) {
            // A zig-zag sinking slowly: every step takes fresh material.
            const double t = steps;
            const Point p0{2 + std::fmod(t * 0.37, 16.0), 2 + std::fmod(t * 0.53, 16.0), 9.9 - t * 0.00002};
            const Point p1{2 + std::fmod(t * 0.71, 16.0), 2 + std::fmod(t * 0.29, 16.0), 9.9 - t * 0.00002};
            SweepFlags a, b;
            if (i % 10 == 9) {
                // Now and then a ball's inclined line, swept whole.
                SweepMotionInput m;
                m.p0 = p0;
                m.p1 = p1;
                m.p1[2] -= 0.5;
                const int whole = SweepMotion(singleBall, m, a);
                onWorkers += SweepMotionOnWorkers(workers, sharedBall, m, b) == whole ? 1 : 0;
                ASSERT_EQ(a.cutDone, b.cutDone) << steps;
                continue;
            }
            SweepStep(single, p0, p1, a);
            onWorkers += SweepStepOnWorkers(workers, shared, p0, p1, b) ? 1 : 0;
            ASSERT_EQ(std::tuple(a.cutDone, a.stepClass), std::tuple(b.cutDone, b.stepClass)) << steps;
            if (i % 100 == 0) watchdog.Progress(steps);
        }
        if (round % 2 == 1) StopWorkers(workers);
    }
    StopWorkers(workers);
    handOvers += workers.handOvers;
    EXPECT_EQ(onWorkers, steps);
    EXPECT_GE(handOvers, 200'000);
    EXPECT_EQ(one.heightA, many.heightA);
    EXPECT_EQ(one.attrA, many.attrA);
    EXPECT_EQ(one.lineNumbers, many.lineNumbers);
}

// Loads do not depend on how many threads sweep: motions swept whole and a
// motion's steps handed over at once, over an uneven top, give the same
// volume and torque sums, bit for bit, on the calling thread alone and on
// 2, 3 and 5 strips (the bands add their rows in another order).
TEST(Sweep, LoadsAreTheSameForAnyNumberOfThreads) {
    const ToolProfile tools[] = {Tool(kShapeFlat, 6.0f, 0.0f), Tool(kShapeBall, 6.0f, 3.0f)};
    const SweepMotionInput motions[] = {
        Line({3, 4.1, 8.7}, {27, 4.1, 8.7}),       // along X
        Line({4, 3, 9.2}, {26.3, 25.7, 8.1}),      // descending, slanted
        Arc({15, 15, 8.4}, {24, 15, 8.4}, {15, 24, 8.4}, 9.0, 9.0, 1.5707963267948966),
    };
    constexpr int kStrips[] = {1, 2, 3, 5};
    std::vector<std::array<double, 2>> loads[4];
    for (int k = 0; k < 4; ++k) {
        // The same uneven top for every count: the terms of each row are
        // alike, only the order the rows are added in differs.
        WorkModel w = MakeWork(151, 151, 0.2);
        std::mt19937 random(7);
        for (float& h : w.heightA) h = 9.0f + 1.0f * std::generate_canonical<float, 24>(random);
        SweepWorkers workers;
        if (kStrips[k] > 1) StartWorkers(workers, kStrips[k]);
        for (const ToolProfile& tool : tools) {
            SweepContext ctx = Context(w, tool);
            ctx.sumLoad = true;
            ctx.torque = true;
            for (const SweepMotionInput& m : motions) {
                SweepFlags whole;
                if (kStrips[k] > 1) SweepMotionOnWorkers(workers, ctx, m, whole);
                else SweepMotion(ctx, m, whole);
                loads[k].push_back({whole.loadVolume, whole.loadTorque});
            }
            // A line's steps, each with its own loads.
            std::vector<Point> points;
            for (int i = 0; i <= 40; ++i) points.push_back({4.0 + 0.55 * i, 20.0 - 0.3 * i, 7.9});
            SweepFlags steps;
            std::vector<ClassFold> folds;
            if (kStrips[k] > 1) SweepStepsOnWorkers(workers, ctx, points, steps, false, &folds);
            else SweepStepsHere(ctx, points, steps, false, &folds);
            for (const ClassFold& f : folds) loads[k].push_back({f.loadVolume, f.loadTorque});
            loads[k].push_back({steps.loadVolume, steps.loadTorque});
        }
        StopWorkers(workers);
    }
    ASSERT_EQ(loads[0].size(), 2u * (3 + 40 + 1));
    EXPECT_GT(loads[0][0][0], 10.0);
    for (int k = 1; k < 4; ++k) {
        for (std::size_t i = 0; i < loads[0].size(); ++i) {
            EXPECT_EQ(loads[k][i][0], loads[0][i][0]) << kStrips[k] << " strips, load " << i;
            EXPECT_EQ(loads[k][i][1], loads[0][i][1]) << kStrips[k] << " strips, load " << i;
        }
    }
}

// A motion's steps handed to the workers at once, and a descending line's
// steps swept last first, leave every node as single steps taken in order
// do: heights, attributes (cutting side included), line numbers, class;
// and the row loops of plain steps as the node by node path (which a
// measuring check forces) does.
TEST(Sweep, BatchedAndBackwardStepsCutLikeSingleSteps) {
    const ToolProfile tools[] = {Tool(kShapeFlat, 6.0f, 0.0f), Tool(kShapeBull, 6.0f, 1.0f),
                                 Tool(kShapeBall, 6.0f, 3.0f)};
    const SweepMotionInput lines[] = {
        Line({2, 5, 9.5}, {14, 5, 7.0}),      // descending along X
        Line({3, 3, 7.5}, {13.7, 11.1, 9.8}),  // ascending, slanted
        Line({15, 13, 9.9}, {4.3, 2.9, 6.1}),  // descending, slanted back
        Line({8, 8, 9.5}, {8.05, 8.02, 6.0}),  // a near plunge
        Line({6, 12, 9.9}, {6, 12, 6.2}),      // a plunge: its lowest step alone cuts
        Line({11, 4, 6.4}, {11, 4, 9.7}),      // straight up from within the material
    };
    SweepWorkers workers;
    StartWorkers(workers, 3);
    for (const ToolProfile& tool : tools) {
        WorkModel reference = MixedGround();
        WorkModel alone = CopyOf(reference), shared = CopyOf(reference), nodeByNode = CopyOf(reference);
        for (const SweepMotionInput& m : lines) {
            CutOptions options;
            options.movingPitch = 0.3;
            options.alwaysStep = true;
            SweepFlags expected, a, b;
            const long long n = StepCount(std::hypot(m.p1[0] - m.p0[0], m.p1[1] - m.p0[1], m.p1[2] - m.p0[2]), options);
            Point from = m.p0;
            for (long long i = 1; i <= n; ++i) {
                const Point to = i == n ? m.p1 : MotionPointAt(m, static_cast<double>(i) / static_cast<double>(n));
                SweepStep(Context(reference, tool), from, to, expected);
                SweepContext measuring = Context(nodeByNode, tool);
                measuring.lengthMode = 1;
                SweepFlags unused;
                SweepStep(measuring, from, to, unused);
                from = to;
            }
            CutMotion(Context(alone, tool), m, options, a);
            options.workers = &workers;
            CutMotion(Context(shared, tool), m, options, b);
            for (const SweepFlags* f : {&a, &b}) {
                EXPECT_EQ(std::tuple(f->cutDone, f->stepClass), std::tuple(expected.cutDone, expected.stepClass))
                    << tool.shape << " line from " << m.p0[0];
            }
        }
        for (const WorkModel* w : {&alone, &shared, &nodeByNode}) {
            EXPECT_EQ(w->heightA, reference.heightA) << tool.shape;
            EXPECT_EQ(w->attrA, reference.attrA) << tool.shape;
            EXPECT_EQ(w->lineNumbers, reference.lineNumbers) << tool.shape;
        }
    }
}

// An observer that only looks gets the steps swept together, each with its
// own cut flag, class, load sums and the highest material it cut, on one
// thread or on workers: the same as sweeping the steps one by one, and the
// same heights. One by one, the highest cut is what the step's lowered
// nodes stood at before it; a motion swept whole tells it for the motion.
TEST(Sweep, ObservedStepsSweptTogetherReportTheirOwnLoads) {
    const ToolProfile tool = Tool(kShapeFlat, 6.0f, 0.0f);
    const SweepMotionInput lines[] = {Line({2, 5, 9.5}, {14, 5, 7.0}), Line({3, 3, 7.5}, {13.7, 11.1, 9.8}),
                                      Line({15, 13, 8.9}, {4.3, 2.9, 8.1}), Line({9, 9, 7.7}, {9, 9, 9.9}),
                                      Line({6, 12, 9.9}, {6, 12, 7.1})};
    SweepWorkers workers;
    StartWorkers(workers, 2);
    struct Told {
        int cut, cls;
        double volume, torque;
        Point end;
        float highest;
    };
    const float none = -std::numeric_limits<float>::infinity();
    // The highest height a node stood at in `before` where `after` is lower.
    auto highestLowered = [none](const std::vector<float>& before, const WorkModel& after) {
        float highest = none;
        for (std::uint32_t i = 0; i < after.cellCount; ++i) {
            if (after.height[i] < before[i]) highest = std::max(highest, before[i]);
        }
        return highest;
    };
    int checked = 0;
    auto run = [&](WorkModel& w, bool together, SweepWorkers* on) {
        std::vector<Told> told;
        std::vector<float> before(w.height, w.height + w.cellCount);
        for (const SweepMotionInput& m : lines) {
            CutOptions options;
            options.movingPitch = 0.3;
            options.observeOnly = together;
            options.workers = on;
            options.afterStep = [&](const SweepFlags& f, double, const Point& end) {
                told.push_back({f.cutDone, f.stepClass, f.loadVolume, f.loadTorque, end, f.highestCut});
                if (!together) {
                    EXPECT_EQ(f.highestCut, highestLowered(before, w)) << "step " << told.size();
                    checked += f.cutDone;
                    before.assign(w.height, w.height + w.cellCount);
                }
                return true;
            };
            SweepContext ctx = Context(w, tool);
            ctx.sumLoad = true;
            ctx.torque = true;
            SweepFlags flags;
            CutMotion(ctx, m, options, flags);
        }
        return told;
    };
    WorkModel base = MakeWork(91, 81, 0.2);
    for (std::uint32_t i = 0; i < base.cellCount; ++i) base.height[i] = static_cast<float>(8.5 + std::sin(i * 0.37));
    WorkModel single = CopyOf(base), alone = CopyOf(base), shared = CopyOf(base);
    const std::vector<Told> expected = run(single, false, nullptr);
    ASSERT_GT(expected.size(), 50u);
    EXPECT_GT(checked, 20);
    for (const auto& [w, on] : {std::pair{&alone, static_cast<SweepWorkers*>(nullptr)}, std::pair{&shared, &workers}}) {
        const std::vector<Told> got = run(*w, true, on);
        ASSERT_EQ(got.size(), expected.size());
        int cuts = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(std::tuple(got[i].cut, got[i].cls, got[i].end), std::tuple(expected[i].cut, expected[i].cls, expected[i].end))
                << "step " << i;
            EXPECT_NEAR(got[i].volume, expected[i].volume, 1e-9 * (1.0 + expected[i].volume)) << "step " << i;
            EXPECT_NEAR(got[i].torque, expected[i].torque, 1e-9 * (1.0 + expected[i].torque)) << "step " << i;
            EXPECT_EQ(got[i].highest, expected[i].highest) << "step " << i;
            cuts += got[i].cut;
        }
        EXPECT_GT(cuts, 20);
        EXPECT_EQ(w->heightA, single.heightA);
    }
    // Swept whole (a ball), on one thread and on workers; nothing cut: none.
    const ToolProfile ball = Tool(kShapeBall, 6.0f, 0.0f);
    for (SweepWorkers* on : {static_cast<SweepWorkers*>(nullptr), &workers}) {
        WorkModel w = CopyOf(base);
        for (const SweepMotionInput& m : {lines[1], lines[1], Line({3, 3, 30}, {13, 11, 30})}) {
            const std::vector<float> before(w.height, w.height + w.cellCount);
            CutOptions options;
            options.workers = on;
            SweepContext ctx = Context(w, ball);
            ctx.sumLoad = true;
            SweepFlags flags;
            CutMotion(ctx, m, options, flags);
            EXPECT_EQ(flags.highestCut, highestLowered(before, w));
        }
        EXPECT_EQ(w.heightA == base.heightA, false);
    }
}

// A flat end mill going down, its steps' loads asked for (no torque): the
// rows are swept with every node looked at once, and each step still gets
// what it takes one step after the other: cut flag, class, highest cut,
// volume (but for the order of its sums), and every node the same height,
// attribute and line number. Lines along X either way and plunges go that
// way; a slanted line and one along Y go step by step. A tool flat out to
// its reach only: the bull nose and the ball go step by step but for their
// plunges, whose rows take each node through every step at once (a
// plunge's steps above every node within reach dropped first).
TEST(Sweep, FlatDescentRowsGiveEachStepItsOwnLoad) {
    const SweepMotionInput lines[] = {
        Line({2, 5, 9.5}, {14, 5, 7.0}),         // along X, across fresh and cut ground
        Line({15, 6.1, 9.2}, {3, 6.1, 8.6}),     // back along X, shallower
        Line({6, 12, 9.9}, {6, 12, 6.2}),        // a plunge
        Line({-1, 0, 9.0}, {6, 0, 7.5}),         // along the grid's edge row, from beyond it
        Line({2, 9, 8.4}, {16, 9, 8.3999999}),   // steps whose flats round to one height
        Line({15, 13, 8.9}, {4.3, 2.9, 8.1}),    // slanted
        Line({9, 2, 9.0}, {9, 14, 7.9}),         // along Y
        Line({12, 3, 9.9}, {12.0, 3.0, 7.9}),    // a plunge into the cut of the first line's reach
        Line({8, 5, 9.99}, {8, 5, 6.0}),         // its steps above the first line's cut meet nothing
        Line({0, 0, 9.7}, {0, 0, 7.0}),          // plunges at the grid's corners: nodes of half and
        Line({18, 16, 9.8}, {18, 16, 7.3}),      // quarter weight
    };
    struct Told {
        int cut, cls;
        double volume;
        float highest;
    };
    SweepWorkers workers;
    StartWorkers(workers, 2);
    // Besides the flat, bull nose and ball: a taper, a sloped bottom and a
    // concave corner, parts of the profile only these forms reach.
    for (const ToolProfile& tool :
         {Tool(kShapeFlat, 6.0f, 0.0f), Tool(kShapeBull, 6.0f, 1.0f), Tool(kShapeBall, 6.0f, 3.0f),
          Tool(kShapeTaperBall, 6.0f, 3.0f, 30.0f, 3, 0.0f, 12.0f), Tool(kShapeOther, 6.0f, 0.8f, 30.0f, 3, 15.0f, 4.0f),
          Tool(kShapeRadius, 6.0f, -1.2f)}) {
        auto run = [&](WorkModel& w, bool together, SweepWorkers* on) {
            std::vector<Told> told;
            for (const SweepMotionInput& m : lines) {
                CutOptions options;
                options.movingPitch = 0.25;
                options.alwaysStep = true;
                options.observeOnly = together;
                options.workers = on;
                options.afterStep = [&](const SweepFlags& f, double, const Point&) {
                    told.push_back({f.cutDone, f.stepClass, f.loadVolume, f.highestCut});
                    return true;
                };
                SweepContext ctx = Context(w, tool);
                ctx.sumLoad = true;
                SweepFlags flags;
                CutMotion(ctx, m, options, flags);
            }
            return told;
        };
        const WorkModel base = MixedGround();
        WorkModel single = CopyOf(base), alone = CopyOf(base), shared = CopyOf(base);
        const std::vector<Told> expected = run(single, false, nullptr);
        ASSERT_GT(expected.size(), 200u);
        for (const auto& [w, on] : {std::pair{&alone, static_cast<SweepWorkers*>(nullptr)}, std::pair{&shared, &workers}}) {
            const std::vector<Told> got = run(*w, true, on);
            ASSERT_EQ(got.size(), expected.size());
            int cuts = 0;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(std::tuple(got[i].cut, got[i].cls, got[i].highest),
                          std::tuple(expected[i].cut, expected[i].cls, expected[i].highest))
                    << "tool " << tool.shape << " step " << i;
                EXPECT_NEAR(got[i].volume, expected[i].volume, 1e-9 * (1.0 + expected[i].volume)) << "step " << i;
                cuts += got[i].cut;
            }
            EXPECT_GT(cuts, 150);
            EXPECT_EQ(w->heightA, single.heightA) << tool.shape;
            EXPECT_EQ(w->attrA, single.attrA) << tool.shape;
            EXPECT_EQ(w->lineNumbers, single.lineNumbers) << tool.shape;
        }
    }
}

TEST(Sweep, NextFloatDownIsNextafterTowardsMinusInfinity) {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), inf, -inf,
                                 1.0f, -1.0f, 15.25f, -3e-39f};
    for (std::uint32_t bits = 7; values.size() < 20000; bits = bits * 2654435761u + 12345u) {
        float f = 0.0f;
        std::memcpy(&f, &bits, sizeof f);
        values.push_back(f);
    }
    for (const float f : values) {
        const float want = std::nextafter(f, -inf), got = sweep_detail::NextFloatDown(f);
        if (std::isnan(f)) {
            EXPECT_TRUE(std::isnan(got));
            continue;
        }
        std::uint32_t a = 0, b = 0;
        std::memcpy(&a, &want, sizeof a);
        std::memcpy(&b, &got, sizeof b);
        EXPECT_EQ(a, b) << f;
    }
}

TEST(Sweep, RapidAreaClearLooksAtTheRectangleGrownByTheReach) {
    WorkModel w = MakeWork(101, 101, 0.2);
    std::fill(w.heightA.begin(), w.heightA.end(), 5.0f);
    w.height[NodeIndex(w, 80, 50)] = 9.0f;  // (16, 10)
    EXPECT_TRUE(RapidAreaClear(w, 2, 2, 10, 12, 3.0, 6.0));    // reaches x = 13 only
    EXPECT_FALSE(RapidAreaClear(w, 2, 2, 10, 12, 6.0, 6.0));   // reaches x = 16
    EXPECT_TRUE(RapidAreaClear(w, 2, 2, 10, 12, 6.0, 9.0));    // at the node's height
    EXPECT_TRUE(RapidAreaClear(w, -50, -50, -40, -40, 1.0, 0.0));  // wholly outside

    // In work coordinates, with the work starting at (100, 200): a 6 mm tool.
    w.xMin = 100.0;
    w.yMin = 200.0;
    const ToolProfile tool = Tool(kShapeFlat, 6.0f, 0.0f);
    const auto corner = RapidCornerOverWork(w, tool, kArborIgnore, {102, 202, 20}, {110, 212, 6});
    ASSERT_TRUE(corner.has_value());
    EXPECT_EQ(*corner, (Point{102, 212, 6}));
    EXPECT_FALSE(RapidCornerOverWork(w, tool, kArborIgnore, {102, 202, 20}, {114, 212, 6}).has_value());

    // A motion of the interpreter lands on the grid with the work offset
    // added and the tip lowered by the length shift.
    PathRecord path;
    path.type = kLine;
    path.toolStart = {1, 2, 3};
    path.toolEnd = {4, 5, 6};
    const SweepMotionInput m = SweepInputOf(path, w, Point{100, 200, 10}, 0.5);
    EXPECT_EQ(m.p0, (Point{1, 2, 12.5}));
    EXPECT_EQ(m.p1, (Point{4, 5, 15.5}));
}

// The scribing marker follows the surface before the run at its depth h,
// whatever Z the program gives, and only on feed motions.
TEST(Sweep, ScribingMarkerFollowsTheSurfaceBeforeTheRun) {
    WorkModel w = MakeWork(101, 101, 0.2);
    for (int ix = 0; ix < w.nx; ++ix) {
        for (int iy = 0; iy < w.ny; ++iy) w.height[NodeIndex(w, ix, iy)] = static_cast<float>(5.0 + ix * 0.01);
    }
    w.heightB.assign(w.heightA.begin(), w.heightA.end());
    w.heightOther = w.heightB.data();
    w.height[NodeIndex(w, 60, 50)] = 1.0f;  // already deeper than the mark
    const ToolProfile marker = Tool(kShapeKegaki, 1.0f, 0.0f, 0.3f, 2);
    const SweepContext ctx = Context(w, marker);
    SweepFlags flags;
    CutOptions rapid;
    rapid.cutting = false;
    EXPECT_EQ(CutMotion(ctx, Line({5, 10, 50}, {15, 10, 50}), rapid, flags), 0);
    EXPECT_EQ(flags.cutDone, 0);
    ASSERT_EQ(CutMotion(ctx, Line({5, 10, 50}, {15, 10, 50}), CutOptions{}, flags), 1);
    const float surface = static_cast<float>(5.0 + 0.5);
    EXPECT_EQ(w.height[NodeIndex(w, 50, 50)], surface - 0.3f);
    EXPECT_EQ(w.height[NodeIndex(w, 50, 52)], surface - 0.3f);  // 0.4 off
    EXPECT_EQ(w.height[NodeIndex(w, 50, 53)], surface);         // 0.6 off: outside d / 2
    EXPECT_EQ(w.height[NodeIndex(w, 60, 50)], 1.0f);
    EXPECT_EQ(w.attr[NodeIndex(w, 50, 50)] & kAttrPenMask, 4);
    EXPECT_GT(flags.removedVolume, 0.0);
}

TEST(Sweep, StepCountsAndCuttingDirections) {
    // A normal run adds 0.99 of a step before truncating, a fast run rounds up.
    for (const auto& [length, pitch, fast, steps] : {std::tuple{10.0, 1.0, false, 10}, {10.0, 3.0, false, 4},
                                                     {10.005, 1.0, false, 10}, {10.005, 1.0, true, 11}}) {
        CutOptions options;
        options.movingPitch = pitch;
        options.fast = fast;
        EXPECT_EQ(StepCount(length, options), steps) << length << " / " << pitch << " fast " << fast;
    }

    // A step along +X through the middle of the material: up-cut on the +Y
    // side (left of the travel), down-cut on the -Y side, 0 on the line.
    WorkModel w = MakeWork(101, 101, 0.2);
    const ToolProfile flat = Tool(kShapeFlat, 10.0f, 0.0f);
    SweepFlags flags;
    SweepStep(Context(w, flat), {8, 10, 8}, {10, 10, 8}, flags);
    auto direction = [&](int ix, int iy) { return (w.attr[NodeIndex(w, ix, iy)] & kAttrDirMask) >> kAttrDirShift; };
    EXPECT_EQ(direction(50, 60), 1);
    EXPECT_EQ(direction(50, 40), 2);
    EXPECT_EQ(direction(50, 50), 0);
    EXPECT_EQ(flags.stepClass, kStepClassGeneral);
    EXPECT_EQ(w.attr[NodeIndex(w, 50, 60)] & kAttrPenMask, 6);  // pen 3
    SweepFlags plunge;
    SweepStep(Context(w, flat), {15, 15, 9}, {15, 15, 7}, plunge);
    EXPECT_EQ(direction(75, 75), 3);
    EXPECT_EQ(direction(90, 80), 3);  // off the axis, still vertical
    EXPECT_EQ(plunge.stepClass, kStepClassVertical);
}

// The checks made on every lowered node: the load sums weigh border nodes
// as the removal volume does; the flute check looks at the material the
// flute took away. (The dead zone of a VERTICAL tool is checked on whole runs.)
TEST(Sweep, NodeChecksAndLoadSums) {
    {
        // A flat D10 plunges 2 mm at a corner of the grid: border rows and
        // columns count half, the corner a quarter.
        WorkModel w = MakeWork(41, 41, 0.5);
        const ToolProfile flat = Tool(kShapeFlat, 10.0f, 0.0f);
        SweepContext ctx = Context(w, flat);
        ctx.sumLoad = true;
        ctx.torque = true;
        SweepFlags flags;
        ASSERT_TRUE(SweepStep(ctx, {0.0, 0.0, kTop}, {0.0, 0.0, kTop - 2.0}, flags));
        double weighted = 0.0, torque = 0.0;
        for (int iy = 0; iy <= w.lastY; ++iy) {
            for (int ix = 0; ix <= w.lastX; ++ix) {
                const double weight = (ix == 0 || ix == w.lastX ? 0.5 : 1.0) * (iy == 0 || iy == w.lastY ? 0.5 : 1.0);
                const double removed = (kTop - w.height[NodeIndex(w, ix, iy)]) * weight * 0.25;
                weighted += removed;
                torque += removed * std::hypot(ix * 0.5, iy * 0.5);
            }
        }
        EXPECT_GT(weighted, 0.0);
        EXPECT_NEAR(flags.loadVolume, weighted, 1e-9);
        EXPECT_NEAR(flags.loadTorque, torque, 1e-9);
    }
    {
        // A ball D6 line swept whole, descending across the grid's corner
        // and out over its edge: the same weighted sum.
        WorkModel w = MakeWork(41, 41, 0.5);
        const ToolProfile ball = Tool(kShapeBall, 6.0f, 3.0f);
        SweepContext ctx = Context(w, ball);
        ctx.sumLoad = true;
        SweepFlags flags;
        ASSERT_EQ(SweepMotion(ctx, Line({1.0, 1.5, kTop - 0.5}, {19.0, 21.0, kTop - 2.5}), flags), 1);
        double weighted = 0.0;
        for (int iy = 0; iy <= w.lastY; ++iy) {
            for (int ix = 0; ix <= w.lastX; ++ix) {
                const double weight = (ix == 0 || ix == w.lastX ? 0.5 : 1.0) * (iy == 0 || iy == w.lastY ? 0.5 : 1.0);
                weighted += (kTop - w.height[NodeIndex(w, ix, iy)]) * weight * 0.25;
            }
        }
        EXPECT_GT(weighted, 1.0);
        EXPECT_NEAR(flags.loadVolume, weighted, 1e-9);
    }
    // Mode 2 stops, mode 1 measures. Flute length 3: a plunge of 2 mm is fine,
    // 4 mm leaves 4 mm of material above the tip.
    for (const double depth : {2.0, 4.0}) {
        for (const int mode : {2, 1}) {
            WorkModel w = MakeWork(41, 41, 0.5);
            ToolProfile flat = Tool(kShapeFlat, 10.0f, 0.0f);
            flat.tool.h = 3.0f;
            SweepContext ctx = Context(w, flat);
            ctx.lengthMode = mode;
            SweepFlags flags;
            SweepStep(ctx, {10.0, 10.0, kTop}, {10.0, 10.0, kTop - depth}, flags);
            EXPECT_EQ(flags.lengthHit, mode == 2 && depth > 3.0 ? 1 : 0) << depth;
            if (mode == 1) {
                EXPECT_NEAR(flags.needFlute, depth, 1e-6);
            }
        }
    }
}

// A motion swept whole classes what it cuts by the side of its travel, as
// its steps would: material on the right only is down-cut, on the left only
// up-cut, on both sides general; an arc's centre lies on the left of a
// counter-clockwise arc; a plunge without travel is told vertical later.
TEST(Sweep, WholeMotionsClassTheSideOfTheirTravelAsTheirStepsDo) {
    const ToolProfile flat = Tool(kShapeFlat, 4.0f, 0.0f), ball = Tool(kShapeBall, 4.0f, 0.0f);
    // Material where keep(x, y) holds, lowered to 5 elsewhere.
    auto work = [](auto keep) {
        WorkModel w = MakeWork(91, 81, 0.2);
        for (int iy = 0; iy < 81; ++iy) {
            for (int ix = 0; ix < 91; ++ix) {
                if (!keep(ix * 0.2, iy * 0.2)) w.height[NodeIndex(w, ix, iy)] = 5.0f;
            }
        }
        return w;
    };
    auto below = [](double, double y) { return y < 7.5; };
    auto everywhere = [](double, double) { return true; };
    auto core = [](double x, double y) { return std::hypot(x - 9.0, y - 8.0) < 3.5; };
    SweepMotionInput ccw = Arc({9, 8, 9}, {13, 8, 9}, {5, 8, 9}, 4.0, 4.0, kPi);
    SweepMotionInput cw = ccw;
    cw.type = kArcCw;
    struct Case {
        const char* name;
        const ToolProfile* tool;
        SweepMotionInput motion;
        std::function<bool(double, double)> keep;
        int expected;
    };
    const std::vector<Case> cases = {
        {"flat along +X, material on its right", &flat, Line({2, 8, 9}, {15, 8, 9}), below, kStepClassDown},
        {"flat along -X, material on its left", &flat, Line({15, 8, 9}, {2, 8, 9}), below, kStepClassUp},
        {"flat slot", &flat, Line({2, 8, 9}, {15, 8, 9}), everywhere, kStepClassGeneral},
        {"flat diagonal, right", &flat, Line({2, 12, 9}, {12, 9, 9}), below, kStepClassDown},
        {"ball down along +X, right", &ball, Line({2, 8, 9.5}, {15, 8, 8.5}), below, kStepClassDown},
        {"ball up along -X, left", &ball, Line({15, 8, 8.5}, {2, 8, 9.5}), below, kStepClassUp},
        {"ball slot going down", &ball, Line({2, 8, 9.5}, {15, 9, 8.5}), everywhere, kStepClassGeneral},
        {"counter-clockwise arc, centre side", &flat, ccw, core, kStepClassUp},
        {"clockwise arc, centre side", &flat, cw, core, kStepClassDown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkModel whole = work(c.keep), stepped = work(c.keep);
        SweepContext ctx = Context(whole, *c.tool);
        ctx.sumLoad = true;
        SweepFlags flags;
        CutOptions options;
        options.movingPitch = 0.2;
        ASSERT_EQ(CutMotion(ctx, c.motion, options, flags), 1);
        ASSERT_EQ(flags.cutDone, 1);
        EXPECT_EQ(flags.stepClass, c.expected);
        // The same motion stepped: its steps' classes folded as one.
        int folded = kStepClassUnknown;
        options.alwaysStep = true;
        options.afterStep = [&](const SweepFlags& step, double, const Point&) {
            if (step.cutDone != 0) sweep_detail::NoteClass(folded, step.stepClass);
            return true;
        };
        SweepContext steps = Context(stepped, *c.tool);
        steps.sumLoad = true;
        SweepFlags unused;
        CutMotion(steps, c.motion, options, unused);
        EXPECT_EQ(folded, c.expected);
    }
}

}  // namespace
}  // namespace morvex
