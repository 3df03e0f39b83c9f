// The window's drawing and runs.
#include "frame/gui/desk.h"

#include <QPainter>
#include <algorithm>
#include <fstream>

#include "base/messages.h"
#include "frame/optimize_run.h"
#include "frame/run_command.h"
#include "integration/plugins.h"
#include "platform/host.h"
#include "view/difference_view.h"
#include "view/highlight_view.h"
#include "view/offscreen_bitmap.h"

namespace morvex {
namespace {

ViewBox BoxOf(const WorkModel& w) { return ViewBox{w.xMin, w.yMin, w.zMin, w.xMax, w.yMax, w.zMax}; }

// Lines of a program, for the progress bar (a last line without its newline counts).
int CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    long long lines = 0;
    char last = '\n';
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const std::streamsize n = in.gcount();
        lines += std::count(buffer, buffer + n, '\n');
        last = buffer[n - 1];
    }
    if (last != '\n') ++lines;
    return static_cast<int>(std::min<long long>(lines, 2'000'000'000));
}

}  // namespace

std::optional<PathSource> ProgramPathOf(const App& app, int runMode, bool fast) {
    if (!app.launch.ncProgramOpened || app.controller.readStatus != 1) return std::nullopt;
    PathSource source = PathSourceOf(MakeRunSetup(app, runMode, fast, true), app.controller, &app.tools);
    if (const ReaderModule* reader = ReaderForFile(app.plugins, source.ncPath); reader && reader->usePathColors) {
        source.useModuleColors = true;
        source.moduleColors = reader->pathColors;
    }
    return source;
}

Point StartPointOf(const App& app) {
    const Vec3& c = app.settings.work.controlPoint;
    return Point{c.x, c.y, c.z};
}

Desk::Desk(App& app, Host& host) : app_(app), host_(host) {
    state.stopMode = app.controller.stopOption;
    state.workExists = app.work.workState > 0;
    state.ncLoaded = app.launch.ncProgramOpened;
}

Desk::~Desk() {
    if (run_) EndRun(*run_, host_);
    // A run closed with the window never reached its end: no optimised NC.
    if (optimized_ && optimized_->open) (void)CloseOptimisedOutputs(optimized_->out, true);
}

void Desk::Resize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    bitmap_ = CreateOffscreenBitmap(width, height, app_.settings.colors[ColorKey::Background]);
    view_.width = width;
    view_.height = height;
    ClearCutPath(cutPath_, width, height);
    if ((!fitted_ || state.fitOnResize) && app_.work.workState > 0) {
        if (fitted_) {
            FitView(view_, BoxOf(app_.work));
            Redraw();
        } else {
            FitToWork();
        }
        return;
    }
    Redraw();
}

void Desk::FitToWork() {
    const int w = view_.width, h = view_.height;
    view_ = InitialView(app_.settings.display, w, h);
    watchedNode = -1;  // a new work
    state.workExists = app_.work.workState > 0;
    if (!state.workExists) {
        Redraw();
        return;
    }
    const ViewBox box = BoxOf(app_.work);
    view_.distance = PerspectiveDistance(
        Vec3{0.5 * (box.xMin + box.xMax), 0.5 * (box.yMin + box.yMax), 0.5 * (box.zMin + box.zMax)}, box.zMax,
        box.zMin);
    FitView(view_, box);
    fitted_ = true;
    Redraw();
}

void Desk::Redraw() {
    if (!app_.settings.work.differenceAlways) differenceSides_ = 0;
    Draw();
}

bool Desk::ShowDifference(int sides) {
    if (sides == 0) {
        differenceSides_ = 0;
        Draw();
        return true;
    }
    if (app_.work.workState <= 0 || app_.work.basicHeight.size() != app_.work.cellCount) return false;
    differenceSides_ = sides;
    Draw();
    return true;
}

void Desk::Draw() {
    if (bitmap_.isNull()) return;
    const DisplaySettings& d = app_.settings.display;
    const int step = app_.work.workState > 0
                         ? DrawingStep(app_.work.pitch, view_.scale, d.optimizeDrawing, d.optimizeDots)
                         : 1;
    const bool newStep = step != view_.step;
    view_.step = step;
    const bool alarm = run_ && run_->state == RunState::Aborted && run_->alarmCode != 0;
    const WorkModel& w = app_.work;
    if (differenceSides_ != 0 &&
        !DifferenceAttributes(w, app_.operations.difference.margin, differenceSides_, 0, 0, w.lastX, w.lastY,
                              differenceAttr_)) {
        differenceSides_ = 0;  // the basic model went with its work
    }
    style_ = differenceSides_ != 0 ? DifferenceStyleOf(app_.settings, alarm) : RenderStyleOf(app_.settings, alarm);
    grid_.valid = false;
    if (w.workState > 0) {
        if (differenceSides_ != 0) {
            DrawWork(bitmap_, WithAttributes(w, differenceAttr_.data()), view_, style_, grid_);
        } else {
            DrawWork(bitmap_, w, view_, style_, grid_);
        }
        DrawOverlays();
    } else {
        bitmap_.fill(style_.background);
    }
    DrawShownPaths();
    if (newStep && retitle) retitle();
    if (changed) changed();
}

