// Rapid traverse split into pieces: LINE, ASYNC1, ASYNC2 and UNKNOWN.
//
// Implementation notes: an axis within kArrival of its target counts as not
// moving (or arrived). ASYNC1 moves every unarrived axis by the smallest
// remaining distance, so at most three pieces. ASYNC2 gives each axis a
// trapezoid speed profile: rate/60 mm/s, accel * 9800 mm/s^2 (the machine
// definition states accelerations in G, and the machining-time model uses the
// same factor). With ramp time t1 = min(v/a, T_axis/2) the travelled distance
// is a t^2/2 while accelerating, a t1^2/2 + v (t - t1) while cruising and
// d - a (T_axis - t)^2/2 while braking; after T_axis the axis stays at its
// target. The piece count is the slowest axis's distance over the work pitch
// rounded up (every piece then averages at most one pitch along that axis),
// capped at kMaxRapidPieces. Input that leaves the profile undefined (a
// non-finite point, pitch, rate or acceleration, or a rate or acceleration
// not above 0 on a moving axis) gives the single straight piece.
#include "nc/rapid_split.h"

#include <algorithm>
#include <cmath>

namespace morvex {
namespace {

constexpr double kArrival = 0.00001;  // mm
constexpr double kMmPerSecondSquaredPerG = 9800.0;
constexpr double kCountSlack = 1e-9;  // a quotient this close to an integer is it

bool IsFinite(const Point& p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

void SplitAsync1(const Point& start, const Point& end, std::vector<Point>& pieces) {
    Point at = start;
    for (int piece = 0; piece < 3; ++piece) {
        double step = -1.0;
        for (int i = 0; i < 3; ++i) {
            const double left = std::abs(end[i] - at[i]);
            if (left > kArrival && (step < 0.0 || left < step)) step = left;
        }
        if (step < 0.0) break;
        for (int i = 0; i < 3; ++i) {
            const double left = std::abs(end[i] - at[i]);
            if (left <= kArrival) continue;
            at[i] = left - step <= kArrival ? end[i] : at[i] + std::copysign(step, end[i] - at[i]);
        }
        pieces.push_back(at);
    }
    if (pieces.empty()) pieces.push_back(end);
    pieces.back() = end;
}

struct AxisProfile {
    double distance = 0.0;  // mm, not negative
    double speed = 0.0;     // mm/s
    double accel = 0.0;     // mm/s^2
    double time = 0.0;      // s
};

// Time of a stop-to-stop move over d at top speed v and acceleration a.
double ProfileTime(double d, double v, double a) {
    const double cruise = d - v * v / a;
    if (cruise <= 0.0) return 2.0 * std::sqrt(d / a);
    return 2.0 * v / a + cruise / v;
}

double ProfileDistance(const AxisProfile& p, double t) {
    if (t >= p.time) return p.distance;
    const double ramp = std::min(p.speed / p.accel, p.time / 2.0);
    double s;
    if (t <= ramp) {
        s = 0.5 * p.accel * t * t;
    } else if (t >= p.time - ramp) {
        const double rest = p.time - t;
        s = p.distance - 0.5 * p.accel * rest * rest;
    } else {
        s = 0.5 * p.accel * ramp * ramp + p.speed * (t - ramp);
    }
    return std::clamp(s, 0.0, p.distance);
}

void SplitAsync2(const Point& start, const Point& end, const RapidAxes& axes, double workPitch,
                 std::vector<Point>& pieces) {
    std::array<AxisProfile, 3> prof{};
    int moving = 0;
    int slowest = -1;
    for (int i = 0; i < 3; ++i) {
        AxisProfile& p = prof[i];
        p.distance = std::abs(end[i] - start[i]);
        if (p.distance <= 0.0) continue;
        p.speed = axes.rate[i] / 60.0;
        p.accel = axes.accel[i] * kMmPerSecondSquaredPerG;
        if (!(p.speed > 0.0) || !(p.accel > 0.0) || !std::isfinite(p.speed) ||
            !std::isfinite(p.accel))
            return;
        p.time = ProfileTime(p.distance, p.speed, p.accel);
        if (!std::isfinite(p.time)) return;
        if (p.distance > kArrival) ++moving;
        if (slowest < 0 || p.time > prof[slowest].time) slowest = i;
    }
    if (moving < 2 || !(workPitch > 0.0) || !std::isfinite(workPitch)) return;

    // Equal distances at equal rates keep the axes in step: a straight line.
    bool inStep = true;
    int ref = -1;
    for (int i = 0; i < 3; ++i) {
        if (prof[i].distance <= kArrival) continue;
        if (ref < 0) {
            ref = i;
        } else if (std::abs(prof[i].distance - prof[ref].distance) > kArrival ||
                   axes.rate[i] != axes.rate[ref]) {
            inStep = false;
        }
    }
    if (inStep) return;

    const double total = prof[slowest].time;
    if (!(total > 0.0)) return;
    const double quotient = prof[slowest].distance / workPitch;
    const double rounded = std::ceil(quotient - kCountSlack);
    const std::size_t count = rounded >= static_cast<double>(kMaxRapidPieces) ? kMaxRapidPieces
                              : rounded >= 1.0 ? static_cast<std::size_t>(rounded)
                                               : 1;
    if (count < 2) return;

    pieces.reserve(count);
    for (std::size_t k = 1; k < count; ++k) {
        const double t = total * static_cast<double>(k) / static_cast<double>(count);
        Point at = start;
        for (int i = 0; i < 3; ++i) {
            if (prof[i].distance <= 0.0) continue;
            at[i] = start[i] + std::copysign(ProfileDistance(prof[i], t), end[i] - start[i]);
        }
        pieces.push_back(at);
    }
    pieces.push_back(end);
}

void SplitUnknown(const Point& start, const Point& end, const Point* corner,
                  std::vector<Point>& pieces) {
    std::array<bool, 3> moves{};
    int moving = 0;
    for (int i = 0; i < 3; ++i) {
        moves[i] = std::abs(end[i] - start[i]) > kArrival;
        moving += moves[i] ? 1 : 0;
    }
    if (moving < 2) return;

    const double z = end[2];
    if (moves[2]) pieces.push_back({start[0], start[1], z});
    const bool useCorner =
        corner != nullptr && std::isfinite((*corner)[0]) && std::isfinite((*corner)[1]);
    if (useCorner) {
        // A corner on the route's own start or end adds nothing but a zero-length piece.
        const auto near = [&](const Point& p) {
            return std::abs(p[0] - (*corner)[0]) <= kArrival &&
                   std::abs(p[1] - (*corner)[1]) <= kArrival;
        };
        if (!near(start) && !near(end)) pieces.push_back({(*corner)[0], (*corner)[1], z});
    } else if (moves[0] && moves[1]) {
        // Both L-shaped routes: out along Y then X, back, and along X then Y.
        pieces.push_back({start[0], end[1], z});
        pieces.push_back({end[0], end[1], z});
        pieces.push_back({start[0], start[1], z});
        pieces.push_back({end[0], start[1], z});
    }
    pieces.push_back(end);
}

}  // namespace

void SplitRapid(int g00Mode, const Point& start, const Point& end, const RapidAxes& axes,
                double workPitch, const Point* corner, std::vector<Point>& pieces) {
    pieces.clear();
    if (IsFinite(start) && IsFinite(end)) {
        switch (g00Mode) {
            case kG00Async1:
                SplitAsync1(start, end, pieces);
                break;
            case kG00Async2:
                SplitAsync2(start, end, axes, workPitch, pieces);
                break;
            case kG00Unknown:
                SplitUnknown(start, end, corner, pieces);
                break;
            default:
                break;
        }
    }
    // Every path not split above is the one straight piece.
    if (pieces.empty()) pieces.push_back(end);
}

}  // namespace morvex
