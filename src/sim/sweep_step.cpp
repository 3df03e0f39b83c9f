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
#include <limits>
#include <utility>
#include <vector>

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
                   const float* __restrict cand, SweepFlags& flags, ClassFold& stepClass) {
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
        sweep_detail::NoteClassAt(stepClass, kStepClassGeneral, static_cast<long long>(idx0) + first);
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
        if (first >= cut[k] && first < cut[k + 1]) {
            sweep_detail::NoteClassAt(stepClass, ClassOf(dir[k]), static_cast<long long>(idx0) + first);
        }
    }
    const std::uint8_t code = ctx.attrCode;
    for (int k = 0; k < 3; ++k) {
        int any = 0;
        for (int i = cut[k]; i < cut[k + 1]; ++i) any |= lower[i];
        if (any == 0) continue;
        sweep_detail::NoteClassAt(stepClass, ClassOf(dir[k]), static_cast<long long>(idx0) + first);
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

// The squared distance at which a step's tool meets the node at x of a
// row: ax, bx the step's start and end in X, (ddx, ddy) its travel, il2
// one over its squared length, vv the row's squared distance from the end
// in Y, nyx and nyy its distance from the start in Y times ddx and ddy.
// Infinite where the step meets the node not at all.
inline double StepDistance(double x, double ax, double bx, double ddx, double ddy, double il2, double vv,
                           double nyx, double nyy, bool behind, bool travel) {
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
}

// A node lowered by a plain step: height, the attribute byte with the side
// of the travel (x the node's column offset, vy its row's distance from
// the step end in Y), line number, class.
inline void LowerPlainStepNode(const SweepContext& ctx, std::size_t idx, double x, double dx, double dy, double x1,
                               double vy, bool travel, float cand, SweepFlags& flags, ClassFold& stepClass) {
    WorkModel& w = *ctx.work;
    std::uint8_t attr = ctx.attrCode;
    const auto node = static_cast<long long>(idx);
    if (ctx.fast) {
        sweep_detail::NoteClassAt(stepClass, kStepClassGeneral, node);
    } else {
        const double c = dx * vy - dy * (x - x1);
        const int direction = travel ? static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0) : 3;
        sweep_detail::NoteClassAt(stepClass, ClassOf(direction), node);
        attr = static_cast<std::uint8_t>((w.attr[idx] & 0x80) | (direction << kAttrDirShift) | ctx.attrCode);
    }
    w.height[idx] = cand;
    w.attr[idx] = attr;
    if (w.lineNo != nullptr) w.lineNo[idx] = ctx.lineNo;
    flags.cutDone = 1;
}

// What stays the same for every node of one step.
struct StepGeometry {
    int index = 0;  // the step's place among the steps of the job
    StepBox box;
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
    double z = 0.0, zCentre = 0.0;  // tip at the step end, corner centre
    float zf = 0.0f;
    double reach2 = 0.0;
    double dx = 0.0, dy = 0.0, l2 = 0.0, invL2 = 0.0;
    bool travel = false;
    bool behindToo = false;  // a descending step meets the nodes behind its start
    // Plain steps lower nodes in vector loops: no node within reach lies
    // beyond the flank and nothing but height, attribute and line number
    // is written.
    bool plain = false;
    // A flat bottom out to the flank's end: the same height wherever the
    // tool reaches (the profile's own value there).
    bool flat = false;
    float flatHeight = 0.0f;
    // The columns of its rows rowFrom..rowTo (within the band).
    int rowFrom = 0, rowTo = -1;
    int* spanBegin = nullptr;
    int* spanEnd = nullptr;
    // The columns of row iy, empty (first > last) outside the step's rows.
    std::pair<int, int> Span(int iy) const {
        if (iy < rowFrom || iy > rowTo) return {0, -1};
        return {spanBegin[iy - rowFrom], spanEnd[iy - rowFrom]};
    }
};

StepGeometry GeometryOf(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int index) {
    const ToolProfile& t = *ctx.tool;
    StepGeometry g;
    g.index = index;
    g.box = box;
    g.x0 = p0[0], g.y0 = p0[1], g.x1 = p1[0], g.y1 = p1[1];
    g.z = p1[2];
    g.zCentre = g.z + t.fC;
    g.zf = Rounded(g.z);
    g.reach2 = box.reach * box.reach;
    g.dx = p1[0] - p0[0], g.dy = p1[1] - p0[1];
    g.l2 = g.dx * g.dx + g.dy * g.dy;
    g.travel = g.dx != 0.0 || g.dy != 0.0;
    g.invL2 = g.travel ? 1.0 / g.l2 : 0.0;
    g.behindToo = p1[2] < p0[2];
    g.plain = sweep_detail::PlainLowering(ctx) && sweep_detail::RowProfileUsable(t) && g.reach2 <= t.T3 &&
              !(t.attachment && t.holderLimit < g.reach2);
    g.flat = sweep_detail::RowProfileUsable(t) && t.T1 >= t.T3 && t.tanA == 0.0;
    g.flatHeight = Rounded(g.z + t.bottomLift + t.tanA * 0.0);
    return g;
}

