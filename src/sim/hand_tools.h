// The mouse hand tools on the work: welding adds material, the grinder cuts
// down to a flat level, the paper sands a little off, the brush paints and
// the spatula scrapes the paint off. A stroke is walked cell by cell from
// the previous point to the current one; each step treats the tool's
// footprint around its cell.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/stroke_record.h"
#include "sim/work_model.h"

namespace morvex {

enum class HandTool { None, Welding, Grinder, Paper, Brush, Spatula };

// The tool of a context-menu mouse mode: 2 welding, 3 grinder, 4 paper,
// 6 brush, 7 spatula; None for every other mode.
HandTool HandToolOfMode(int mouseMode);

// What a tool does, from the tool parameters of the settings.
struct HandToolParams {
    HandTool tool = HandTool::None;
    float amount = 0.0f;  // mm: welding height, grinder or paper depth
    float width = 0.0f;   // mm, footprint across
    int pen = 0;          // 0..7, pen bits left by welding, grinder and paper
};

struct GridCell {
    int ix = 0;
    int iy = 0;
};

// One stroke: from button down to button up.
struct HandStroke {
    HandTool tool = HandTool::None;
    bool active = false;
    bool continues = false;  // the last point lay on the work: the next one is walked from it
    int lastX = 0, lastY = 0;
    bool levelSet = false;  // grinder: the level the first contact fixed
    float level = 0.0f;     // mm
};

// What one stroke point did.
struct StrokeResult {
    bool onWork = false;
    bool changed = false;  // some node's height or attribute changed
    int ix0 = 0, iy0 = 0, ix1 = -1, iy1 = -1;  // the changed nodes (empty when ix1 < ix0)
    bool levelFixed = false;  // the grinder touched the work for the first time in this stroke
    bool topRaised = false;   // welding raised the work's top (zMax)
    int steps = 0;            // footprints applied
};

// Footprint half-size in cells: truncate(width / 2 / pitch), never negative.
int FootprintHalfSize(float width, double pitch);

// Button down and up: a new stroke, and its end (the grinding level is forgotten).
void BeginStroke(HandStroke& stroke, HandTool tool);
void EndStroke(HandStroke& stroke);

// A stroke point at `cell`, or off the work (nullopt: nothing changes and
// the stroke no longer continues). On the work, the segment from the last
// point is walked in n = max(1, truncate(length + 0.5)) steps, each
// treating the footprint of its cell; the point (node X, Y and its height
// afterwards) goes to `record` when one is given. Changed nodes get
// workState 2; welding above zMax raises zMax.
StrokeResult StrokeTo(WorkModel& work, HandStroke& stroke, const HandToolParams& params,
                      std::optional<GridCell> cell, StrokeRecord* record);

}  // namespace morvex
