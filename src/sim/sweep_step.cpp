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
#include "sim/sweep_step_run.h"

namespace morvex {

using sweep_detail::StepGeometry;

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
    // A node on the reach stays in the box whichever way the division rounds.
    const double slack = sweep_detail::SpanSlack(box.reach, inv);
    box.ixBegin = std::clamp(static_cast<int>(std::max(xlo * inv, -1.0)), 0, w.lastX);
    box.ixEnd = std::clamp(static_cast<int>(std::min(xhi * inv + slack, static_cast<double>(w.lastX))), 0, w.lastX) + 1;
    box.iyBegin = std::clamp(static_cast<int>(std::max(ylo * inv, -1.0)), 0, w.lastY);
    box.iyEnd = std::clamp(static_cast<int>(std::min(yhi * inv + slack, static_cast<double>(w.lastY))), 0, w.lastY) + 1;
    return box;
}

void SweepStepRows(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int rowBegin,
                   int rowEnd, SweepFlags& flags) {
    const Point points[] = {p0, p1};
    ClassFold fold;
    SweepStepsRows(ctx, points, &box, 1, false, rowBegin, rowEnd, 1, flags, &fold);
    sweep_detail::NoteClass(flags.stepClass, ResolveClass(fold));
    flags.highestCut = std::max(flags.highestCut, fold.highestCut);
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
        StepGeometry g = sweep_detail::GeometryOf(ctx, points[i], points[i + 1], box, i);
        if (!geometry.empty() && sweep_detail::LeftByPrevious(geometry.back(), g)) continue;
        g.rowFrom = from;
        g.rowTo = to;
        geometry.push_back(g);
    }
    // Going straight down step by step (an observer's plunge), the steps
    // above the highest node within reach meet nothing: dropped after one
    // look at the nodes, instead of each looking at every row.
    if (geometry.size() > 4 && !backwards &&
        std::all_of(geometry.begin(), geometry.end(), [](const StepGeometry& g) { return !g.travel; })) {
        int x0 = w.nx, x1 = 0, y0 = rowEnd, y1 = rowBegin - 1;
        float highestTip = -std::numeric_limits<float>::infinity();
        for (const StepGeometry& g : geometry) {
            x0 = std::min(x0, g.box.ixBegin), x1 = std::max(x1, g.box.ixEnd);
            y0 = std::min(y0, g.rowFrom), y1 = std::max(y1, g.rowTo);
            highestTip = std::max(highestTip, g.zf);
        }
        // (Once a node stands above every tip, none is dropped.)
        float highest = -std::numeric_limits<float>::infinity();
        for (int iy = y0; iy <= y1 && !(highest > highestTip); iy += stride) {
            const float* h = w.height + NodeIndex(w, x0, iy);
            for (int ix = 0; ix < x1 - x0; ++ix) highest = h[ix] > highest ? h[ix] : highest;
        }
        std::erase_if(geometry, [highest](const StepGeometry& g) { return !(highest > g.zf); });
    }
    for (const StepGeometry& g : geometry) {
        spans += static_cast<std::size_t>((g.rowTo - g.rowFrom) / stride + 1);
        first = std::min(first, g.rowFrom);
        last = std::max(last, g.rowTo);
    }
    if (geometry.empty()) return;
    scratch.Reserve(static_cast<std::size_t>(w.nx));
    scratch.ReserveRows(spans);
    std::size_t at = 0;
    static thread_local std::vector<double> ys;  // the Y offsets of a step's rows in the band
    for (StepGeometry& g : geometry) {
        const int rows = (g.rowTo - g.rowFrom) / stride + 1;
        g.kFrom = (g.rowFrom - first) / stride;
        g.kTo = g.kFrom + rows - 1;
        g.spanBegin = scratch.spanBegin.data() + at;
        g.spanEnd = scratch.spanEnd.data() + at;
        ys.resize(static_cast<std::size_t>(rows));
        for (int k = 0; k < rows; ++k) ys[static_cast<std::size_t>(k)] = off[g.rowFrom + k * stride];
        sweep_detail::StepSpans(w, g, ys.data(), rows, g.spanBegin, g.spanEnd);
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
    // The steps of a flat tool going down along a line, their loads asked
    // for: each row swept with every node looked at once, not once per step
    // (going down, every step lowers the whole of its reach again).
    const bool descent = classes != nullptr && ctx.sumLoad && !ctx.torque && !ctx.fast && !backwards &&
                         sweep_detail::FlatDescent(geometry);
    // The same for a tool of any other plain profile going straight down:
    // each node meets every step at one distance.
    const bool plunge = classes != nullptr && ctx.sumLoad && !ctx.torque && !ctx.fast && !backwards && !descent &&
                        sweep_detail::PlungeSteps(*ctx.tool, geometry);
    for (int iy = first, k = 0; iy <= last; iy += stride, ++k) {
        if (descent && sweep_detail::DescentRow(ctx, geometry, k, iy, flags, classes)) continue;
        if (plunge) {
            sweep_detail::PlungeRow(ctx, geometry, k, iy, flags, classes);
            continue;
        }
        reaching.clear();
        int lo = w.nx, hi = -1;
        float floor = std::numeric_limits<float>::infinity();
        for (const StepGeometry& g : geometry) {
            const auto [a, b] = g.Span(k);
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
                // The loads the step adds go to its own fold as well.
                const double volume = flags.loadVolume, torque = flags.loadTorque;
                sweep_detail::ForRunsAbove(w.height + NodeIndex(w, a, iy), b - a + 1, g.zf, [&](int from, int to) {
                    if (g.plain && to - from <= sweep_detail::kShortRun) {
                        sweep_detail::SweepPlainShortRun(ctx, g, iy, a + from, a + to, flags, stepClass);
                    } else {
                        sweep_detail::SweepStepRun(ctx, g, iy, a + from, a + to, scratch, flags, stepClass);
                    }
                });
                if (ctx.sumLoad) {
                    stepClass.loadVolume += flags.loadVolume - volume;
                    stepClass.loadTorque += flags.loadTorque - torque;
                }
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
