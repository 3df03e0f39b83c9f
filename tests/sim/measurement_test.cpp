// Measurements against hand-worked geometry: the three-point radius on
// known circles and its degenerate cases, the panel values of a point
// sequence, distances to a line and a plane, the section's interpolation and
// clipping, and the point query's text with and without line numbers.
#include "sim/measurement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/temp_dir.h"

namespace morvex {
namespace {

WorkModel Grid(double xMax, double yMax, int level) {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 1.0;
    EXPECT_EQ(DefineBoxWork(w, BoxRequest{0, 0, 0, xMax, yMax, 10}, pitch, level), DefineWorkStatus::Ok);
    return w;
}

TEST(Measurement, ThreePointRadius) {
    // A circle of radius 12.5 about (3, -4, 7) in a plane tilted about X by
    // 30 degrees: u = (1, 0, 0), v = (0, cos 30, sin 30).
    const double c30 = std::cos(kPi / 6.0), s30 = std::sin(kPi / 6.0);
    auto on = [&](double degrees) {
        const double t = degrees * kPi / 180.0;
        return Point{3.0 + 12.5 * std::cos(t), -4.0 + 12.5 * std::sin(t) * c30, 7.0 + 12.5 * std::sin(t) * s30};
    };
    const struct {
        Point a, b, c;
        double radius;
    } rows[] = {
        {{15, 20, 5}, {10, 25, 5}, {5, 20, 5}, 5.0},         // flat, through three quarters of a circle
        {on(0), on(100), on(250), 12.5},                     // tilted
        {on(10), on(25), on(40), 12.5},                      // a short arc still gives its circle
        {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, kNoCircleRadius},  // on a line
        {{1, 2, 3}, {1, 2, 3}, {5, 6, 7}, kNoCircleRadius},  // two the same
        // Just below and above the 0.001 floor of the determinants:
        // R = |u| |v| |u - v| / (2 h) with u = (1, 0, 0), v = (2, h, 0).
        {{0, 0, 0}, {1, 0, 0}, {2, 0.0009, 0}, kNoCircleRadius},
        {{0, 0, 0},
         {1, 0, 0},
         {2, 0.0011, 0},
         std::sqrt(4 + 0.0011 * 0.0011) * std::sqrt(1 + 0.0011 * 0.0011) / 0.0022},
    };
    for (const auto& r : rows) {
        EXPECT_NEAR(ThreePointRadius(r.a, r.b, r.c), r.radius, 1e-9 * r.radius) << r.radius;
        EXPECT_NEAR(ThreePointRadius(r.c, r.a, r.b), r.radius, 1e-9 * r.radius) << "any order";
    }
}

TEST(Measurement, PanelValuesOfAPointSequence) {
    // a, b, c lie on the circle of radius 5 about (0, y, 0) in XZ while Y
    // moves 0, 1, 2: seen along Y (X, Z) the radius is 5; seen along X the
    // points (0, 0), (1, 5), (2, 0) give the centre (1, 2.4) and radius 2.6;
    // in space u = (5, 1, 5), v = (10, 2, 0), u x v = (-10, 50, 0) gives
    // 51 * sqrt(104) / (2 * sqrt(2600)) = 5.1.
    PointMeasure m;
    MeasureValues v = AddMeasuredPoint(m, {-5, 0, 0});
    EXPECT_EQ(v.count, 1);
    EXPECT_EQ(v.distance, 0.0);
    EXPECT_EQ(v.radius3, 0.0);
    v = AddMeasuredPoint(m, {0, 1, 5});
    EXPECT_EQ(v.count, 2);
    EXPECT_DOUBLE_EQ(v.dx, 5.0);
    EXPECT_DOUBLE_EQ(v.dy, 1.0);
    EXPECT_DOUBLE_EQ(v.dz, 5.0);
    EXPECT_DOUBLE_EQ(v.distance, std::sqrt(51.0));
    EXPECT_EQ(v.radius3, 0.0);  // two points: no circle yet
    v = AddMeasuredPoint(m, {5, 2, 0});
    EXPECT_EQ(v.count, 3);
    EXPECT_DOUBLE_EQ(v.dz, -5.0);
    EXPECT_NEAR(v.radius3, 5.1, 1e-12);
    EXPECT_NEAR(v.radiusX, 5.0, 1e-12);
    EXPECT_NEAR(v.radiusY, 2.6, 1e-12);
    // The fourth point forms its circle with the two before it only: these
    // three lie on a line.
    v = AddMeasuredPoint(m, {10, 3, -5});
    EXPECT_EQ(v.count, 4);
    EXPECT_EQ(v.radius3, kNoCircleRadius);
}

TEST(Measurement, DistancesToALineAndAPlane) {
    const struct {
        Point p, a, b;
        double space, plan;
    } lines[] = {
        {{5, 3, 4}, {0, 0, 0}, {10, 0, 0}, 5.0, 3.0},
        {{4, 5, 7}, {1, 1, 0}, {1, 1, 10}, 5.0, 5.0},   // vertical: a point in plan
        {{20, 0, 0}, {0, 0, 0}, {10, 0, 0}, 0.0, 0.0},  // beyond an end: the line goes on
        {{0, 0, 10}, {0, 0, 0}, {10, 10, 10}, std::sqrt(200.0 / 3.0), 0.0},
    };
    for (const auto& l : lines) {
        const LineDistance d = DistanceToLine(l.p, l.a, l.b);
        EXPECT_NEAR(d.space, l.space, 1e-12);
        EXPECT_NEAR(d.plan, l.plan, 1e-12);
    }
    EXPECT_TRUE(LineUsable({0, 0, 0}, {0.01, 0, 0}));
    EXPECT_FALSE(LineUsable({1, 2, 3}, {1, 2, 3}));

    // The plane through the X axis rising 45 degrees towards +Y: normal
    // (0, -1, 1) / sqrt 2 whatever the order of the points.
    MeasurePlane plane;
    ASSERT_TRUE(PlaneThrough({0, 0, 0}, {10, 0, 0}, {0, 10, 10}, plane));
    EXPECT_NEAR(PlaneTilt(plane), 45.0, 1e-12);
    EXPECT_NEAR(DistanceToPlane(plane, {3, 0, 5}), 5.0 / std::sqrt(2.0), 1e-12);
    ASSERT_TRUE(PlaneThrough({0, 0, 0}, {0, 10, 10}, {10, 0, 0}, plane));
    EXPECT_NEAR(DistanceToPlane(plane, {3, 0, 5}), 5.0 / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(DistanceToPlane(plane, {-7, 4, 4}), 0.0, 1e-12);
    // A vertical plane faces +X; collinear points give none and leave it.
    ASSERT_TRUE(PlaneThrough({0, 0, 0}, {0, 0, 10}, {0, 10, 0}, plane));
    EXPECT_NEAR(PlaneTilt(plane), 90.0, 1e-12);
    EXPECT_NEAR(DistanceToPlane(plane, {2, 3, 3}), 2.0, 1e-12);
    EXPECT_FALSE(PlaneThrough({0, 0, 0}, {1, 1, 1}, {3, 3, 3}, plane));
    EXPECT_NEAR(DistanceToPlane(plane, {2, 3, 3}), 2.0, 1e-12);
}

TEST(Measurement, SectionInterpolatesAndKeepsToTheWork) {
    // z = x y + 2 x + 1 is bilinear, so the interpolation between nodes is exact.
    WorkModel w = Grid(4, 2, 1);
    ASSERT_EQ(w.nx, 5);
    auto surface = [](double x, double y) { return x * y + 2.0 * x + 1.0; };
    for (int iy = 0; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) w.height[iy * w.nx + ix] = static_cast<float>(surface(ix, iy));
    }
    // Length sqrt 10: ceil(3.162 / 0.5) = 7 intervals, 8 samples.
    std::vector<SectionSample> s = SectionProfile(w, 0.5, 0.5, 3.5, 1.5);
    ASSERT_EQ(s.size(), 8u);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / 7.0;
        EXPECT_NEAR(s[i].along, std::sqrt(10.0) * t, 1e-12);
        EXPECT_NEAR(s[i].z, surface(0.5 + 3.0 * t, 0.5 + t), 1e-9);
    }
    // From X -2 to 2 along Y 1: the samples left of the work are dropped.
    s = SectionProfile(w, -2, 1, 2, 1);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_DOUBLE_EQ(s.front().along, 2.0);
    EXPECT_NEAR(s.back().z, surface(2, 1), 1e-9);
    EXPECT_TRUE(SectionProfile(w, 10, 10, 20, 20).empty());
    // A long line keeps to the sample limit.
    EXPECT_EQ(SectionProfile(w, 0, 0, 4, 2, 3).size(), 3u);
}

TEST(Measurement, PointQueryWithAndWithoutLineNumbers) {
    test::TempDir dir;
    // A line longer than a block counts as two lines, as the reader counts them.
    const std::string nc = dir.Write("q.nc", "%\r\nG90 G54\r\n(" + std::string(300, 'C') + ")\nG01 X10. Y10. F500\n");
    WorkModel w = Grid(2, 2, kDataLevelFull);
    w.height[4] = 7.25f;
    w.lineNo[4] = 5;   // the G01 line after the split comment
    w.lineNo[5] = -2;  // cut by a compensated motion
    w.lineNo[7] = 99;  // past the end of the program
    const struct {
        long long node;
        bool english;
        std::string program, text;
    } rows[] = {
        {4, true, nc, "X=    1.000 Y=    1.000 Z=    7.250   5: G01 X10. Y10. F500"},
        {5, true, nc, "X=    2.000 Y=    1.000 Z=   10.000   2: G90 G54"},
        {7, true, nc, "X=    1.000 Y=    2.000 Z=   10.000   99:"},
        {4, true, "", "X=    1.000 Y=    1.000 Z=    7.250   5:"},
        {0, true, nc, "X=    0.000 Y=    0.000 Z=   10.000   Not Cut"},
        {0, false, nc, "X=    0.000 Y=    0.000 Z=   10.000   そこは選択中のNCデータで切削されていません"},
    };
    for (const auto& r : rows) EXPECT_EQ(NodeQueryText(w, r.node, r.program, r.english), r.text) << r.node;
    EXPECT_EQ(CutLineOf(w, 5), 2);
    // The comment's first 255 characters are line 3, its rest line 4.
    EXPECT_EQ(CutLineText(nc, 4), "4: " + std::string(300 - 254, 'C') + ")");
    // Data levels 2 and 4 keep no line numbers: the point alone.
    for (const int level : {kDataLevelBackup, kDataLevelMinimal}) {
        WorkModel bare = Grid(2, 2, level);
        EXPECT_EQ(CutLineOf(bare, 4), -1);
        EXPECT_EQ(NodeQueryText(bare, 4, nc, true), "X=    1.000 Y=    1.000 Z=   10.000");
    }
}

}  // namespace
}  // namespace morvex
