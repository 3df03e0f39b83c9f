// What becomes of one interpreted block: a rapid split by how the machine
// moves its axes, the holes of a canned cycle, a spline collected over
// several blocks, or the block's own motion, queued for NextMotion.
#pragma once

#include "nc/interpreter.h"

namespace morvex {

// Queues the motions of the block just interpreted (interp.path), through
// radius compensation when it is on, and moves the current point.
void ExpandBlock(Interpreter& interp, ControllerDef& ctl);

// At the end of the program: a spline still being collected and the element
// held by radius compensation are handed out.
void FinishAtProgramEnd(Interpreter& interp, ControllerDef& ctl);

}  // namespace morvex
