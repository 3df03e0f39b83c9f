// Lowering one node: the update every sweeper makes when the tool surface
// lies below a node's height (attribute byte, line number, marks and the
// flags of parts beyond the flank). Internal to the sweepers.
#pragma once

#include <algorithm>
#include <cmath>

#include "sim/sweep.h"

namespace morvex::sweep_detail {

// Rows [rowBegin, rowEnd) belong to the strip at work; marks on other rows
// wait in the flags until the strips have joined.
struct Rows {
    int begin = 0;
    int end = 0;
};

inline void PaintWithNeighbours(WorkModel& w, int ix, int iy, Rows rows, SweepFlags& flags) {
    const int x0 = std::max(ix - 1, 0), x1 = std::min(ix + 1, w.lastX);
    const int y0 = std::max(iy - 1, 0), y1 = std::min(iy + 1, w.lastY);
    for (int y = y0; y <= y1; ++y) {
        const bool own = y >= rows.begin && y < rows.end;
        for (int x = x0; x <= x1; ++x) {
            if (own) {
                w.attr[NodeIndex(w, x, y)] |= kAttrPaint;
            } else {
                flags.deferredPaint.push_back(NodeIndex(w, x, y));
            }
        }
    }
}

// Node (ix, iy) at index idx is lowered to `candidate`; q is the squared
// horizontal distance at which the tool met it, `newAttr` the byte to write.
inline void LowerNode(const SweepContext& ctx, std::size_t idx, int ix, int iy, float candidate, double q,
                      std::uint8_t newAttr, Rows rows, SweepFlags& flags) {
    WorkModel& w = *ctx.work;
    const float before = w.height[idx];
    if (ctx.watchedNode >= 0 && static_cast<long long>(idx) == ctx.watchedNode &&
        (!ctx.watchHeight || before == ctx.watchedHeight)) {
        flags.searchHit = 1;
    }
    w.height[idx] = candidate;
    w.attr[idx] = newAttr;
    if (w.lineNo != nullptr) w.lineNo[idx] = ctx.lineNo;
    if (ctx.markPaint) PaintWithNeighbours(w, ix, iy, rows, flags);
    flags.cutDone = 1;
    const ToolProfile& t = *ctx.tool;
    if (q <= t.T3) return;
    // Reached by the neck, shank, holder or attachment.
    if (ctx.arborMode != kArborAbort && ctx.arborMode != kArborPause) {
        w.attr[idx] |= kAttrPaint;
        return;
    }
    PaintWithNeighbours(w, ix, iy, rows, flags);
    if (q <= t.T4) {
        flags.taperHit = 1;
    } else if (q <= t.holderLimit) {
        flags.holderHit = 1;
    } else {
        flags.attachmentHit = 1;
    }
    flags.hitRadius = std::max(flags.hitRadius, std::sqrt(q));
    flags.hitDepth = std::max(flags.hitDepth, static_cast<double>(before) - candidate);
}

inline float Rounded(double v) { return static_cast<float>(v); }

}  // namespace morvex::sweep_detail
