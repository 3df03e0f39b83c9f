// Lowering one node: the update every sweeper makes when the tool surface
// lies below a node's height (attribute byte, line number, marks and the
// flags of parts beyond the flank). Internal to the sweepers.
#pragma once

#include <algorithm>
#include <cmath>

#include "sim/sweep.h"

namespace morvex::sweep_detail {

// The cutting-direction class of a step as its nodes come, row by row: the
// first class found, turned general when an up or down cut meets any other
// class; vertical and general stay. An unknown class changes nothing, so
// that classes folded band by band come out as in one pass.
inline void NoteClass(int& stepClass, int cls) {
    if (cls == kStepClassUnknown) return;
    if (stepClass == kStepClassUnknown) {
        stepClass = cls;
    } else if ((stepClass == kStepClassUp && cls != kStepClassUp) ||
               (stepClass == kStepClassDown && cls != kStepClassDown)) {
        stepClass = kStepClassGeneral;
    }
}

// A class noted at node `node` (nodes come in row order within a band).
inline void NoteClassAt(ClassFold& fold, int cls, long long node) {
    if (cls == kStepClassUnknown) return;
    if (fold.first == kStepClassUnknown) {
        fold.first = cls;
        fold.firstNode = node;
    }
    fold.seen |= 1 << cls;
}

// Marks the node and its eight neighbours with the paint bit once the step
// or motion is swept (ApplyDeferredPaint): a neighbour lowered later in the
// same sweep gets its attribute byte rewritten, and a strip must not write
// another strip's rows.
inline void PaintWithNeighbours(WorkModel& w, int ix, int iy, SweepFlags& flags) {
    flags.deferredPaint.push_back(static_cast<std::uint32_t>(NodeIndex(w, ix, iy)));
}

// Volume weight of a node: half on a border row or column, a quarter at a corner.
inline double NodeWeight(const WorkModel& w, int ix, int iy) {
    double weight = 1.0;
    if (ix == 0 || ix == w.lastX) weight *= 0.5;
    if (iy == 0 || iy == w.lastY) weight *= 0.5;
    return weight;
}

// The load sums of a lowered node.
[[gnu::noinline]] inline void AddNodeLoad(const SweepContext& ctx, int ix, int iy, float before, float after,
                                          double q, SweepFlags& flags) {
    const WorkModel& w = *ctx.work;
    const double v = (static_cast<double>(before) - after) * w.pitch * w.pitch * NodeWeight(w, ix, iy);
    flags.loadVolume += SnappedLoad(v);
    if (ctx.torque) flags.loadTorque += SnappedLoad(v * std::sqrt(q));
    flags.highestCut = std::max(flags.highestCut, before);
}

// The dead zone of a VERTICAL tool (rho < R - tipWidth) or the inner zone of
// a RADIUS tool (rho < e, feed motions only).
[[gnu::noinline]] inline void CheckChipZone(const SweepContext& ctx, int ix, int iy, float before, float after,
                                            double q, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    const double R = t.R;
    const bool vertical = t.shape == kShapeVertical && t.tool.tipWidth < R;
    const double dead = R - t.tool.tipWidth;
    const bool radiusZone = t.shape == kShapeRadius && !ctx.rapidMotion && q < double(t.tool.e) * t.tool.e;
    if (!((vertical && q < dead * dead) || radiusZone)) return;
    if (ctx.chipMode >= 2) {
        PaintWithNeighbours(w, ix, iy, flags);
        flags.chipHit = 1;
        flags.chipNode = static_cast<long long>(NodeIndex(w, ix, iy));
    } else if (vertical) {
        flags.needTipWidth = std::max(flags.needTipWidth, R - std::sqrt(q));
    } else {
        flags.needCentre = std::max(flags.needCentre, static_cast<double>(before) - after);
    }
}

// A node lowered by the neck, shank, holder or attachment.
[[gnu::noinline]] inline void BeyondFlank(const SweepContext& ctx, int ix, int iy, float before, float after,
                                          double q, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const ToolProfile& t = *ctx.tool;
    if (ctx.arborMode != kArborAbort && ctx.arborMode != kArborPause) {
        w.attr[NodeIndex(w, ix, iy)] |= kAttrPaint;
        flags.painted = 1;
        return;
    }
    PaintWithNeighbours(w, ix, iy, flags);
    if (q <= t.T4) {
        flags.taperHit = 1;
    } else if (q <= t.holderLimit) {
        flags.holderHit = 1;
    } else {
        flags.attachmentHit = 1;
    }
    flags.hitRadius = std::max(flags.hitRadius, std::sqrt(q));
    flags.hitDepth = std::max(flags.hitDepth, static_cast<double>(before) - after);
}

// What the checks make of a lowered node (which part of the tool lowered
// it): the load sums, the chip dead zone, the flute length, the parts beyond
// the flank. `before` is the node's height before the cut, zTip the tip
// height where the tool met it; chip zones are judged only by the step
// sweeper, whose steps are short enough for the dead zone to mean
// something. Inline is only what every node pays; the rest is out of line.
// Always inlined: a call per node costs the sweepers half their speed.
[[gnu::always_inline]] inline void ClassifyNode(const SweepContext& ctx, int ix, int iy, float before, float after,
                                                double zTip, double q, bool stepped, SweepFlags& flags) {
    const ToolProfile& t = *ctx.tool;
    if (ctx.sumLoad) AddNodeLoad(ctx, ix, iy, before, after, q, flags);
    if (stepped && ctx.chipMode > 0) CheckChipZone(ctx, ix, iy, before, after, q, flags);
    if (q > t.T3) {
        BeyondFlank(ctx, ix, iy, before, after, q, flags);
        return;
    }
    if (ctx.lengthMode == 0) return;
    // The flute had to reach the top of the material it took away.
    const double above = static_cast<double>(before) - zTip;
    if (ctx.lengthMode >= 2) {
        if (above > t.tool.h) {
            PaintWithNeighbours(*ctx.work, ix, iy, flags);
            flags.lengthHit = 1;
        }
    } else if (above > flags.needFlute) {
        flags.needFlute = above;
    }
}

// Computing the stick-out the program needs: the neck, shank and holder cut
// nothing and only measure how high above the tip the material they meet
// stands, so that every contact is measured against the material as the
// flute left it, whatever the moving pitch.
inline void MeasureBeyondFlank(const ToolProfile& t, double above, double q, SweepFlags& flags) {
    flags.needStickOut = std::max(flags.needStickOut, above);
    if (t.lengthKind < 2 || q > t.T4) return;
    flags.needNeck = std::max(flags.needNeck, above);
    // With the neck length kept, the taper (slope len3 over the shank's
    // radial span) must rise above the material at rho.
    const double lu = t.len[1];
    if (!(above > lu)) return;
    const double rho = std::sqrt(q);
    const double span = t.shankRadius - t.rho3;
    if (rho - t.rho3 > 1e-9 && span > 0.0) {
        flags.needTaper = std::max(flags.needTaper, (above - lu) * span / (rho - t.rho3));
    } else {
        flags.taperImpossible = 1;
    }
}

// Node (ix, iy) at index idx is lowered to `candidate`; q is the squared
// horizontal distance at which the tool met it with its tip at zTip,
// `newAttr` the byte to write.
[[gnu::always_inline]] inline void LowerNode(const SweepContext& ctx, std::size_t idx, int ix, int iy,
                                             float candidate, double q, double zTip, bool stepped,
                                             std::uint8_t newAttr, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const float before = w.height[idx];
    if (ctx.arborMode == kArborCompute && q > ctx.tool->T3) {
        w.attr[idx] |= kAttrPaint;
        flags.painted = 1;
        MeasureBeyondFlank(*ctx.tool, static_cast<double>(before) - zTip, q, flags);
        return;
    }
    if (ctx.watchedNode >= 0 && static_cast<long long>(idx) == ctx.watchedNode &&
        (!ctx.watchHeight || before == ctx.watchedHeight)) {
        flags.searchHit = 1;
    }
    w.height[idx] = candidate;
    w.attr[idx] = newAttr;
    if (w.lineNo != nullptr) w.lineNo[idx] = ctx.lineNo;
    if (ctx.markPaint) PaintWithNeighbours(w, ix, iy, flags);
    flags.cutDone = 1;
    ClassifyNode(ctx, ix, iy, before, candidate, zTip, q, stepped, flags);
}

// A node lowered by a plain sweep (see PlainLowering): what LowerNode
// writes for a node within the flank when no check looks at it.
inline void LowerPlainNode(const SweepContext& ctx, std::size_t idx, float candidate, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    w.height[idx] = candidate;
    w.attr[idx] = ctx.attrCode;
    if (w.lineNo != nullptr) w.lineNo[idx] = ctx.lineNo;
    flags.cutDone = 1;
}

inline float Rounded(double v) { return static_cast<float>(v); }

}  // namespace morvex::sweep_detail
