// Which node of the work the mouse points at: the node drawn under a pixel
// of the view, seen through the view's projection.
#pragma once

#include "sim/work_model.h"
#include "view/view_state.h"

namespace morvex {

// The node drawn under pixel (px, py), -1 when the pixel shows no work. The
// line of sight through the middle of the pixel is followed from the viewer
// into the work's block until it first meets the surface (heights between
// nodes interpolated) or enters the block through a side wall; the node
// nearest to that point is taken, so a node hidden behind a wall or a rim
// is never picked.
long long NodeUnderPixel(const WorkModel& work, const ViewState& view, int px, int py);

}  // namespace morvex
