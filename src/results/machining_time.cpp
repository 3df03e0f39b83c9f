// Machining time: the trapezoidal speed profile, rapid booking along the
// dominant axis, and the merging of feed motions into segments that are
// timed as one run from the speed they are entered with to the speed they leave with.
//
// Implementation notes:
// - Profile: a = accelG * 9800 mm/s^2. Accelerating from vStart to vFeed takes
//   t1 = (vFeed - vStart) / a over d1 = (vFeed + vStart) / 2 * t1, braking to vEnd
//   t3 and d3 likewise. With room to cruise the time is t1 + t3 + (L - d1 - d3) / vFeed;
//   otherwise the motion peaks at vPeak with vPeak^2 = a L + (vStart^2 + vEnd^2) / 2
//   (d1 + d3 = L solved for the peak) and takes (2 vPeak - vStart - vEnd) / a, which is
//   never negative since 4 vPeak^2 >= (vStart + vEnd)^2.
// - A speed of 0 would never get going: it is taken as 10 mm/s. Negative and NaN
//   speeds are treated like 0; speeds above 1e12 mm/s (and +inf) are held there.
// - An acceleration that is not a positive finite number (0, negative, NaN, inf, or a
//   G value whose mm/s^2 overflows) means no acceleration limit: time = L / vFeed.
//   A positive acceleration below 1e-6 mm/s^2 is raised to it so that t1, d1 stay
//   finite for every speed allowed above. A length that is not finite and > 0 takes
//   no time; any time is held at 1e12 s, so every result is finite and >= 0.
// - Feed segments: a motion merges into the pending segment when both have a line
//   direction, their corner is within the smooth angle and the feed is exactly
//   the same. A curved motion (zero direction) or a sharper corner ends the segment at
//   rest; a feed change ends it at the lower of the two feeds, which the next segment
//   starts with. A segment of one line is timed along its dominant axis (ties to X,
//   then Y) with that axis's acceleration and its speeds scaled by axis travel / path
//   length; anything else along its path length with the X acceleration.
// - The corner is measured between unit vectors, each direction first divided by its
//   largest component so that huge components cannot overflow; a direction with a
//   non-finite component counts as zero (the motion starts a new segment).
// - Totals only ever grow by finite amounts >= 0 and are held at the largest double,
//   so no input makes them inf or NaN. Motions with a non-finite or non-positive
//   length book nothing (a feed motion still notes its feed); a NaN or negative feed
//   is timed as 0 mm/min. AddFeedMotion notes the feed extremes itself; a caller
//   that also calls NoteFeed for the same feed changes nothing.
// - A tool change stops the spindle, so it closes the pending segment first. A dwell
//   only books its time: the caller flushes first where it wants the stop counted.
#include "results/machining_time.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "nc/spline.h"

namespace morvex {
namespace {

constexpr double kMmPerS2PerG = 9800.0;
constexpr double kRestSpeed = 10.0;        // mm/s, stands in for a speed of 0
constexpr double kMaxSpeed = 1.0e12;       // mm/s
constexpr double kMinAccel = 1.0e-6;       // mm/s^2
constexpr double kMaxMotionTime = 1.0e12;  // s
constexpr double kPerMinute = 1.0 / 60.0;  // mm/min -> mm/s
constexpr double kRadToDeg = 57.29577951308232;
constexpr double kMaxTotal = std::numeric_limits<double>::max();

double ProfileSpeed(double v) {
    if (!(v > 0.0)) return kRestSpeed;  // 0, negative, NaN
    return std::min(v, kMaxSpeed);
}

double BoundedTime(double time) {
    if (!(time >= 0.0)) return 0.0;
    return std::min(time, kMaxMotionTime);
}

bool UsableLength(double length) { return length > 0.0 && std::isfinite(length); }

// Adds a finite amount >= 0; the sum saturates instead of overflowing to inf.
void Book(double& total, double amount) { total = std::min(total + amount, kMaxTotal); }

// Axis of the largest absolute displacement; ties go to X, then Y.
int DominantAxis(const Point& d) {
    int axis = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::fabs(d[i]) > std::fabs(d[axis])) axis = i;
    }
    return axis;
}

