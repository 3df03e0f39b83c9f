// Cutter radius compensation inside the interpreter: G41/G42 start-up, the
// corners between offset elements, G40 cancellation, one element behind the
// block being read.
#pragma once

#include "nc/interpreter.h"

namespace morvex {

// Takes the block just interpreted (interp.path, programmed) when radius
// compensation is on, being cancelled or just requested: queues what can be
// handed out and holds the newest element back until the corner after it is
// known. Returns false when the block is not compensation's to handle; the
// caller then queues it as it is. `chainBreak` marks a block that cannot be
// offset (a cycle hole or a spline): the held element is handed out as it is.
bool CompensateBlock(Interpreter& interp, ControllerDef& ctl, bool chainBreak);

// At the end of the program: hands out the held element, and while
// cancelling under ONLY G40 OFFSET the return to the programmed point.
void FinishCompensation(Interpreter& interp, const ControllerDef& ctl);

}  // namespace morvex
