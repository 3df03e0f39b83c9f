// One step of the step sweeper over a run of nodes of one row: what stays
// the same for every node of the step, and the run itself. Internal to the
// step sweeper.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/sweep.h"
#include "sim/sweep_node.h"
#include "sim/sweep_rows.h"

namespace morvex::sweep_detail {

// What stays the same for every node of one step.
struct StepGeometry {
    int index = 0;  // the step's place among the steps of the job
    StepBox box;
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
    double z = 0.0, zCentre = 0.0;  // tip at the step end, corner centre
    float zf = 0.0f;
    double reach2 = 0.0;
    double dx = 0.0, dy = 0.0, l2 = 0.0, invL2 = 0.0;
    double length = 0.0;  // sqrt(l2)
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
    // The columns of its rows rowFrom, rowFrom + stride, ... up to rowTo
    // (the rows of the band), which are the band's rows kFrom..kTo counted
    // from the band's first row.
    int rowFrom = 0, rowTo = -1;
    int kFrom = 0, kTo = -1;
    int* spanBegin = nullptr;
    int* spanEnd = nullptr;
    // The columns of the band's k-th row, empty (first > last) outside the
    // step's rows.
    std::pair<int, int> Span(int k) const {
        if (k < kFrom || k > kTo) return {0, -1};
        return {spanBegin[k - kFrom], spanEnd[k - kFrom]};
    }
};

// Runs up to this many nodes long are looked at node by node: the row
// loops cost more to set up than the few nodes above the tip in them.
constexpr int kShortRun = 16;

// The step class of a node's cutting direction: 1 up, 2 down, 3 without
// travel, else general.
inline int StepClassOf(int direction) {
    switch (direction) {
    case 1: return kStepClassUp;
    case 2: return kStepClassDown;
    case 3: return kStepClassVertical;
    default: return kStepClassGeneral;
    }
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
    const double qBeyond = ahead ? qEnd : kUnreached;
    // Beside the end the two measures agree but for rounding: the smaller,
    // so that a node the tool reaches standing at the end is never missed
    // by a rounding of the side distance.
    return alongside ? std::min(qSide, qEnd) : qBeyond;
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
        NoteClassAt(stepClass, kStepClassGeneral, node);
    } else {
        const double c = dx * vy - dy * (x - x1);
        const int direction = travel ? static_cast<int>(c > 0.0) + 2 * static_cast<int>(c < 0.0) : 3;
        NoteClassAt(stepClass, StepClassOf(direction), node);
        attr = static_cast<std::uint8_t>((w.attr[idx] & 0x80) | (direction << kAttrDirShift) | ctx.attrCode);
    }
    w.height[idx] = cand;
    w.attr[idx] = attr;
    if (w.lineNo != nullptr) w.lineNo[idx] = ctx.lineNo;
    flags.cutDone = 1;
}

// A short run of a plain step: each node above the tip and below the tool
// takes height, attribute and line number at once (with its load when the
// loads are summed). In line here: most of a stepped line's runs are such
// runs of a block or two, where a call would cost as much as the nodes.
inline void SweepPlainShortRun(const SweepContext& ctx, const StepGeometry& g, int iy, int ixBegin, int ixEnd,
                               SweepFlags& flags, ClassFold& stepClass) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double* off = w.nodeOffset.data();
    const double ny = off[iy] - g.y0;
    const double vy = off[iy] - g.y1;
    const std::size_t runIdx = NodeIndex(w, ixBegin, iy);
    const int count = ixEnd - ixBegin;
    const double* __restrict offRun = off + ixBegin;
    const float* __restrict hRun = w.height + runIdx;
    const double ax = g.x0, bx = g.x1, ddx = g.dx, ddy = g.dy, il2 = g.invL2, vv = vy * vy, nyx = ny * g.dx,
                 nyy = ny * g.dy, rr = g.reach2;
    const bool behind = g.behindToo, travel = g.travel;
    const float tip = g.zf, flat = g.flatHeight;
    for (int i = 0; i < count; ++i) {
        if (!(hRun[i] > tip)) continue;
        const double q = StepDistance(offRun[i], ax, bx, ddx, ddy, il2, vv, nyx, nyy, behind, travel);
        if (!(q <= rr)) continue;
        const float cand = g.flat ? flat : Rounded(ToolProfileHeight(t, g.z, g.zCentre, std::sqrt(q), q));
        if (!(cand < hRun[i])) continue;
        if (ctx.sumLoad) {
            // AddNodeLoad, in line.
            const double v = (static_cast<double>(hRun[i]) - cand) * w.pitch * w.pitch * NodeWeight(w, ixBegin + i, iy);
            flags.loadVolume += SnappedLoad(v);
            if (ctx.torque) flags.loadTorque += SnappedLoad(v * std::sqrt(q));
            stepClass.highestCut = std::max(stepClass.highestCut, hRun[i]);
        }
        LowerPlainStepNode(ctx, runIdx + static_cast<std::size_t>(i), offRun[i], g.dx, g.dy, g.x1, vy, travel, cand,
                           flags, stepClass);
    }
}

