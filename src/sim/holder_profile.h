// Preparation of the holder and attachment stacks of the current tool.
#pragma once

#include "sim/tool_profile.h"

namespace morvex {

// A holder or shank diameter after the arbor clearance (see SelectTool).
double ClearedDiameter(double D, double arborClearance);

// Stacks the holder from len1 above the tip, starting at radius rad0 (the
// tool's flank or shank radius). No holder when the arbor is undefined or
// empty or len1 <= 0.
void PrepareHolder(const ArborDef& arbor, double len1, double rad0, double arborClearance,
                   ToolProfile& p);

// Stacks the attachment blocks from `base` (the holder top) above the tip.
void PrepareAttachment(const AttachmentBlocks& blocks, double base, ToolProfile& p);

}  // namespace morvex
