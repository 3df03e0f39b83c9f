// Picking a node of the work.
//
// Implementation notes: the projection maps a point P to the screen through
// the orthonormal frame e_h = (cos A, -sin A, 0), e_w = (sin A cos B,
// cos A cos B, sin B) and V (towards the viewer): with d = P - C, h = d.e_h,
// w = d.e_w, t = d.V, the pixel is (ox + f h, oy - f w), f = S
// (orthographic) or S D / (D - t) (perspective). Inverting it for a fixed
// pixel gives P(t), a line in t. It is walked from the viewer's side of
// the work's box away from the viewer in steps of at most half a pitch
// along each axis; the first sample at or below the height of its nearest
// node is the hit.
#include "view/work_pick.h"

#include <algorithm>
#include <cmath>

namespace morvex {
namespace {

bool IsOrthographic(const ViewState& v) {
    const float a = v.angleA;
    return !v.perspective || a == 0.0f || a == 90.0f || a == 180.0f || a == 270.0f;
}

// Clips [lo, hi] to the t where origin + t dir lies in [a, b]; false when empty.
bool ClipSlab(double origin, double dir, double a, double b, double& lo, double& hi) {
    if (std::abs(dir) < 1e-12) return origin >= a && origin <= b;
    double t0 = (a - origin) / dir, t1 = (b - origin) / dir;
    if (t0 > t1) std::swap(t0, t1);
    lo = std::max(lo, t0);
    hi = std::min(hi, t1);
    return lo <= hi;
}

}  // namespace

std::optional<GridCell> CellUnderPixel(const ViewState& v, const WorkModel& w, int px, int py) {
    if (w.workState <= 0 || w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || !(v.scale > 0.0)) {
        return std::nullopt;
    }
    const double sx = px + 0.5, sy = py + 0.5;
    const Vec3 eh{v.cosA, -v.sinA, 0.0};
    const Vec3 ew{v.sinA * v.cosB, v.cosA * v.cosB, v.sinB};
    const Vec3& toViewer = v.toViewer;
    Vec3 origin, dir;
    double tMax = 1e30;
    if (IsOrthographic(v)) {
        origin = v.centre + eh * ((sx - v.ox) / v.scale) + ew * ((v.oy - sy) / v.scale);
        dir = toViewer;
    } else {
        if (!(v.distance > 0.0)) return std::nullopt;
        const double a = (sx - v.ox) / (v.scale * v.distance), b = (v.oy - sy) / (v.scale * v.distance);
        origin = v.centre + eh * (a * v.distance) + ew * (b * v.distance);
        dir = toViewer - eh * a - ew * b;
        tMax = v.distance * (1.0 - 1e-9);  // the eye itself
    }
    // The box of every node: half a pitch round the grid, the top, and as
    // far below the block's bottom as it is deep (cuts may go below it).
    const double half = 0.5 * w.pitch;
    const double top = w.zMax + w.pitch;
    const double bottom = w.zMin - std::max(0.0, w.zMax - w.zMin) - w.pitch;
    double lo = -1e30, hi = tMax;
    if (!ClipSlab(origin.x, dir.x, w.xMin - half, w.xMax + half, lo, hi) ||
        !ClipSlab(origin.y, dir.y, w.yMin - half, w.yMax + half, lo, hi) ||
        !ClipSlab(origin.z, dir.z, bottom, top, lo, hi)) {
        return std::nullopt;
    }
    const double reach = std::max({std::abs(dir.x), std::abs(dir.y), std::abs(dir.z)});
    if (!(reach > 0.0)) return std::nullopt;
    const double dt = half / reach;
    const double span = (hi - lo) / dt;
    const long long samples = std::min<long long>(static_cast<long long>(span) + 2, 4'000'000);
    auto nodeAt = [&](double t) {
        const Vec3 p = origin + dir * t;
        const int ix = std::clamp(static_cast<int>(std::floor((p.x - w.xMin) / w.pitch + 0.5)), 0, w.lastX);
        const int iy = std::clamp(static_cast<int>(std::floor((p.y - w.yMin) / w.pitch + 0.5)), 0, w.lastY);
        return GridCell{ix, iy};
    };
    auto below = [&](double t) {
        const GridCell c = nodeAt(t);
        return origin.z + dir.z * t <= w.height[NodeIndex(w, c.ix, c.iy)];
    };
    double above = hi;
    for (long long k = 0; k < samples; ++k) {
        const double t = std::max(lo, hi - static_cast<double>(k) * dt);
        if (!below(t)) {
            above = t;
            continue;
        }
        if (k == 0) return nodeAt(t);  // in through a side wall
        // The sample may lie up to a step past the surface: close in on
        // where the line goes under it.
        double under = t;
        for (int i = 0; i < 40 && above - under > 1e-9 * (1.0 + std::abs(above)); ++i) {
            const double mid = 0.5 * (above + under);
            (below(mid) ? under : above) = mid;
        }
        return nodeAt(under);
    }
    return std::nullopt;
}

}  // namespace morvex
