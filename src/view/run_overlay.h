// What the view shows over the work while a program is cut: the path drawn
// so far, on a transparent layer of its own so that the partial redraws of
// the work under it do not wipe it, and the tool at the current control
// point, drawn only into the picture the window shows (never into the work
// bitmap, where it would stay behind as the tool moves on).
#pragma once

#include <QImage>
#include <cstdint>

#include "view/display_settings.h"
#include "nc/path_record.h"
#include "sim/tool_profile.h"
#include "view/view_state.h"
#include "view/work_render.h"

namespace morvex {

struct CutPathLayer {
    QImage image;  // ARGB, transparent where no path was drawn
};

// Empties the layer for a picture of `width` x `height` (a new run or a new view).
void ClearCutPath(CutPathLayer& layer, int width, int height);

// Adds one motion (tool frame, `workOffset` added, tip lowered by `shift`)
// in the cutting-path colours, or a reader module's (its ten colours).
void AddCutSegment(CutPathLayer& layer, const ViewState& view, const ViewSettings& settings, const PathRecord& motion,
                   const Point& workOffset, double shift, double rapidFeedrate,
                   const std::uint32_t* moduleColors = nullptr);

// The tool to draw: its profile and where its tip stands (work coordinates).
struct ToolAt {
    const ToolProfile* tool = nullptr;
    Point tip{};
};

// The picture of the view: the work bitmap, the cut path over it when
// given, and the tool when TOOL DISPLAY is on.
QImage ComposeView(const QImage& work, const CutPathLayer* cutPath, const ToolAt& tool, const ViewState& view,
                   const ViewSettings& settings);

// Draws the work once in detail into `bitmap`: every node and filled
// triangles, whatever the view's drawing step and mesh. The caller's view,
// style and projected grid are left as they were, so the next redraw
// returns to them; the bitmap keeps the detailed drawing for the picture
// taken from it.
void DrawDetailOnce(QImage& bitmap, const WorkModel& work, const ViewState& view, const RenderStyle& style);

}  // namespace morvex
