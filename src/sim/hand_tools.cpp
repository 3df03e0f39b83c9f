// Hand tools on the Z-map.
//
// Implementation notes: a stroke point is walked from the last point's cell
// to its own in n steps; step i (1..n) lands on previous + (current -
// previous) * i / n, each coordinate + 0.1 truncated, so the last step is
// the current cell itself and the last point's cell is not treated twice.
// A point that stays in the cell of the last one is one more step there:
// holding the torch on a spot keeps welding it. Footprints of successive
// steps overlap and each treats its cells again.
#include "sim/hand_tools.h"

#include <algorithm>
#include <cmath>

namespace morvex {
namespace {

std::uint8_t PenBits(int pen) { return static_cast<std::uint8_t>((pen & 7) << 1); }

void Grow(StrokeResult& r, int ix, int iy) {
    if (r.ix1 < r.ix0) {
        r.ix0 = r.ix1 = ix;
        r.iy0 = r.iy1 = iy;
        return;
    }
    r.ix0 = std::min(r.ix0, ix);
    r.iy0 = std::min(r.iy0, iy);
    r.ix1 = std::max(r.ix1, ix);
    r.iy1 = std::max(r.iy1, iy);
}

// Welding and paper: every node of the footprint moves by `delta` and takes
// the tool's pen alone. Welding keeps the nodes within half the width of
// the step cell (a disc), paper the whole square.
void ShiftFootprint(WorkModel& w, const HandToolParams& p, int cx, int cy, int r, float delta, StrokeResult& out) {
    const bool disc = p.tool == HandTool::Welding;
    const double limit = static_cast<double>(p.width) * p.width * 0.25;  // mm^2
    const std::uint8_t attr = PenBits(p.pen);
    const int x0 = std::max(0, cx - r), x1 = std::min(w.lastX, cx + r);
    const int y0 = std::max(0, cy - r), y1 = std::min(w.lastY, cy + r);
    for (int iy = y0; iy <= y1; ++iy) {
        const double dy = (iy - cy) * w.pitch;
        for (int ix = x0; ix <= x1; ++ix) {
            if (disc) {
                const double dx = (ix - cx) * w.pitch;
                if (dx * dx + dy * dy > limit) continue;
            }
            const std::size_t i = NodeIndex(w, ix, iy);
            w.height[i] += delta;
            w.attr[i] = attr;
            if (w.lineNo != nullptr) w.lineNo[i] = 0;
            if (disc && w.height[i] > w.zMax) {
                w.zMax = w.height[i];
                out.topRaised = true;
            }
            Grow(out, ix, iy);
        }
    }
}

// Grinder: nodes above the level by at most one depth are cut to it;
// higher ones are left, the disc does not dig in deeper than that.
void GrindFootprint(WorkModel& w, const HandToolParams& p, float level, int cx, int cy, int r, StrokeResult& out) {
    const std::uint8_t attr = PenBits(p.pen);
    const int x0 = std::max(0, cx - r), x1 = std::min(w.lastX, cx + r);
    const int y0 = std::max(0, cy - r), y1 = std::min(w.lastY, cy + r);
    for (int iy = y0; iy <= y1; ++iy) {
        for (int ix = x0; ix <= x1; ++ix) {
            const std::size_t i = NodeIndex(w, ix, iy);
            const float h = w.height[i];
            if (!(h > level) || !(h - p.amount <= level)) continue;
            w.height[i] = level;
            w.attr[i] = attr;
            if (w.lineNo != nullptr) w.lineNo[i] = 0;
            Grow(out, ix, iy);
        }
    }
}

// Brush and spatula: the paint bit alone.
void PaintFootprint(WorkModel& w, bool paint, int cx, int cy, int r, StrokeResult& out) {
    const int x0 = std::max(0, cx - r), x1 = std::min(w.lastX, cx + r);
    const int y0 = std::max(0, cy - r), y1 = std::min(w.lastY, cy + r);
    for (int iy = y0; iy <= y1; ++iy) {
        for (int ix = x0; ix <= x1; ++ix) {
            std::uint8_t& a = w.attr[NodeIndex(w, ix, iy)];
            const std::uint8_t next = paint ? (a | kAttrPaint) : (a & ~kAttrPaint);
            if (next == a) continue;
            a = next;
            Grow(out, ix, iy);
        }
    }
}

}  // namespace

HandTool HandToolOfMode(int mouseMode) {
    switch (mouseMode) {
    case 2: return HandTool::Welding;
    case 3: return HandTool::Grinder;
    case 4: return HandTool::Paper;
    case 6: return HandTool::Brush;
    case 7: return HandTool::Spatula;
    default: return HandTool::None;
    }
}

int FootprintHalfSize(float width, double pitch) {
    if (!(pitch > 0.0) || !(width > 0.0f)) return 0;
    const double r = width * 0.5 / pitch;
    // A footprint wider than any grid is clipped to it anyway.
    return r < 1e7 ? static_cast<int>(r) : 10'000'000;
}

void BeginStroke(HandStroke& stroke, HandTool tool) {
    stroke = HandStroke{};
    stroke.tool = tool;
    stroke.active = tool != HandTool::None;
}

void EndStroke(HandStroke& stroke) { stroke = HandStroke{}; }

StrokeResult StrokeTo(WorkModel& w, HandStroke& stroke, const HandToolParams& p, std::optional<GridCell> cell,
                      StrokeRecord* record) {
    StrokeResult out;
    if (!stroke.active || w.workState <= 0 || w.height == nullptr || !cell || cell->ix < 0 || cell->iy < 0 ||
        cell->ix > w.lastX || cell->iy > w.lastY) {
        stroke.continues = false;
        return out;
    }
    out.onWork = true;
    const bool continued = stroke.continues;
    const int fromX = stroke.continues ? stroke.lastX : cell->ix;
    const int fromY = stroke.continues ? stroke.lastY : cell->iy;
    const double ddx = cell->ix - fromX, ddy = cell->iy - fromY;
    const int n = std::max(1, static_cast<int>(std::hypot(ddx, ddy) + 0.5));
    const int r = FootprintHalfSize(p.width, w.pitch);
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        const int cx = std::clamp(static_cast<int>(fromX + ddx * t + 0.1), 0, w.lastX);
        const int cy = std::clamp(static_cast<int>(fromY + ddy * t + 0.1), 0, w.lastY);
        switch (p.tool) {
        case HandTool::Welding: ShiftFootprint(w, p, cx, cy, r, p.amount, out); break;
        case HandTool::Paper: ShiftFootprint(w, p, cx, cy, r, -p.amount, out); break;
        case HandTool::Grinder:
            if (!stroke.levelSet) {
                // The first contact fixes the level one depth below the touched node.
                stroke.level = w.height[NodeIndex(w, cx, cy)] - p.amount;
                stroke.levelSet = true;
                out.levelFixed = true;
            }
            GrindFootprint(w, p, stroke.level, cx, cy, r, out);
            break;
        case HandTool::Brush: PaintFootprint(w, true, cx, cy, r, out); break;
        case HandTool::Spatula: PaintFootprint(w, false, cx, cy, r, out); break;
        case HandTool::None: break;
        }
        ++out.steps;
    }
    out.changed = out.ix1 >= out.ix0;
    if (out.changed) w.workState = 2;
    stroke.continues = true;
    stroke.lastX = cell->ix;
    stroke.lastY = cell->iy;
    if (record != nullptr) {
        AppendStrokePoint(*record, static_cast<float>(w.xMin + cell->ix * w.pitch),
                          static_cast<float>(w.yMin + cell->iy * w.pitch), w.height[NodeIndex(w, cell->ix, cell->iy)],
                          continued);
    }
    return out;
}

}  // namespace morvex
