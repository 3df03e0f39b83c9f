// Offsetting elements and resolving their corners for radius compensation.
//
// Implementation notes: everything works in the two plane axes (a, b) of
// the element; the third axis is carried along. A line is offset by
// r / |d| * (-d_b, d_a), to the left of its direction for r > 0. An arc keeps
// its centre and changes its radius by +r when clockwise, -r when counter-
// clockwise. At an inside corner two offset elements meet where
//   line/line:  P0 + s (P1 - P0) = Q0 + t (Q1 - Q0), s and t in [0, 1];
//   line/arc:   |P0 + s d - C| = R, s in [0, 1], the point within the sweep;
//   arc/arc:    the two circles' common points, within both sweeps.
// Of several common points the one nearest the programmed corner is taken.
#include "nc/offset_geometry.h"

#include <algorithm>
#include <cmath>

namespace morvex {
namespace {

constexpr double kOnElement = 1e-9;  // parameter slack at the ends of an element
constexpr double kParallel = 1e-12;  // relative cross product of parallel lines

struct Vec2 {
    double a = 0.0;
    double b = 0.0;
};

Vec2 Plane(const Point& p, int first, int second) { return {p[first], p[second]}; }
Vec2 Sub(Vec2 u, Vec2 v) { return {u.a - v.a, u.b - v.b}; }
double Dot(Vec2 u, Vec2 v) { return u.a * v.a + u.b * v.b; }
double Cross(Vec2 u, Vec2 v) { return u.a * v.b - u.b * v.a; }
double Length(Vec2 u) { return std::hypot(u.a, u.b); }
Vec2 TurnRight(Vec2 u) { return {u.b, -u.a}; }  // -90 degrees
Vec2 TurnLeft(Vec2 u) { return {-u.b, u.a}; }   // +90 degrees

bool IsArc(const PathRecord& e) { return e.type != kLine && e.type != kRapid; }
bool IsArcType(const PathRecord& e) { return e.type == kArcCw || e.type == kArcCcw; }

Vec2 LineDirection(const PathRecord& e) {
    const Vec2 d = Sub(Plane(e.end, e.first, e.second), Plane(e.start, e.first, e.second));
    const double len = Length(d);
    return len > 0.0 ? Vec2{d.a / len, d.b / len} : Vec2{};
}

// Direction of motion at the start or the end of an element.
Vec2 Tangent(const PathRecord& e, bool atEnd) {
    if (!IsArcType(e)) return LineDirection(e);
    const Point& dir = atEnd ? e.endDir : e.startDir;
    const Vec2 radial = Plane(dir, e.first, e.second);
    return e.type == kArcCw ? TurnRight(radial) : TurnLeft(radial);
}

// Angle travelled from the arc's start to the point, in the arc's direction,
// in [0, 2 pi).
double AngleAlong(const PathRecord& arc, Vec2 point) {
    const Vec2 c = Plane(arc.centre, arc.first, arc.second);
    const Vec2 s = Plane(arc.start, arc.first, arc.second);
    const double as = std::atan2(s.b - c.b, s.a - c.a);
    const double ap = std::atan2(point.b - c.b, point.a - c.a);
    double delta = arc.type == kArcCw ? as - ap : ap - as;
    delta = std::fmod(delta, 2.0 * kPi);
    if (delta < 0.0) delta += 2.0 * kPi;
    return delta;
}

// The fraction of the arc's sweep at which the point lies, or -1 when the
// point is outside the sweep. A point just before the start counts as 0.
double FractionOnArc(const PathRecord& arc, Vec2 point) {
    if (arc.sweep <= 0.0) return -1.0;
    double delta = AngleAlong(arc, point);
    const double slack = 1e-9 * 2.0 * kPi;
    if (delta > 2.0 * kPi - slack) delta = 0.0;
    if (delta > arc.sweep + slack) return -1.0;
    return std::min(delta / arc.sweep, 1.0);
}

struct Candidate {
    Vec2 point;
    double previousFraction = 0.0;
    double currentFraction = 0.0;
};

// Parameter along a line element of a point known to lie on its line.
double LineParameter(const PathRecord& line, Vec2 point) {
    const Vec2 p0 = Plane(line.start, line.first, line.second);
    const Vec2 d = Sub(Plane(line.end, line.first, line.second), p0);
    const double dd = Dot(d, d);
    return dd > 0.0 ? Dot(Sub(point, p0), d) / dd : -1.0;
}

double FractionOn(const PathRecord& e, Vec2 point) {
    if (!IsArc(e)) {
        const double t = LineParameter(e, point);
        return (t < -kOnElement || t > 1.0 + kOnElement) ? -1.0 : std::clamp(t, 0.0, 1.0);
    }
    return FractionOnArc(e, point);
}

double ArcRadiusAt(const PathRecord& arc, bool atEnd) { return atEnd ? arc.endRadius : arc.startRadius; }

// Common points of a line (through p0 along d) and a circle.
int LineCircle(Vec2 p0, Vec2 d, Vec2 c, double radius, Vec2 out[2]) {
    const double dd = Dot(d, d);
    if (dd <= 0.0) return 0;
    const Vec2 f = Sub(p0, c);
    const double bq = 2.0 * Dot(f, d);
    const double cq = Dot(f, f) - radius * radius;
    double disc = bq * bq - 4.0 * dd * cq;
    if (disc < 0.0) {
        if (disc < -1e-12 * (bq * bq + 1.0)) return 0;
        disc = 0.0;
    }
    const double root = std::sqrt(disc);
    const double s1 = (-bq - root) / (2.0 * dd);
    const double s2 = (-bq + root) / (2.0 * dd);
    out[0] = {p0.a + s1 * d.a, p0.b + s1 * d.b};
    out[1] = {p0.a + s2 * d.a, p0.b + s2 * d.b};
    return root == 0.0 ? 1 : 2;
}

// Common points of two circles.
int CircleCircle(Vec2 c1, double r1, Vec2 c2, double r2, Vec2 out[2]) {
    const Vec2 d = Sub(c2, c1);
    const double dist = Length(d);
    if (dist <= 0.0 || dist > r1 + r2 + 1e-12 || dist < std::fabs(r1 - r2) - 1e-12) return 0;
    const double along = (r1 * r1 - r2 * r2 + dist * dist) / (2.0 * dist);
    const double h2 = r1 * r1 - along * along;
    const double h = h2 > 0.0 ? std::sqrt(h2) : 0.0;
    const Vec2 u{d.a / dist, d.b / dist};
    const Vec2 m{c1.a + along * u.a, c1.b + along * u.b};
    out[0] = {m.a - h * u.b, m.b + h * u.a};
    out[1] = {m.a + h * u.b, m.b - h * u.a};
    return h == 0.0 ? 1 : 2;
}

// Moves the end of an element back to the point at `fraction` of it.
void CutEnd(PathRecord& e, Vec2 point, double fraction) {
    const int a = e.first;
    const int b = e.second;
    e.end[e.third] = e.start[e.third] + fraction * (e.end[e.third] - e.start[e.third]);
    e.end[a] = point.a;
    e.end[b] = point.b;
    if (!IsArcType(e)) return;
    e.sweep *= fraction;
    e.arcLength *= fraction;
    e.endRadius = std::hypot(point.a - e.centre[a], point.b - e.centre[b]);
    if (e.endRadius > 0.0) {
        e.endDir[a] = (point.a - e.centre[a]) / e.endRadius;
        e.endDir[b] = (point.b - e.centre[b]) / e.endRadius;
    }
}

// Moves the start of an element forward to the point at `fraction` of it.
void CutStart(PathRecord& e, Vec2 point, double fraction) {
    const int a = e.first;
    const int b = e.second;
    e.start[e.third] += fraction * (e.end[e.third] - e.start[e.third]);
    e.start[a] = point.a;
    e.start[b] = point.b;
    if (!IsArcType(e)) return;
    e.sweep *= 1.0 - fraction;
    e.arcLength *= 1.0 - fraction;
    e.startRadius = std::hypot(point.a - e.centre[a], point.b - e.centre[b]);
    if (e.startRadius > 0.0) {
        e.startDir[a] = (point.a - e.centre[a]) / e.startRadius;
        e.startDir[b] = (point.b - e.centre[b]) / e.startRadius;
    }
}

}  // namespace

bool MovesInPlane(const PathRecord& e) {
    if (IsArcType(e)) return e.arcLength > 0.0;
    return e.start[e.first] != e.end[e.first] || e.start[e.second] != e.end[e.second];
}

bool SameInIncrements(const Point& p, const Point& q, int first, int second, int increment) {
    const double inc = increment > 0 ? increment : 1000;
    return std::llround(p[first] * inc) == std::llround(q[first] * inc) &&
           std::llround(p[second] * inc) == std::llround(q[second] * inc);
}

bool OffsetElement(const PathRecord& prog, double r, int mode, const Point& previousEnd,
                   const OffsetOptions& options, PathRecord& comp) {
    comp = prog;
    comp.compensated = true;
    const int a = prog.first;
    const int b = prog.second;
    if (!IsArcType(prog)) {
        const Vec2 d = Sub(Plane(prog.end, a, b), Plane(prog.start, a, b));
        const double len = Length(d);
        const Vec2 v = len > 0.0 ? Vec2{-d.b * r / len, d.a * r / len} : Vec2{};
        if (mode == kOffsetCancel) {
            comp.start = previousEnd;
            return false;
        }
        if (mode != kOffsetStart) {
            comp.start[a] += v.a;
            comp.start[b] += v.b;
        }
        comp.end[a] += v.a;
        comp.end[b] += v.b;
        return false;
    }
    const double change = prog.type == kArcCw ? r : -r;
    if (mode != kOffsetStart) {
        comp.start[a] += prog.startDir[a] * change;
        comp.start[b] += prog.startDir[b] * change;
        comp.startRadius = prog.startRadius + change;
    }
    if (mode != kOffsetCancel) {
        comp.end[a] += prog.endDir[a] * change;
        comp.end[b] += prog.endDir[b] * change;
        comp.endRadius = prog.endRadius + change;
    }
    comp.arcLength = prog.startRadius > 0.0
                         ? std::fabs((comp.startRadius + comp.endRadius) * prog.arcLength / prog.startRadius) * 0.5
                         : prog.arcLength;
    if (options.concaveArcFeed && change < 0.0 && prog.startRadius > 0.0) {
        comp.feed = std::max(0.0, prog.feed * std::fabs(comp.startRadius) / prog.startRadius);
    }
    const double inc = options.lengthIncrement > 0 ? options.lengthIncrement : 1000;
    return std::llround(comp.startRadius * inc) < 0 || std::llround(comp.endRadius * inc) < 0;
}

bool CornerIsOutside(const PathRecord& previous, const PathRecord& current, double r) {
    const double c = Cross(Tangent(previous, true), Tangent(current, false));
    return (r < 0.0 && c > 0.0) || (r > 0.0 && c < 0.0);
}

void OutsideCornerPoints(const Point& p, const Point& q, const Point& c, double r, int first, int second,
                         double toolAxis, std::vector<Point>& points) {
    const int third = 3 - first - second;
    auto emit = [&](Vec2 v) {
        Point out{};
        out[first] = v.a;
        out[second] = v.b;
        out[third] = toolAxis;
        if (!points.empty() && points.back() == out) return;
        points.push_back(out);
    };
    const Vec2 pp = Plane(p, first, second);
    const Vec2 qq = Plane(q, first, second);
    if (std::fabs(pp.a - qq.a) + std::fabs(pp.b - qq.b) < 0.001 || r == 0.0) {
        emit(qq);
        return;
    }
    const Vec2 cc = Plane(c, first, second);
    const Vec2 va = Sub(pp, cc);
    const Vec2 vb = Sub(qq, cc);
    const double cosine = Dot(va, vb) / (r * r);
    if (!(cosine < 1.0)) {
        emit(qq);
        return;
    }
    double angle = std::acos(std::max(cosine, -1.0));
    const double cross = Cross(va, vb);
    if ((r < 0.0 && cross < 0.0) || (r > 0.0 && cross > 0.0)) angle = 2.0 * kPi - angle;
    const Vec2 ta = r > 0.0 ? TurnRight(va) : TurnLeft(va);
    const Vec2 tb = r > 0.0 ? TurnRight(vb) : TurnLeft(vb);
    if (angle > 1.5707963267948966) {
        emit({pp.a + ta.a, pp.b + ta.b});
        emit({qq.a - tb.a, qq.b - tb.b});
    } else {
        const double k = std::tan(angle * 0.5);
        emit({pp.a + ta.a * k, pp.b + ta.b * k});
    }
    emit(qq);
}

bool MeetAtInsideCorner(PathRecord& previous, PathRecord& current, const Point& corner) {
    const int a = previous.first;
    const int b = previous.second;
    Vec2 points[2];
    int count = 0;
    const bool prevArc = IsArc(previous);
    const bool curArc = IsArc(current);
    if (!prevArc && !curArc) {
        const Vec2 p0 = Plane(previous.start, a, b);
        const Vec2 dp = Sub(Plane(previous.end, a, b), p0);
        const Vec2 q0 = Plane(current.start, a, b);
        const Vec2 dq = Sub(Plane(current.end, a, b), q0);
        const double denom = Cross(dp, dq);
        if (std::fabs(denom) <= kParallel * Length(dp) * Length(dq)) return false;
        const double s = Cross(Sub(q0, p0), dq) / denom;
        points[0] = {p0.a + s * dp.a, p0.b + s * dp.b};
        count = 1;
    } else if (prevArc && curArc) {
        count = CircleCircle(Plane(previous.centre, a, b), ArcRadiusAt(previous, true),
                             Plane(current.centre, a, b), ArcRadiusAt(current, false), points);
    } else {
        const PathRecord& line = prevArc ? current : previous;
        const PathRecord& arc = prevArc ? previous : current;
        const Vec2 p0 = Plane(line.start, a, b);
        count = LineCircle(p0, Sub(Plane(line.end, a, b), p0), Plane(arc.centre, a, b),
                           ArcRadiusAt(arc, prevArc), points);
    }
    const Vec2 c = Plane(corner, a, b);
    bool found = false;
    Candidate best;
    double bestDistance = 0.0;
    for (int i = 0; i < count; ++i) {
        const double fp = FractionOn(previous, points[i]);
        const double fc = FractionOn(current, points[i]);
        if (fp < 0.0 || fc < 0.0) continue;
        const double distance = Length(Sub(points[i], c));
        if (found && distance >= bestDistance) continue;
        found = true;
        bestDistance = distance;
        best = {points[i], fp, fc};
    }
    if (!found) return false;
    CutEnd(previous, best.point, best.previousFraction);
    CutStart(current, best.point, best.currentFraction);
    return true;
}

}  // namespace morvex
