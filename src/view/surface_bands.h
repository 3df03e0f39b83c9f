// The filled surface drawn by several threads at once. The rectangle is cut
// into horizontal bands of pixel rows; each band is drawn whole by one
// thread, which walks every cell in the painter's order but fills only the
// pixels of its own rows. Each pixel so gets the same writes in the same
// order as with one thread, and the picture is the same bit for bit; no two
// threads write the same pixel, and the work, the cache and the style are
// only read while they run.
#pragma once

#include <QImage>
#include <QRect>

#include "view/work_render.h"

namespace morvex {

// How many threads are worth starting for drawing `reach` of the grid: 1
// for a small rectangle or a small grid (a partial redraw during cutting),
// else the processors there are, at most 4.
int SurfaceThreads(const ProjectedGrid& grid, const QRect& reach);

// FillSurface over `reach` of a 32-bit image by `threads` threads (at
// least 1), the calling thread one of them; returns when all is drawn. The
// bands, a few per thread, are taken in turn by whichever thread is free,
// so that a thread the system keeps waiting holds up no more than its band;
// a thread that cannot be started leaves its share to the others.
void FillSurfaceInBands(QImage& image, const QRect& reach, const WorkModel& work, const ViewState& view,
                        const RenderStyle& style, const ProjectedGrid& grid, int threads);

}  // namespace morvex
