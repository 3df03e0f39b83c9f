// Hand-tool strokes from the mouse.
#include "frame/gui/hand_tool_input.h"

#include <algorithm>
#include <chrono>

#include "frame/gui/desk.h"
#include "frame/sounds.h"
#include "platform/host.h"
#include "view/work_pick.h"

namespace morvex {

HandToolParams HandToolParamsOf(const WorkSettings& w, HandTool tool) {
    HandToolParams p;
    p.tool = tool;
    switch (tool) {
    case HandTool::Welding: p.amount = w.weldingHeight, p.width = w.weldingWidth, p.pen = w.weldingPen; break;
    case HandTool::Grinder: p.amount = w.grinderDepth, p.width = w.grinderWidth, p.pen = w.grinderPen; break;
    case HandTool::Paper: p.amount = w.paperDepth, p.width = w.paperWidth, p.pen = w.paperPen; break;
    case HandTool::Brush: p.width = w.brushWidth; break;
    case HandTool::Spatula: p.width = w.heraWidth; break;
    case HandTool::None: break;
    }
    return p;
}

HandToolInput::HandToolInput(App& app, Desk& desk, Host& host) : app_(app), desk_(desk), host_(host) {}

HandToolInput::~HandToolInput() {
    if (looping_) host_.LoopSound(-1);
}

bool HandToolInput::SoundOn() const { return app_.settings.work.sound; }

double HandToolInput::Now() const {
    if (clockMs) return clockMs();
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool HandToolInput::Press(int mouseMode, int x, int y) {
    const HandTool tool = HandToolOfMode(mouseMode);
    if (tool == HandTool::None) return false;
    if (desk_.state.runActive || app_.work.workState <= 0) return true;
    BeginStroke(stroke_, tool);
    total_ = StrokeResult{};
    backedUp_ = false;
    if (tool == HandTool::Grinder && SoundOn()) {
        host_.LoopSound(kSoundGrinder);
        looping_ = true;
    }
    // Paper, brush and spatula start working when the pointer moves.
    if (tool == HandTool::Welding || tool == HandTool::Grinder) Apply(x, y);
    return true;
}

bool HandToolInput::Move(int x, int y) {
    if (!stroke_.active) return false;
    if (!desk_.state.runActive) Apply(x, y);
    return true;
}

bool HandToolInput::Release() {
    if (!stroke_.active) return false;
    const HandTool tool = stroke_.tool;
    EndStroke(stroke_);
    if (looping_) {
        host_.LoopSound(-1);
        if (SoundOn()) host_.PlaySound(kSoundGrindOff);
        looping_ = false;
    }
    // Welding drew in the alarm colour: the welded part in its own colours again.
    if (tool == HandTool::Welding && total_.changed) {
        if (total_.topRaised) {
            desk_.Redraw();  // the boundary box follows the new top
        } else {
            desk_.RedrawNodes(NodeRect{total_.ix0, total_.iy0, total_.ix1, total_.iy1}, false);
        }
    }
    total_ = StrokeResult{};
    return true;
}

void HandToolInput::Apply(int x, int y) {
    WorkModel& work = app_.work;
    const std::optional<GridCell> cell = CellUnderPixel(desk_.View(), work, x, y);
    // The work before the stroke, for the C key, as before a run.
    if (cell && !backedUp_) {
        Backup(work, Point{}, Point{});
        backedUp_ = true;
    }
    const HandTool tool = stroke_.tool;
    const StrokeResult r = StrokeTo(work, stroke_, HandToolParamsOf(app_.settings.work, tool), cell, &app_.strokes);
    if (r.levelFixed && SoundOn()) host_.PlaySound(kSoundGrinder2);
    if (!r.onWork) return;
    if ((tool == HandTool::Welding || tool == HandTool::Paper) && SoundOn()) {
        // One sound per step would queue hundreds on a fast drag.
        const double now = Now();
        if (now - lastSoundMs_ >= soundIntervalMs || now < lastSoundMs_) {
            host_.PlaySound(tool == HandTool::Welding ? kSoundWelding : kSoundPaper);
            lastSoundMs_ = now;
        }
    }
    if (!r.changed) return;
    if (!total_.changed) {
        total_.ix0 = r.ix0, total_.iy0 = r.iy0, total_.ix1 = r.ix1, total_.iy1 = r.iy1;
        total_.changed = true;
    } else {
        total_.ix0 = std::min(total_.ix0, r.ix0), total_.iy0 = std::min(total_.iy0, r.iy0);
        total_.ix1 = std::max(total_.ix1, r.ix1), total_.iy1 = std::max(total_.iy1, r.iy1);
    }
    total_.topRaised = total_.topRaised || r.topRaised;
    // Welding is drawn in the alarm colour while the torch is on.
    desk_.RedrawNodes(NodeRect{r.ix0, r.iy0, r.ix1, r.iy1}, tool == HandTool::Welding);
    if (r.topRaised && panelsChanged) panelsChanged();
}

}  // namespace morvex
