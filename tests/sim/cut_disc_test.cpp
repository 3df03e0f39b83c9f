// The tool's disc known to be cut: which motions keep, make or lose it, and
// a random walk of motions through bumpy material in which every motion
// passed as cutting nothing is swept anyway and must change nothing.
#include "sim/cut_motion.h"
#include "support/sweep_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <random>
#include <vector>

namespace morvex {
namespace {

constexpr float kTop = 10.0f;

SweepContext Context(WorkModel& w, const ToolProfile& t) { return test::SweepContextOf(w, t); }

SweepMotionInput Line(Point p0, Point p1) { return test::LineMotion(p0, p1); }

// A counter-clockwise level or helical arc in XY about `centre` from angle a0 through `sweep`.
SweepMotionInput Arc(Point centre, double r, double a0, double sweep, double z0, double z1) {
    SweepMotionInput arc;
    arc.type = kArcCcw;
    arc.centre = {centre[0], centre[1], z0};
    arc.p0 = {centre[0] + r * std::cos(a0), centre[1] + r * std::sin(a0), z0};
    arc.p1 = {centre[0] + r * std::cos(a0 + sweep), centre[1] + r * std::sin(a0 + sweep), z1};
    arc.startDir = {std::cos(a0), std::sin(a0), 0.0};
    arc.startRadius = arc.endRadius = r;
    arc.sweep = sweep;
    arc.arcLength = r * sweep;
    return arc;
}

TEST(CutDisc, WhatKeepsMakesAndLosesIt) {
    WorkModel w = test::SweepGrid(51, 51, 0.2, kTop);
    const ToolProfile flat = test::SweepTool(kShapeFlat, 4.0f, 0.0f);
    const SweepContext ctx = Context(w, flat);
    CutOptions options;
    options.movingPitch = 0.2;
    options.minimumLength = 0.001;
    const CutDisc none;
    const Point a{5, 5, 8}, b{6, 5, 8}, up{5, 5, 9}, high{5, 5, 12};

    // Made from nothing: above the work's top, or straight down or up.
    EXPECT_TRUE(DiscAfter(none, ctx, Line({1, 1, 12}, high), false, options).known);
    EXPECT_TRUE(DiscAfter(none, ctx, Line(high, a), false, options).known);
    EXPECT_TRUE(DiscAfter(none, ctx, Line(a, up), false, options).known);
    // Not by a level line or an arc from an unknown start.
    EXPECT_FALSE(DiscAfter(none, ctx, Line(b, a), false, options).known);
    EXPECT_FALSE(DiscAfter(none, ctx, Arc({5, 5, 8}, 1.0, 0.0, 1.0, 8, 8), false, options).known);

    // Kept from where it is known with the same profile, at the motion's end.
    const CutDisc atA = DiscAfter(none, ctx, Line(high, a), false, options);
    const CutDisc atB = DiscAfter(atA, ctx, Line(a, b), false, options);
    EXPECT_TRUE(atB.known);
    EXPECT_EQ(atB.at, b);
    EXPECT_FALSE(DiscAfter(atA, ctx, Line(b, a), false, options).known) << "from elsewhere";
    EXPECT_FALSE(DiscAfter(atA, ctx, Line(a, b), true, options).known) << "another profile";
    // A motion too short to be swept keeps it only where the tool stays.
    EXPECT_FALSE(DiscAfter(atA, ctx, Line(a, {5.0005, 5, 8}), false, options).known);
    EXPECT_TRUE(DiscAfter(atA, ctx, Line(a, a), false, options).known);
    // Nothing for the fast versions or the scribing marker.
    CutOptions fast = options;
    fast.fast = true;
    EXPECT_FALSE(DiscAfter(none, ctx, Line(high, a), false, fast).known);
    const ToolProfile marker = test::SweepTool(kShapeKegaki, 1.0f, 0.0f, 0.5f);
    EXPECT_FALSE(DiscAfter(none, Context(w, marker), Line(high, a), false, options).known);

    // What is passed: lines above the work, rises from the known disc.
    EXPECT_TRUE(MotionCutsNothing(none, ctx, Line({1, 1, 12}, {9, 9, 10}), false, options));
    EXPECT_FALSE(MotionCutsNothing(none, ctx, Line({1, 1, 12}, {9, 9, 9.99}), false, options));
    EXPECT_TRUE(MotionCutsNothing(atA, ctx, Line(a, up), false, options));
    EXPECT_FALSE(MotionCutsNothing(none, ctx, Line(a, up), false, options)) << "unknown disc";
    EXPECT_FALSE(MotionCutsNothing(atA, ctx, Line(a, up), true, options)) << "the wider rapid profile";
    EXPECT_FALSE(MotionCutsNothing(atA, ctx, Line(a, {5, 5, 7}), false, options)) << "down";
    EXPECT_FALSE(MotionCutsNothing(atA, ctx, Line(a, {5.1, 5, 9}), false, options)) << "slanted";
    EXPECT_FALSE(MotionCutsNothing(atB, ctx, Line(a, up), false, options)) << "from elsewhere";
    // A rise whose lowest step stands less than the sweepers' rounding above the disc.
    CutOptions exact = options;
    exact.minimumLength = 0.0;
    EXPECT_TRUE(MotionCutsNothing(atA, ctx, Line(a, {5, 5, 8.002}), false, exact));
    EXPECT_FALSE(MotionCutsNothing(atA, ctx, Line(a, {5, 5, 8.0009}), false, exact));
    // Under an observer or the load check as well (TellUncutSteps tells
    // them the steps).
    CutOptions observed = options;
    observed.afterStep = [](const SweepFlags&, double, const Point&) { return true; };
    SweepContext loads = ctx;
    loads.sumLoad = true;
    EXPECT_TRUE(MotionCutsNothing(atA, loads, Line(a, up), false, observed));
    EXPECT_TRUE(MotionCutsNothing(none, loads, Line({1, 1, 12}, high), false, observed));
}

// A step as an observer hears it.
struct Told {
    int cut, cls;
    double volume, torque, length;
    Point end;
    bool operator==(const Told&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Told& t) {
    return out << "{cut " << t.cut << " class " << t.cls << " volume " << t.volume << " torque " << t.torque
               << " length " << t.length << " to " << t.end[0] << "," << t.end[1] << "," << t.end[2] << "}";
}

// Random walks of plunges, level, rising and falling lines, level arcs,
// helices, rises, moves above the work and jumps into the material, with a flat, a bull nose and a
// ball, swept whole where the sweeper can and in steps elsewhere. Every
// motion passed as cutting nothing is swept on a copy of the work, which
// must come out the same, bit for bit, with no flag raised, and an
// observer must hear the same steps.
TEST(CutDisc, PassedMotionsWouldHaveCutNothing) {
    const ToolProfile tools[] = {test::SweepTool(kShapeFlat, 4.0f, 0.0f), test::SweepTool(kShapeBull, 4.0f, 1.0f),
                                 test::SweepTool(kShapeBall, 4.0f, 2.0f)};
    int passedRises = 0;
    long long passedSteps = 0;
    for (const ToolProfile& tool : tools) {
        for (unsigned seed = 1; seed <= 12; ++seed) {
            std::mt19937 random(seed * 7919u + static_cast<unsigned>(tool.shape));
            std::uniform_real_distribution<double> unit(0.0, 1.0);
            // Every other walk on a binary pitch with its motions' ends on
            // nodes half the time, so that nodes lie on the reach exactly.
            const bool snapped = seed % 2 == 0;
            const double pitch = snapped ? 0.25 : 0.2;
            const int n = snapped ? 65 : 81;
            auto snap = [&](double v) {
                return snapped && unit(random) < 0.5 ? std::round(v / pitch) * pitch : v;
            };
            WorkModel w = test::SweepGrid(n, n, pitch, kTop);
            for (std::uint32_t i = 0; i < w.cellCount; ++i) {
                const double ix = i % static_cast<std::uint32_t>(n), iy = i / static_cast<std::uint32_t>(n);
                w.height[i] = static_cast<float>(9.0 + 0.8 * std::sin(ix * 0.23) * std::cos(iy * 0.17) +
                                                 0.1 * std::sin(i * 0.61));
            }
            // Half the walks with the steps observed and their loads summed,
            // every other of those under the load check (each step swept
            // on its own): a passed motion tells the same steps.
            const bool observed = seed % 4 < 2;
            SweepContext ctx = Context(w, tool);
            ctx.sumLoad = observed;
            CutOptions options;
            options.movingPitch = 0.25;
            options.minimumLength = 0.001;
            options.alwaysStep = observed && seed % 4 == 1;
            options.observeOnly = !options.alwaysStep;
            std::vector<Told>* into = nullptr;
            if (observed) {
                options.afterStep = [&into](const SweepFlags& f, double length, const Point& end) {
                    into->push_back({f.cutDone, f.stepClass, f.loadVolume, f.loadTorque, length, end});
                    return true;
                };
            }
            CutDisc disc;
            Point at{8, 8, 12};
            int jumped = 0;  // motions left of the sequence after a jump
            for (int k = 0; k < 120; ++k) {
                const double pick = unit(random);
                const double x = snap(3 + 10 * unit(random)), y = snap(3 + 10 * unit(random));
                const double z = 7.5 + 2.0 * unit(random);
                SweepMotionInput m;
                if (jumped == 2) {
                    m = Line(at, {at[0] + 0.2, at[1], at[2]});
                    --jumped;
                } else if (jumped == 1) {
                    m = Line(at, {at[0], at[1], at[2] + 1.0});
                    --jumped;
                } else if (pick < 0.15) {
                    m = Line(at, {at[0], at[1], z});  // plunge or rise to a depth
                } else if (pick < 0.35) {
                    m = Line(at, {at[0], at[1], at[2] + 0.01 + 3.0 * unit(random)});  // straight up
                } else if (pick < 0.55) {
                    m = Line(at, {x, y, at[2]});  // level
                } else if (pick < 0.7) {
                    m = Line(at, {x, y, z});  // rising or falling
                } else if (pick < 0.75) {
                    m = Line(at, {snap(at[0] + 0.3 * unit(random)), at[1], at[2]});  // short level
                } else if (pick < 0.8) {
                    m = Line(at, {x, y, 11.0});  // out above the work
                } else if (pick < 0.85) {
                    // Put deep into the material without a sweep, as after a
                    // motion the run does not cut: nothing is known there,
                    // nor after a short move on, whose end disc reaches back
                    // over uncut material; then straight up.
                    at = {x, y, 7.5 + 0.5 * unit(random)};
                    disc = CutDisc{};
                    jumped = 2;
                    continue;
                } else {
                    // A level arc or a helix starting here.
                    const double r = 0.5 + 2.0 * unit(random), a0 = 6.283 * unit(random);
                    const Point centre{at[0] - r * std::cos(a0), at[1] - r * std::sin(a0), at[2]};
                    const double z1 = pick < 0.9 ? at[2] : at[2] - 0.5 + unit(random);
                    m = Arc(centre, r, a0, 0.3 + 4.0 * unit(random), at[2], z1);
                    m.p0 = at;  // the arc starts exactly where the tool stands
                }
                const CutDisc before = disc;
                disc = DiscAfter(before, ctx, m, false, options);
                SweepFlags flags;
                std::vector<Told> swept, told;
                if (MotionCutsNothing(before, ctx, m, false, options)) {
                    if (m.p1[2] > m.p0[2] && m.p1[0] == m.p0[0]) ++passedRises;
                    WorkModel copy = w;
                    copy.height = copy.heightA.data();
                    copy.attr = copy.attrA.data();
                    copy.lineNo = copy.lineNumbers.data();
                    SweepContext onCopy = Context(copy, tool);
                    onCopy.sumLoad = observed;
                    into = &swept;
                    CutMotion(onCopy, m, options, flags);
                    ASSERT_EQ(copy.heightA, w.heightA) << "tool " << tool.shape << " seed " << seed << " motion " << k;
                    ASSERT_EQ(copy.attrA, w.attrA);
                    EXPECT_EQ(flags.cutDone, 0);
                    into = &told;
                    TellUncutSteps(ctx, m, options);
                    ASSERT_EQ(told, swept) << "tool " << tool.shape << " seed " << seed << " motion " << k;
                    passedSteps += static_cast<long long>(told.size());
                } else {
                    into = &swept;
                    CutMotion(ctx, m, options, flags);
                }
                at = m.p1;
            }
        }
    }
    // The walk does pass rises, or it proves nothing.
    EXPECT_GT(passedRises, 200);
    EXPECT_GT(passedSteps, 2000);
}

// Moves ending on a node with nodes on the tool's reach around the end:
// straight ahead of a short step, beside the end of a short step, beside
// the end of a slanted line swept whole. The move lowers them (they are
// within reach), so the rise after it, passed, would have cut nothing.
TEST(CutDisc, MovesLeaveNodesOnTheReachCutForTheRise) {
    const struct {
        double x0, y0;
        float d;
    } cases[] = {
        {10.0, 10.0 + 0.097965054785353722, 3.0f},
        {10.0, 10.0 - 0.065296429059699512, 3.0f},
        {10.0 - 0.8 * 1.5432498950505953, 10.0 - 0.6 * 1.5432498950505953, 2.5f},
    };
    for (const auto& c : cases) {
        WorkModel w = test::SweepGrid(81, 81, 0.25, kTop);
        const ToolProfile tool = test::SweepTool(kShapeFlat, c.d, 0.0f);
        const SweepContext ctx = Context(w, tool);
        CutOptions options;
        options.movingPitch = 0.2;
        options.minimumLength = 0.001;
        const Point p{c.x0, c.y0, 8.0}, end{10.0, 10.0, 8.0};
        CutDisc disc;
        for (const SweepMotionInput& m : {Line({p[0], p[1], 12.0}, p), Line(p, end)}) {
            disc = DiscAfter(disc, ctx, m, false, options);
            SweepFlags flags;
            CutMotion(ctx, m, options, flags);
        }
        const SweepMotionInput rise = Line(end, {10.0, 10.0, 9.0});
        ASSERT_TRUE(MotionCutsNothing(disc, ctx, rise, false, options)) << c.y0;
        WorkModel copy = w;
        copy.height = copy.heightA.data();
        copy.attr = copy.attrA.data();
        copy.lineNo = copy.lineNumbers.data();
        SweepFlags flags;
        CutMotion(Context(copy, tool), rise, options, flags);
        EXPECT_EQ(flags.cutDone, 0) << c.x0 << "," << c.y0;
        EXPECT_EQ(copy.heightA, w.heightA) << c.x0 << "," << c.y0;
    }
}

}  // namespace
}  // namespace morvex
