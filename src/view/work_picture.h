// The picture of the work for unattended runs: the view of the settings (or
// given angles) fitted as the F key does, drawn off screen and written as PNG.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "view/display_settings.h"
#include "sim/work_model.h"
#include "view/overlays.h"
#include "view/view_state.h"

namespace morvex {

// The view of a picture: the angles, fitted to the work block, the
// perspective distance of the block, and the drawing step (1 unless DISPLAY
// GUIDANCE is NO, since nobody is there to ask for the detailed drawing).
ViewState PictureView(const ViewSettings& settings, const WorkModel& work, std::optional<std::pair<double, double>> angles,
                      int width, int height);

// Draws and writes the picture with the overlays the settings switch on:
// the boundary box, the axes and start point, and with a program the
// tool-tip path (PATH(RESULT)). False when it cannot be drawn or written.
[[nodiscard]] bool WriteWorkPicture(const ViewSettings& settings, const WorkModel& work, const std::string& path,
                                    std::optional<std::pair<double, double>> angles, int width, int height,
                                    const PathSource* program);

}  // namespace morvex
