// Which node of the work the mouse points at: the node drawn under a pixel
// of the view, seen through the view's projection.
#pragma once

#include "sim/work_model.h"
#include "view/view_state.h"

namespace morvex {

// The node drawn under pixel (px, py), -1 when the pixel shows no node.
// Candidates are the nodes projected within max(2, 0.75 cells) pixels of
// it; of those, the nodes within two pitches of the one nearest the viewer
// are what can be seen there (a wall or a rim hides what lies behind it),
// and the one of them nearest the pixel is taken.
long long NodeUnderPixel(const WorkModel& work, const ViewState& view, int px, int py);

}  // namespace morvex