void Desk::RedrawDetailed() {
    if (bitmap_.isNull() || app_.work.workState <= 0) return;
    if (differenceSides_ != 0 && differenceAttr_.size() == app_.work.cellCount) {
        DrawDetailOnce(bitmap_, WithAttributes(app_.work, differenceAttr_.data()), view_, style_);
    } else {
        DrawDetailOnce(bitmap_, app_.work, view_, style_);
    }
    DrawOverlays();
    DrawShownPaths();
    if (changed) changed();
}

void Desk::DrawHighlighted() {
    if (bitmap_.isNull() || app_.work.workState <= 0) return;
    ProjectedGrid grid;
    DrawWork(bitmap_, app_.work, view_, HighlightStyleOf(app_.settings), grid);
    DrawOverlays();
    if (changed) changed();
}

void Desk::DrawOverlays(const QRect& clip) {
    const DisplaySettings& d = app_.settings.display;
    QPainter painter(&bitmap_);
    if (!clip.isNull()) painter.setClipRect(clip);
    if (d.boundaryBox) DrawBoundaryBox(painter, view_, app_.settings, app_.work);
    if (d.basicAxis) DrawAxes(painter, view_, StartPointOf(app_));
}

void Desk::DrawShownPaths() {
    if (bitmap_.isNull()) return;
    if (state.runActive) {
        // The path cut so far, drawn again for the view as it is now: the
        // first motions of the program, as many as the run has moved.
        ClearCutPath(cutPath_, view_.width, view_.height);
        // Mode 3 shows the result only.
        if (!run_ || run_->setup.runMode == kRunResult || cutMotions_ <= 0 || !app_.settings.display.pathStart ||
            cutPath_.image.isNull()) {
            return;
        }
        std::optional<PathSource> program = ProgramPathOf(app_, pathMode_, pathFast_);
        if (!program) return;
        program->maxMotions = cutMotions_;
        QPainter painter(&cutPath_.image);
        DrawProgramPath(painter, view_, app_.settings, *program, PathSet::Cutting);
        return;
    }
    // The path of a program selected since is not shown.
    if (shownPath_ && shownProgram_ != app_.launch.ncProgram) shownPath_.reset();
    if (!shownPath_) return;
    const std::optional<PathSource> program = ProgramPathOf(app_, pathMode_, pathFast_);
    if (!program) return;
    QPainter painter(&bitmap_);
    DrawProgramPath(painter, view_, app_.settings, *program, *shownPath_);
}

void Desk::DrawModelCheck(const std::string& path) {
    if (bitmap_.isNull()) return;
    {
        QPainter painter(&bitmap_);
        DrawStlFacets(painter, view_, app_.settings, path);
    }
    if (changed) changed();
}

void Desk::RestyleAndRedraw() { Redraw(); }

QImage Desk::Picture() const {
    const bool running = run_ && (run_->state == RunState::Running || run_->state == RunState::Paused ||
                                  run_->state == RunState::Waiting);
    const bool tool = state.ncLoaded || toolAt_.tool == &shownTool_;
    return ComposeView(bitmap_, running ? &cutPath_ : nullptr, tool ? toolAt_ : ToolAt{}, view_, app_.settings);
}

bool Desk::ViewKey(char key, int px, int py) {
    const ViewBox box = BoxOf(app_.work);
    const double rate = app_.settings.display.expandRate > 0.0 ? app_.settings.display.expandRate : 5.0;
    switch (key) {
    case 'R': InitialViewAgain(view_, app_.settings.display, box); break;
    case 'F': FitView(view_, box); break;
    case 'W': ZoomAbout(view_, rate, px, py); break;
    case 'S': ZoomAbout(view_, 1.0 / rate, px, py); break;
    case 'P': break;
    case 'C': {
        // The work from before the last run (or the last B).
        Point origin{}, tool{};
        if (!Restore(app_.work, origin, tool)) return true;
        break;
    }
    case 'B': Backup(app_.work, Point{}, Point{}); return true;
    default:
        if (!TurnView(view_, key)) return false;
    }
    Redraw();
    return true;
}

