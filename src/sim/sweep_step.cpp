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
#include "sim/sweep_rows.h"

namespace morvex {
namespace {

using sweep_detail::LowerNode;
using sweep_detail::Rounded;

// Runs up to this many nodes long are looked at node by node: the row
// loops cost more to set up than the few nodes above the tip in them.
constexpr int kShortRun = 16;

int ClassOf(int direction) {
    switch (direction) {
    case 1: return kStepClassUp;
    case 2: return kStepClassDown;
    case 3: return kStepClassVertical;
    default: return kStepClassGeneral;
    }
}

// Lowers the nodes of a run of a plain step where lower[] is set (heights
// from cand[], starting at node index idx0, columns at xs[]), with the
// cutting direction of each node in its attribute byte and the step's
// class noted as the node by node path notes it: the first lowered node's
// class, then every other class met (the fold depends on nothing else).
// The side of the travel, the sign of dx vy - dy (x - x1), is monotonic in
// x (every rounding step is), so a run splits into at most three pieces of
// one direction each, found by bisection with the very same expression.
void LowerPlainRun(const SweepContext& ctx, std::size_t idx0, const double* __restrict xs, int n, double dx,
                   double dy, double x1, double vy, bool travel, const int* __restrict lower,
                   const float* __restrict cand, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    int first = -1;
    for (int i = 0; i < n; ++i) {
        if (lower[i] != 0) {
            first = i;
            break;
        }
    }
    if (first < 0) return;
    flags.cutDone = 1;
    std::uint8_t* __restrict attr = w.attr + idx0;
    std::int32_t* __restrict lineNo = w.lineNo != nullptr ? w.lineNo + idx0 : nullptr;
    float* __restrict h = w.height + idx0;
    if (ctx.fast) {
        // No cutting directions: every cut counts as general.
        sweep_detail::NoteClass(flags.stepClass, kStepClassGeneral);
        sweep_detail::LowerRun(h, attr, lineNo, cand, lower, n, ctx.attrCode, ctx.lineNo);
        return;
    }
    // Pieces [cut[k], cut[k + 1]) of direction dir[k]: up (1) or down (2)
    // by the side of the travel, 0 on it, 3 without travel.
    int cut[4] = {0, n, n, n};
    int dir[3] = {3, 3, 3};
    if (travel) {
        auto side = [&](int i) { return dx * vy - dy * (xs[i] - x1); };
        auto firstWhere = [&](auto&& pred) {
            int lo = 0, hi = n;
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (pred(side(mid))) {
                    hi = mid;
                } else {
                    lo = mid + 1;
                }
            }
            return lo;
        };
        if (dy > 0.0) {  // the side falls along the row: up, on, down
            cut[1] = firstWhere([](double c) { return !(c > 0.0); });
            cut[2] = firstWhere([](double c) { return c < 0.0; });
            dir[0] = 1, dir[1] = 0, dir[2] = 2;
        } else if (dy < 0.0) {  // it rises: down, on, up
            cut[1] = firstWhere([](double c) { return !(c < 0.0); });
            cut[2] = firstWhere([](double c) { return c > 0.0; });
            dir[0] = 2, dir[1] = 0, dir[2] = 1;
        } else {
            const double c = dx * vy;
            dir[0] = static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0);
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (first >= cut[k] && first < cut[k + 1]) sweep_detail::NoteClass(flags.stepClass, ClassOf(dir[k]));
    }
    const std::uint8_t code = ctx.attrCode;
    for (int k = 0; k < 3; ++k) {
        int any = 0;
        for (int i = cut[k]; i < cut[k + 1]; ++i) any |= lower[i];
        if (any == 0) continue;
        sweep_detail::NoteClass(flags.stepClass, ClassOf(dir[k]));
        const auto mark = static_cast<std::uint8_t>((dir[k] << kAttrDirShift) | code);
        for (int i = cut[k]; i < cut[k + 1]; ++i) {
            const auto a = static_cast<std::uint8_t>((attr[i] & 0x80) | mark);
            attr[i] = lower[i] != 0 ? a : attr[i];
        }
    }
    for (int i = 0; i < n; ++i) h[i] = lower[i] != 0 ? cand[i] : h[i];
    if (lineNo == nullptr) return;
    const std::int32_t line = ctx.lineNo;
    for (int i = 0; i < n; ++i) lineNo[i] = lower[i] != 0 ? line : lineNo[i];
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
    const double x0 = p0[0], y0 = p0[1], x1 = p1[0], y1 = p1[1];
    const bool rowProfile = sweep_detail::RowProfileUsable(t);
    const double T3 = t.T3;
    const bool attachment = t.attachment;
    const double holderLimit = t.holderLimit;
    sweep_detail::RowScratch& scratch = sweep_detail::ThreadScratch();
    scratch.Reserve(static_cast<std::size_t>(box.ixEnd - box.ixBegin));
    double* __restrict qRow = scratch.q.data();
    float* __restrict candRow = scratch.candidate.data();
    int* __restrict needRow = scratch.need.data();
    int* __restrict listRow = scratch.list.data();
    // Plain steps lower nodes in vector loops: no node within reach lies
    // beyond the flank and nothing but height, attribute and line number is
    // written.
    const bool plain = sweep_detail::PlainLowering(ctx) && rowProfile && reach2 <= T3 &&
                       !(attachment && holderLimit < reach2);
    const sweep_detail::ReachRows reachRows(w, x0, y0, x1, y1, box.reach, box.ixBegin, box.ixEnd - 1);
    rowBegin = std::max(rowBegin, box.iyBegin);
    rowEnd = std::min(rowEnd, box.iyEnd);
    if (rowBegin < rowEnd) {
        scratch.ReserveRows(static_cast<std::size_t>(rowEnd - rowBegin));
        const double halfLength = 0.5 * std::sqrt(l2);
        if (halfLength < 0.25 * box.reach) {
            sweep_detail::DiscRows(w, 0.5 * (x0 + x1), 0.5 * (y0 + y1), box.reach + halfLength, box.ixBegin,
                                   box.ixEnd - 1, off + rowBegin, rowEnd - rowBegin, scratch.spanBegin.data(),
                                   scratch.spanEnd.data());
        } else {
            reachRows.Rows(off + rowBegin, rowEnd - rowBegin, scratch.spanBegin.data(), scratch.spanEnd.data());
        }
    }
    for (int iy = rowBegin; iy < rowEnd; ++iy) {
        const double ny = off[iy] - y0;
        const double vy = off[iy] - y1;
        const sweep_detail::ColumnSpan span{scratch.spanBegin[iy - rowBegin], scratch.spanEnd[iy - rowBegin]};
        if (span.ix1 < span.ix0) continue;
        const int n = span.ix1 - span.ix0 + 1;
        const double vy2 = vy * vy;
        const double nyDx = ny * dx;
        const double nyDy = ny * dy;
        const std::size_t rowIdx = NodeIndex(w, span.ix0, iy);
        sweep_detail::ForRunsAbove(w.height + rowIdx, n, zf, [&](int begin, int end) {
            // The squared distance at which the tool meets each node
            // (infinite where it meets none), then the profile over the run.
            const int count = end - begin;
            // Locals, not the lambda's references, so that the loops are vector code.
            const double* __restrict offRun = off + span.ix0 + begin;
            double* __restrict qOut = qRow;
            const double ax = x0, bx = x1, ddx = dx, ddy = dy, il2 = invL2, vv = vy2, nyx = nyDx, nyy = nyDy;
            const bool behind = behindToo;
            // The squared distance at which the tool meets the node at x.
            auto distance = [=](double x) {
                const double vx = x - bx;
                const double qEnd = vx * vx + vv;
                if (!travel) return qEnd;
                const double nx = x - ax;
                const double along = (nx * ddx + nyy) * il2;
                const double cross = nx * ddy - nyx;
                const double qSide = cross * cross * il2;
                const bool alongside = (along > 0.0) & (along <= 1.0);
                const bool ahead = (along > 1.0) | behind;
                const double qBeyond = ahead ? qEnd : sweep_detail::kUnreached;
                return alongside ? qSide : qBeyond;
            };
            // A node needs a look when it stands above the tip, lies within
            // reach and the profile there lies below it (or the profile must
            // be asked node by node: the neck, the holder, the attachment).
            const float* __restrict hRun = w.height + rowIdx + begin;
            const float tip = zf;
            const double rr = reach2, flankEnd = rowProfile ? T3 : -1.0;
            const double attachmentFrom = attachment ? holderLimit : sweep_detail::kUnreached;
            int needed = 0;
            if (count <= kShortRun) {
                // A run of a block or two (most runs: the edge the tool
                // advances into): the few nodes above the tip one by one,
                // with the same distances and profile values as the rows.
                for (int i = 0; i < count; ++i) {
                    if (!(hRun[i] > tip)) continue;
                    const double q = distance(offRun[i]);
                    if (!(q <= rr)) continue;
                    const bool special = (q > flankEnd) | (q > attachmentFrom);
                    const float cand = rowProfile ? Rounded(ToolProfileHeight(t, z, zCentre, std::sqrt(q), q)) : 0.0f;
                    if (!(special || cand < hRun[i])) continue;
                    qRow[i] = q;
                    candRow[i] = cand;
                    listRow[needed++] = i;
                }
            } else {
                if (travel) {
                    for (int i = 0; i < count; ++i) qOut[i] = distance(offRun[i]);
                } else {
                    for (int i = 0; i < count; ++i) {
                        const double vx = offRun[i] - bx;
                        qOut[i] = vx * vx + vv;
                    }
                }
                if (rowProfile) sweep_detail::ProfileRow(t, z, zCentre, qRow, count, candRow);
                const double* __restrict qs = qRow;
                const float* __restrict cs = candRow;
                int* __restrict needs = needRow;
                for (int i = 0; i < count; ++i) {
                    const double q = qs[i];
                    const bool special = (q > flankEnd) | (q > attachmentFrom);
                    needs[i] = (hRun[i] > tip) & (q <= rr) & (special | (cs[i] < hRun[i]));
                }
                if (plain) {
                    LowerPlainRun(ctx, rowIdx + static_cast<std::size_t>(begin), offRun, count, dx, dy, x1, vy,
                                  travel, needRow, candRow, flags);
                    return;
                }
                needed = sweep_detail::NeededNodes(needRow, count, listRow);
            }
            for (int j = 0; j < needed; ++j) {
                const int i = listRow[j];
                const std::size_t idx = rowIdx + static_cast<std::size_t>(begin + i);
                const double q = qRow[i];
                const int ix = span.ix0 + begin + i;
                const double vx = off[ix] - x1;
                float candidate = candRow[i];
                if (!rowProfile || q > T3 || (attachment && q > holderLimit)) {
                    double candidateD = ToolProfileHeight(t, z, zCentre, std::sqrt(q), q);
                    if (q > holderLimit && attachment) {
                        if (const auto a = AttachmentHeight(t, z, vx, vy)) candidateD = std::min(candidateD, *a);
                    }
                    candidate = Rounded(candidateD);
                }
                if (!(candidate < w.height[idx])) continue;
                std::uint8_t attr = ctx.attrCode;
                if (ctx.fast) {
                    // No cutting directions: every cut counts as general.
                    sweep_detail::NoteClass(flags.stepClass, kStepClassGeneral);
                } else {
                    // Up (1) or down (2) by the side of the travel, 0 on it, 3 without travel.
                    const double c = dx * vy - dy * vx;
                    const int direction = travel ? static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0) : 3;
                    sweep_detail::NoteClass(flags.stepClass, ClassOf(direction));
                    attr = static_cast<std::uint8_t>((w.attr[idx] & 0x80) | (direction << kAttrDirShift) |
                                                     ctx.attrCode);
                }
                LowerNode(ctx, idx, ix, iy, candidate, q, z, true, attr, flags);
            }
        });
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
