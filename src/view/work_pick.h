// The node of the work under a pixel of the view: the first node the line
// of sight through the pixel meets on the surface, as the picture shows it.
#pragma once

#include <optional>

#include "sim/hand_tools.h"
#include "sim/work_model.h"
#include "view/view_state.h"

namespace morvex {

// The node under pixel (px, py) of the view (the pixel's middle), nearest
// the viewer along the line of sight; nullopt when that line misses the
// work or there is none.
std::optional<GridCell> CellUnderPixel(const ViewState& view, const WorkModel& work, int px, int py);

}  // namespace morvex