// The columns of the rows at ys[0..rows) the step can reach.
void StepSpans(const WorkModel& w, const StepGeometry& g, const double* ys, int rows, int* ix0, int* ix1) {
    const double halfLength = 0.5 * std::sqrt(g.l2);
    const double reach = g.box.reach;
    if (halfLength < 0.25 * reach) {
        sweep_detail::DiscRows(w, 0.5 * (g.x0 + g.x1), 0.5 * (g.y0 + g.y1), reach + halfLength, g.box.ixBegin,
                               g.box.ixEnd - 1, ys, rows, ix0, ix1);
    } else {
        sweep_detail::ReachRows(w, g.x0, g.y0, g.x1, g.y1, reach, g.box.ixBegin, g.box.ixEnd - 1)
            .Rows(ys, rows, ix0, ix1);
    }
}

// One step over the nodes [ixBegin, ixEnd) of row iy; its class into stepClass.
void SweepStepRun(const SweepContext& ctx, const StepGeometry& g, int iy, int ixBegin, int ixEnd,
                  sweep_detail::RowScratch& scratch, SweepFlags& flags, ClassFold& stepClass) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double* off = w.nodeOffset.data();
    const double z = g.z, zCentre = g.zCentre;
    const double dx = g.dx, dy = g.dy, x1 = g.x1;
    const bool travel = g.travel;
    const bool rowProfile = sweep_detail::RowProfileUsable(t);
    const double T3 = t.T3;
    const bool attachment = t.attachment;
    const double holderLimit = t.holderLimit;
    double* __restrict qRow = scratch.q.data();
    float* __restrict candRow = scratch.candidate.data();
    int* __restrict needRow = scratch.need.data();
    int* __restrict listRow = scratch.list.data();
    const double ny = off[iy] - g.y0;
    const double vy = off[iy] - g.y1;
    const std::size_t runIdx = NodeIndex(w, ixBegin, iy);
    // The squared distance at which the tool meets each node (infinite
    // where it meets none), then the profile over the run.
    const int count = ixEnd - ixBegin;
    // Locals, not references, so that the loops are vector code.
    const double* __restrict offRun = off + ixBegin;
    double* __restrict qOut = qRow;
    const double ax = g.x0, bx = x1, ddx = dx, ddy = dy, il2 = g.invL2, vv = vy * vy, nyx = ny * dx, nyy = ny * dy;
    const bool behind = g.behindToo;
    auto distance = [=](double x) { return StepDistance(x, ax, bx, ddx, ddy, il2, vv, nyx, nyy, behind, travel); };
    // A node needs a look when it stands above the tip, lies within reach
    // and the profile there lies below it (or the profile must be asked
    // node by node: the neck, the holder, the attachment).
    const float* __restrict hRun = w.height + runIdx;
    const float tip = g.zf;
    const double rr = g.reach2, flankEnd = rowProfile ? T3 : -1.0;
    const double attachmentFrom = attachment ? holderLimit : sweep_detail::kUnreached;
    int needed = 0;
    if (count <= kShortRun && g.plain) {
        // A short run of a plain step: each node above the tip and below
        // the tool takes height, attribute and line number at once.
        const float flat = g.flatHeight;
        for (int i = 0; i < count; ++i) {
            if (!(hRun[i] > tip)) continue;
            const double q = distance(offRun[i]);
            if (!(q <= rr)) continue;
            const float cand = g.flat ? flat : Rounded(ToolProfileHeight(t, z, zCentre, std::sqrt(q), q));
            if (!(cand < hRun[i])) continue;
            LowerPlainStepNode(ctx, runIdx + static_cast<std::size_t>(i), offRun[i], dx, dy, x1, vy, travel, cand,
                               flags, stepClass);
        }
        return;
    }
    if (count <= kShortRun) {
        // A run of a block or two (most runs: the edge the tool advances
        // into): the few nodes above the tip one by one, with the same
        // distances and profile values as the row loops.
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
        if (g.plain) {
            LowerPlainRun(ctx, runIdx, offRun, count, dx, dy, x1, vy, travel, needRow, candRow, flags, stepClass);
            return;
        }
        needed = sweep_detail::NeededNodes(needRow, count, listRow);
    }
    for (int j = 0; j < needed; ++j) {
        const int i = listRow[j];
        const std::size_t idx = runIdx + static_cast<std::size_t>(i);
        const double q = qRow[i];
        const int ix = ixBegin + i;
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
        const auto node = static_cast<long long>(idx);
        if (ctx.fast) {
            // No cutting directions: every cut counts as general.
            sweep_detail::NoteClassAt(stepClass, kStepClassGeneral, node);
        } else {
            // Up (1) or down (2) by the side of the travel, 0 on it, 3 without travel.
            const double c = dx * vy - dy * vx;
            const int direction = travel ? static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0) : 3;
            sweep_detail::NoteClassAt(stepClass, ClassOf(direction), node);
            attr = static_cast<std::uint8_t>((w.attr[idx] & 0x80) | (direction << kAttrDirShift) | ctx.attrCode);
        }
        LowerNode(ctx, idx, ix, iy, candidate, q, z, true, attr, flags);
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
    const Point points[] = {p0, p1};
    ClassFold fold;
    SweepStepsRows(ctx, points, &box, 1, false, rowBegin, rowEnd, 1, flags, &fold);
    sweep_detail::NoteClass(flags.stepClass, ResolveClass(fold));
}