// The geometry of the step p0 -> p1 with its box, the index-th of its job.
StepGeometry GeometryOf(const SweepContext& ctx, const Point& p0, const Point& p1, const StepBox& box, int index);

// Whether step g, swept right after prev on every node it can reach,
// lowers none of them: both plain steps straight up or down at the same
// place, prev no higher and reaching no less far. prev met each of g's
// nodes at the same distance with a tool surface no higher than g's (the
// profile at one distance rises with the tip), so g finds every node at
// or below its own surface. A vertical move thus cuts with its lowest
// step alone: the first going up, the last (swept first) going down.
bool LeftByPrevious(const StepGeometry& prev, const StepGeometry& g);

// The columns of the rows at ys[0..rows) the step can reach.
void StepSpans(const WorkModel& w, const StepGeometry& g, const double* ys, int rows, int* ix0, int* ix1);

// Whether the steps (in order) descend along one line with a tool flat out
// to its reach, so that DescentRow may sweep their rows: every step plain
// and flat, its flat bottom at or above its tip, no step lower than the
// next, and all of them straight down or all along X.
bool FlatDescent(const std::vector<StepGeometry>& steps);

// Row iy (the band's k-th) of the steps of a FlatDescent, with each
// step's own loads, highest cut and class in classes[g.index], the same
// as the steps one after the other leave them (the loads but for the order
// of their sums): every node ends at the flat of the last step that covers
// it, and a node the steps cover from step t on loses what stands above
// the flat of t to step t and the flats' difference to every step after.
// False, with nothing done, when a node's covering steps are not
// consecutive (a rounding at the edge of the reach): the caller then
// sweeps the row step by step.
bool DescentRow(const SweepContext& ctx, const std::vector<StepGeometry>& steps, int k, int iy, SweepFlags& flags,
                ClassFold* classes);

// Whether the steps (in order) go straight down at one place with a plain
// tool that is not flat out to its reach, each tip no higher than the one
// before, so that PlungeRow may sweep their rows.
bool PlungeSteps(const ToolProfile& tool, const std::vector<StepGeometry>& steps);

// Row iy (the band's k-th) of the steps of a plunge (PlungeSteps), each
// node taken through the steps one after the other at once, with each
// step's own loads, highest cut and class in classes[g.index]: the same as
// the steps one after the other leave them (the loads but for the order of
// their sums).
void PlungeRow(const SweepContext& ctx, const std::vector<StepGeometry>& steps, int k, int iy, SweepFlags& flags,
               ClassFold* classes);

// One step over the nodes [ixBegin, ixEnd) of row iy; its class into stepClass.
void SweepStepRun(const SweepContext& ctx, const StepGeometry& g, int iy, int ixBegin, int ixEnd, RowScratch& scratch,
                  SweepFlags& flags, ClassFold& stepClass);

}  // namespace morvex::sweep_detail
