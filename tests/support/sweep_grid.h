// A bare work grid and a tool for the sweeper tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sim/sweep.h"
#include "sim/tool_profile.h"
#include "sim/tool_table.h"
#include "sim/work_model.h"

namespace morvex::test {

// An nx x ny grid at `pitch`, every node at `top`, with attributes and line
// numbers.
inline WorkModel SweepGrid(int nx, int ny, double pitch, float top) {
    WorkModel w;
    w.nx = nx;
    w.ny = ny;
    w.lastX = nx - 1;
    w.lastY = ny - 1;
    w.pitch = pitch;
    w.cellCount = static_cast<std::uint32_t>(nx * ny);
    w.zMax = top;
    w.heightA.assign(w.cellCount, top);
    w.attrA.assign(w.cellCount, 0);
    w.lineNumbers.assign(w.cellCount, 0);
    w.height = w.heightA.data();
    w.attr = w.attrA.data();
    w.lineNo = w.lineNumbers.data();
    for (int i = 0; i < std::max(nx, ny); ++i) w.nodeOffset.push_back(i * pitch);
    return w;
}

// Tool 1 of a table; a scribing marker has only d and h.
inline ToolProfile SweepTool(int shape, float d, float r, float h = 30.0f, int pen = 3, float alpha = 0.0f,
                             float beta = 0.0f) {
    ToolTable table;
    table.tools.resize(2);
    ToolDef& t = table.tools[1];
    t.defined = true;
    t.shape = shape;
    t.d = d;
    t.h = h;
    t.pen = pen;
    t.alpha = alpha;
    t.beta = beta;
    if (shape != kShapeKegaki) {
        // A negative r is a concave corner (RADIUS), as wide as |r|.
        t.r = r;
        t.f = std::fabs(r);
        t.e = d / 2 - std::fabs(r);
    }
    ToolProfile p;
    SelectTool(table, 1, 0.0, 0.0, nullptr, p);
    return p;
}

// The sweeper's context for cutting w with t, as line 7.
inline SweepContext SweepContextOf(WorkModel& w, const ToolProfile& t) {
    SweepContext ctx;
    ctx.work = &w;
    ctx.tool = &t;
    ctx.attrCode = t.attrCode;
    ctx.lineNo = 7;
    return ctx;
}

// A straight motion from p0 to p1 (grid-relative).
inline SweepMotionInput LineMotion(Point p0, Point p1) {
    SweepMotionInput m;
    m.p0 = p0;
    m.p1 = p1;
    return m;
}

}  // namespace morvex::test