void SweepStepsRows(const SweepContext& ctx, const Point* points, const StepBox* boxes, int steps, bool backwards,
                    int rowBegin, int rowEnd, int stride, SweepFlags& flags, ClassFold* classes) {
    if (steps < 1) return;
    stride = std::max(1, stride);
    WorkModel& w = *ctx.work;
    const double* off = w.nodeOffset.data();
    sweep_detail::RowScratch& scratch = sweep_detail::ThreadScratch();
    // Each step's geometry and the spans of its rows within the band.
    static thread_local std::vector<StepGeometry> geometry;
    geometry.clear();
    int first = rowEnd, last = rowBegin - 1;
    std::size_t spans = 0;
    for (int k = 0; k < steps; ++k) {
        const int i = backwards ? steps - 1 - k : k;
        const StepBox& box = boxes[i];
        const int from = FirstBandRow(box.iyBegin, rowBegin, stride), to = std::min(rowEnd, box.iyEnd) - 1;
        if (box.ixEnd <= box.ixBegin || from > to) continue;
        StepGeometry& g = geometry.emplace_back(GeometryOf(ctx, points[i], points[i + 1], box, i));
        g.rowFrom = from;
        g.rowTo = to;
        spans += static_cast<std::size_t>(to - from + 1);
        first = std::min(first, from);
        last = std::max(last, to);
    }
    if (geometry.empty()) return;
    scratch.Reserve(static_cast<std::size_t>(w.nx));
    scratch.ReserveRows(spans);
    std::size_t at = 0;
    for (StepGeometry& g : geometry) {
        const int rows = g.rowTo - g.rowFrom + 1;
        g.spanBegin = scratch.spanBegin.data() + at;
        g.spanEnd = scratch.spanEnd.data() + at;
        StepSpans(w, g, off + g.rowFrom, rows, g.spanBegin, g.spanEnd);
        at += static_cast<std::size_t>(rows);
    }
    // Row by row, the nodes above the lowest tip of the steps that reach
    // the row; each run of them swept by those steps in order, so that
    // every node sees the steps in order and each step meets the rows in
    // order.
    struct RowStep {
        const StepGeometry* g;
        int first, last;  // columns
    };
    static thread_local std::vector<RowStep> reaching;
    for (int iy = first; iy <= last; iy += stride) {
        reaching.clear();
        int lo = w.nx, hi = -1;
        float floor = std::numeric_limits<float>::infinity();
        for (const StepGeometry& g : geometry) {
            const auto [a, b] = g.Span(iy);
            if (b < a) continue;
            reaching.push_back({&g, a, b});
            lo = std::min(lo, a);
            hi = std::max(hi, b);
            floor = std::min(floor, g.zf);
        }
        if (hi < lo) continue;
        const std::size_t rowIdx = NodeIndex(w, lo, iy);
        sweep_detail::ForRunsAbove(w.height + rowIdx, hi - lo + 1, floor, [&](int begin, int end) {
            for (const RowStep& r : reaching) {
                const StepGeometry& g = *r.g;
                const int a = std::max(lo + begin, r.first);
                const int b = std::min(lo + end - 1, r.last);
                if (b < a) continue;
                ClassFold& stepClass = classes[g.index];
                // Within the run, the blocks above this step's own tip.
                sweep_detail::ForRunsAbove(w.height + NodeIndex(w, a, iy), b - a + 1, g.zf, [&](int from, int to) {
                    SweepStepRun(ctx, g, iy, a + from, a + to, scratch, flags, stepClass);
                });
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