Point Displacement(const Point& from, const Point& to) {
    return {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
}

// Unit vector of d, or zero for a zero or non-finite d.
Point UnitOrZero(const Point& d) {
    double m = 0.0;
    for (const double c : d) {
        if (!std::isfinite(c)) return {};
        m = std::max(m, std::fabs(c));
    }
    if (m == 0.0) return {};
    const Point s{d[0] / m, d[1] / m, d[2] / m};
    const double n = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);  // 1..sqrt(3)
    return {s[0] / n, s[1] / n, s[2] / n};
}

bool IsZero(const Point& p) { return p[0] == 0.0 && p[1] == 0.0 && p[2] == 0.0; }

// Time of the pending segment leaving at endSpeed (mm/min).
double SegmentTime(const MachiningTimer& t, double endSpeed) {
    const FeedSegment& s = t.pending;
    if (s.count == 1 && s.type == kLine) {
        const Point d = Displacement(s.start, s.end);
        const int axis = DominantAxis(d);
        const double along = std::fabs(d[axis]);
        const double scale = along / s.length * kPerMinute;
        return MotionTime(along, s.startSpeed * scale, s.feed * scale, endSpeed * scale,
                          t.machine.accel[axis]);
    }
    return MotionTime(s.length, s.startSpeed * kPerMinute, s.feed * kPerMinute,
                      endSpeed * kPerMinute, t.machine.accel[0]);
}

void CloseSegment(MachiningTimer& t, double endSpeed) {
    const double time = SegmentTime(t, endSpeed);
    const double length = t.pending.length;
    MachiningTotals& m = t.totals;
    Book(m.feedTime, time);
    Book(m.feedLength, length);
    const bool rapidClass = t.pending.feed >= t.rapidFeedrate;
    Book(rapidClass ? m.rapidClassTime : m.cutClassTime, time);
    Book(rapidClass ? m.rapidClassLength : m.cutClassLength, length);
}

void Merge(FeedSegment& s, double length, const Point& direction, const Point& unit, const Point& end,
           int type) {
    s.end = end;
    s.length += length;
    s.count += 1;
    s.direction = direction;
    s.unit = unit;
    s.type = type;
}

void StartSegment(FeedSegment& s, double length, const Point& direction, const Point& unit,
                  const Point& start, const Point& end, double feed, int type, double startSpeed) {
    s = FeedSegment{start, end, length, feed, startSpeed, type, 1, direction, unit};
}

// The unit vector of d to within a few units in the last place, by
// multiplying with reciprocals; zero exactly where UnitOrZero gives zero.
// Near the ends of the range, where a reciprocal would lose digits, it is
// UnitOrZero itself.
Point QuickUnit(const Point& d) {
    double m = 0.0;
    for (const double c : d) {
        if (!std::isfinite(c)) return {};
        m = std::max(m, std::fabs(c));
    }
    if (m == 0.0) return {};
    if (m < 1e-290 || m > 1e290) return UnitOrZero(d);
    const double inv = 1.0 / m;
    const Point s{d[0] * inv, d[1] * inv, d[2] * inv};
    const double n = 1.0 / std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    return {s[0] * n, s[1] * n, s[2] * n};
}

