// Rational B-spline evaluation of the spline motion and its chord polyline.
//
// Implementation notes: a point is found by de Boor's algorithm on the
// homogeneous points (x w, y w, z w, w) of the order control points of the
// knot span holding the parameter t:
//     d(j) <- (1 - a) d(j-1) + a d(j),  a = (t - t(i)) / (t(i+k-r) - t(i)),
// each step a convex combination, then divided by the resulting w. A point
// depends only on the weights of its span, and scaling them all alike leaves it
// unchanged, so they are divided by their largest and held at 1e-12 of it: the
// final w never vanishes and huge weights cannot overflow. The clamped uniform
// knots are computed on demand, t(i) = clamp(i - k + 1, 0, n - k + 1) / (n - k + 1),
// so evaluation allocates nothing.
//
// The polyline starts from the knot values (corners of the curve can only lie
// there), each span cut into 1 + (k - 1) / 4 pieces so higher degrees start
// finer. A segment's error is the largest distance from the curve at its
// quarter, half and three-quarter parameters to its chord; the worst segment
// is halved (in parameter) until all are within tolerance, the point budget is
// spent, or a segment is narrower than 1e-12 of the range. Halving the worst
// first spreads a short budget evenly over the curve.
#include "nc/spline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace morvex {
namespace {

constexpr double kMinWeightRatio = 1e-12;
constexpr double kMinParameterStep = 1e-12;  // in u, of the whole range

// The curve as evaluated: its control point count, order, knot source and
// parameter range.
struct Basis {
    const SplineCurve* curve = nullptr;
    int n = 0;
    int k = 0;
    bool given = false;  // the curve's own knots; otherwise clamped uniform
    double a = 0.0;
    double b = 1.0;
};

int PointCount(const SplineCurve& c) {
    return static_cast<int>(std::min(c.control.size(), kMaxSplinePoints));
}

double Knot(const Basis& s, int i) {
    if (s.given) return s.curve->knots[static_cast<std::size_t>(i)];
    const int spans = s.n - s.k + 1;
    return static_cast<double>(std::clamp(i - s.k + 1, 0, spans)) / spans;
}

double Weight(const SplineCurve& c, int i) {
    const auto at = static_cast<std::size_t>(i);
    const double w = at < c.weights.size() ? c.weights[at] : 1.0;
    return std::isfinite(w) && w > 0.0 ? w : 1.0;
}

Point Clean(const Point& p) {
    Point q{};
    for (int axis = 0; axis < 3; ++axis) {
        const double v = p[axis];
        q[axis] =
            std::isnan(v) ? 0.0 : std::clamp(v, -kSplineCoordinateLimit, kSplineCoordinateLimit);
    }
    return q;
}

Basis MakeBasis(const SplineCurve& c) {
    Basis s;
    s.curve = &c;
    s.n = PointCount(c);
    s.k = EffectiveOrder(c);
    s.given = UsableKnots(c);
    if (s.given) {
        s.a = c.knots[static_cast<std::size_t>(s.k - 1)];
        s.b = c.knots[static_cast<std::size_t>(s.n)];
    }
    return s;
}

// The span index j in k-1..n-1 with t(j) <= t < t(j+1); at the end of the
// range, the last span that is not empty.
int FindSpan(const Basis& s, double t) {
    if (!s.given) {
        const int spans = s.n - s.k + 1;
        const int j = std::clamp(static_cast<int>(t * spans), 0, spans - 1);
        return j + s.k - 1;
    }
    const double* kn = s.curve->knots.data();
    if (t >= s.b) return static_cast<int>(std::lower_bound(kn + s.k, kn + s.n + 1, s.b) - kn) - 1;
    return static_cast<int>(std::upper_bound(kn + s.k, kn + s.n, t) - kn) - 1;
}

Point Evaluate(const Basis& s, double u) {
    const SplineCurve& c = *s.curve;
    if (s.n == 0) return {};
    if (s.n == 1) return Clean(c.control[0]);
    u = std::isnan(u) ? 0.0 : std::clamp(u, 0.0, 1.0);
    const double t = u >= 1.0 ? s.b : std::clamp(s.a + u * (s.b - s.a), s.a, s.b);
    const int p = s.k - 1;
    const int span = FindSpan(s, t);
    const int first = span - p;  // index of the first control point of the span

    std::array<double, 2 * kMaxSplineOrder> kn;  // kn[m] = t(first + m)
    for (int m = 0; m <= 2 * p; ++m)
        kn[m] = Knot(s, first + m);

    std::array<std::array<double, 4>, kMaxSplineOrder> d;  // homogeneous points
    double wMax = 0.0;
    for (int j = 0; j <= p; ++j)
        wMax = std::max(wMax, Weight(c, first + j));
    for (int j = 0; j <= p; ++j) {
        const double w = std::max(Weight(c, first + j) / wMax, kMinWeightRatio);
        const Point q = Clean(c.control[static_cast<std::size_t>(first + j)]);
        d[j] = {q[0] * w, q[1] * w, q[2] * w, w};
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const double lo = kn[j];
            const double hi = kn[j + p - r + 1];  // above lo: both ends enclose the span
            const double alpha = hi > lo ? (t - lo) / (hi - lo) : 0.0;
            for (int e = 0; e < 4; ++e)
                d[j][e] = (1.0 - alpha) * d[j - 1][e] + alpha * d[j][e];
        }
    }
    const double w = d[p][3];
    return {d[p][0] / w, d[p][1] / w, d[p][2] / w};
}