void Desk::ShowTool(int tool) {
    if (state.runActive) return;
    const RunSetup s = MakeRunSetup(app_, kRunResult, false, true);
    SelectTool(app_.tools, tool, 0.0, 0.0, s.attachment.count > 0 ? &s.attachment : nullptr, shownTool_);
    toolAt_ = ToolAt{&shownTool_, s.start};
    if (changed) changed();
}


void Desk::ShowPath(PathSet set) {
    // While a program is cut the partial redraws would break a path drawn
    // into the work's picture; the cut path shows meanwhile.
    if (state.runActive) return;
    if (!ProgramPathOf(app_, pathMode_, pathFast_) || bitmap_.isNull()) return;
    if (shownPath_ == set && shownProgram_ == app_.launch.ncProgram) {
        shownPath_.reset();  // the same command again hides it
    } else {
        shownPath_ = set;
        shownProgram_ = app_.launch.ncProgram;
    }
    Draw();
}

void Desk::RedrawNodes(const NodeRect& nodes, bool alarm) {
    if (state.runActive || nodes.ix1 < nodes.ix0 || nodes.iy1 < nodes.iy0) return;
    pending_ = nodes;
    const bool before = style_.alarm;
    style_.alarm = alarm;
    FlushChanges();
    style_.alarm = before;
}

bool Desk::StartRun(int runMode, bool fast, bool optimize) {
    if (app_.work.workState <= 0) {
        ShowWarning(host_, Msg(MsgId::PleaseLoadWork));
        return false;
    }
    if (state.runActive) return false;
    if (run_) EndRun(*run_, host_);
    run_ = std::make_unique<CuttingRun>();
    toolAt_ = ToolAt{};
    shownPath_.reset();  // the run draws its own path
    cutMotions_ = 0;
    Redraw();  // the grid cache the partial redraws work from
    ClearCutPath(cutPath_, view_.width, view_.height);
    pending_ = NodeRect{};
    const int stopMode = state.stopMode;
    pathMode_ = runMode;
    pathFast_ = fast;
    programLines_ = CountLines(app_.launch.ncProgram);
    optimized_.reset();
    bool outputsReady = true;
    if (optimize) optimized_ = std::make_unique<OptimizeSession>();
    auto adjust = [this, stopMode, &outputsReady](RunSetup& s) {
        s.stopMode = stopMode;
        if (watchedNode < static_cast<long long>(app_.work.cellCount)) s.watchedNode = watchedNode;
        if (optimized_) outputsReady = PrepareOptimizedRun(app_, host_, *optimized_, s, app_.work);
        s.progress = [this](const CuttingRun& run) {
            FlushChanges();
            host_.ShowStatus(RunStatusText(run, 0.0, IsEnglish()));
            if (progress) progress(run.interp.reader.programLine, programLines_);
        };
        s.afterMotion = [this](const CuttingRun& run, const ChangedNodes& nodes) { AfterMotion(run, nodes); };
    };
    state.runActive = true;
    if (!StartRunFromApp(app_, host_, *run_, runMode, fast, false, adjust) || !outputsReady) {
        state.runActive = false;
        if (optimized_ && optimized_->open) (void)CloseOptimisedOutputs(optimized_->out, true);
        optimized_.reset();
        if (outputsReady) ShowError(host_, std::string(Msg(MsgId::NcProgramNotOpened)) + app_.launch.ncProgram);
        return false;
    }
    StartRunClock(clock_, app_.machine, run_->setup.checks.rapidFeedrate, app_.controller.smoothAngle,
                  run_->toolNumber);
    if (runStarted) runStarted();
    RunLoop(*run_, app_.work, app_.controller, app_.tools, host_);
    AfterRunLoop();
    return true;
}

void Desk::AfterMotion(const CuttingRun& run, const ChangedNodes& nodes) {
    ClockRunMotion(clock_, run);
    ++cutMotions_;
    if (lineRead) lineRead(run.interp.reader.programLine);
    const PathRecord& p = run.interp.path;
    Point tip = p.toolEnd;
    for (int a = 0; a < 3; ++a) tip[a] += run.interp.workOffset[a];
    tip[2] -= run.tool.shift;
    toolAt_ = ToolAt{&run.tool, tip};
    // Mode 3 shows the result only; the other modes draw as they cut.
    if (run.setup.runMode == kRunResult) return;
    // The screen shows the work only when events are handled: the motions
    // cut meanwhile are drawn again together then.
    if (nodes.changed && nodes.ix1 >= nodes.ix0) {
        if (pending_.ix1 < pending_.ix0) {
            pending_ = NodeRect{nodes.ix0, nodes.iy0, nodes.ix1, nodes.iy1};
        } else {
            pending_.ix0 = std::min(pending_.ix0, nodes.ix0);
            pending_.iy0 = std::min(pending_.iy0, nodes.iy0);
            pending_.ix1 = std::max(pending_.ix1, nodes.ix1);
            pending_.iy1 = std::max(pending_.iy1, nodes.iy1);
        }
    }
    if (app_.settings.display.pathStart) {
        const ReaderModule* reader = ReaderForFile(app_.plugins, run.setup.ncPath);
        AddCutSegment(cutPath_, view_, app_.settings, p, run.interp.workOffset, run.tool.shift,
                      run.setup.checks.rapidFeedrate,
                      reader != nullptr && reader->usePathColors ? reader->pathColors.data() : nullptr);
    }
    if (changed) changed();
}

