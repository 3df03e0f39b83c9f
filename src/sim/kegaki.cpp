// The scribing marker (KEGAKI): a tool that draws a line of depth h into the
// surface as it was before the run, whatever Z the program gives.
//
// Implementation notes: only feed motions below RAPID FEEDRATE mark. The
// motion is stepped at n = trunc(2 L / d + 0.99) steps; every node within
// d / 2 of a step's XY travel whose height is not below (height before the
// run - h) is set to exactly that, with the line number and the attribute
// code (the whole code in the fast versions, else keeping the direction
// bits). A marker with pen 0 and h = 0 only paints. The heights before the
// run are the backup pair; at data levels without one the marker leaves the
// heights alone and only marks attributes and line numbers. The volume taken
// away is summed with the border weights of the removal volume.
#include <algorithm>
#include <cmath>

#include "sim/cut_motion.h"

namespace morvex {
namespace {

double BorderWeight(const WorkModel& w, int ix, int iy) {
    double weight = 1.0;
    if (ix == 0 || ix == w.lastX) weight *= 0.5;
    if (iy == 0 || iy == w.lastY) weight *= 0.5;
    return weight;
}

void MarkStep(const SweepContext& ctx, const Point& p0, const Point& p1, double radius, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double depth = t.tool.h;
    const bool paintOnly = t.tool.pen == 0 && depth == 0.0;
    const double dx = p1[0] - p0[0], dy = p1[1] - p0[1];
    const double l2 = dx * dx + dy * dy;
    const double r2 = radius * radius;
    const double inv = 1.0 / w.pitch;
    const double xlo = std::min(p0[0], p1[0]) - radius, xhi = std::max(p0[0], p1[0]) + radius;
    const double ylo = std::min(p0[1], p1[1]) - radius, yhi = std::max(p0[1], p1[1]) + radius;
    if (!(xhi >= 0.0 && yhi >= 0.0 && xlo <= w.lastX * w.pitch && ylo <= w.lastY * w.pitch)) return;
    const int ix0 = std::clamp(static_cast<int>(std::max(xlo * inv, -1.0)), 0, w.lastX);
    const int ix1 = std::clamp(static_cast<int>(std::min(xhi * inv, static_cast<double>(w.lastX))), 0, w.lastX);
    const int iy0 = std::clamp(static_cast<int>(std::max(ylo * inv, -1.0)), 0, w.lastY);
    const int iy1 = std::clamp(static_cast<int>(std::min(yhi * inv, static_cast<double>(w.lastY))), 0, w.lastY);
    const double* off = w.nodeOffset.data();
    for (int iy = iy0; iy <= iy1; ++iy) {
        for (int ix = ix0; ix <= ix1; ++ix) {
            const double nx = off[ix] - p0[0], ny = off[iy] - p0[1];
            const double along = l2 > 0.0 ? std::clamp((nx * dx + ny * dy) / l2, 0.0, 1.0) : 0.0;
            const double ex = nx - along * dx, ey = ny - along * dy;
            if (ex * ex + ey * ey > r2) continue;
            const std::size_t idx = NodeIndex(w, ix, iy);
            if (paintOnly) {
                w.attr[idx] |= kAttrPaint;
                continue;
            }
            if (w.heightOther != nullptr) {
                const float mark = static_cast<float>(w.heightOther[idx] - depth);
                if (w.height[idx] < mark) continue;
                if (static_cast<long long>(idx) == ctx.watchedNode && w.height[idx] > mark &&
                    (!ctx.watchHeight || w.height[idx] == ctx.watchedHeight)) {
                    flags.searchHit = 1;
                }
                flags.removedVolume += (w.height[idx] - mark) * BorderWeight(w, ix, iy) * w.pitch * w.pitch;
                flags.highestCut = std::max(flags.highestCut, w.height[idx]);
                w.height[idx] = mark;
            }
            w.attr[idx] = ctx.fast ? ctx.attrCode : static_cast<std::uint8_t>((w.attr[idx] & kAttrKeepMask) | ctx.attrCode);
            if (w.lineNo != nullptr) w.lineNo[idx] = ctx.lineNo;
            flags.cutDone = 1;
        }
    }
}

}  // namespace

int SweepKegaki(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options, SweepFlags& flags) {
    if (!options.cutting || m.type == kRapid) return 0;
    const ToolProfile& t = *ctx.tool;
    const double d = t.tool.d;
    if (!(d > 0.0)) return 0;
    const bool arc = m.type == kArcCw || m.type == kArcCcw;
    const double dx = m.p1[0] - m.p0[0], dy = m.p1[1] - m.p0[1];
    const double length = arc ? m.arcLength : std::sqrt(dx * dx + dy * dy);
    const double steps = std::trunc(2.0 * length / d + 0.99);
    const long long n = std::clamp(static_cast<long long>(std::isfinite(steps) ? steps : 1.0), 1LL, kMaxStepsPerMotion);
    Point from = m.p0;
    for (long long i = 1; i <= n; ++i) {
        const Point to = i < n ? MotionPointAt(m, static_cast<double>(i) / static_cast<double>(n)) : m.p1;
        MarkStep(ctx, from, to, 0.5 * d, flags);
        from = to;
    }
    return 1;
}

}  // namespace morvex
