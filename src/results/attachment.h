// The attachment mounted on the machine, as the tool profile stacks it
// above the holder.
#pragma once

#include "results/machine_def.h"
#include "sim/tool_profile.h"

namespace morvex {

// The square blocks of the attachment at position `position` (1-based) of
// the machine's attachment list; none for 0, a position past the list, or
// an attachment without a square shape.
AttachmentBlocks AttachmentOf(const MachineDef& machine, int position);

}  // namespace morvex
