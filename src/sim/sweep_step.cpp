// The step sweeper: one short straight step of the tool, cut row strip by
// row strip, with the cutting direction of every lowered node.
//
// Implementation notes: the tool tip stands at the step end's height. A
// node alongside the step (0 < t <= 1 along its XY travel) is met at its
// perpendicular distance from the travel, a node ahead of the end at its
// distance to the end. Behind the start, a step that keeps or gains height
// meets nothing the previous step did not already cut (the end disc behind
// the start lies inside the start disc at the same or a lower level), so
// those nodes are skipped; a step that descends meets them at their distance
// to the end, since the tool really stands there, lower. A step without XY
// travel meets every node at its distance to the end. Each node's result
// depends on that node alone, so strips of rows give the same heights as one
// strip, bit for bit.
#include <algorithm>
#include <cmath>

#include "sim/sweep.h"
#include "sim/sweep_node.h"

namespace morvex {
namespace {

using sweep_detail::LowerNode;
using sweep_detail::Rounded;

int ClassOf(int direction) {
    switch (direction) {
    case 1: return kStepClassUp;
    case 2: return kStepClassDown;
    case 3: return kStepClassVertical;
    default: return kStepClassGeneral;
    }
}


}  // namespace

StepBox StepNodeBox(const SweepContext& ctx, const Point& p0, const Point& p1) {
    StepBox box;
    if (ctx.work == nullptr || ctx.tool == nullptr || ctx.work->nx < 2 || ctx.work->ny < 2) return box;
    const WorkModel& w = *ctx.work;
    if (!(p0[2] < w.zMax) && !(p1[2] < w.zMax)) return box;
    box.reach = SweepReach(*ctx.tool, p1[2], w.zMax, ctx.arborMode);
    const double xlo = std::min(p0[0], p1[0]) - box.reach, xhi = std::max(p0[0], p1[0]) + box.reach;
    const double ylo = std::min(p0[1], p1[1]) - box.reach, yhi = std::max(p0[1], p1[1]) + box.reach;
    const double width = w.lastX * w.pitch, depth = w.lastY * w.pitch;
    if (!(xhi >= 0.0 && yhi >= 0.0 && xlo <= width && ylo <= depth)) return box;
    const double inv = 1.0 / w.pitch;
    box.ixBegin = std::clamp(static_cast<int>(std::max(xlo * inv, -1.0)), 0, w.lastX);
    box.ixEnd = std::clamp(static_cast<int>(std::min(xhi * inv, static_cast<double>(w.lastX))), 0, w.lastX) + 1;
    box.iyBegin = std::clamp(static_cast<int>(std::max(ylo * inv, -1.0)), 0, w.lastY);
    box.iyEnd = std::clamp(static_cast<int>(std::min(yhi * inv, static_cast<double>(w.lastY))), 0, w.lastY) + 1;
    return box;
}

void SweepStepRows(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int rowBegin,
                   int rowEnd, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double z = p1[2];
    const double zCentre = z + t.fC;
    const float zf = Rounded(z);
    const double reach2 = box.reach * box.reach;
    const double dx = p1[0] - p0[0], dy = p1[1] - p0[1];
    const double l2 = dx * dx + dy * dy;
    const bool travel = dx != 0.0 || dy != 0.0;
    const double invL2 = travel ? 1.0 / l2 : 0.0;
    const bool behindToo = p1[2] < p0[2];
    const double* off = w.nodeOffset.data();
    rowBegin = std::max(rowBegin, box.iyBegin);
    rowEnd = std::min(rowEnd, box.iyEnd);
    for (int iy = rowBegin; iy < rowEnd; ++iy) {
        const double ny = off[iy] - p0[1];
        const double vy = off[iy] - p1[1];
        std::size_t idx = NodeIndex(w, box.ixBegin, iy);
        for (int ix = box.ixBegin; ix < box.ixEnd; ++ix, ++idx) {
            if (w.height[idx] <= zf) continue;
            const double vx = off[ix] - p1[0];
            double q;
            if (!travel) {
                q = vx * vx + vy * vy;
            } else {
                const double nx = off[ix] - p0[0];
                const double along = (nx * dx + ny * dy) * invL2;
                if (along > 0.0 && along <= 1.0) {
                    const double cross = nx * dy - ny * dx;
                    q = cross * cross * invL2;
                } else if (along > 1.0 || behindToo) {
                    q = vx * vx + vy * vy;
                } else {
                    continue;
                }
            }
            if (q > reach2) continue;
            double candidateD = ToolProfileHeight(t, z, zCentre, std::sqrt(q), q);
            if (q > t.holderLimit && t.attachment) {
                if (const auto a = AttachmentHeight(t, z, vx, vy)) candidateD = std::min(candidateD, *a);
            }
            const float candidate = Rounded(candidateD);
            if (!(candidate < w.height[idx])) continue;
            std::uint8_t attr = ctx.attrCode;
            if (ctx.fast) {
                // No cutting directions: every cut counts as general.
                sweep_detail::NoteClass(flags.stepClass, kStepClassGeneral);
            } else {
                int direction = 3;
                if (travel) {
                    const double c = dx * vy - dy * vx;
                    direction = c > 0.0 ? 1 : (c < 0.0 ? 2 : 0);
                }
                sweep_detail::NoteClass(flags.stepClass, ClassOf(direction));
                attr = static_cast<std::uint8_t>((w.attr[idx] & 0x80) | (direction << kAttrDirShift) | ctx.attrCode);
            }
            LowerNode(ctx, idx, ix, iy, candidate, q, z, true, attr, flags);
        }
    }
}

bool SweepStep(const SweepContext& ctx, const Point& p0, const Point& p1, SweepFlags& flags) {
    const StepBox box = StepNodeBox(ctx, p0, p1);
    if (box.ixEnd <= box.ixBegin || box.iyEnd <= box.iyBegin) return false;
    SweepStepRows(ctx, p0, p1, box, box.iyBegin, box.iyEnd, flags);
    ApplyDeferredPaint(*ctx.work, flags);
    return true;
}

}  // namespace morvex