// Coordinates are within kSplineCoordinateLimit, so the squares stay finite.
double Distance(const Point& a, const Point& b) {
    const double dx = b[0] - a[0], dy = b[1] - a[1], dz = b[2] - a[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Distance from p to the segment from a to b.
double ChordDistance(const Point& p, const Point& a, const Point& b) {
    const Point ab{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const Point ap{p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const double len2 = ab[0] * ab[0] + ab[1] * ab[1] + ab[2] * ab[2];
    double f = len2 > 0.0 ? (ap[0] * ab[0] + ap[1] * ab[1] + ap[2] * ab[2]) / len2 : 0.0;
    f = std::clamp(f, 0.0, 1.0);
    return Distance(p, {a[0] + f * ab[0], a[1] + f * ab[1], a[2] + f * ab[2]});
}

struct Segment {
    double u0 = 0.0;
    double u1 = 0.0;
    std::uint32_t i0 = 0;  // point indices of its ends
    std::uint32_t i1 = 0;
    double error = 0.0;
};

bool LessError(const Segment& x, const Segment& y) {
    return x.error < y.error;
}

void MeasureError(const Basis& s, const std::vector<Point>& pts, Segment& g) {
    g.error = 0.0;
    if (g.u1 - g.u0 < kMinParameterStep) return;  // cannot be halved further
    for (const double f : {0.25, 0.5, 0.75}) {
        const Point q = Evaluate(s, g.u0 + f * (g.u1 - g.u0));
        g.error = std::max(g.error, ChordDistance(q, pts[g.i0], pts[g.i1]));
    }
}

// Parameters u of the knot values inside the range, each span cut into
// `pieces`, from 0 to 1 and strictly increasing.
std::vector<double> StartParameters(const Basis& s) {
    const int pieces = 1 + (s.k - 1) / 4;
    std::vector<double> us{0.0};
    double prev = 0.0;
    auto addSpanEnd = [&](double uEnd) {
        if (!(uEnd > prev)) return;
        for (int q = 1; q < pieces; ++q)
            us.push_back(prev + (uEnd - prev) * q / pieces);
        us.push_back(uEnd);
        prev = uEnd;
    };
    for (int i = s.k; i < s.n; ++i) {
        const double v = Knot(s, i);
        if (v > s.a && v < s.b) addSpanEnd(std::min((v - s.a) / (s.b - s.a), 1.0));
    }
    if (prev < 1.0) addSpanEnd(1.0);
    return us;
}

}  // namespace

int EffectiveOrder(const SplineCurve& c) {
    const int n = PointCount(c);
    if (n == 0) return 0;
    return std::min(std::clamp(c.order, 2, kMaxSplineOrder), n);
}

bool UsableKnots(const SplineCurve& c) {
    const int n = PointCount(c);
    const int k = EffectiveOrder(c);
    const std::vector<double>& t = c.knots;
    if (n == 0 || t.size() != static_cast<std::size_t>(n + k)) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!std::isfinite(t[i]) || (i > 0 && t[i] < t[i - 1])) return false;
    }
    const double a = t[static_cast<std::size_t>(k - 1)];
    const double b = t[static_cast<std::size_t>(n)];
    if (!(a < b) || !std::isfinite(t.back() - t.front())) return false;
    // Values strictly inside the range sit at indices k..n-1.
    int run = 0;
    for (int i = k; i < n; ++i) {
        run = i > k && t[i] == t[i - 1] ? run + 1 : 1;
        if (t[i] > a && t[i] < b && run >= k) return false;
    }
    return true;
}

Point SplinePoint(const SplineCurve& c, double u) {
    return Evaluate(MakeBasis(c), u);
}

void SplinePolyline(const SplineCurve& c, double tolerance, std::size_t maxPoints,
                    std::vector<Point>& points) {
    points.clear();
    const Basis s = MakeBasis(c);
    if (s.n == 0) return;
    const double tol = tolerance >= kMinSplineTolerance ? tolerance : kMinSplineTolerance;
    const std::size_t budget = std::clamp<std::size_t>(maxPoints, 2, kMaxSplinePolylinePoints);

    std::vector<double> us = StartParameters(s);
    if (us.size() > budget) {  // keep an even selection, first and last included
        std::vector<double> kept(budget);
        for (std::size_t i = 0; i < budget; ++i)
            kept[i] = us[i * (us.size() - 1) / (budget - 1)];
        us.swap(kept);
    }

    // Points in the order they were made; next[i] is the point after point i
    // along the curve, kEnd after the last.
    constexpr std::uint32_t kEnd = UINT32_MAX;
    std::vector<Point> pts;
    std::vector<std::uint32_t> next;
    std::vector<Segment> heap;
    pts.reserve(us.size());
    for (std::size_t i = 0; i < us.size(); ++i) {
        pts.push_back(Evaluate(s, us[i]));
        next.push_back(i + 1 < us.size() ? static_cast<std::uint32_t>(i + 1) : kEnd);
    }
    for (std::size_t i = 0; i + 1 < us.size(); ++i) {
        Segment g{us[i], us[i + 1], static_cast<std::uint32_t>(i),
                  static_cast<std::uint32_t>(i + 1), 0.0};
        MeasureError(s, pts, g);
        heap.push_back(g);
    }
    std::make_heap(heap.begin(), heap.end(), LessError);

    while (!heap.empty() && pts.size() < budget) {
        std::pop_heap(heap.begin(), heap.end(), LessError);
        const Segment g = heap.back();
        heap.pop_back();
        if (g.error <= tol) break;  // the worst is within tolerance: all are
        const double um = 0.5 * (g.u0 + g.u1);
        const auto m = static_cast<std::uint32_t>(pts.size());
        pts.push_back(Evaluate(s, um));
        next.push_back(g.i1);
        next[g.i0] = m;
        for (Segment half : {Segment{g.u0, um, g.i0, m, 0.0}, Segment{um, g.u1, m, g.i1, 0.0}}) {
            MeasureError(s, pts, half);
            heap.push_back(half);
            std::push_heap(heap.begin(), heap.end(), LessError);
        }
    }

    points.reserve(pts.size());
    for (std::uint32_t i = 0; i != kEnd; i = next[i])
        points.push_back(pts[i]);
}

double SplineLength(const SplineCurve& c, double tolerance, std::size_t maxPoints) {
    std::vector<Point> points;
    SplinePolyline(c, tolerance, maxPoints, points);
    double length = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i)
        length += Distance(points[i - 1], points[i]);
    return length;
}

}  // namespace morvex
