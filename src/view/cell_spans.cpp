// The screen extents of the drawn cells, per cell row and per block along it.
#include <algorithm>

#include "view/work_render.h"

namespace morvex {
namespace {

void Widen(CellSpan& s, std::int16_t x, std::int16_t y) {
    s.x0 = std::min(s.x0, x);
    s.x1 = std::max(s.x1, x);
    s.y0 = std::min(s.y0, y);
    s.y1 = std::max(s.y1, y);
}

void Join(CellSpan& s, const CellSpan& t) {
    s.x0 = std::min(s.x0, t.x0);
    s.x1 = std::max(s.x1, t.x1);
    s.y0 = std::min(s.y0, t.y0);
    s.y1 = std::max(s.y1, t.y1);
}

// A block's cells c0..c1 of cell row r cover nodes c0..c1 + 1 of rows r and r + 1.
CellSpan BlockSpan(const ProjectedGrid& g, int r, int c0, int c1) {
    const std::size_t cols = g.columns.size();
    CellSpan s{INT16_MAX, INT16_MIN, INT16_MAX, INT16_MIN};
    for (int rr = r; rr <= r + 1; ++rr) {
        const std::size_t base = static_cast<std::size_t>(rr) * cols;
        for (int c = c0; c <= c1 + 1; ++c) Widen(s, g.xs[base + c], g.ys[base + c]);
    }
    return s;
}

}  // namespace

void UpdateCellSpans(ProjectedGrid& g, int r0, int r1, int c0, int c1) {
    const int cellRows = static_cast<int>(g.rows.size()) - 1;
    const int cellCols = static_cast<int>(g.columns.size()) - 1;
    if (cellRows < 1 || cellCols < 1 || g.xs.size() != g.rows.size() * g.columns.size() || g.ys.size() != g.xs.size()) {
        g.rowSpans.clear();
        g.blockSpans.clear();
        g.blocksPerRow = 0;
        return;
    }
    const int blocks = (cellCols + kSpanCells - 1) / kSpanCells;
    const std::size_t total = static_cast<std::size_t>(cellRows) * static_cast<std::size_t>(blocks);
    if (g.blocksPerRow != blocks || g.blockSpans.size() != total ||
        g.rowSpans.size() != static_cast<std::size_t>(cellRows)) {
        g.blocksPerRow = blocks;
        g.blockSpans.assign(total, CellSpan{});
        g.rowSpans.assign(static_cast<std::size_t>(cellRows), CellSpan{});
        r0 = 0, r1 = cellRows - 1, c0 = 0, c1 = cellCols - 1;
    }
    r0 = std::max(r0, 0), r1 = std::min(r1, cellRows - 1);
    c0 = std::max(c0, 0), c1 = std::min(c1, cellCols - 1);
    if (r1 < r0 || c1 < c0) return;
    const int b0 = c0 / kSpanCells, b1 = c1 / kSpanCells;
    for (int r = r0; r <= r1; ++r) {
        CellSpan* row = g.blockSpans.data() + static_cast<std::size_t>(r) * blocks;
        for (int b = b0; b <= b1; ++b) {
            row[b] = BlockSpan(g, r, b * kSpanCells, std::min(cellCols, (b + 1) * kSpanCells) - 1);
        }
        CellSpan whole = row[0];
        for (int b = 1; b < blocks; ++b) Join(whole, row[b]);
        g.rowSpans[static_cast<std::size_t>(r)] = whole;
    }
}

}  // namespace morvex
