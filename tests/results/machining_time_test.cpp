// Machining time: the speed profile against hand-worked values, rapid and feed
// booking, segment merging at corners and feed changes, and hostile input.
#include "results/machining_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace morvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

MachiningTimer Timer(double rapidFeedrate = 999999999.0) {
    MachiningTimer t;
    MachineDef m;  // rapid 10000 mm/min, rapid accel 0.1 G, accel 0.3 G
    m.accel = {0.3f, 0.6f, 0.9f};
    StartMachiningTimer(t, m, rapidFeedrate, 2.0);
    return t;
}

void Line(MachiningTimer& t, const Point& a, const Point& b, double feed) {
    const Point d{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    AddFeedMotion(t, std::hypot(d[0], d[1], d[2]), d, a, b, feed, kLine);
}

TEST(MachiningTime, ProfileAgainstHandValues) {
    // a = 980 mm/s^2, 10 -> 166.667 -> 10 mm/s: t1 = t3 = 0.159864 s, d1 = d3 = 14.1213 mm.
    EXPECT_NEAR(MotionTime(100, 0, 10000.0 / 60, 0, 0.1), 71.7574 / 166.6667 + 0.319728, 1e-5);
    // 10 mm < d1 + d3: vPeak = sqrt(980 * 10 + 50 + 50), time = 2 (vPeak - 10) / 980.
    EXPECT_NEAR(MotionTime(10, 0, 10000.0 / 60, 0, 0.1), 2 * (std::sqrt(9900.0) - 10) / 980, 1e-9);
    EXPECT_DOUBLE_EQ(MotionTime(100, 0, 100, 0, 0.0), 1.0);  // no acceleration limit: L / vFeed
    EXPECT_DOUBLE_EQ(MotionTime(0, 0, 100, 0, 0.1), 0.0);
    for (const double v : {MotionTime(kNaN, 0, 100, 0, 0.1), MotionTime(100, kNaN, kInf, -5, kNaN),
                           MotionTime(1e300, 0, 1e-300, 0, 1e-300), MotionTime(kInf, 0, 1, 0, 0.1),
                           MotionTime(1e300, 1e300, 1e-300, 0, 1e300)}) {
        EXPECT_TRUE(std::isfinite(v) && v >= 0) << v;
    }
}

TEST(MachiningTime, Rapids) {
    MachiningTimer t = Timer();
    t.machine.rapid = {10000.0f, 5000.0f, 2000.0f};  // X differs from Y and Z in every rate
    t.machine.rapidAccel = {0.1f, 0.5f, 0.05f};
    AddRapidMotion(t, {0, 0, 0}, {100, 0, 0});   // 0.750272 s
    AddRapidMotion(t, {100, 0, 0}, {100, 0, 0});  // zero length: nothing
    AddRapidMotion(t, {0, 0, 0}, {50, 50, 0});   // tie to X: (50 - 28.2426) / 166.667 + 0.319728
    const MachiningTotals& m = t.totals;
    EXPECT_NEAR(m.rapidTime, 0.750272 + 0.450272, 1e-5);
    EXPECT_NEAR(m.rapidLength, 100 + 50 * std::sqrt(2.0), 1e-9);
    EXPECT_TRUE(m.rapidClassTime == m.rapidTime && m.rapidClassLength == m.rapidLength);
    EXPECT_EQ(m.feedTime + m.feedLength + m.cutClassLength + m.cutClassTime, 0.0);

    MachiningTimer y = Timer();  // Y over Z on a tie: default Y rate 10 mm, 0.1 G, no cruise
    y.machine.rapid[2] = 1000.0f;
    AddRapidMotion(y, {0, 0, 0}, {0, 10, -10});
    EXPECT_NEAR(y.totals.rapidTime, 2 * (std::sqrt(9900.0) - 10) / 980, 1e-6);
}

TEST(MachiningTime, SegmentMerging) {
    {   // Collinear, same feed: one segment of 60 mm at 50 mm/s, a = 2940:
        // d1 = d3 = 30 * 40 / 2940, time = (60 - 0.816327) / 50 + 80 / 2940.
        MachiningTimer t = Timer();
        Line(t, {0, 0, 0}, {30, 0, 0}, 3000);
        Line(t, {30, 0, 0}, {60, 0, 0}, 3000);
        EXPECT_TRUE(t.pending.count == 2 && t.totals.feedTime == 0.0);  // nothing closed yet
        FlushFeedSegment(t);
        EXPECT_EQ(t.pending.count, 0);
        EXPECT_NEAR(t.totals.feedTime, 1.210884, 1e-6);
        EXPECT_DOUBLE_EQ(t.totals.feedLength, 60.0);
        // The same along Y: a merged segment uses its path length and the X acceleration.
        MachiningTimer y = Timer();
        Line(y, {0, 0, 0}, {0, 30, 0}, 3000);
        Line(y, {0, 30, 0}, {0, 60, 0}, 3000);
        FlushFeedSegment(y);
        EXPECT_NEAR(y.totals.feedTime, 1.210884, 1e-6);
    }
    {   // One 45-degree line: timed along X over 30 mm at 3000 sqrt2 / 60 / sqrt2 = 50 mm/s.
        MachiningTimer t = Timer();
        Line(t, {0, 0, 0}, {30, 30, 0}, 3000 * std::sqrt(2.0));
        FlushFeedSegment(t);
        EXPECT_NEAR(t.totals.feedTime, (30 - 0.816327) / 50 + 80.0 / 2940, 1e-6);
    }
    // Bends just inside and outside SMOOTH ANGLE 2.0; the split one is two stops.
    for (const double degrees : {1.9, 2.1}) {
        MachiningTimer t = Timer();
        const double r = degrees / 57.29577951308232, c = std::cos(r);
        Line(t, {0, 0, 0}, {50, 0, 0}, 3000);
        Line(t, {50, 0, 0}, {50 + 50 * c, 50 * std::sin(r), 0}, 3000);
        EXPECT_EQ(t.pending.count, degrees < 2.0 ? 2 : 1) << degrees;
        FlushFeedSegment(t);
        if (degrees > 2.0) {  // each part starts and ends at rest (10 mm/s), along X
            const double split =
                MotionTime(50, 0, 50, 0, 0.3f) + MotionTime(50 * c, 0, 50 * c, 0, 0.3f);
            EXPECT_NEAR(t.totals.feedTime, split, 1e-9) << degrees;
        }
        EXPECT_DOUBLE_EQ(t.totals.feedLength, 100.0);
    }
    // Bends a hair inside and outside the smooth angle, and smooth angles that
    // are no angle, decide as the arc cosine of the unit vectors' dot product does.
    for (const double smooth : {0.001, 2.0, 45.0, 90.0, 179.99, 0.0, -1.0, 180.0, 400.0, kNaN}) {
        for (const double delta : {0.0, 1e-12, -1e-12, 1e-9, -1e-9, 1e-6, -1e-6, 1e-3, -1e-3, 1.0, -1.0}) {
            for (const double size : {50.0, 1e-306, 1e-295, 1e295, 1e306}) {  // mm, each line
                const double r = ((std::isnan(smooth) ? 2.0 : smooth) + delta) / 57.29577951308232;
                const Point end{size + size * std::cos(r), size * std::sin(r), 0};
                const double dx = end[0] - size, dy = end[1];
                const double m = std::max(std::fabs(dx), std::fabs(dy));
                const double sx = dx / m, sy = dy / m;
                const double c = sx / std::sqrt(sx * sx + sy * sy);
                const bool corner = std::acos(std::clamp(c, -1.0, 1.0)) * 57.29577951308232 > smooth;
                MachiningTimer t = Timer();
                t.smoothAngle = smooth;
                Line(t, {0, 0, 0}, {size, 0, 0}, 3000);
                Line(t, {size, 0, 0}, end, 3000);
                EXPECT_EQ(t.pending.count, corner ? 1 : 2) << smooth << " " << delta << " " << size;
            }
        }
    }
    {   // Feed change on a straight line: 20 mm/s -> 15 mm/s, a = 2940.
        // 1st: 10 -> 20 -> 15, d1 = 15 * 10 / 2940, d3 = 17.5 * 5 / 2940;
        // 2nd: 15 -> 15 -> 10, d3 = 12.5 * 5 / 2940.
        MachiningTimer t = Timer();
        Line(t, {0, 0, 0}, {50, 0, 0}, 1200);
        Line(t, {50, 0, 0}, {100, 0, 0}, 900);
        EXPECT_EQ(t.pending.startSpeed, 900.0);
        FlushFeedSegment(t);
        const double first = (50 - 237.5 / 2940) / 20 + 15.0 / 2940;
        const double second = (50 - 62.5 / 2940) / 15 + 5.0 / 2940;
        EXPECT_NEAR(t.totals.feedTime, first + second, 1e-6);
    }
    {   // An arc never merges; a rapid closes the pending segment.
        MachiningTimer t = Timer();
        Line(t, {0, 0, 0}, {10, 0, 0}, 3000);
        AddFeedMotion(t, 15.0, {}, {10, 0, 0}, {20, 10, 0}, 3000, kArcCw);
        EXPECT_TRUE(t.pending.count == 1 && t.pending.type == kArcCw);
        AddRapidMotion(t, {20, 10, 0}, {20, 10, 50});
        EXPECT_EQ(t.pending.count, 0);
        EXPECT_DOUBLE_EQ(t.totals.feedLength, 25.0);
    }
}

TEST(MachiningTime, ClassesDwellsToolChangesAndFeeds) {
    MachiningTimer t = Timer(5000);
    t.machine.toolChangeTime = 2.5f;
    Line(t, {0, 0, 0}, {10, 0, 0}, 5000);  // at RAPID FEEDRATE: rapid class
    FlushFeedSegment(t);
    Line(t, {0, 0, 0}, {20, 0, 0}, 4999.9);
    AddToolChange(t);  // closes the cut
    AddDwell(t, 1.5, true);
    AddDwell(t, 2.0, false);
    const MachiningTotals& m = t.totals;
    const double fast = MotionTime(10, 0, 5000.0 / 60, 0, 0.3f);
    const double slow = MotionTime(20, 0, 4999.9 / 60, 0, 0.3f);
    EXPECT_EQ((std::array{m.rapidClassLength, m.cutClassLength, m.feedLength, m.rapidLength}),
              (std::array{10.0, 20.0, 30.0, 0.0}));
    EXPECT_DOUBLE_EQ(m.rapidTime, 4.0);
    EXPECT_DOUBLE_EQ(m.rapidClassTime, 4.0 + fast);
    EXPECT_DOUBLE_EQ(m.feedTime, fast + slow + 2.0);
    EXPECT_DOUBLE_EQ(m.cutClassTime, slow + 2.0);
    NoteFeed(t, 0.0);  // no feed: not a minimum
    EXPECT_EQ((std::array{m.maxProgramFeed, m.maxCutFeed, m.minProgramFeed}), (std::array{5000.0, 4999.9, 4999.9}));
}

TEST(MachiningTime, HostileInputStaysFinite) {
    MachiningTimer t = Timer();
    t.machine.rapid = {0.0f, 0.0f, 0.0f};
    t.machine.rapidAccel = {0.0f, -1.0f, 0.0f};
    t.machine.accel = {0.0f, 0.0f, 0.0f};
    t.machine.toolChangeTime = -3.0f;
    t.smoothAngle = kNaN;
    AddRapidMotion(t, {0, 0, 0}, {100, 0, 0});  // 100 mm at the 10 mm/s rest speed
    EXPECT_DOUBLE_EQ(t.totals.rapidTime, 10.0);
    AddRapidMotion(t, {0, 0, 0}, {kNaN, 0, 0});
    AddFeedMotion(t, kNaN, {1, 0, 0}, {0, 0, 0}, {1, 0, 0}, 100, kLine);
    AddFeedMotion(t, -1.0, {1, 0, 0}, {0, 0, 0}, {1, 0, 0}, 100, kLine);
    EXPECT_EQ(t.pending.count, 0);
    AddFeedMotion(t, 10, {kNaN, 0, 0}, {0, 0, 0}, {10, 0, 0}, kNaN, kLine);
    AddFeedMotion(t, 10, {1e300, 1e300, 0}, {0, 0, 0}, {10, 0, 0}, kInf, kLine);
    AddFeedMotion(t, 1e308, {1e300, 1e300, 0}, {0, 0, 0}, {1e308, 0, 0}, kInf, kLine);
    AddToolChange(t);
    AddDwell(t, kNaN, false);
    AddDwell(t, -4.0, true);
    const MachiningTotals& m = t.totals;
    for (const double v : {m.rapidLength, m.feedLength, m.rapidClassLength, m.cutClassLength,
                           m.rapidTime, m.feedTime, m.rapidClassTime, m.cutClassTime,
                           m.maxProgramFeed, m.maxCutFeed, m.minProgramFeed}) {
        EXPECT_TRUE(std::isfinite(v)) << v;
    }
    EXPECT_DOUBLE_EQ(m.rapidTime, 10.0);  // negative tool-change time and dwells book nothing
    EXPECT_DOUBLE_EQ(m.rapidLength, 100.0);
}

}  // namespace
}  // namespace morvex
