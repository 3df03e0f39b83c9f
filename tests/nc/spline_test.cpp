// Spline evaluation against closed forms: polygons, Bezier curves and the
// exact rational quarter circle; knot and order fallbacks; hostile input.
#include "nc/spline.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace morvex {
namespace {

SplineCurve Curve(int order, std::vector<Point> control, std::vector<double> knots,
                  std::vector<double> weights = {}) {
    return SplineCurve{order, std::move(control), std::move(weights), std::move(knots)};
}

void ExpectPoint(const Point& p, double x, double y, double z) {
    EXPECT_NEAR(p[0], x, 1e-12);
    EXPECT_NEAR(p[1], y, 1e-12);
    EXPECT_NEAR(p[2], z, 1e-12);
}

TEST(Spline, OrderTwoIsTheControlPolygon) {
    // Uneven knots: the first leg takes 0.8 of the parameter range.
    const SplineCurve c = Curve(2, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, {0, 0, 0.8, 1, 1});
    EXPECT_TRUE(UsableKnots(c));
    ExpectPoint(SplinePoint(c, 0.4), 5, 0, 0);
    ExpectPoint(SplinePoint(c, 0.9), 10, 5, 0);
    std::vector<Point> pts;
    SplinePolyline(c, 0.01, 100, pts);
    ASSERT_EQ(pts.size(), 3u);  // straight legs need only the corner
    ExpectPoint(pts[1], 10, 0, 0);
    EXPECT_NEAR(SplineLength(c, 0.01), 20.0, 1e-12);
}

TEST(Spline, QuadraticIsTheBezierCurve) {
    // B(u) = (1-u)^2 P0 + 2u(1-u) P1 + u^2 P2 with P0 (0,0,0), P1 (1,2,0), P2 (3,0,1).
    SplineCurve c = Curve(3, {{0, 0, 0}, {1, 2, 0}, {3, 0, 1}}, {0, 0, 0, 1, 1, 1});
    ExpectPoint(SplinePoint(c, 1.0), 3, 0, 1);
    // Equal weights of any scale give the same curve; unusable weights count as 1.
    for (const std::vector<double>& w : {std::vector<double>{}, {7.5, 7.5, 7.5}, {0.0, -2.0, std::nan("")}}) {
        c.weights = w;
        ExpectPoint(SplinePoint(c, 0.3), 0.69, 0.84, 0.09);
    }
    c.knots = {5, 5, 5, 9, 9, 9};  // the range maps onto u in [0, 1]
    ExpectPoint(SplinePoint(c, 0.5), 1.25, 1.0, 0.25);
}

TEST(Spline, RationalQuadraticIsAQuarterCircle) {
    const double h = std::sqrt(2.0) / 2;
    const SplineCurve c =
        Curve(3, {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 0, 0, 1, 1, 1}, {1, h, 1});
    for (const double u : {0.1, 0.5, 0.8}) EXPECT_NEAR(std::hypot(SplinePoint(c, u)[0], SplinePoint(c, u)[1]), 1.0, 1e-12);
    const double tol = 1e-3;
    std::vector<Point> pts;
    SplinePolyline(c, tol, 1000, pts);
    ExpectPoint(pts.front(), 1, 0, 0);
    ExpectPoint(pts.back(), 0, 1, 0);
    for (std::size_t i = 1; i < pts.size(); ++i) {  // sagitta of each chord within tolerance
        const double mx = (pts[i - 1][0] + pts[i][0]) / 2, my = (pts[i - 1][1] + pts[i][1]) / 2;
        EXPECT_GE(std::hypot(mx, my), 1.0 - tol);
    }
    EXPECT_NEAR(SplineLength(c, tol), kPi / 2, tol);
    // A tolerance no budget of 4 points can meet: the budget is used up exactly.
    SplinePolyline(c, 1e-9, 4, pts);
    EXPECT_EQ(pts.size(), 4u);
}

TEST(Spline, BadKnotsAndOrdersFallBack) {
    const std::vector<Point> square{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
    // Clamped uniform order 2: corners at u = 1/3 and 2/3, so u = 0.5 is mid-leg.
    const double nan = std::nan("");
    for (const std::vector<double>& knots :
         std::vector<std::vector<double>>{{0, 0, 1, 1},  // too few
                                          {0, 0, 0.6, 0.4, 1, 1},  // decreasing
                                          {0, 0, nan, 0.5, 1, 1},
                                          {1, 1, 1, 1, 1, 1},
                                          {0, 0, 0.5, 0.5, 1, 1},  // a break inside the curve
                                          {-1e308, 0, 0.3, 0.6, 1, 1e308}}) {
        const SplineCurve c = Curve(2, square, knots);
        EXPECT_FALSE(UsableKnots(c)) << knots.size();
        ExpectPoint(SplinePoint(c, 0.5), 10, 5, 0);
    }
    // Cubic fallback on four points is the Bezier curve: (P0 + 3 P1 + 3 P2 + P3) / 8 at u = 0.5.
    ExpectPoint(SplinePoint(Curve(4, square, {3, 2, 1}), 0.5), 7.5, 5, 0);

    // Order 0 and 1 run as the polygon; order 100 is cut to the points, then to the maximum.
    EXPECT_EQ((std::array{EffectiveOrder(Curve(0, square, {})), EffectiveOrder(Curve(100, square, {})),
                          EffectiveOrder(Curve(100, std::vector<Point>(40), {}))}),
              (std::array{2, 4, kMaxSplineOrder}));

    std::vector<Point> pts;
    const SplineCurve single = Curve(4, {{1, 2, 3}}, {});
    ExpectPoint(SplinePoint(single, 0.7), 1, 2, 3);
    SplinePolyline(single, 0.01, 100, pts);
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(SplineLength(single, 0.01), 0.0);
    SplinePolyline(Curve(4, {}, {}), 0.01, 100, pts);
    EXPECT_TRUE(pts.empty());
}

TEST(Spline, HostileInputStaysFiniteAndBounded) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    auto expectBounded = [](const std::vector<Point>& pts, std::size_t most) {
        EXPECT_LE(pts.size(), most);
        for (const Point& p : pts)
            for (const double v : p)
                EXPECT_TRUE(std::abs(v) <= kSplineCoordinateLimit) << v;
    };
    std::vector<Point> pts;
    SplineCurve c = Curve(3, {{nan, 1e300, -inf}, {1, 2, 3}, {1e308, 0, 0}}, {0, 0, 0, 1, 1, 1},
                          {1e300, 1e-300, nan});
    SplinePolyline(c, nan, 500, pts);
    expectBounded(pts, 500);
    ExpectPoint(pts.front(), 0, kSplineCoordinateLimit, -kSplineCoordinateLimit);
    EXPECT_TRUE(std::isfinite(SplineLength(c, 0.0, 500)));

    // Ten thousand points at order 100: the span starts alone exceed the budget.
    c = Curve(100, {}, {});
    for (int i = 0; i < 10000; ++i) c.control.push_back({double(i), (i % 2) * 50.0, 0});
    SplinePolyline(c, 0.0, 2000, pts);
    EXPECT_EQ(pts.size(), 2000u);
    // A quarter circle of radius 1e9 at the finest tolerance needs far more points than allowed.
    const double h = std::sqrt(2.0) / 2;
    c = Curve(3, {{1e12, 0, 0}, {1e12, 1e12, 0}, {0, 1e12, 0}}, {0, 0, 0, 1, 1, 1}, {1, h, 1});
    SplinePolyline(c, 0.0, std::numeric_limits<std::size_t>::max(), pts);
    EXPECT_EQ(pts.size(), kMaxSplinePolylinePoints);
    expectBounded(pts, kMaxSplinePolylinePoints);
}

}  // namespace
}  // namespace morvex
