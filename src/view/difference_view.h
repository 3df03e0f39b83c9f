// The difference display: the work in its own colour, with the nodes that
// stand above the basic model by more than the margin in PLUS COLOR and
// those below it in MINUS COLOR. The sides reach the drawing as attribute
// bytes of a stand-in work that shares the heights of the real one, so the
// ordinary full and partial redraws draw it.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/work_model.h"
#include "view/display_settings.h"
#include "view/work_render.h"

namespace morvex {

// Which sides the display shows (a bit set).
inline constexpr int kShowPlus = 1;
inline constexpr int kShowMinus = 2;

// Stand-in attribute of a node above the model (the paint class) and below
// it (the class of pen 1).
inline constexpr std::uint8_t kPlusAttr = kAttrPaint;
inline constexpr std::uint8_t kMinusAttr = 0x02;

// Fills attr (resized to the work's cellCount when its size differs) over
// the nodes ix0..ix1 x iy0..iy1 (inclusive, clipped to the grid): kPlusAttr
// where h - margin > b and sides has kShowPlus, kMinusAttr where
// h + margin < b and sides has kShowMinus, 0 elsewhere and where the model
// has no height (-100000). False when the work has no basic model.
bool DifferenceAttributes(const WorkModel& work, double margin, int sides, int ix0, int iy0, int ix1, int iy1,
                          std::vector<std::uint8_t>& attr);

// The work's grid and heights with attr as its attribute bytes; the
// returned record owns nothing and lives no longer than work and attr.
WorkModel WithAttributes(const WorkModel& work, const std::uint8_t* attr);

// The drawing style of the display: the paint class in PLUS COLOR, pen 1's
// class in MINUS COLOR, pen colours and the target area off.
RenderStyle DifferenceStyleOf(const ViewSettings& settings, bool alarm);

}  // namespace morvex
