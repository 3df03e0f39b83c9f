// The spline motion (type 132): control points, weights, knots and order as
// the program gave them, and the rational B-spline they define, evaluated
// point by point or as a polyline within a chord tolerance.
#pragma once

#include <cstddef>
#include <vector>

#include "nc/path_record.h"

namespace morvex {

// Control points kept per curve. CAM output splits long paths into many
// spline motions of tens to a few hundred points; 4096 is well past that and
// keeps one curve to about 160 KB and every evaluation's knot check short.
// Points beyond it are not part of the curve.
inline constexpr std::size_t kMaxSplinePoints = 4096;
// Highest order evaluated (degree 15). Controllers take orders up to 4 or 6;
// the bound keeps de Boor's working set on the stack.
inline constexpr int kMaxSplineOrder = 16;
// Coordinates are held within +-1e9 mm (far beyond any machine travel, so the
// sums and squares stay finite); a NaN coordinate counts as 0.
inline constexpr double kSplineCoordinateLimit = 1e9;
// Polylines never hold more points than this, whatever the caller asks.
inline constexpr std::size_t kMaxSplinePolylinePoints = std::size_t{1} << 17;
// Finest chord tolerance (mm); smaller, zero, negative or NaN tolerances use it.
inline constexpr double kMinSplineTolerance = 1e-6;

struct SplineCurve {
    int order = 4;                // degree + 1
    std::vector<Point> control;   // control points, programmed coordinates
    std::vector<double> weights;  // one per control point; missing ones are 1.0
    std::vector<double> knots;    // as given; order + control.size() of them when complete
};

// The order actually evaluated: the given order held within 2..kMaxSplineOrder
// (order 1 would be a row of separate points the tool cannot follow, so it and
// anything below run as the control polygon), then lowered to the number of
// control points n (at most kMaxSplinePoints). 0 when there are no control points.
[[nodiscard]] int EffectiveOrder(const SplineCurve& c);

// True when the given knots are used: exactly EffectiveOrder + n of them, all
// finite, non-decreasing, with a non-empty parameter range [t(k-1), t(n)] and
// no value inside that range repeated order or more times (that would tear the
// curve apart). Otherwise the curve uses the clamped uniform knot vector
// (order zeros, evenly spaced interior knots, order ones), which starts at the
// first and ends at the last control point.
[[nodiscard]] bool UsableKnots(const SplineCurve& c);

// The curve point at u in [0,1], mapped linearly onto the valid parameter
// range (u outside is held to it; NaN is 0). Weights that are zero, negative
// or not finite count as 1.0. One control point: that point. None: the origin.
// Each call checks the knots again (linear in n); SplinePolyline checks once.
Point SplinePoint(const SplineCurve& c, double u);

// Clears `points` and fills it with a polyline along the curve from its own
// start, SplinePoint(c, 0), to its end, SplinePoint(c, 1): the move from the
// tool's current point to the curve start is not part of it. Points are added
// where the chord strays furthest from the curve until every chord lies within
// `tolerance` (mm) or the polyline holds `maxPoints` points (held within
// 2..kMaxSplinePolylinePoints). Two equal points for a one-point curve,
// nothing for a curve without control points.
void SplinePolyline(const SplineCurve& c, double tolerance, std::size_t maxPoints,
                    std::vector<Point>& points);

// Length (mm) of that polyline.
double SplineLength(const SplineCurve& c, double tolerance,
                    std::size_t maxPoints = kMaxSplinePolylinePoints);

}  // namespace morvex
