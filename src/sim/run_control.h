// Run control: a machining run from its start to its end state. The run
// pulls motions from the interpreter, selects tools, sweeps, lets the checks
// decide, honours stop modes, wait M-codes and the stop and escape keys, and
// drives the step sweeper's worker threads.
#pragma once

#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nc/interpreter.h"
#include "nc/nc_alarms.h"
#include "sim/cut_edges.h"
#include "sim/cut_motion.h"
#include "sim/run_checks.h"
#include "sim/sweep_workers.h"
#include "sim/tool_profile.h"
#include "sim/tool_table.h"
#include "sim/work_model.h"

namespace morvex {

class Host;

// Run modes.
inline constexpr int kRunReal = 1;    // real machining
inline constexpr int kRunSkip = 2;    // skip machining
inline constexpr int kRunResult = 3;  // machining with result display

// Stop modes.
inline constexpr int kStopNone = 0;
inline constexpr int kStopM00 = 1;
inline constexpr int kStopM01 = 2;
inline constexpr int kStopSingle = 3;
inline constexpr int kStopStrings = 4;

enum class RunState { Idle, Running, Paused, Waiting, Finished, Aborted, NcError };

// Why a run paused (the window title shows it).
enum class StopReason { None, StopKey, StopBlock, Check, OffsetMark, SearchHit, Group };

// What a lock-step group answers at a step.
enum class GroupStep { GoOn, Paused, Stop, GaveUp };

// The nodes a motion may have changed (inclusive; empty when ix1 < ix0):
// its extent in the work widened by the tool's reach and one node for the
// paint marks, clipped to the grid. `changed` says whether it cut or painted.
struct ChangedNodes {
    int ix0 = 0, iy0 = 0, ix1 = -1, iy1 = -1;
    bool changed = false;
};

// A motion step for an observer of a run's steps (the optimised NC output).
// A step swept but not yet told to the step observer: the box its tool
// could cut in (run frame XY: x min, y min, x max, y max) and the highest
// material it took away there.
struct SweptStep {
    std::array<double, 4> box{};
    float highestCut = 0.0f;
};

// Positions are in the run's frame: the program's frame as it stood at the
// run's first motion, so that later work-offset changes do not move it.
struct RunStep {
    bool cut = false;       // the step removed material
    bool blockEnd = false;  // the last step of its NC block
    int type = 1;           // kRapid, kLine, kArcCw, kArcCcw
    bool spline = false;    // a chord of a spline
    int line = 0;
    long long motion = 0;   // the run's motion counter
    int plane = 17;
    Point end{};
    Point centre{};  // arcs
    double feed = 0.0;
    int cutClass = -1;  // 0 A, 1 V, 2 U, 3 D, -1 none
    double length = 0.0;      // mm of travel (along the arc for an arc)
    double volumeLoad = 0.0;  // removed volume per mm of the step (mm2)
    double torqueLoad = 0.0;  // torque measure per mm (with V-VALUE TORQUE)
    // The highest material it took away (run frame, the tip's Z), -infinity for none.
    double highestCut = -std::numeric_limits<double>::infinity();
};

// Everything a run takes from the settings and the definitions, filled by
// the command that starts it.
struct RunSetup {
    int runMode = kRunResult;
    bool fast = false;         // the fast versions: every motion stepped, one thread
    bool interactive = false;  // a user at the keys
    // How often the run hands the events over (the window's and the
    // progress line's turn).
    std::chrono::milliseconds pumpInterval{50};
    int stopMode = kStopNone;
    RunChecks checks;
    bool torqueLoad = false;  // V-VALUE TORQUE
    double workPitch = 1.0;   // mm
    double movingPitch = 1.0;  // mm
    bool ignoreRapids = false;  // IGNORE G00: rapids cut nothing and are not checked
    int strips = 1;            // threadnc
    double toolClearance = 0.0;   // SelectTool's forms: > 0 a value, < 0 automatic for -pitch
    double arborClearance = 0.0;
    int atcType = 1;  // 1 DIRECT, 2 WAIT, 3 WAIT2
    ToolWordForm toolWords;
    std::array<double, 3> rapidRate{10000.0, 10000.0, 10000.0};
    std::array<double, 3> rapidAccel{0.1, 0.1, 0.1};
    AttachmentBlocks attachment;
    Point start{};  // control point: where the tool stands before the first motion
    int initialTool = 1;
    std::string ncPath;
    ModuleReader reader;      // reads the program when active
    // The network tool data module's comment hook: hands a block's text over,
    // may redefine tools of `table`; returns the tool number it defined, or
    // -1. Unset when there is no such module.
    std::function<int(std::string_view block, int tool, ToolTable& table, std::vector<std::string>& notes)>
        commentTools;
    AlarmDelivery delivery;   // message boxes or the batch log
    std::string listFolder;   // "alarm.txt", "interference.txt", limit records; "" the current folder
    LengthReportSettings lengthReport;
    bool sound = false;  // SOUND: the cutting and idle sounds in modes 1 and 2
    int offsetListOption = 0;  // the controller's radius-offset list option (the viewer opens OPEN lists)
    int stopKey = 17;
    int escapeKey = 27;
    // SYNC DISPLAY: in the displaying modes (below kRunResult) the whole work
    // is redrawn and shown every this many motions; 0 never.
    int displayEvery = 0;
    // The NC search (interactive runs only): the watched node, -1 for none,
    // and with watchHeight the height it must have had when it is lowered.
    // The run pauses after the motion that lowers it.
    long long watchedNode = -1;
    float watchedHeight = 0.0f;
    bool watchHeight = false;
    std::function<void(const struct CuttingRun&)> progress;  // called before the pump, about every 50 ms
    // Called after every motion the run swept (the window redraws the
    // changed nodes, draws the cutting path and the tool).
    std::function<void(const struct CuttingRun&, const ChangedNodes&)> afterMotion;
    // Called for every step of every motion (a motion that touches no node
    // as one step to its end); the run then steps every motion and sums the
    // loads. The first motion's start is told before its steps.
    std::function<void(const struct CuttingRun&, const Point& start)> observeStart;
    std::function<void(const struct CuttingRun&, const RunStep&)> observeStep;
    // Called before each motion is swept, every step before it told: the
    // work stands as the motion finds it. For a motion swept and told later
    // (DeferringSteps) the run says how its first step goes: see
    // CuttingRun::firstStepAir.
    std::function<void(const struct CuttingRun&)> observeMotion;
    // Called when the program changes to tool `tool` after its first
    // motion, before the change: the tool in use is still the one replaced.
    std::function<void(const struct CuttingRun&, int tool)> observeToolChange;
    // Running in lock-step with other instances: called before every motion
    // and once more when the program has ended. A pause the run asks for is
    // handed to pauseGroup instead, so that the group pauses together at
    // its next step.
    std::function<GroupStep(const struct CuttingRun&)> groupStep;
    std::function<void()> pauseGroup;
    // Told when the run ended early (an abort or an NC error), so that the
    // group does not wait for it.
    std::function<void()> stopGroup;
    // Told after every motion the run took, and once when it has finished
    // (state Finished).
    std::function<void(const struct CuttingRun&)> publish;
    // Told once when the run ends (EndRun), however it ended; also by the
    // command that set the run up when the run could not start.
    std::function<void()> ended;
    // When set, a wait M-code's wait ends when this answers true; its wait
    // file is then not looked at.
    std::function<bool()> waitOver;
    // When set, cuts every motion instead of the sweep (a simulation module
    // does the cutting): called with the motion in the tool frame and its
    // tool selected; it sets flags.cutDone when it cut and answers false to
    // end the run (state Aborted).
    std::function<bool(const struct CuttingRun&, SweepFlags&)> cutInstead;
};

// What a step observer hears of a motion besides its steps (run frame
// aside), taken when the motion is fetched: an unattended run may tell the
// steps later (DeferredMotion), when the interpreter has gone on.
struct MotionView {
    int type = 1;
    int line = 0;
    int plane = 17;
    long long motion = 0;  // the run's motion counter
    Point toolStart{}, toolEnd{}, toolCentre{};  // tool frame
    double feed = 0.0;
    // Arcs: length, radii and the axes of the plane.
    double arcLength = 0.0, startRadius = 0.0, endRadius = 0.0;
    int first = 0, second = 1;
    Point workOffset{};  // in force for the motion
    bool blockEnd = false;  // the last motion of its block
};

// What the step observer hears of a step's sweep: whether and how it cut,
// its load sums and the highest material it took away.
struct StepReading {
    int cutDone = 0;
    int stepClass = kStepClassUnknown;
    double loadVolume = 0.0;
    double loadTorque = 0.0;
    float highestCut = -std::numeric_limits<float>::infinity();
};

// A motion of an unattended observed run, swept in a batch with the motions
// around it and told to the step observer a group of motions later.
struct DeferredMotion {
    MotionView view;
    // Its steps' ends (grid-relative), its start first; fewer than two: it
    // is told as one step.
    std::vector<Point> points;
    double stepLength = 0.0;
    // What the sweep found; done at once for a motion that cuts nothing.
    CutFindings findings;
    // Told as one step: what it found, its length and end, worked out when
    // it is entered among the steps swept but not yet told.
    StepReading wholeFlags;
    double wholeLength = 0.0;
    Point wholeAt{};
};

// One run from StartRun to EndRun. The interpreter keeps a reference to the
// record (the rapid-corner test), so a running record is not moved.
struct CuttingRun {
    RunSetup setup;
    RunState state = RunState::Idle;
    StopReason pause = StopReason::None;
    Interpreter interp;
    ToolProfile tool;
    ToolProfile rapidTool;  // the tool with the rapid-check clearance, for rapids
    bool rapidWidened = false;  // rapidTool is wider than tool
    int preselected = 0;
    SweepWorkers workers;
    AlarmFiles alarms;
    LimitRecord limits;
    RequiredLengths required;
    ListFile lengthReport;
    bool haveMotion = false;     // a motion was handed out and swept
    bool blockDone = false;      // ... and it was the last of its block: stop tests pending
    int blockMCode = -1;         // the M code of that block (it rides on the block's first motion)
    int blockStopMarks = 0;      // what a stop option can stop at in that block
    bool offsetMarked = false;   // the motion carried the radius-offset interference mark
    StopReason pendingPause = StopReason::None;  // found with a wait M-code, taken after the wait
    StopReason groupPause = StopReason::None;    // handed to the group, shown when it pauses
    int toolNumber = 0;          // the tool the program called last (it may be undefined)
    // The run's own copy of the tool table once a module may change tools
    // (a reader module, comments read by the network tool data module); the
    // table the program read stays as it was.
    std::optional<ToolTable> ownTools;
    bool toolRedefined = false;  // the tool in use was redefined: select it again
    std::vector<std::string> notes;  // what a module handed over that was refused
    bool checkPause = false;     // the checks asked for a pause
    bool searchHit = false;      // the motion lowered the watched node
    bool endAfterMotion = false; // escape in modes 1 and 2: end once the motion is cut
    std::string waitFile;        // the wait file of the wait M-code being waited on
    int alarmCode = 0;           // the alarm that ended the run (1..8, 101..107), 0 none
    int alarmLine = 0;
    AlarmDetail alarmDetail;  // what the alarm's text needs
    long long motions = 0;
    int displayCount = 0;  // motions since the last SYNC DISPLAY redraw
    int soundSlot = -1;  // the looping sound playing now
    bool overload = false;  // a LIMIT/LIMITS overload stopped the motion
    // The XY extent of the last spline's chords (tool frame): a spline may
    // bulge outside the box of its ends.
    std::array<double, 4> splineExtent{};  // x min, y min, x max, y max
    StepLoad overloadLoad;
    // Unattended runs with sweep workers: motions planned but not yet swept,
    // handed to the workers a batch at a time; the batches before may still
    // be being swept (`inFlight`, the latest first) while the next is
    // planned. FlushCuts sweeps all before anything looks at the work or at
    // their results.
    std::vector<BatchedCut> pending;
    std::size_t pendingCount = 0;
    long long pendingSteps = 0;
    std::array<std::vector<BatchedCut>, kBatchesInFlight> inFlight;
    bool sweepingNow = false;
    // Where the last motion left the tool's disc cut: a motion known to cut
    // nothing, such as the retract after a cut, is passed without a sweep
    // and without waiting for the batches in flight.
    CutDisc cutDisc;
    // The work offset at the first motion: the run frame of RunStep.
    Point frameOffset{};
    bool frameSet = false;
    RunStep heldStep;  // the step observer's last step, told when the next comes
    bool stepHeld = false;
    // While observeMotion hears of a motion swept before it is told: its
    // first step cuts nothing, and ends at firstStepEnd (run frame).
    // Otherwise false: the step is not known yet.
    bool firstStepAir = false;
    Point firstStepEnd{};
    long long observedSteps = 0;
    // The steps swept but not yet told, the held one first: when the
    // observer reads the work, these have cut it already, although they
    // come after the step it hears. `sweptEarly` of them were told by the
    // sweep of a hand-over before the observer heard them.
    std::deque<SweptStep> sweptUntold;
    long long sweptEarly = 0;
    Point sweptFrom{};  // run frame: where the last step entered ended
    // Unattended observed runs: motions swept in batches but not yet told,
    // in order. Those before `groupBegin` form the two closed groups, the
    // first `toldNext` of them the older, told once the open group after
    // both is planned and handed to the workers (so the workers have swept
    // a group by the time it is told, while the observer heard the one
    // before); `deferredEntered` of them are entered in sweptUntold.
    std::deque<DeferredMotion> deferred;
    std::vector<DeferredMotion> spareDeferred;  // told ones, their room kept
    std::size_t deferredEntered = 0;
    std::size_t groupBegin = 0;
    std::size_t toldNext = 0;
    std::size_t groupMotions = 0;
    long long groupSteps = 0;
    // Called before anything reads the work for the observer: sweeps what
    // is planned and enters the deferred motions' steps, so that the work
    // stands as it does after the open group whatever the threads.
    std::function<void()> settle;
};

// A grid-relative point (the sweep's) in the run's frame, with the tool in use.
Point RunFramePoint(const CuttingRun& run, const WorkModel& work, const Point& grid);

// The height (run frame) at which the tool passes `margin` above every node
// within its reach of the straight path between two run-frame points (of
// the rectangle between them when the rapid is not `straight`: a G00 that
// moves each axis on its own), as the work stood before the steps swept but
// not yet told: where one of them could have cut near the path, the highest
// material it cut counts too. And the work's top in the run frame.
double ClearanceHeight(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, double margin,
                       bool straight = true);
double WorkTopInRunFrame(const CuttingRun& run, const WorkModel& work);

// The lowest tip height (run frame) to which a vertical rapid at `written`
// may go, its profile `margin` above every node the rapid check's profile
// reaches there that the cutting part standing at `exact` does not reach
// (both `slack` generous, for the sweeps' own rounding): the tool cleared
// what lies under it at `exact`, not what a wider rapid profile, or the
// same tool moved to the rounded position written, meets beside it. Nodes
// count as high as they stood before the steps swept but not yet told
// could cut them. -infinity when no such node stands anywhere near.
// Without `cleared` the tool cleared nothing at `exact` (it was just
// changed there): every node its rapid profile reaches counts. Nodes marked
// in `edges` (the edges of cuts written off their place) count as high as
// the highest node around them; unless the written program's tool `stood`
// at `written`, even within the cutter's reach of `exact`, which the run
// cleared and the written program may not have.
double RapidFloor(const CuttingRun& run, const WorkModel& work, const Point& exact, const Point& written, double slack,
                  double margin, bool cleared = true, const CutEdgeMarks* edges = nullptr, bool stood = true);
// Marks the edges of the run's cutter along the straight path from..to
// (run frame), written up to `shift` off (see MarkCutEdges).
void MarkWrittenCut(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, double shift,
                    CutEdgeMarks& edges);

// Marks what the run's cutter took away along the straight path from..to
// (run frame) as left standing up to `top` (run frame): a cut the written
// program skips. And the highest such material within the reach of the
// run's tool or of its rapid profile, whichever is wider, of the straight
// path from..to (of the rectangle between them unless `straight`);
// -infinity for none.
void MarkLeftCut(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, double top,
                 LeftStanding& left);
double LeftCutTop(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, bool straight,
                  const LeftStanding& left);

// The lowest tip height (run frame) to which a vertical rapid at `written`
// may go above slivers, its profile `margin` above them: nodes the cutter
// standing at `cutExact` reached and the same cutter at `cutWritten` (that
// position as the program writes it, rounded) does not, both `slack`
// generous. The run cut them;
// the written program may have left them standing, as high as the highest
// node around them. -infinity when no such node is within reach.
double SliverFloor(const CuttingRun& run, const WorkModel& work, const Point& cutExact, const Point& cutWritten,
                   const Point& written, double slack, double margin);

// Sweeps the motions the run has planned but not yet swept, and waits for
// the batch the workers may be sweeping.
void FlushCuts(CuttingRun& run, WorkModel& work);

// The interpreter's set-up for a run of `setup`: its run mode (rapid split
// and canned-cycle pecks depend on it), the work pitch and the machine's
// rapid axes. StartRun adds the alarm list and the rapid-corner test; the
// path drawings replay the program with the same set-up.
InterpreterSetup RunInterpreterSetup(const RunSetup& setup);

// Starts a run (the record is reset first): backs up the work, opens and resets the program, selects the
// initial tool and starts the workers. False, with nothing changed, when
// there is no work or the NC program cannot be opened.
[[nodiscard]] bool StartRun(CuttingRun& run, const RunSetup& setup, WorkModel& work, ControllerDef& ctl,
                            const ToolTable& tools);

// Runs motions until the run pauses, waits or ends; returns its state.
RunState RunLoop(CuttingRun& run, WorkModel& work, ControllerDef& ctl, const ToolTable& tools, Host& host);

// Resumes a paused run (the G key); the next RunLoop goes on.
void ResumeRun(CuttingRun& run);

// A waiting run polls here: when the wait file no longer exists (or the
// setup's waitOver says so) the wait ends and true is returned (the caller
// runs RunLoop again).
bool WaitEnded(CuttingRun& run);

// The stop mode and the check modes chosen while a run is open; they take
// effect from the next motion.
void ChangeRunModes(CuttingRun& run, int stopMode, const RunChecks& checks);

// Ends a paused or waiting run (the escape key).
void AbandonRun(CuttingRun& run);

// Stops the workers, writes the last required-length line, closes the lists
// (opening them in the viewer unless in batch mode) and the record files.
void EndRun(CuttingRun& run, Host& host);

}  // namespace morvex
