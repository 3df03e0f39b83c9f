// Marks at the edges of cuts written off their place.
//
// Implementation notes: the nodes within a distance r of a straight path
// form a capsule, which meets a row of nodes in one interval (it is
// convex): the union of what its two end discs and the band between them
// meet. The marked nodes of a row are those of the outer capsule's interval
// that are not in the inner one's, at most two runs, so a path costs two
// intervals per row it reaches, however long it is.
#include "sim/cut_edges.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

namespace morvex {
namespace {

// The interval [lo, hi] of x on the line y where the capsule of radius r
// around a..b lies; false when it does not reach the line.
bool CapsuleRow(double ax, double ay, double bx, double by, double r, double y, double& lo,
                double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    if (!(r > 0.0)) return false;
    auto disc = [&](double cx, double cy) {
        const double d = y - cy;
        if (!(d * d <= r * r)) return;
        const double h = std::sqrt(r * r - d * d);
        lo = std::min(lo, cx - h);
        hi = std::max(hi, cx + h);
    };
    disc(ax, ay);
    disc(bx, by);
    const double dx = bx - ax, dy = by - ay, length = std::hypot(dx, dy);
    if (length > 0.0) {
        const double ux = dx / length, uy = dy / length;
        double from = -std::numeric_limits<double>::infinity(), to = -from;
        // Keeps the x for which low <= k x + c <= high.
        auto clip = [&](double k, double c, double low, double high) {
            if (std::fabs(k) < 1e-12) {
                if (c < low || c > high) from = to + 1.0;
                return;
            }
            double p = (low - c) / k, q = (high - c) / k;
            if (p > q) std::swap(p, q);
            from = std::max(from, p);
            to = std::min(to, q);
        };
        // Along the path from a to b, and across it within r.
        clip(ux, -ax * ux + (y - ay) * uy, 0.0, length);
        clip(-uy, ax * uy + (y - ay) * ux, -r, r);
        if (from <= to) {
            lo = std::min(lo, from);
            hi = std::max(hi, to);
        }
    }
    return lo <= hi;
}

void Mark(CutEdgeMarks& marks, int iy, int from, int to) {
    const std::size_t row = static_cast<std::size_t>(iy) * static_cast<std::size_t>(marks.nx);
    for (int ix = from; ix <= to; ++ix) {
        const std::size_t i = row + static_cast<std::size_t>(ix);
        marks.bits[i >> 6] |= std::uint64_t{1} << (i & 63);
    }
}

}  // namespace

void MarkCutEdges(CutEdgeMarks& marks, const WorkModel& work, double ax, double ay, double bx,
                  double by, double reach, double shift) {
    const WorkModel& w = work;
    if (w.nx < 1 || w.ny < 1 || !(w.pitch > 0.0) || !(reach > 0.0) || !(shift >= 0.0)) return;
    if (!std::isfinite(ax + ay + bx + by + reach + shift)) return;
    if (marks.nx != w.nx || marks.ny != w.ny) {
        marks.nx = w.nx;
        marks.ny = w.ny;
        marks.bits.assign(
            (static_cast<std::size_t>(w.nx) * static_cast<std::size_t>(w.ny) + 63) / 64, 0);
    }
    // A little more each way than the shift: the sweeps and this geometry
    // round differently.
    const double outer = reach + shift + 1e-6;
    const double inner = reach - shift - w.pitch;
    const double inv = 1.0 / w.pitch;
    const double last = static_cast<double>(w.lastX);
    const int iy0 = static_cast<int>(
        std::clamp(std::floor((std::min(ay, by) - outer) * inv), 0.0, static_cast<double>(w.ny)));
    const int iy1 = static_cast<int>(std::clamp(std::ceil((std::max(ay, by) + outer) * inv), -1.0,
                                                static_cast<double>(w.lastY)));
    for (int iy = iy0; iy <= iy1; ++iy) {
        const double y = iy * w.pitch;
        double lo = 0.0, hi = 0.0;
        if (!CapsuleRow(ax, ay, bx, by, outer, y, lo, hi)) continue;
        const int from = static_cast<int>(std::clamp(std::floor(lo * inv), 0.0, last + 1.0));
        const int to = static_cast<int>(std::clamp(std::ceil(hi * inv), -1.0, last));
        double innerLo = 0.0, innerHi = 0.0;
        if (!CapsuleRow(ax, ay, bx, by, inner, y, innerLo, innerHi)) {
            Mark(marks, iy, from, to);
            continue;
        }
        // Nodes strictly inside the inner capsule are cut by the written
        // path too.
        const int skipFrom =
            static_cast<int>(std::clamp(std::floor(innerLo * inv) + 1.0, 0.0, last + 1.0));
        const int skipTo = static_cast<int>(std::clamp(std::ceil(innerHi * inv) - 1.0, -1.0, last));
        if (skipFrom > skipTo) {
            Mark(marks, iy, from, to);
            continue;
        }
        Mark(marks, iy, from, std::min(to, skipFrom - 1));
        Mark(marks, iy, std::max(from, skipTo + 1), to);
    }
}

namespace {

// Calls f(iy, from, to) for the columns of each row within `reach` of the
// path a..b (of the rectangle between a and b unless `straight`).
template <class F>
void ForNodesNear(const WorkModel& w, double ax, double ay, double bx, double by, double reach, bool straight,
                  F&& f) {
    if (w.nx < 1 || w.ny < 1 || !(w.pitch > 0.0) || !(reach >= 0.0)) return;
    if (!std::isfinite(ax + ay + bx + by + reach)) return;
    const double inv = 1.0 / w.pitch;
    const double last = static_cast<double>(w.lastX);
    const int iy0 = static_cast<int>(
        std::clamp(std::floor((std::min(ay, by) - reach) * inv), 0.0, static_cast<double>(w.ny)));
    const int iy1 = static_cast<int>(
        std::clamp(std::ceil((std::max(ay, by) + reach) * inv), -1.0, static_cast<double>(w.lastY)));
    for (int iy = iy0; iy <= iy1; ++iy) {
        double lo = std::min(ax, bx) - reach, hi = std::max(ax, bx) + reach;
        if (straight && !CapsuleRow(ax, ay, bx, by, reach, iy * w.pitch, lo, hi)) continue;
        const int from = static_cast<int>(std::clamp(std::ceil(lo * inv), 0.0, last + 1.0));
        const int to = static_cast<int>(std::clamp(std::floor(hi * inv), -1.0, last));
        if (from <= to) f(iy, from, to);
    }
}

}  // namespace

void MarkLeftStanding(LeftStanding& left, const WorkModel& work, double ax, double ay, double bx, double by,
                      double reach, float top) {
    if (!(top == top) || !std::isfinite(ax + ay + bx + by + reach)) return;
    left.highest = std::max(left.highest, top);
    if (left.everywhere) return;
    if (left.nx != work.nx || left.ny != work.ny) {
        left.nx = std::max(work.nx, 0);
        left.ny = std::max(work.ny, 0);
        try {
            left.top.assign(static_cast<std::size_t>(left.nx) * static_cast<std::size_t>(left.ny),
                            -std::numeric_limits<float>::infinity());
        } catch (const std::bad_alloc&) {
            left.top = {};
            left.everywhere = true;
            return;
        }
    }
    // A little wider than the reach: the sweeps and this geometry round
    // differently.
    ForNodesNear(work, ax, ay, bx, by, reach + 1e-6, true, [&](int iy, int from, int to) {
        float* row = left.top.data() + static_cast<std::size_t>(iy) * static_cast<std::size_t>(left.nx);
        for (int ix = from; ix <= to; ++ix) row[ix] = std::max(row[ix], top);
    });
}

double LeftStandingTop(const LeftStanding& left, const WorkModel& work, double ax, double ay, double bx, double by,
                       double reach, bool straight) {
    if (left.everywhere) return left.highest;
    float highest = -std::numeric_limits<float>::infinity();
    if (left.top.empty() || left.nx != work.nx || left.ny != work.ny) return highest;
    ForNodesNear(work, ax, ay, bx, by, reach + 1e-6, straight, [&](int iy, int from, int to) {
        const float* row = left.top.data() + static_cast<std::size_t>(iy) * static_cast<std::size_t>(left.nx);
        for (int ix = from; ix <= to; ++ix) highest = std::max(highest, row[ix]);
    });
    return highest;
}

}  // namespace morvex