void Desk::FlushChanges() {
    if (pending_.ix1 < pending_.ix0) return;
    // The box and axes lie in the bitmap too: drawn again where the work was.
    QRect redrawn;
    if (differenceSides_ == 0) {
        redrawn = RedrawRegion(bitmap_, app_.work, view_, style_, grid_, pending_);
    } else if (!app_.settings.work.differenceAlways ||
               !DifferenceAttributes(app_.work, app_.operations.difference.margin, differenceSides_, pending_.ix0,
                                     pending_.iy0, pending_.ix1, pending_.iy1, differenceAttr_)) {
        // A temporary difference goes with the first change of the work.
        pending_ = NodeRect{};
        Redraw();
        return;
    } else {
        redrawn = RedrawRegion(bitmap_, WithAttributes(app_.work, differenceAttr_.data()), view_, style_, grid_,
                               pending_);
    }
    if (!redrawn.isEmpty()) DrawOverlays(redrawn);
    pending_ = NodeRect{};
    if (changed) changed();
}

void Desk::AfterRunLoop() {
    if (!run_) return;
    FlushChanges();
    const RunState s = run_->state;
    if (lineRead) lineRead(run_->interp.reader.programLine);
    if (s == RunState::Paused || s == RunState::Waiting || s == RunState::Running) {
        // The block it stopped after (or the file it waits for).
        host_.ShowStatus(RunStatusText(*run_, 0.0, IsEnglish()));
        if (retitle) retitle();
        if (changed) changed();
        return;
    }
    // The summary stays on the status line until the next run.
    const std::string summary = RunStatusText(*run_, RunClockSeconds(clock_), IsEnglish());
    EndRun(*run_, host_);
    if (optimized_) {
        FinishOptimizedRun(app_, host_, *optimized_, *run_, true);
        run_->setup.observeStart = nullptr;
        run_->setup.observeStep = nullptr;
        optimized_.reset();
    }
    state.runActive = false;
    host_.ShowStatus(summary);
    if (progress) progress(0, 0);
    if (app_.settings.display.pathResult) {
        shownPath_ = PathSet::ToolTip;
        shownProgram_ = app_.launch.ncProgram;
    }
    Redraw();
    if (retitle) retitle();
    if (runEnded && !closing_) runEnded();
}

void Desk::ModesChanged() {
    if (!run_ || !state.runActive) return;
    // The watched node too: Shift+click may pick another while the run is paused.
    run_->setup.watchedNode = watchedNode < static_cast<long long>(app_.work.cellCount) ? watchedNode : -1;
    ChangeRunModes(*run_, state.stopMode, MakeRunSetup(app_, run_->setup.runMode, run_->setup.fast, false).checks);
}

void Desk::Abort() {
    closing_ = true;
    if (!run_ || !state.runActive) return;
    const bool inLoop = run_->state == RunState::Running;
    AbandonRun(*run_);
    // A running loop ends by itself after its motion; a paused run ends here.
    if (!inLoop) AfterRunLoop();
}

void Desk::Continue() {
    if (!run_ || run_->state != RunState::Paused) return;
    ResumeRun(*run_);
    if (runStarted) runStarted();
    RunLoop(*run_, app_.work, app_.controller, app_.tools, host_);
    AfterRunLoop();
}

void Desk::Escape() {
    if (!run_ || !state.runActive) return;
    AbandonRun(*run_);
    AfterRunLoop();
}

bool Desk::WaitPoll() {
    if (!run_ || run_->state != RunState::Waiting || !WaitEnded(*run_)) return false;
    StartRunClock(clock_, app_.machine, run_->setup.checks.rapidFeedrate, app_.controller.smoothAngle,
                  run_->toolNumber);
    if (runStarted) runStarted();
    RunLoop(*run_, app_.work, app_.controller, app_.tools, host_);
    AfterRunLoop();
    return true;
}

}  // namespace morvex
