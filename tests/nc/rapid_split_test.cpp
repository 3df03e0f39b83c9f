// Rapid traverse pieces for each G00 mode, against hand-computed points.
#include "nc/rapid_split.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace morvex {
namespace {

void Expect(int mode, const Point& start, const Point& end, const RapidAxes& axes, double pitch,
            const Point* corner, const std::vector<Point>& want) {
    std::vector<Point> got{{1, 2, 3}};  // stale content must be cleared
    SplitRapid(mode, start, end, axes, pitch, corner, got);
    ASSERT_EQ(got.size(), want.size()) << mode;
    for (std::size_t k = 0; k < want.size(); ++k) {
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[k][i], want[k][i], 1e-9) << k << " " << i;
    }
}

TEST(RapidSplit, Async1MovesUnarrivedAxesTogether) {
    const RapidAxes ax;
    Expect(1, {0, 0, 0}, {10, 20, 5}, ax, 1, nullptr, {{5, 5, 5}, {10, 10, 5}, {10, 20, 5}});
    Expect(1, {5, 5, 5}, {0, -5, 5}, ax, 1, nullptr, {{0, 0, 5}, {0, -5, 5}});
    // Just inside and just outside the arrival tolerance of 0.00001.
    Expect(1, {0, 0, 0}, {10, 10.000009, 0}, ax, 1, nullptr, {{10, 10.000009, 0}});
    Expect(1, {0, 0, 0}, {10, 10.00002, 0}, ax, 1, nullptr, {{10, 10, 0}, {10, 10.00002, 0}});
}

TEST(RapidSplit, Async2FollowsEachAxisProfile) {
    // X: v = 5880/60 = 98 mm/s, a = 9800 mm/s^2, d = 98.98: ramps of 0.01 s and
    // 0.49 mm, T = 0.02 + 98/98 = 1.02 s. Y: v = 1000 mm/s, a = 980, d = 88.2 is
    // too short to reach v, so T = 2 sqrt(88.2 / 980) = 0.6 s.
    RapidAxes ax;
    ax.rate = {5880.0, 60000.0, 10000.0};
    ax.accel = {1.0, 0.1, 0.1};
    const Point a{0, 0, 3}, b{98.98, 88.2, 3};
    // 98.98 / 25 = 3.96 -> 4 steps of 0.255 s. X at 0.255: 0.49 + 98 * 0.245.
    // Y at 0.255: 490 * 0.255^2; at 0.51: 88.2 - 490 * 0.09^2; arrived at 0.6.
    Expect(2, a, b, ax, 25, nullptr,
           {{24.5, 31.86225, 3}, {49.49, 84.231, 3}, {74.48, 88.2, 3}, b});
    Expect(2, b, a, ax, 25, nullptr, {{74.48, 56.33775, 3}, {49.49, 3.969, 3}, {24.5, 0, 3}, a});
    // The count is rounded up: 1.65 -> 2 and exactly 2 -> 2; 0.99 and 1 give one piece.
    Expect(2, a, b, ax, 60, nullptr, {{49.49, 84.231, 3}, b});
    Expect(2, a, b, ax, 49.49, nullptr, {{49.49, 84.231, 3}, b});
    Expect(2, a, b, ax, 98.98, nullptr, {b});
    std::vector<Point> many;
    SplitRapid(kG00Async2, a, b, ax, 1e-9, nullptr, many);
    ASSERT_EQ(many.size(), kMaxRapidPieces);
    EXPECT_EQ(many.back(), b);

    // One piece: equal distances at equal rates, one axis, unusable numbers.
    RapidAxes noRate = ax, badAccel = ax;
    noRate.rate[0] = 0.0;
    badAccel.accel[1] = -1.0;
    const double nan = std::nan("");
    Expect(2, a, {47, 47, 50}, RapidAxes{}, 1, nullptr, {{47, 47, 50}});
    Expect(2, a, {98.98, 0, 3}, ax, 1, nullptr, {{98.98, 0, 3}});
    for (double pitch : {0.0, -1.0, nan}) Expect(2, a, b, ax, pitch, nullptr, {b});
    for (const RapidAxes& bad : {noRate, badAccel}) Expect(2, a, b, bad, 1, nullptr, {b});
    SplitRapid(kG00Async2, a, {nan, 1, 1}, ax, 1, nullptr, many);
    EXPECT_EQ(many.size(), 1u);
}

TEST(RapidSplit, UnknownSweepsBothRoutes) {
    const RapidAxes ax;
    const Point c{10, 0, -99};
    Expect(9, {0, 0, 5}, {10, 20, 5}, ax, 1, nullptr,
           {{0, 20, 5}, {10, 20, 5}, {0, 0, 5}, {10, 0, 5}, {10, 20, 5}});
    Expect(9, {0, 0, 50}, {10, 20, 5}, ax, 1, nullptr,
           {{0, 0, 5}, {0, 20, 5}, {10, 20, 5}, {0, 0, 5}, {10, 0, 5}, {10, 20, 5}});
    Expect(9, {0, 0, 50}, {10, 20, 5}, ax, 1, &c, {{0, 0, 5}, {10, 0, 5}, {10, 20, 5}});
    Expect(9, {0, 0, 50}, {10, 0, 5}, ax, 1, nullptr, {{0, 0, 5}, {10, 0, 5}});
    Expect(9, {0, 0, 50}, {0, 0, 5}, ax, 1, &c, {{0, 0, 5}});
    for (int mode : {kG00Line, 5})
        Expect(mode, {0, 0, 50}, {10, 20, 5}, ax, 1, nullptr, {{10, 20, 5}});
}

}  // namespace
}  // namespace morvex
