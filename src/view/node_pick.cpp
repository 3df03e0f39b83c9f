// Picking a node under the mouse.
//
// Implementation notes: the projection maps a work point p to h = H.(p - C),
// w = W.(p - C) and the depth d = V.(p - C) with H = (cos A, -sin A, 0),
// W = (sin A cos B, cos A cos B, sin B) and V the unit vector towards the
// viewer; the pixel is (ox + f h, oy - f w) with f = scale in a parallel
// view and f = scale D / (D - d) in perspective (D the viewing distance).
// So a pixel's points are C + hs H + ws W + s V (parallel) or the line from
// the eye C + D V through C + hs H + ws W (perspective), hs and ws the
// pixel's offsets divided by the scale.
#include "view/node_pick.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim/measurement.h"

namespace morvex {
namespace {

// The projection's rule for a parallel view: no perspective, or the azimuth
// on an axis.
bool ParallelView(const ViewState& v) {
    const float a = v.angleA;
    return !v.perspective || a == 0.0f || a == 90.0f || a == 180.0f || a == 270.0f;
}

// Steps along the line of sight at most; a longer line takes longer steps.
constexpr double kMaxSteps = 200000.0;

}  // namespace

long long NodeUnderPixel(const WorkModel& w, const ViewState& v, int px, int py) {
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || !(v.scale > 0.0)) return -1;
    const Point H{v.cosA, -v.sinA, 0.0};
    const Point W{v.sinA * v.cosB, v.cosA * v.cosB, v.sinB};
    const Point V{v.toViewer.x, v.toViewer.y, v.toViewer.z};
    const Point C{v.centre.x, v.centre.y, v.centre.z};
    // The middle of the pixel: the projection truncates.
    const double hs = (px + 0.5 - v.ox) / v.scale, ws = (v.oy - (py + 0.5)) / v.scale;
    Point from{}, dir{};
    for (int a = 0; a < 3; ++a) {
        const double onScreen = C[a] + hs * H[a] + ws * W[a];
        if (ParallelView(v)) {
            from[a] = onScreen;
            dir[a] = -V[a];
        } else {
            from[a] = C[a] + v.distance * V[a];  // the eye
            dir[a] = onScreen - from[a];
        }
    }
    const double length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (!(length > 0.0)) return -1;
    for (double& c : dir) c /= length;
    // The block the surface lies in, with room below for nodes cut through the bottom.
    const double xEnd = w.xMin + (w.nx - 1) * w.pitch, yEnd = w.yMin + (w.ny - 1) * w.pitch;
    double zTop = w.zMax, zLow = w.zMin;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        zTop = std::max(zTop, static_cast<double>(w.height[i]));
        zLow = std::min(zLow, static_cast<double>(w.height[i]));
    }
    const double lo[3] = {w.xMin, w.yMin, zLow - w.pitch}, hi[3] = {xEnd, yEnd, zTop + w.pitch};
    // Where the line is inside the block (slabs); a parallel view's line runs both ways.
    double tIn = ParallelView(v) ? -std::numeric_limits<double>::infinity() : 0.0;
    double tOut = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(dir[a]) < 1e-12) {
            if (from[a] < lo[a] || from[a] > hi[a]) return -1;
            continue;
        }
        double t0 = (lo[a] - from[a]) / dir[a], t1 = (hi[a] - from[a]) / dir[a];
        if (t0 > t1) std::swap(t0, t1);
        tIn = std::max(tIn, t0);
        tOut = std::min(tOut, t1);
    }
    if (!(tIn <= tOut) || !std::isfinite(tIn) || !std::isfinite(tOut)) return -1;
    const double span = tOut - tIn;
    const long long steps = static_cast<long long>(std::ceil(std::min(span / (0.25 * w.pitch), kMaxSteps)));
    for (long long i = 0; i <= steps; ++i) {
        const double t = steps > 0 ? tIn + span * static_cast<double>(i) / static_cast<double>(steps) : tIn;
        const double x = from[0] + t * dir[0], y = from[1] + t * dir[1], z = from[2] + t * dir[2];
        // Met the surface, or came in through a side wall below it.
        if (z <= SurfaceHeightAt(w, x, y)) {
            const int ix = std::clamp(static_cast<int>(std::lround((x - w.xMin) / w.pitch)), 0, w.nx - 1);
            const int iy = std::clamp(static_cast<int>(std::lround((y - w.yMin) / w.pitch)), 0, w.ny - 1);
            return static_cast<long long>(iy) * w.nx + ix;
        }
    }
    return -1;
}

}  // namespace morvex
