// The window's side of the work: the view and its drawing into the
// off-screen bitmap, the path shown over it, and cutting runs started from
// the window, drawn as they cut. No widgets here: the window shows what the
// desk draws and forwards keys and commands to it.
#pragma once

#include <QImage>
#include <functional>
#include <memory>
#include <optional>

#include "frame/app.h"
#include "frame/command_dispatch.h"
#include "frame/run_status.h"
#include "sim/run_control.h"
#include "view/overlays.h"
#include "view/run_overlay.h"
#include "view/view_state.h"
#include "view/work_render.h"

namespace morvex {

class Host;

// The NC program's path as a run in `runMode` (fast version or not) moves
// it, from the start point with the tools of the table; none without a
// program that was read under a controller definition.
std::optional<PathSource> ProgramPathOf(const App& app, int runMode = kRunResult, bool fast = false);

// Where the tool stands before the program's first motion (work coordinates).
Point StartPointOf(const App& app);

class Desk {
public:
    Desk(App& app, Host& host);
    ~Desk();

    DeskState state;
    std::function<void()> changed;  // the picture changed: the window repaints
    std::function<void()> retitle;  // the title's content changed
    std::function<void(int line, int lines)> progress;  // a run's place in its program
    std::function<void()> runStarted;  // a run began: the window locks its menu
    std::function<void(int line)> lineRead;  // the program line a run has read up to
    long long watchedNode = -1;  // the NC search: runs from the window pause once they lower it
    // A run came to its end (finished, aborted or an NC error), except by
    // the window closing.
    std::function<void()> runEnded;

    // The drawing rectangle (the view widget's size); the view is fitted the first time.
    void Resize(int width, int height);
    // Full redraw of the work with the overlays the settings switch on.
    void Redraw();
    // Once in detail for a picture (every node, filled); the next redraw
    // returns to the view's own step and mesh.
    void RedrawDetailed();
    // The pen and paint highlight, drawn once; the next redraw returns to the colours.
    void DrawHighlighted();
    void RestyleAndRedraw();  // colours or colour mode changed
    void FitToWork();         // a new work: initial view, fitted
    // STL CHECK: the facets of the model just loaded, drawn once over the work.
    void DrawModelCheck(const std::string& path);
    // The difference to the basic model (kShowPlus, kShowMinus or both; 0
    // hides it). Shown until the next redraw, or on every redraw while the
    // difference mode is "always". False when there is no basic model.
    bool ShowDifference(int sides);
    int DifferenceShown() const { return differenceSides_; }

    // The picture the window shows: the bitmap, the cut path and the tool.
    QImage Picture() const;
    const ViewState& View() const { return view_; }
    ViewState& View() { return view_; }
    int DrawingStepNow() const { return view_.step; }

    // A view key (R F W S P 0-9 U D C B); W and S zoom about (px, py). False for other keys.
    bool ViewKey(char key, int px, int py);

    // The tool chosen in the tool list, shown at the control point while no
    // program is being cut.
    void ShowTool(int tool);

    // F6 and the command-point path: the whole program's path over the work,
    // kept over view changes, colour changes and resizes until the same
    // command hides it, another path, a run or another program replaces it.
    void ShowPath(PathSet set);
    // The program path shown over the work, if any.
    std::optional<PathSet> PathShown() const { return shownPath_; }

    // Nodes changed outside a run (the hand tools), drawn again at once;
    // with `alarm` in the alarm colour.
    void RedrawNodes(const NodeRect& nodes, bool alarm);

    // Runs: start in a run mode (fast versions), continue after a pause (G),
    // end a paused or waiting run (escape). The loop pumps the window's events.
    // With `optimize` the run also writes the optimised NC and the cut
    // data as section Optimize says.
    bool StartRun(int runMode, bool fast, bool optimize = false);
    void Continue();
    // The stop or check modes changed: an open run takes them from its next motion.
    void ModesChanged();
    // The window closes: an open run ends after its current motion.
    void Abort();
    void Escape();
    bool WaitPoll();  // a waiting run: true when it went on
    bool moduleRunning = false;  // a simulation module's run holds the work: it counts as running
    RunState RunStateNow() const { return moduleRunning ? RunState::Running : run_ ? run_->state : RunState::Idle; }
    StopReason PauseReason() const { return run_ ? run_->pause : StopReason::None; }
    const CuttingRun* Run() const { return run_.get(); }

private:
    void Draw();  // the full redraw, with the difference while it is shown
    void DrawOverlays(const QRect& clip = QRect());
    void DrawShownPaths();  // the program path shown, or the path cut so far
    void FlushChanges();  // the nodes changed since the last screen update, drawn again
    void AfterRunLoop();
    void AfterMotion(const CuttingRun& run, const ChangedNodes& nodes);

    App& app_;
    Host& host_;
    QImage bitmap_;
    ViewState view_;
    RenderStyle style_;
    ProjectedGrid grid_;
    CutPathLayer cutPath_;
    std::unique_ptr<CuttingRun> run_;
    bool fitted_ = false;
    int programLines_ = 0;
    int pathMode_ = kRunResult;  // the run mode of the path shown: that of the last run
    bool pathFast_ = false;
    std::optional<PathSet> shownPath_;  // the program path shown over the work
    std::string shownProgram_;          // of this program
    long long cutMotions_ = 0;  // motions of the open run, whose path the cut path layer shows
    RunClock clock_;  // the machining time of what the run has cut
    NodeRect pending_;  // changed nodes not drawn yet (empty when ix1 < ix0)
    ToolAt toolAt_;
    ToolProfile shownTool_;
    std::unique_ptr<struct OptimizeSession> optimized_;  // the outputs of an optimised run
    int differenceSides_ = 0;  // the difference display, 0 when off
    bool closing_ = false;     // the window closes: a run ending now ends with it
    std::vector<std::uint8_t> differenceAttr_;
};

}  // namespace morvex
