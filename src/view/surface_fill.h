// The surface of the work cell by cell in the painter's order, and its
// filled triangles written straight into the pixels.
#pragma once

#include <QRect>

#include "view/pixel_fill.h"
#include "view/work_render.h"

namespace morvex {

inline bool SpanReaches(const CellSpan& s, const QRect& r) {
    return s.x1 >= r.left() && s.x0 <= r.right() && s.y1 >= r.top() && s.y0 <= r.bottom();
}

// The cells from the far side to the near one as seen from angle A (the
// depth dx sin A + dy cos A falls), so that nearer cells paint over farther
// ones: `row(r)` before the cells of cell row r, then `cell(c)` for each of
// its cells. Rows and blocks whose screen extent misses `reach` are passed
// over; none of their cells could draw a pixel inside it.
template <class Row, class Cell>
void WalkCells(const ProjectedGrid& g, const ViewState& v, const QRect& reach, Row&& row, Cell&& cell) {
    const int cellRows = static_cast<int>(g.rows.size()) - 1;
    const int cellCols = static_cast<int>(g.columns.size()) - 1;
    if (cellRows < 1 || cellCols < 1) return;
    const int blocks = g.blocksPerRow;
    const bool spans = blocks == (cellCols + kSpanCells - 1) / kSpanCells &&
                       g.rowSpans.size() == static_cast<std::size_t>(cellRows) &&
                       g.blockSpans.size() == static_cast<std::size_t>(cellRows) * static_cast<std::size_t>(blocks);
    const bool yDown = v.cosA > 0.0, xDown = v.sinA > 0.0;
    for (int rr = 0; rr < cellRows; ++rr) {
        const int r = yDown ? cellRows - 1 - rr : rr;
        if (spans && !SpanReaches(g.rowSpans[static_cast<std::size_t>(r)], reach)) continue;
        row(r);
        if (!spans) {
            for (int cc = 0; cc < cellCols; ++cc) cell(xDown ? cellCols - 1 - cc : cc);
            continue;
        }
        const CellSpan* blockRow = g.blockSpans.data() + static_cast<std::size_t>(r) * blocks;
        for (int bb = 0; bb < blocks; ++bb) {
            const int b = xDown ? blocks - 1 - bb : bb;
            if (!SpanReaches(blockRow[b], reach)) continue;
            const int c0 = b * kSpanCells, c1 = std::min(cellCols, c0 + kSpanCells) - 1;
            if (xDown) {
                for (int c = c1; c >= c0; --c) cell(c);
            } else {
                for (int c = c0; c <= c1; ++c) cell(c);
            }
        }
    }
}

// The filled surface within `reach` (the clip of `pixels`): each cell as two
// shaded triangles, or one flat quad when its four heights are equal; a
// triangle facing away is left out.
void FillSurface(PixelFill& pixels, const QRect& reach, const WorkModel& work, const ViewState& view,
                 const RenderStyle& style, const ProjectedGrid& grid);

}  // namespace morvex
