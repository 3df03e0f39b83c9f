// What the simulation and modifier modules are handed of the program's
// records (the tool in the spindle, one motion, the work) and the check of
// the heights they leave behind.
#pragma once

#include <cstdint>
#include <vector>

#include "morvex/plugin.h"
#include "nc/path_record.h"
#include "sim/tool_def.h"
#include "sim/work_model.h"

namespace morvex {

// A motion of the tool frame (start, end, centre) in the work's coordinates,
// the frame of the grid's xMin, yMin and heights: the work offset in force
// added, the tip lowered by the tool's length shift. `type` is MV_LINE for
// a spline's chords.
MvMotion MvMotionOf(int type, const Point& toolStart, const Point& toolEnd, const Point& toolCentre, int plane,
                    int line, double feed, const Point& workOffset, double shift);

// The work as the modifiers see it (pointers into `work`).
MvWork MvWorkOf(WorkModel& work);

// What the check of a module's heights found and mended.
struct HeightRepair {
    long long notNumbers = 0;   // not finite: put back to the height before
    long long belowBottom = 0;  // below zMin: raised to it
    bool Any() const { return notNumbers > 0 || belowBottom > 0; }
};

// Puts every height that is not a finite number back to `before` (the
// height before the module ran; zMin when `before` is empty), raises
// heights below zMin to zMin, and brings zMax up to the highest height.
HeightRepair RepairHeights(WorkModel& work, const std::vector<float>& before);

}  // namespace morvex