// Whether the corner between two directions exceeds smoothAngle degrees:
// acos of the dot product of their unit vectors (UnitOrZero), in degrees,
// > smoothAngle. Away from the limit the quick unit vectors and the cosine
// of the smooth angle decide: a dot product more than kCornerMargin from it
// is an angle at least that many radians (the slope of acos is never below
// 1) from the limit, far beyond the rounding of the quick vectors and of
// either function; only the corners near the limit take the exact vectors
// and the arc cosine.
bool SharperThanSmooth(MachiningTimer& t, const Point& quick, const Point& quickPrevious,
                       const Point& direction, const Point& previous) {
    constexpr double kCornerMargin = 1e-9;
    const double limit = t.smoothAngle;
    if (limit > 0.0 && limit < 180.0) {
        if (!(t.cornerCosineOf == limit)) {
            t.cornerCosine = std::cos(limit / kRadToDeg);
            t.cornerCosineOf = limit;
        }
        const double c = quick[0] * quickPrevious[0] + quick[1] * quickPrevious[1] + quick[2] * quickPrevious[2];
        if (c >= t.cornerCosine + kCornerMargin) return false;
        if (c <= t.cornerCosine - kCornerMargin) return true;
    }
    const Point unit = UnitOrZero(direction);
    const Point prev = UnitOrZero(previous);
    const double c = unit[0] * prev[0] + unit[1] * prev[1] + unit[2] * prev[2];
    return std::acos(std::clamp(c, -1.0, 1.0)) * kRadToDeg > limit;
}

}  // namespace

double MotionTime(double length, double vStart, double vFeed, double vEnd, double accelG) {
    if (!UsableLength(length)) return 0.0;
    const double vs = ProfileSpeed(vStart);
    const double vf = ProfileSpeed(vFeed);
    const double ve = ProfileSpeed(vEnd);
    double a = accelG * kMmPerS2PerG;
    if (!(a > 0.0) || !std::isfinite(a)) return BoundedTime(length / vf);
    a = std::max(a, kMinAccel);

    const double t1 = (vf - vs) / a;
    const double t3 = (vf - ve) / a;
    const double d1 = (vf + vs) * 0.5 * t1;
    const double d3 = (ve + vf) * 0.5 * t3;
    if (length <= d1 + d3) {
        const double peak = std::sqrt(a * length + 0.5 * vs * vs + 0.5 * ve * ve);
        return BoundedTime((peak - vs) / a + (peak - ve) / a);
    }
    return BoundedTime((length - d1 - d3) / vf + t3 + t1);
}

void StartMachiningTimer(MachiningTimer& t, const MachineDef& machine, double rapidFeedrate,
                         double smoothAngle) {
    t.totals = MachiningTotals{};
    ResetFeedSegment(t);
    t.machine = machine;
    t.rapidFeedrate = rapidFeedrate;
    t.smoothAngle = smoothAngle;
}

void AddRapidMotion(MachiningTimer& t, const Point& start, const Point& end) {
    FlushFeedSegment(t);
    const Point d = Displacement(start, end);
    const double length = std::hypot(d[0], d[1], d[2]);
    if (!UsableLength(length)) return;
    const int axis = DominantAxis(d);
    const double time = MotionTime(std::fabs(d[axis]), 0.0, t.machine.rapid[axis] * kPerMinute,
                                   0.0, t.machine.rapidAccel[axis]);
    MachiningTotals& m = t.totals;
    Book(m.rapidLength, length);
    Book(m.rapidClassLength, length);
    Book(m.rapidTime, time);
    Book(m.rapidClassTime, time);
}

void AddFeedMotion(MachiningTimer& t, double length, const Point& direction, const Point& start,
                   const Point& end, double feed, int type) {
    NoteFeed(t, feed);
    if (!UsableLength(length)) return;
    if (!(feed >= 0.0)) feed = 0.0;
    const Point unit = QuickUnit(direction);
    const Point dir = IsZero(unit) ? Point{} : direction;
    FeedSegment& p = t.pending;

    if (p.count == 0) {
        p.start = start;
        p.feed = feed;
        Merge(p, length, dir, unit, end, type);
        return;
    }
    bool corner = IsZero(unit) || IsZero(p.unit);
    if (!corner) corner = SharperThanSmooth(t, unit, p.unit, dir, p.direction);
    if (corner) {
        CloseSegment(t, 0.0);
        StartSegment(p, length, dir, unit, start, end, feed, type, 0.0);
    } else if (feed == p.feed) {
        Merge(p, length, dir, unit, end, type);
    } else {
        const double speed = std::min(p.feed, feed);
        CloseSegment(t, speed);
        StartSegment(p, length, dir, unit, start, end, feed, type, speed);
    }
}

