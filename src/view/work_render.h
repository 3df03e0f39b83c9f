// Drawing the work: the Z-map as shaded triangles in the painter's order,
// with the side walls of the block, into the off-screen bitmap.
#pragma once

#include <QImage>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

#include "view/display_settings.h"
#include "sim/work_model.h"
#include "view/view_state.h"

namespace morvex {

inline constexpr int kShades = 50;
inline constexpr int kColorClasses = 11;
inline constexpr int kClassWork = 0;
inline constexpr int kClassTarget = 1;
inline constexpr int kClassPaint = 9;
inline constexpr int kClassAlarm = 10;

// The colours of a drawing: 11 classes of 50 shades, the background, and
// the rules that pick a class.
struct RenderStyle {
    std::array<std::uint32_t, kColorClasses * kShades> shade{};  // QRgb, class * 50 + shade
    std::uint32_t background = 0xFFFFFFFF;
    bool byDirection = false;  // classes 2..4 from the cutting direction instead of the pen
    bool alarm = false;        // the run stands in its alarm stop: everything red
    bool targetOn = false;
    double targetZMin = 0.0, targetZMax = 0.0;
    bool mesh = false;  // grid lines instead of filled triangles
};

// The class colours of the settings (pen or cutting-direction mode) and
// their shades.
RenderStyle RenderStyleOf(const ViewSettings& settings, bool alarm);

// The screen box of some drawn cells: the smallest and largest x and y of
// their projected corners.
struct CellSpan {
    std::int16_t x0 = 0, x1 = -1, y0 = 0, y1 = -1;
};

// Cells per block of a cell row in the extent cache.
inline constexpr int kSpanCells = 32;

// Screen positions of the drawn nodes (every step-th node and the last of
// each row and column), rebuilt when the view or the step changes; with the
// screen box of every cell row and of every block of kSpanCells cells along
// it, so that a redraw of a small rectangle passes over rows and blocks
// outside it instead of visiting each of their cells.
struct ProjectedGrid {
    std::vector<int> columns;  // node indices drawn along X
    std::vector<int> rows;     // along Y
    std::vector<std::int16_t> xs, ys;  // rows.size() x columns.size()
    std::vector<CellSpan> rowSpans;    // rows.size() - 1
    std::vector<CellSpan> blockSpans;  // (rows.size() - 1) x blocksPerRow
    int blocksPerRow = 0;
    bool valid = false;
};

// The extents of cell rows r0..r1 and cell columns c0..c1 (inclusive,
// clipped to the grid) from the node positions; all of them when the
// extents do not match the grid yet.
void UpdateCellSpans(ProjectedGrid& grid, int r0, int r1, int c0, int c1);

// Rebuilds the cache for the work under the view (view.step cells per drawn cell).
void ProjectGrid(const WorkModel& work, const ViewState& view, ProjectedGrid& grid);

// Full redraw: background, surface and the side walls facing the viewer.
// Uses the cache (rebuilt when not valid).
void DrawWork(QImage& image, const WorkModel& work, const ViewState& view, const RenderStyle& style,
              ProjectedGrid& grid);

// Nodes ix0..ix1 x iy0..iy1 (inclusive) whose heights or attributes changed.
struct NodeRect {
    int ix0 = 0, iy0 = 0, ix1 = -1, iy1 = -1;
};

// Partial redraw after a motion: the changed nodes are projected again, the
// screen rectangle of their old and new positions, widened by one drawn
// cell and clipped to the picture, is cleared and the cells reaching into it
// drawn again in the same order. Returns that rectangle (empty when nothing
// is to be drawn); the window copies it to the screen.
QRect RedrawRegion(QImage& image, const WorkModel& work, const ViewState& view, const RenderStyle& style,
                   ProjectedGrid& grid, const NodeRect& changed);

// The class of a triangle from its three corners (height and attribute).
int TriangleClass(const RenderStyle& style, const std::array<float, 3>& h, const std::array<std::uint8_t, 3>& attr);

}  // namespace morvex
