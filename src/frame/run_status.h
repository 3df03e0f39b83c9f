// What the status line says about a run from the window: the NC block being
// cut while the run is open (running, paused, waiting), and once it has
// ended a one-line summary: finished, ended early or the alarm, with the
// motions and the machining time of what was cut.
#pragma once

#include <string>
#include <vector>

#include "results/machine_def.h"
#include "results/machining_time.h"
#include "sim/run_control.h"

namespace morvex {

// The machining time of the motions a run has cut, booked motion by motion.
struct RunClock {
    MachiningTimer timer;
    int tool = 0;
    std::vector<Point> points;  // spline points, reused
};

void StartRunClock(RunClock& clock, const MachineDef& machine, double rapidFeedrate, double smoothAngle,
                   int initialTool);

// Books the motion the run has just cut (a tool change first when the run
// changed tools for it).
void ClockRunMotion(RunClock& clock, const CuttingRun& run);

// The machining time so far (s).
double RunClockSeconds(RunClock& clock);

// The status line of `run`: its current NC block (the wait file while it
// waits) while it is open; the summary once it has ended.
std::string RunStatusText(const CuttingRun& run, double seconds, bool english);

}  // namespace morvex