void FlushFeedSegment(MachiningTimer& t) {
    if (t.pending.length > 0.0) CloseSegment(t, 0.0);
    ResetFeedSegment(t);
}

void ResetFeedSegment(MachiningTimer& t) { t.pending = FeedSegment{}; }

void AddToolChange(MachiningTimer& t) {
    FlushFeedSegment(t);
    const double time = t.machine.toolChangeTime;
    if (!(time > 0.0) || !std::isfinite(time)) return;
    Book(t.totals.rapidTime, time);
    Book(t.totals.rapidClassTime, time);
}

void AddDwell(MachiningTimer& t, double seconds, bool rapidMode) {
    if (!(seconds > 0.0) || !std::isfinite(seconds)) return;
    MachiningTotals& m = t.totals;
    if (rapidMode) {
        Book(m.rapidTime, seconds);
        Book(m.rapidClassTime, seconds);
    } else {
        Book(m.feedTime, seconds);
        Book(m.cutClassTime, seconds);
    }
}

void NoteFeed(MachiningTimer& t, double feed) {
    if (!(feed > 0.0) || !std::isfinite(feed)) return;
    MachiningTotals& m = t.totals;
    m.maxProgramFeed = std::max(m.maxProgramFeed, feed);
    m.minProgramFeed = std::min(m.minProgramFeed, feed);
    if (feed < t.rapidFeedrate) m.maxCutFeed = std::max(m.maxCutFeed, feed);
}

double SplinePathLength(const PathRecord& p, std::vector<Point>& points) {
    constexpr double kSplineTolerance = 0.001;  // mm, chord error of spline points
    points.clear();
    if (p.spline == nullptr) return 0.0;
    SplinePolyline(*p.spline, kSplineTolerance, kMaxSplinePolylinePoints, points);
    const double shift = p.toolEnd[2] - p.end[2];
    double length = 0.0;
    Point previous = p.toolStart;
    for (Point& q : points) {
        q[2] += shift;
        length += std::sqrt((q[0] - previous[0]) * (q[0] - previous[0]) +
                            (q[1] - previous[1]) * (q[1] - previous[1]) +
                            (q[2] - previous[2]) * (q[2] - previous[2]));
        previous = q;
    }
    return length;
}

double CycleBottomDwell(int code, double dwell) {
    const bool waits = code == 76 || code == 82 || code == 88 || code == 89;
    return waits && dwell > 0.0 ? dwell : 0.0;
}

void BookPathMotion(MachiningTimer& t, const PathRecord& p, double splineLength, double bottomDwell) {
    if (p.type == kRapid) {
        AddRapidMotion(t, p.toolStart, p.toolEnd);
    } else {
        Point d{};
        for (int a = 0; a < 3; ++a) d[a] = p.toolEnd[a] - p.toolStart[a];
        double length = 0.0;
        if (p.type == kArcCw || p.type == kArcCcw) {
            const double dz = d[p.third];
            length = std::sqrt(dz * dz + p.arcLength * p.arcLength);
            d = Point{};
        } else if (p.type == kSpline) {
            length = splineLength;
            d = Point{};
        } else {
            length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        }
        if (length > 0.0) {
            AddFeedMotion(t, length, d, p.toolStart, p.toolEnd, p.feed, p.type);
            NoteFeed(t, p.feed);
        }
        // Cycles that wait at the bottom: the dwell of each feed down the tool axis.
        if (p.type == kLine && bottomDwell > 0.0 && p.toolEnd[p.third] < p.toolStart[p.third] &&
            p.toolEnd[p.first] == p.toolStart[p.first] && p.toolEnd[p.second] == p.toolStart[p.second]) {
            AddDwell(t, bottomDwell, false);
        }
    }
    // The dwell goes with the motion mode of its own block.
    if (p.dwell > 0.0) AddDwell(t, p.dwell, p.type == kRapid);
}

}  // namespace morvex
