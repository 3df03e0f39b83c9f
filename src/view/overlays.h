// What is drawn over the work: the NC path (tool tip), its construction
// points, the boundary box of the work block and the coordinate axes at the
// program origin with the start point.
#pragma once

#include <QPainter>
#include <cstdint>
#include <string>

#include "view/display_settings.h"
#include "nc/controller_def.h"
#include "nc/interpreter.h"
#include "sim/program_path.h"
#include "sim/tool_def.h"
#include "sim/tool_profile.h"
#include "sim/work_model.h"
#include "view/view_state.h"

namespace morvex {

// The path sets: the tool tip, the command point (the point the program
// drives, the tip raised by the tool's shift) and the path drawn while
// cutting, each in its own colour.
enum class PathSet { ToolTip, CommandPoint, Cutting };

// One motion (tool frame, work offset added, tip lowered by `shift`) in the
// set's colour: rapids dotted, feeds at or above `rapidFeedrate`
// dash-dotted, others solid; arcs as chords of at most 5 degrees; with
// CONSTRUCTION POINT a marker at its end.
void DrawPathSegment(QPainter& painter, const ViewState& view, const ViewSettings& settings, const PathRecord& motion,
                     const Point& workOffset, double shift, PathSet set, double rapidFeedrate,
                     const std::uint32_t* moduleColors = nullptr);

// The path of the whole program in one set, motion for motion as the run
// of the source's set-up moves it; the number of motions drawn, -1 when the
// program cannot be opened.
int DrawProgramPath(QPainter& painter, const ViewState& view, const ViewSettings& settings, PathSource source,
                    PathSet set);

// Draws the tool-tip path of the whole program in the tool-tip path colour:
// rapids dotted, feeds solid (dash-dotted at or above RAPID FEEDRATE), arcs
// as chords of at most 5 degrees; with `constructionPoints` a marker at
// every segment end. Returns the number of motions drawn, -1 when the
// program cannot be opened.
int DrawToolTipPath(QPainter& painter, const ViewState& view, const ViewSettings& settings, PathSource source);

// The tool standing with its tip at `tip` (work coordinates): its lower
// outline across the diameter seen from the front (cutting part in the
// tool-side colour, neck, shank and holder in the arbor colour), the sides up
// to the holder face and the holder's sides up to its top, and the tip circle
// in the tool-top colour (the tool's pen colour unless TOOL-TOP COLOR MODE
// is SPECIFIED). Nothing for no tool.
void DrawTool(QPainter& painter, const ViewState& view, const ViewSettings& settings, const ToolProfile& tool,
              const Point& tip);

// The twelve edges of the work block in the work colour.
void DrawBoundaryBox(QPainter& painter, const ViewState& view, const ViewSettings& settings, const WorkModel& work);

// The STL model check: every facet of the model file as a closed outline
// in the work colour. The number of facets drawn; -1 when the file could
// not be read to its end.
long long DrawStlFacets(QPainter& painter, const ViewState& view, const ViewSettings& settings,
                        const std::string& path);

// X, Y and Z axes at the program origin (red, green, blue, `length` pixels
// long at the current scale) and a marker at the start point.
void DrawAxes(QPainter& painter, const ViewState& view, const Point& start, int length = 40);

}  // namespace morvex
