// The machining run.
//
// Implementation notes: RunLoop makes one pass per motion in a fixed order:
// the escape key (mode 3), TAB for a look at the work, the stop key, the stop
// requests left by the motion before (a check that asked for a pause, the
// radius-offset mark with STOP, the stop-block test and the wait M-codes,
// tested once per block when its last motion has been cut), then the next
// motion: tool change, sweep, the checks' decision, and the escape key of
// modes 1 and 2. A paused or waiting run returns to its caller, which
// resumes it with ResumeRun or WaitEnded and calls RunLoop again.
// Motions with an NC error are not cut: the error ends the run.
#include "sim/run_control.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>

#include "nc/block_reader.h"
#include "nc/spline.h"
#include "nc/tool_change.h"
#include "platform/host.h"
#include "sim/cut_motion.h"
#include "sim/module_tool.h"
#include "sim/sweep_rows.h"

namespace morvex {
namespace {

constexpr int kTabKey = 9;
constexpr int kSoundIdle = 0;     // "aircut1.wav"
constexpr int kSoundCutting = 1;  // "cutting1.wav"
constexpr double kSplineTolerance = 0.001;  // mm, chord error of a cut spline

// The tip position of a programmed point in the work's coordinates.
Point TipInWork(const CuttingRun& run, const Point& programmed) {
    const Interpreter& in = run.interp;
    Point p = programmed;
    if (in.lengthSign != 0) p[2] += in.lengthOffset;
    for (int a = 0; a < 3; ++a) p[a] += in.workOffset[a];
    p[2] -= run.tool.shift;
    return p;
}

SweepContext ContextFor(const CuttingRun& run, WorkModel& work, const ControllerDef& ctl, const PathRecord& p,
                        bool offsetMarked) {
    const RunSetup& s = run.setup;
    SweepContext ctx;
    ctx.work = &work;
    const bool rapid = p.type == kRapid;
    ctx.tool = rapid ? &run.rapidTool : &run.tool;
    ctx.attrCode = run.tool.attrCode;
    ctx.lineNo = p.compensated ? -p.line : p.line;
    ctx.arborMode = s.checks.arbor;
    ctx.markPaint = (s.checks.rapid > 0 && FedAsRapid(rapid, p.feed, s.checks)) ||
                    (offsetMarked && ctl.radiusCheckPaint);
    ctx.fast = s.fast;
    ctx.lengthMode = s.checks.length;
    ctx.chipMode = s.checks.chip;
    ctx.rapidMotion = rapid;
    ctx.sumLoad = run.tool.tool.limit.kind != 0 || static_cast<bool>(s.observeStep);
    ctx.torque = s.torqueLoad;
    if (s.interactive) {
        ctx.watchedNode = s.watchedNode;
        ctx.watchedHeight = s.watchedHeight;
        ctx.watchHeight = s.watchHeight;
    }
    return ctx;
}

void SelectRunTool(CuttingRun& run, const ToolTable& tools, int n) {
    const RunSetup& s = run.setup;
    run.toolNumber = n;
    // The fast versions use no tool clearance.
    SelectTool(tools, n, s.fast ? 0.0 : s.toolClearance, s.arborClearance,
               s.attachment.count > 0 ? &s.attachment : nullptr, run.tool);
    // Only a checked rapid is widened by the clearance.
    run.rapidTool = s.checks.rapid > 0 ? RapidCheckProfile(run.tool) : run.tool;
    run.rapidWidened = s.checks.rapid > 0 && RapidCheckWidens(run.tool);
    run.cutDisc = CutDisc{};
}

// How far from its axis the tool in use can touch a node: its outer
// radius, or the rapid check's wider profile.
double ToolReach(const CuttingRun& run) {
    return std::max({run.tool.outerRadius, run.rapidTool.outerRadius, run.rapidTool.rapidRadius, run.tool.R});
}

// The grid nodes within the tool's reach of the motion (tool frame), with
// one more node around for the paint marks of the neighbours.
ChangedNodes MotionNodes(const CuttingRun& run, const WorkModel& work, const PathRecord& p) {
    double lo[2], hi[2];
    for (int a = 0; a < 2; ++a) {
        lo[a] = std::min(p.toolStart[a], p.toolEnd[a]);
        hi[a] = std::max(p.toolStart[a], p.toolEnd[a]);
    }
    if (p.type == kSpline && p.spline != nullptr) {
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::min(lo[a], run.splineExtent[static_cast<std::size_t>(a)]);
            hi[a] = std::max(hi[a], run.splineExtent[static_cast<std::size_t>(a + 2)]);
        }
    }
    if (p.type == kArcCw || p.type == kArcCcw) {
        // The whole circle's box: simple and never too small.
        const double r = std::max(p.startRadius, p.endRadius);
        for (int a = 0; a < 2; ++a) {
            if (a != p.first && a != p.second) continue;
            lo[a] = std::min(lo[a], p.toolCentre[a] - r);
            hi[a] = std::max(hi[a], p.toolCentre[a] + r);
        }
    }
    const double reach = ToolReach(run);
    ChangedNodes n;
    const double origin[2] = {work.xMin - run.interp.workOffset[0], work.yMin - run.interp.workOffset[1]};
    const int last[2] = {work.nx - 1, work.ny - 1};
    int first[2], end[2];
    for (int a = 0; a < 2; ++a) {
        double f = std::floor((lo[a] - reach - origin[a]) / work.pitch) - 1.0;
        double e = std::ceil((hi[a] + reach - origin[a]) / work.pitch) + 1.0;
        if (!std::isfinite(f) || !std::isfinite(e)) {  // the whole grid, to be safe
            f = 0.0;
            e = last[a];
        }
        first[a] = static_cast<int>(std::clamp(f, 0.0, static_cast<double>(last[a]) + 1.0));
        end[a] = static_cast<int>(std::clamp(e, -1.0, static_cast<double>(last[a])));
    }
    n.ix0 = first[0];
    n.iy0 = first[1];
    n.ix1 = end[0];
    n.iy1 = end[1];
    if (n.ix1 < n.ix0 || n.iy1 < n.iy0) n.ix1 = n.ix0 - 1;
    return n;
}

void WriteLengthLine(CuttingRun& run) {
    if (!run.lengthReport) return;
    const std::string line =
        RequiredLengthLine(run.tool, run.setup.checks, run.required, run.setup.lengthReport.english, run.toolNumber);
    std::fputs(line.c_str(), run.lengthReport.get());
    std::fflush(run.lengthReport.get());
}

// Batches of motions planned for one hand-over: at most this many motions
// and steps, so that a batch's points stay small and the window of an
// unattended run still gets its progress in time.
constexpr std::size_t kBatchMotions = 64;
constexpr long long kBatchSteps = 2048;
// An observed run with workers hands smaller batches over. Whenever the
// observer reads the work (an escape's height), every batch in flight is
// swept first, and the workers then have nothing to sweep until the next
// hand-over: the sooner it comes, the less they wait. Its groups keep the
// sizes above: what the observer reads of the work depends on them, not on
// the batches.
constexpr std::size_t kObservedBatchMotions = 8;
constexpr long long kObservedBatchSteps = 256;
// An observed motion swept whole and longer than this many tool reaches is
// not deferred (see CutPath).
constexpr double kLongWholeReaches = 4.0;

// Whether the run plans its motions for batches: an unattended run with
// sweep workers, where nobody looks at a motion's nodes as it is cut. A
// batch of motions costs the workers one hand-over instead of one each,
// which is what lets them beat one thread on motions of a few microseconds.
bool Batching(const CuttingRun& run) {
    const RunSetup& s = run.setup;
    return !s.interactive && !s.afterMotion && !s.fast && !run.workers.workers.empty();
}

// Waits for the batches the workers are sweeping.
void FinishSweeping(CuttingRun& run, WorkModel& work) {
    if (!run.sweepingNow) return;
    SweepFlags flags;
    FinishBatchOnWorkers(run.workers, flags);
    if (flags.cutDone) work.workState = 2;
    run.sweepingNow = false;
}

// Hands the planned batch to the workers and returns while they sweep it;
// with kBatchesInFlight in flight, the oldest is finished first. The batch
// stays where it is until swept; planning goes on in the buffer of the
// oldest batch, which is swept by then.
void HandOverCuts(CuttingRun& run, WorkModel& work) {
    if (run.pendingCount == 0) return;
    const std::size_t count = run.pendingCount;
    run.pendingCount = 0;
    run.pendingSteps = 0;
    SweepFlags flags;
    run.sweepingNow = StartBatchOnWorkers(run.workers, run.pending.data(), count, flags);
    if (flags.cutDone) work.workState = 2;
    for (std::size_t i = run.inFlight.size() - 1; i > 0; --i) std::swap(run.inFlight[i], run.inFlight[i - 1]);
    std::swap(run.inFlight[0], run.pending);
}

// What the observer hears of the motion just fetched.
MotionView ViewOf(const CuttingRun& run) {
    const Interpreter& in = run.interp;
    const PathRecord& p = in.path;
    MotionView v;
    v.type = p.type;
    v.line = p.line;
    v.plane = p.plane;
    v.motion = run.motions;
    v.toolStart = p.toolStart;
    v.toolEnd = p.toolEnd;
    v.toolCentre = p.toolCentre;
    v.feed = p.feed;
    v.arcLength = p.arcLength;
    v.startRadius = p.startRadius;
    v.endRadius = p.endRadius;
    v.first = p.first;
    v.second = p.second;
    v.workOffset = in.workOffset;
    v.blockEnd = in.queue.empty() || in.queue.front().line != p.line;
    return v;
}

// The step observer: each step is held until the next one comes, so that
// the last step of a motion is told as such (with the block's end when the
// motion ends its block).
void TellHeldStep(CuttingRun& run, bool blockEnd) {
    if (!run.stepHeld) return;
    RunStep& step = run.heldStep;
    step.blockEnd = blockEnd;
    run.setup.observeStep(run, step);
    run.stepHeld = false;
    if (!run.sweptUntold.empty()) run.sweptUntold.pop_front();
}

// The XY box (x min, y min, x max, y max) of the path from `a` to `b`.
std::array<double, 4> BoxOf(const Point& a, const Point& b) {
    return {std::min(a[0], b[0]), std::min(a[1], b[1]), std::max(a[0], b[0]), std::max(a[1], b[1])};
}

// Enters a swept step ending at `end` (run frame) that cut material as high
// as `highest` among those not yet told; `box` holds its path (the tool's
// reach is added here).
void EnterSweptStep(CuttingRun& run, const std::array<double, 4>& box, const Point& end, float highest) {
    const double reach = std::max(ToolReach(run), 0.0);
    run.sweptUntold.push_back({{box[0] - reach, box[1] - reach, box[2] + reach, box[3] + reach}, highest});
    run.sweptFrom = end;
}

// A sweep's flags as the observer hears them.
StepReading ReadingOf(const SweepFlags& flags) {
    StepReading r;
    r.cutDone = flags.cutDone;
    r.stepClass = flags.stepClass;
    r.loadVolume = flags.loadVolume;
    r.loadTorque = flags.loadTorque;
    r.highestCut = flags.highestCut;
    return r;
}

// A step of motion v ending at `end` (run frame).
void ObserveStep(CuttingRun& run, const MotionView& v, const StepReading& flags, double length, const Point& end) {
    // Entered first: it is swept, the held step told next comes before it.
    if (run.sweptEarly > 0) {
        --run.sweptEarly;
    } else {
        EnterSweptStep(run, BoxOf(run.sweptFrom, end), end, flags.highestCut);
    }
    TellHeldStep(run, false);
    RunStep& step = run.heldStep;
    step = RunStep{};
    step.cut = flags.cutDone != 0;
    step.spline = v.type == kSpline;
    step.type = step.spline ? kLine : v.type;
    step.line = v.line;
    step.motion = v.motion;
    step.plane = std::abs(v.plane);
    step.end = end;
    for (int a = 0; a < 3; ++a) step.centre[a] = v.toolCentre[a] + v.workOffset[a] - run.frameOffset[a];
    step.feed = v.feed;
    step.cutClass = flags.stepClass;
    if (flags.cutDone != 0) {
        step.highestCut = static_cast<double>(flags.highestCut) + run.tool.shift - run.frameOffset[2];
    }
    step.length = length;
    if (length > 0.0) {
        step.volumeLoad = flags.loadVolume / length;
        step.torqueLoad = flags.loadTorque / length;
    }
    run.stepHeld = true;
    ++run.observedSteps;
}

// A motion told as one step: its flags, length, end and the box of its
// path (run frame).
struct WholeStep {
    StepReading flags;
    double length = 0.0;
    Point at{};
    std::array<double, 4> box{};
};

// A motion (or a spline's chord, tool frame from `start` to `end`) swept
// whole or not at all is one step, with the loads summed over it and the
// class of the sides of its travel it cut on (general when the sweep did
// not tell them), vertical without travel in the plane.
WholeStep WholeStepOf(const CuttingRun& run, const MotionView& p, const StepReading& flags, const Point& start,
                      const Point& end) {
    WholeStep whole;
    Point& at = whole.at;
    for (int a = 0; a < 3; ++a) at[a] = end[a] + p.workOffset[a] - run.frameOffset[a];
    const double dx = end[0] - start[0], dy = end[1] - start[1], dz = end[2] - start[2];
    const bool arc = p.type == kArcCw || p.type == kArcCcw;
    const double length = arc ? p.arcLength : std::sqrt(dx * dx + dy * dy + dz * dz);
    whole.length = length;
    StepReading& motion = whole.flags;
    motion.cutDone = flags.cutDone;
    motion.loadVolume = flags.loadVolume;
    motion.loadTorque = flags.loadTorque;
    motion.highestCut = flags.highestCut;
    if (flags.cutDone != 0) {
        const double level = 1e-9 * (1.0 + length);
        const bool sided = flags.stepClass == kStepClassUp || flags.stepClass == kStepClassDown;
        motion.stepClass = !arc && std::hypot(dx, dy) <= level ? kStepClassVertical
                           : sided                             ? flags.stepClass
                                                               : kStepClassGeneral;
    }
    // Entered with its own start, around the whole circle for an arc (on
    // the axes of its plane): the motion may bulge beyond its ends.
    Point from{};
    for (int a = 0; a < 3; ++a) from[a] = start[a] + p.workOffset[a] - run.frameOffset[a];
    std::array<double, 4>& box = whole.box;
    box = BoxOf(from, at);
    if (arc) {
        const double r = std::max(p.startRadius, p.endRadius);
        for (std::size_t a = 0; a < 2; ++a) {
            if (static_cast<int>(a) != p.first && static_cast<int>(a) != p.second) continue;
            const double c = p.toolCentre[a] + p.workOffset[a] - run.frameOffset[a];
            box[a] = std::min(box[a], c - r);
            box[a + 2] = std::max(box[a + 2], c + r);
        }
    }
    return whole;
}

void ObserveWhole(CuttingRun& run, const MotionView& v, const SweepFlags& flags, const Point& start,
                  const Point& end) {
    const WholeStep whole = WholeStepOf(run, v, ReadingOf(flags), start, end);
    EnterSweptStep(run, whole.box, whole.at, flags.highestCut);
    ++run.sweptEarly;
    ObserveStep(run, v, whole.flags, whole.length, whole.at);
}

// Unattended observed runs sweep their motions in batches, as unobserved
// ones do, and tell the observer of each motion's steps later, a group of
// motions at a time: a group is told once the two groups after it are
// planned and handed to the workers, which sweep on while the observer
// hears (a group told right after the next one's hand-over would still be
// being swept: the calling thread would sweep it itself, and the workers
// would wait for the next hand-over while it tells).
// Whatever the observer reads of the work settles every sweep first
// (run.settle): it then finds the work as the open group leaves it, with
// the steps swept but not yet told entered beside it (they count as high
// as they cut), the same for any number of threads at any speed. A motion
// that must be cut on its own, a tool change and the run's end tell every
// deferred motion first.
bool DeferringSteps(const CuttingRun& run, const WorkModel& work) {
    const RunSetup& s = run.setup;
    return s.observeStep && !s.interactive && !s.afterMotion && !s.fast && !s.cutInstead && !s.groupStep &&
           run.tool.tool.limit.kind == 0 && work.sharing == nullptr;
}

// The fold of a step as the observer hears it.
StepReading ReadingOf(const ClassFold& fold) {
    StepReading r;
    r.loadVolume = fold.loadVolume;
    r.loadTorque = fold.loadTorque;
    r.highestCut = fold.highestCut;
    r.cutDone = fold.first != kStepClassUnknown || fold.loadVolume > 0.0 ? 1 : 0;
    r.stepClass = ResolveClass(fold);
    return r;
}

// What a deferred motion told as one step found.
StepReading WholeFlagsOf(const DeferredMotion& d) {
    StepReading flags;
    if (d.findings.folds.empty()) return flags;
    const ClassFold& fold = d.findings.folds.front();
    flags.loadVolume = fold.loadVolume;
    flags.loadTorque = fold.loadTorque;
    flags.highestCut = fold.highestCut;
    flags.cutDone = fold.first != kStepClassUnknown ? 1 : 0;
    flags.stepClass = ResolveClass(fold);
    return flags;
}

// Enters the steps of the deferred motions whose sweep is finished, in
// order, up to the first still being swept.
void EnterDeferred(CuttingRun& run, const WorkModel& work) {
    for (; run.deferredEntered < run.deferred.size(); ++run.deferredEntered) {
        DeferredMotion& d = run.deferred[run.deferredEntered];
        if (!d.findings.done) return;
        if (d.points.size() < 2) {
            const StepReading flags = WholeFlagsOf(d);
            const WholeStep whole = WholeStepOf(run, d.view, flags, d.view.toolStart, d.view.toolEnd);
            EnterSweptStep(run, whole.box, whole.at, flags.highestCut);
            ++run.sweptEarly;
            d.wholeFlags = whole.flags;
            d.wholeLength = whole.length;
            d.wholeAt = whole.at;
            continue;
        }
        for (std::size_t i = 1; i < d.points.size(); ++i) {
            const Point end = RunFramePoint(run, work, d.points[i]);
            const float highest = i - 1 < d.findings.folds.size() ? d.findings.folds[i - 1].highestCut
                                                                 : -std::numeric_limits<float>::infinity();
            EnterSweptStep(run, BoxOf(run.sweptFrom, end), end, highest);
            ++run.sweptEarly;
        }
    }
}

// Waits for the batches of the first `count` deferred motions (the workers
// sweep on with later ones) and tells them.
void TellDeferred(CuttingRun& run, WorkModel& work, std::size_t count) {
    count = std::min(count, run.deferred.size());
    for (std::size_t i = 0; i < count; ++i) {
        while (!run.deferred[i].findings.done) {
            SweepFlags flags;
            if (!FinishOldestBatchOnWorkers(run.workers, flags)) {
                FlushCuts(run, work);
                break;
            }
            if (flags.cutDone) work.workState = 2;
        }
    }
    run.sweepingNow = run.workers.batchCount > 0;
    EnterDeferred(run, work);
    const RunSetup& s = run.setup;
    for (std::size_t i = 0; i < count; ++i) {
        const DeferredMotion& d = run.deferred.front();
        if (s.observeMotion) {
            // Its first step as the observer will hear it.
            const bool stepped = d.points.size() >= 2;
            run.firstStepAir = stepped ? d.findings.folds.empty() || ReadingOf(d.findings.folds.front()).cutDone == 0
                                       : d.wholeFlags.cutDone == 0;
            run.firstStepEnd = stepped ? RunFramePoint(run, work, d.points[1]) : d.wholeAt;
            s.observeMotion(run);
            run.firstStepAir = false;
        }
        if (d.points.size() >= 2) {
            for (std::size_t k = 1; k < d.points.size(); ++k) {
                const StepReading step =
                    k - 1 < d.findings.folds.size() ? ReadingOf(d.findings.folds[k - 1]) : StepReading{};
                ObserveStep(run, d.view, step, d.stepLength, RunFramePoint(run, work, d.points[k]));
            }
        } else {
            // Entered already: told as ObserveWhole tells it.
            ObserveStep(run, d.view, d.wholeFlags, d.wholeLength, d.wholeAt);
        }
        TellHeldStep(run, d.view.blockEnd);
        // Kept for a motion to come: its vectors keep their room.
        run.spareDeferred.push_back(std::move(run.deferred.front()));
        run.deferred.pop_front();
        if (run.deferredEntered > 0) --run.deferredEntered;
    }
    run.groupBegin -= std::min(run.groupBegin, count);
    run.toldNext -= std::min(run.toldNext, count);
}

// Tells every deferred motion, after sweeping all that is planned.
void TellAllDeferred(CuttingRun& run, WorkModel& work) {
    if (run.deferred.empty()) return;
    FlushCuts(run, work);
    TellDeferred(run, work, run.deferred.size());
    run.groupBegin = 0;
    run.toldNext = 0;
    run.groupMotions = 0;
    run.groupSteps = 0;
}

// Takes the motion just planned (`cut` when it went into a batch) as a
// deferred one.
void DeferMotion(CuttingRun& run, const MotionView& view, const SweepContext& ctx,
                 const SweepMotionInput& m, const CutOptions& options, BatchedCut* cut) {
    DeferredMotion& d = run.deferred.emplace_back();
    if (!run.spareDeferred.empty()) {
        d = std::move(run.spareDeferred.back());
        run.spareDeferred.pop_back();
        d.points.clear();
        d.stepLength = 0.0;
        d.findings.folds.clear();
        d.findings.done = false;
    }
    d.view = view;
    if (cut == nullptr) {
        d.stepLength = ObservedStepPoints(ctx, m, options, d.points);
    } else if (!cut->whole && cut->points.size() >= 2) {
        // As planned: a motion the whole sweep declines is stepped.
        d.points = cut->points;
        d.stepLength = MotionLength(m) / static_cast<double>(cut->points.size() - 1);
    }
    if (cut != nullptr && cut->first <= cut->last) {
        cut->findings = &d.findings;
    } else {
        d.findings.done = true;
    }
    ++run.groupMotions;
    run.groupSteps += std::max<long long>(1, static_cast<long long>(d.points.size()) - 1);
}

// When the open group is full: hands it to the workers and tells the
// oldest closed group, two before it.
void CloseFullGroup(CuttingRun& run, WorkModel& work) {
    if (run.groupMotions < kBatchMotions && run.groupSteps < kBatchSteps) return;
    HandOverCuts(run, work);
    TellDeferred(run, work, run.toldNext);
    run.toldNext = run.groupBegin;
    run.groupBegin = run.deferred.size();
    run.groupMotions = 0;
    run.groupSteps = 0;
}

// Sweeps the current motion (a spline as its chords). True when it was
// deferred: planned for a batch, its steps told later (DeferringSteps).
// `observedBefore` is set to the steps told before this motion's own.
bool CutPath(CuttingRun& run, WorkModel& work, const ControllerDef& ctl, bool offsetMarked, SweepFlags& flags,
             long long& observedBefore) {
    const PathRecord& p = run.interp.path;
    const RunSetup& s = run.setup;
    const SweepContext ctx = ContextFor(run, work, ctl, p, offsetMarked);
    const MotionView view = ViewOf(run);
    const bool defer = DeferringSteps(run, work);
    // A motion cut and told now: the deferred ones before it are told
    // first, then the observer looks at the work as the motion finds it.
    auto observeNow = [&] {
        if (!s.observeStep) return;
        TellAllDeferred(run, work);
        observedBefore = run.observedSteps;
        if (s.observeMotion) s.observeMotion(run);
    };
    CutOptions options;
    options.movingPitch = s.movingPitch;
    options.fast = s.fast;
    options.cutting = !FedAsRapid(p.type == kRapid, p.feed, s.checks);
    // The load check looks at every step; the optimised output takes a
    // motion swept whole as one step.
    options.alwaysStep = run.tool.tool.limit.kind != 0;
    options.observeOnly = !options.alwaysStep;
    if (!s.fast && !run.workers.workers.empty()) options.workers = &run.workers;
    // Grid-relative points back to the tool frame: the work offset and the length shift.
    const Point origin{work.xMin - run.interp.workOffset[0], work.yMin - run.interp.workOffset[1],
                       run.tool.shift - run.interp.workOffset[2]};
    if (ctx.sumLoad) {
        const LimitDef& limit = run.tool.tool.limit;
        options.afterStep = [&](const SweepFlags& step, double length, const Point& end) {
            if (s.observeStep) ObserveStep(run, view, ReadingOf(step), length, RunFramePoint(run, work, end));
            const StepLoad load = CheckStepLoad(limit, step, length, p.feed, s.torqueLoad);
            if (!load.over) return true;
            if (limit.kind == 11 || limit.kind == 12) {
                const Point at{end[0] + origin[0], end[1] + origin[1], end[2] + origin[2]};
                RecordOverload(run.limits, s.listFolder, limit.kind, p.line, at, load);
                return true;
            }
            run.overload = true;
            run.overloadLoad = load;
            return false;
        };
        // The steps of a hand-over are swept before the observer hears the
        // first of them.
        if (s.observeStep) {
            options.sweptAhead = [&](const std::vector<Point>& points, const std::vector<ClassFold>& folds) {
                // Each step goes on from where the one before ended.
                for (std::size_t i = 0; i < folds.size() && i + 1 < points.size(); ++i) {
                    const Point end = RunFramePoint(run, work, points[i + 1]);
                    EnterSweptStep(run, BoxOf(run.sweptFrom, end), end, folds[i].highestCut);
                    ++run.sweptEarly;
                }
            };
        }
    }
    if (p.type == kSpline && p.spline != nullptr) {
        observeNow();
        run.cutDisc = CutDisc{};
        FlushCuts(run, work);
        std::vector<Point> points;
        SplinePolyline(*p.spline, kSplineTolerance, kMaxSplinePolylinePoints, points);
        const double lift = p.toolEnd[2] - p.end[2];  // the length offset in force
        Point from = p.toolStart;
        run.splineExtent = {from[0], from[1], from[0], from[1]};
        for (Point q : points) {
            run.splineExtent = {std::min(run.splineExtent[0], q[0]), std::min(run.splineExtent[1], q[1]),
                                std::max(run.splineExtent[2], q[0]), std::max(run.splineExtent[3], q[1])};
            q[2] += lift;
            SweepMotionInput m;
            m.type = kLine;
            for (int a = 0; a < 3; ++a) {
                m.p0[a] = from[a] - origin[a];
                m.p1[a] = q[a] - origin[a];
            }
            // An observer hears every chord, so that the curve's shape
            // reaches it even where the chords met no node.
            const long long observed = run.observedSteps;
            SweepFlags chord;
            CutMotion(ctx, m, options, chord);
            if (s.observeStep && run.observedSteps == observed) ObserveWhole(run, view, chord, from, q);
            MergeSweepFlags(flags, chord);
            from = q;
            if (run.overload) return false;
        }
        return false;
    }
    // Motions shorter than the controller's position tolerance cut nothing.
    options.minimumLength = ctl.positionTolerance;
    const SweepMotionInput m = SweepInputOf(p, work, run.interp.workOffset, run.tool.shift);
    // Nothing but the run changes the work between the event pumps of an
    // interactive run (the disc is forgotten at each) or at all in an
    // unattended one, unless another instance shares it.
    const bool rapidProfile = ctx.tool == &run.rapidTool && run.rapidWidened;
    const CutDisc disc = std::exchange(run.cutDisc, DiscAfter(run.cutDisc, ctx, m, rapidProfile, options));
    if (work.sharing == nullptr && MotionCutsNothing(disc, ctx, m, rapidProfile, options)) {
        if (defer) {
            DeferMotion(run, view, ctx, m, options, nullptr);
            CloseFullGroup(run, work);
            return true;
        }
        observeNow();
        TellUncutSteps(ctx, m, options);
        return false;
    }
    if (Batching(run) || defer) {
        if (run.pendingCount == run.pending.size()) run.pending.emplace_back();
        BatchedCut& cut = run.pending[run.pendingCount];
        // A long motion swept whole is cut and told on its own: told later,
        // it would stand in an escape's way as one box with the highest
        // material it cut anywhere along it.
        if (PlanBatchedCut(ctx, m, options, kBatchSteps, cut, defer) &&
            !(defer && cut.whole && MotionLength(m) > kLongWholeReaches * ToolReach(run))) {
            if (defer) DeferMotion(run, view, ctx, m, options, &cut);
            if (cut.first <= cut.last) {
                ++run.pendingCount;
                run.pendingSteps += cut.Steps();
            }
            const bool small = defer && !run.workers.workers.empty();
            const std::size_t motions = small ? kObservedBatchMotions : kBatchMotions;
            const long long steps = small ? kObservedBatchSteps : kBatchSteps;
            if (run.pendingCount >= motions || run.pendingSteps >= steps) HandOverCuts(run, work);
            if (defer) CloseFullGroup(run, work);
            return defer;
        }
    }
    observeNow();
    FlushCuts(run, work);
    CutMotion(ctx, m, options, flags);
    return false;
}

void EndWithAlarm(CuttingRun& run, Host& host, RunState state, int code, const AlarmDetail& detail) {
    run.state = state;
    run.alarmCode = code;
    run.alarmLine = detail.programLine;
    run.alarmDetail = detail;
    ShowAlarm(host, run.setup.delivery, code, detail);
}

// The stop requests left by the motion before; true when the run stops.
// A pause found together with a wait M-code is kept until the wait ends.
bool StopRequested(CuttingRun& run, const ControllerDef& ctl, Host& host) {
    const RunSetup& s = run.setup;
    StopReason reason = run.pendingPause;
    run.pendingPause = StopReason::None;
    auto note = [&reason](StopReason r) {
        if (reason == StopReason::None) reason = r;
    };
    if (s.interactive && host.IsKeyDown(s.stopKey)) note(StopReason::StopKey);
    if (run.checkPause) note(StopReason::Check);
    run.checkPause = false;
    if (run.searchHit) note(StopReason::SearchHit);
    run.searchHit = false;
    if (run.offsetMarked && ctl.radiusCheckStop) note(StopReason::OffsetMark);
    run.offsetMarked = false;
    if (run.interp.reader.forcedStop) {
        run.interp.reader.forcedStop = false;
        note(StopReason::StopBlock);
    }
    if (run.blockDone) {
        run.blockDone = false;
        if (StopsAt(run.blockStopMarks, s.stopMode)) note(StopReason::StopBlock);
        const int mCode = run.blockMCode;
        run.blockMCode = -1;
        for (const WaitCode& wait : ctl.waitCodes) {
            if (mCode != wait.mCode) continue;
            // The path the controller reader resolved (and cleaned up) for this name.
            const std::string& path = wait.path.empty() ? wait.file : wait.path;
            if (std::FILE* f = std::fopen(path.c_str(), "wb")) std::fclose(f);
            run.waitFile = path;
            run.pendingPause = reason;
            run.state = RunState::Waiting;
            return true;
        }
    }
    if (reason == StopReason::None) return false;
    if (s.pauseGroup) {
        // The group pauses together at the step barrier ahead.
        s.pauseGroup();
        if (run.groupPause == StopReason::None) run.groupPause = reason;
        return false;
    }
    run.state = RunState::Paused;
    run.pause = reason;
    return true;
}

// The step barrier of a lock-step group; false when the run paused or ended there.
bool GroupStepDone(CuttingRun& run) {
    if (!run.setup.groupStep) return true;
    switch (run.setup.groupStep(run)) {
    case GroupStep::GoOn:
        return true;
    case GroupStep::Paused:
        run.state = RunState::Paused;
        run.pause = run.groupPause != StopReason::None ? run.groupPause : StopReason::Group;
        run.groupPause = StopReason::None;
        return false;
    case GroupStep::Stop:
    case GroupStep::GaveUp:
        break;
    }
    run.state = RunState::Aborted;
    return false;
}

// The motion just fetched: tool change, sweep, the checks' decision, sound
// and redraw requests, the escape key of modes 1 and 2. False when it ended
// the run.
bool TakeMotion(CuttingRun& run, WorkModel& work, ControllerDef& ctl, const ToolTable& tools, Host& host) {
    const RunSetup& s = run.setup;
    Interpreter& in = run.interp;
    PathRecord& p = in.path;
    if (s.runMode != kRunResult) host.ShowStatus(in.reader.block);
    const ToolTable& table = run.ownTools ? *run.ownTools : tools;
    const int change = ToolChangeOf(s.atcType, s.toolWords, p, run.preselected);
    const bool moduleChange = p.moduleTool > 0 && run.ownTools;
    if (moduleChange && change < static_cast<int>(run.ownTools->tools.size())) {
        ApplyReaderTool(in.reader.module.entries(), change,
                        run.ownTools->tools[static_cast<std::size_t>(change)], run.notes);
    }
    if (s.delivery.batch && !run.notes.empty()) {
        for (const std::string& note : run.notes) std::fprintf(stderr, "morvex: plug-in %s\n", note.c_str());
        run.notes.clear();
    }
    if (change >= 0 && (change != run.toolNumber || moduleChange)) {
        // The planned motions point at the tool in use; the observer hears
        // their steps with it.
        TellAllDeferred(run, work);
        FlushCuts(run, work);
        // The observer hears of the change while the tool it replaces is in use.
        if (s.observeToolChange && run.frameSet) s.observeToolChange(run, change);
        WriteLengthLine(run);
        SelectRunTool(run, table, change);
        run.toolRedefined = false;
    } else if (run.toolRedefined) {
        TellAllDeferred(run, work);
        FlushCuts(run, work);
        SelectRunTool(run, table, run.toolNumber);
        run.toolRedefined = false;
    }
    ToToolFrame(in);
    if (!run.frameSet) {
        run.frameSet = true;
        for (int a = 0; a < 3; ++a) run.frameOffset[a] = in.workOffset[a];
        run.sweptFrom = p.toolStart;
        if (s.observeStart) s.observeStart(run, p.toolStart);
    }
    long long observedBefore = run.observedSteps;
    run.offsetMarked = TakeOffsetMark(run.alarms);
    const bool g92 = in.words.nonModalG == 92 && in.queue.empty();
    SweepFlags flags;
    // IGNORE G00: rapids move the tool but neither cut nor raise the rapid alarm.
    const bool swept = !g92 && p.error == kNcNoError && !(s.ignoreRapids && p.type == kRapid);
    if (!swept || s.cutInstead) run.cutDisc = CutDisc{};
    bool deferred = false;
    if (swept && s.cutInstead) {
        if (!s.cutInstead(run, flags)) {
            run.state = RunState::Aborted;
            return false;
        }
    } else if (swept) {
        deferred = CutPath(run, work, ctl, run.offsetMarked, flags, observedBefore);
    }
    if (flags.searchHit != 0) run.searchHit = true;
    if (s.observeStep && !g92 && p.error == kNcNoError && !deferred) {
        if (!run.deferred.empty()) {
            // A motion not swept: what was deferred comes before it.
            TellAllDeferred(run, work);
            observedBefore = run.observedSteps;
        }
        const MotionView view = ViewOf(run);
        if (run.observedSteps == observedBefore) ObserveWhole(run, view, flags, p.toolStart, p.toolEnd);
        // A motion the load stopped part way did not reach its block's end.
        TellHeldStep(run, view.blockEnd && !run.overload);
    }
    ++run.motions;
    if (s.publish) s.publish(run);
    if (flags.cutDone) work.workState = 2;
    if (s.afterMotion && !g92 && p.error == kNcNoError) {
        ChangedNodes nodes = MotionNodes(run, work, p);
        nodes.changed = flags.cutDone || flags.painted || flags.taperHit || flags.holderHit || flags.attachmentHit;
        s.afterMotion(run, nodes);
    }
    AddRequiredLengths(run.required, flags);
    if (p.mCode >= 0) run.blockMCode = p.mCode;
    // The stop tests wait for the last motion of the block.
    run.blockDone = in.queue.empty() || in.queue.front().line != p.line;
    run.blockStopMarks = p.stopMarks;
    if (run.overload) {
        AlarmDetail detail;
        detail.programLine = p.line;
        detail.cutKind = run.overloadLoad.cutClass;
        EndWithAlarm(run, host, RunState::Aborted, kAlarmOverload, detail);
        return false;
    }
    const MotionVerdict verdict = DecideAfterMotion(flags, s.checks, p.type == kRapid, p.feed);
    if (verdict.decision != RunDecision::GoOn) {
        WriteInterference(run.alarms, verdict.findings, p.line, in.reader.block);
    }
    if (verdict.decision == RunDecision::Abort) {
        AlarmDetail detail;
        detail.programLine = p.line;
        detail.possibleG00 = verdict.alarmCode == kAlarmRapid && p.possibleRoute;
        EndWithAlarm(run, host, RunState::Aborted, verdict.alarmCode, detail);
        return false;
    }
    if (verdict.decision == RunDecision::Pause) run.checkPause = true;
    // The cutting sound while motions cut, the idle one while they do
    // not; a motion with a finding keeps what plays.
    if (s.sound && s.runMode != kRunResult && verdict.decision == RunDecision::GoOn) {
        const int slot = flags.cutDone ? kSoundCutting : kSoundIdle;
        if (slot != run.soundSlot) host.LoopSound(slot);
        run.soundSlot = slot;
    }
    if (s.runMode == kRunSkip && flags.cutDone) host.RequestRedraw();
    if (s.interactive && s.runMode != kRunResult && host.IsKeyDown(s.escapeKey)) {
        run.state = RunState::Aborted;
        return false;
    }
    return true;
}

}  // namespace

void FlushCuts(CuttingRun& run, WorkModel& work) {
    HandOverCuts(run, work);
    FinishSweeping(run, work);
}

InterpreterSetup RunInterpreterSetup(const RunSetup& setup) {
    InterpreterSetup in;
    in.runMode = setup.runMode + (setup.fast ? 3 : 0);
    in.checkOnly = false;
    in.workPitch = setup.workPitch;
    in.rapidRate = setup.rapidRate;
    in.rapidAccel = setup.rapidAccel;
    return in;
}

bool StartRun(CuttingRun& run, const RunSetup& setup, WorkModel& work, ControllerDef& ctl, const ToolTable& tools) {
    if (work.workState <= 0 || work.nx < 2 || work.ny < 2) return false;
    run = CuttingRun{};
    run.setup = setup;
    Interpreter& in = run.interp;
    if (!OpenNcProgram(in.reader, setup.ncPath, setup.reader)) return false;
    Backup(work, Point{}, Point{});
    if (setup.reader.active() || setup.commentTools) run.ownTools = tools;
    in.setup = RunInterpreterSetup(setup);
    run.alarms.folder = setup.listFolder;
    in.setup.alarms = &run.alarms;
    // G00MODE UNKNOWN: one corner is enough where the area of the move is
    // clear of material at the end height.
    in.setup.rapidCorner = [&run, &work](const Point& start, const Point& end) -> std::optional<Point> {
        FlushCuts(run, work);  // the heights it looks at
        if (!RapidCornerOverWork(work, run.tool, run.setup.checks.arbor, TipInWork(run, start), TipInWork(run, end))) {
            return std::nullopt;
        }
        return Point{start[0], end[1], end[2]};
    };
    if (setup.commentTools) {
        in.setup.commentHook = [&run](std::string_view block) {
            const int defined = run.setup.commentTools(block, run.toolNumber, *run.ownTools, run.notes);
            if (defined >= 0 && defined == run.toolNumber) run.toolRedefined = true;
        };
    }
    StartProgram(in, ctl, setup.start);
    run.preselected = setup.initialTool;
    SelectRunTool(run, run.ownTools ? *run.ownTools : tools, setup.initialTool);
    run.lengthReport = OpenLengthReport(setup.checks, setup.ncPath, setup.lengthReport);
    if (!setup.fast && setup.strips > 1) StartWorkers(run.workers, setup.strips);
    run.settle = [&run, &work] {
        if (run.deferred.empty()) return;
        FlushCuts(run, work);
        EnterDeferred(run, work);
    };
    run.state = RunState::Running;
    return true;
}

RunState RunLoop(CuttingRun& run, WorkModel& work, ControllerDef& ctl, const ToolTable& tools, Host& host) {
    const RunSetup& s = run.setup;
    Interpreter& in = run.interp;
    auto lastPump = std::chrono::steady_clock::now();
    // The work may have changed while the run waited (a pause, a hand tool).
    run.cutDisc = CutDisc{};
    while (run.state == RunState::Running) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastPump >= s.pumpInterval) {
            FlushCuts(run, work);
            // The progress first, so that the events handled next show it.
            if (s.progress) s.progress(run);
            host.PumpMessages();
            // A user at the keys may change the work while the events are
            // handled. Nothing changes an unattended run's work but the run:
            // its disc stays, so that what the run makes of its motions
            // (an observer hears them in groups the disc decides) does not
            // depend on when the pumps fall.
            if (s.interactive) run.cutDisc = CutDisc{};
            lastPump = now;
        }
        if (s.interactive && s.runMode == kRunResult && host.IsKeyDown(s.escapeKey)) {
            run.state = RunState::Aborted;
            break;
        }
        if (s.interactive && host.IsKeyDown(kTabKey)) host.RequestRedraw();
        if (s.displayEvery > 0 && s.runMode < kRunResult && ++run.displayCount >= s.displayEvery) {
            // Another instance's work may be shared with this one: show it
            // as it stands now, not at the next event pump.
            run.displayCount = 0;
            FlushCuts(run, work);
            host.RequestRedraw();
            host.PumpMessages();
            if (s.interactive) run.cutDisc = CutDisc{};
            lastPump = now;
        }
        if (StopRequested(run, ctl, host)) break;
        if (!GroupStepDone(run)) break;

        const MotionResult next = NextMotion(in, ctl, s.toolWords);
        if (next == MotionResult::Motion && !TakeMotion(run, work, ctl, tools, host)) break;
        const int error = in.reader.pendingError;
        if (error != kNcNoError) {
            EndWithAlarm(run, host, RunState::NcError, error + kNcAlarmBase, NcErrorDetail(in.reader, ctl.endOfRecord));
            break;
        }
        if (next == MotionResult::End) {
            // A lock-step group ends together: the last step waits for all.
            TellAllDeferred(run, work);
            FlushCuts(run, work);
            run.state = RunState::Finished;
            // (a group pause at this step is waited out by the hook.)
            if (s.groupStep && s.groupStep(run) != GroupStep::GoOn) run.state = RunState::Aborted;
            if (s.publish) s.publish(run);
        }
        if (next == MotionResult::Error) run.state = RunState::NcError;
    }
    // The observer hears every motion taken before the run stops.
    TellAllDeferred(run, work);
    FlushCuts(run, work);
    if ((run.state == RunState::Aborted || run.state == RunState::NcError) && s.stopGroup) s.stopGroup();
    // A paused, waiting or ended run is silent; the next motion picks its sound again.
    if (run.soundSlot >= 0) {
        host.LoopSound(-1);
        run.soundSlot = -1;
    }
    return run.state;
}

void ResumeRun(CuttingRun& run) {
    if (run.state != RunState::Paused) return;
    run.state = RunState::Running;
    run.pause = StopReason::None;
}

bool WaitEnded(CuttingRun& run) {
    if (run.state != RunState::Waiting) return false;
    if (run.setup.waitOver) {
        if (!run.setup.waitOver()) return false;
        run.waitFile.clear();
        run.state = RunState::Running;
        return true;
    }
    std::error_code ec;
    const bool exists = std::filesystem::exists(run.waitFile, ec);
    if (exists || ec) return false;  // a file that cannot be looked at has not been deleted
    run.waitFile.clear();
    run.state = RunState::Running;
    return true;
}

void ChangeRunModes(CuttingRun& run, int stopMode, const RunChecks& checks) {
    run.setup.stopMode = stopMode;
    run.setup.checks = checks;
    // Only a checked rapid is widened by the clearance.
    run.rapidTool = checks.rapid > 0 ? RapidCheckProfile(run.tool) : run.tool;
    run.rapidWidened = checks.rapid > 0 && RapidCheckWidens(run.tool);
    run.cutDisc = CutDisc{};
}

void AbandonRun(CuttingRun& run) {
    if (run.state == RunState::Paused || run.state == RunState::Waiting || run.state == RunState::Running) {
        run.state = RunState::Aborted;
    }
}

void EndRun(CuttingRun& run, Host& host) {
    StopWorkers(run.workers);
    WriteLengthLine(run);
    run.lengthReport.reset();
    CloseAlarmFiles(run.alarms, host, run.setup.delivery.batch, run.setup.offsetListOption);
    CloseLimitRecord(run.limits);
    if (run.setup.ended) {
        const std::function<void()> ended = std::move(run.setup.ended);
        run.setup.ended = nullptr;
        ended();
    }
}

Point RunFramePoint(const CuttingRun& run, const WorkModel& work, const Point& grid) {
    return Point{grid[0] + work.xMin - run.frameOffset[0], grid[1] + work.yMin - run.frameOffset[1],
                 grid[2] + run.tool.shift - run.frameOffset[2]};
}

double WorkTopInRunFrame(const CuttingRun& run, const WorkModel& work) {
    return work.zMax + run.tool.shift - run.frameOffset[2];
}

namespace {

// The highest node height within `reach` of the segment (x0, y0)-(x1, y1)
// (work coordinates), from the spans of the rows the segment's capsule
// covers (a node more on either side); the bottom when none.
double HighestAlong(const WorkModel& w, double x0, double y0, double x1, double y1, double reach) {
    double top = w.zMin;
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || !(reach >= 0.0)) return top;
    const auto row = [&](double y) { return std::clamp((y - w.yMin) / w.pitch, -1.0, static_cast<double>(w.ny)); };
    const int iy0 = std::max(0, static_cast<int>(std::floor(row(std::min(y0, y1) - reach))));
    const int iy1 = std::min(w.lastY, static_cast<int>(std::ceil(row(std::max(y0, y1) + reach))));
    if (iy1 < iy0) return top;
    static thread_local std::vector<double> ys;
    static thread_local std::vector<int> lo, hi;
    const int rows = iy1 - iy0 + 1;
    ys.resize(static_cast<std::size_t>(rows));
    lo.resize(static_cast<std::size_t>(rows));
    hi.resize(static_cast<std::size_t>(rows));
    for (int k = 0; k < rows; ++k) ys[static_cast<std::size_t>(k)] = (iy0 + k) * w.pitch;
    const sweep_detail::ReachRows spans(w, x0 - w.xMin, y0 - w.yMin, x1 - w.xMin, y1 - w.yMin, reach, 0, w.lastX,
                                        true);
    spans.Rows(ys.data(), rows, lo.data(), hi.data());
    // The rows' maxima in eight lanes of floats, which the compiler keeps
    // in vector registers (heights are floats; the maximum is exact).
    constexpr int kLanes = 8;
    float lanes[kLanes];
    std::fill(std::begin(lanes), std::end(lanes), -std::numeric_limits<float>::infinity());
    for (int k = 0; k < rows; ++k) {
        const float* h = w.height + NodeIndex(w, 0, iy0 + k);
        int ix = lo[static_cast<std::size_t>(k)];
        const int end = hi[static_cast<std::size_t>(k)] + 1;
        for (; ix + kLanes <= end; ix += kLanes) {
            for (int j = 0; j < kLanes; ++j) lanes[j] = h[ix + j] > lanes[j] ? h[ix + j] : lanes[j];
        }
        for (; ix < end; ++ix) lanes[0] = h[ix] > lanes[0] ? h[ix] : lanes[0];
    }
    for (const float lane : lanes) top = std::max(top, static_cast<double>(lane));
    return top;
}

// The highest node height within `reach` of the rectangle with corners
// (x0, y0) and (x1, y1) (work coordinates; a node more on every side):
// whatever route between them a rapid takes that moves its axes each on
// its own. The bottom when no node is near.
double HighestWithin(const WorkModel& w, double x0, double y0, double x1, double y1, double reach) {
    double top = w.zMin;
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || !(reach >= 0.0)) return top;
    const double inv = 1.0 / w.pitch;
    const double ixLo = std::floor((std::min(x0, x1) - reach - w.xMin) * inv) - 1.0;
    const double ixHi = std::ceil((std::max(x0, x1) + reach - w.xMin) * inv) + 1.0;
    const double iyLo = std::floor((std::min(y0, y1) - reach - w.yMin) * inv) - 1.0;
    const double iyHi = std::ceil((std::max(y0, y1) + reach - w.yMin) * inv) + 1.0;
    // Not-a-number compares false: such a rectangle meets no node.
    if (!(ixHi >= 0.0 && iyHi >= 0.0 && ixLo <= w.lastX && iyLo <= w.lastY)) return top;
    const int ix0 = static_cast<int>(std::max(ixLo, 0.0)), ix1 = static_cast<int>(std::min<double>(ixHi, w.lastX));
    const int iy0 = static_cast<int>(std::max(iyLo, 0.0)), iy1 = static_cast<int>(std::min<double>(iyHi, w.lastY));
    float highest = -std::numeric_limits<float>::infinity();
    for (int iy = iy0; iy <= iy1; ++iy) {
        const float* h = w.height + NodeIndex(w, 0, iy);
        for (int ix = ix0; ix <= ix1; ++ix) highest = h[ix] > highest ? h[ix] : highest;
    }
    return std::max(top, static_cast<double>(highest));
}

}  // namespace

double ClearanceHeight(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, double margin,
                       bool straight) {
    if (run.settle) run.settle();
    // Run frame to the work's coordinates (machine X, Y; the tip's Z).
    const double x0 = from[0] + run.frameOffset[0], y0 = from[1] + run.frameOffset[1];
    const double x1 = to[0] + run.frameOffset[0], y1 = to[1] + run.frameOffset[1];
    // An escape is a rapid: the rapid check's wider profile counts, and a
    // pitch more for the rounding of the written positions.
    const double reach = std::max(ToolReach(run), 0.0) + work.pitch;
    double top =
        straight ? HighestAlong(work, x0, y0, x1, y1, reach) : HighestWithin(work, x0, y0, x1, y1, reach);
    // Steps swept after the path's end (the observer hears them later) may
    // have cut what stood near it when the tool passes: the highest they
    // cut counts wherever their box meets the path's.
    const double lo[2] = {std::min(from[0], to[0]) - reach, std::min(from[1], to[1]) - reach};
    const double hi[2] = {std::max(from[0], to[0]) + reach, std::max(from[1], to[1]) + reach};
    for (const SweptStep& s : run.sweptUntold) {
        if (s.box[0] <= hi[0] && s.box[2] >= lo[0] && s.box[1] <= hi[1] && s.box[3] >= lo[1]) {
            top = std::max(top, static_cast<double>(s.highestCut));
        }
    }
    return top + margin + run.tool.shift - run.frameOffset[2];
}

namespace {

// The swept steps not yet told whose box meets the square of half side
// `reach` around (x, y), their boxes moved by (dx, dy) into the work's
// coordinates.
void UntoldStepsNear(const CuttingRun& run, double dx, double dy, double x, double y, double reach,
                     std::vector<SweptStep>& near) {
    near.clear();
    for (const SweptStep& s : run.sweptUntold) {
        const SweptStep t{{s.box[0] + dx, s.box[1] + dy, s.box[2] + dx, s.box[3] + dy}, s.highestCut};
        if (t.box[0] <= x + reach && t.box[2] >= x - reach && t.box[1] <= y + reach && t.box[3] >= y - reach) {
            near.push_back(t);
        }
    }
}

// Whether the distance (dx, dy) surely exceeds r, or surely stays below
// it, told from its square alone: the margin of 1e-9 lies far beyond the
// rounding of the square and of hypot, so a node either test settles
// fares the same with hypot, which the nodes near r still get.
bool SurelyBeyond(double dx, double dy, double r) { return dx * dx + dy * dy > r * r * (1.0 + 1e-9); }
bool SurelyWithin(double dx, double dy, double r) { return r > 0.0 && dx * dx + dy * dy < r * r * (1.0 - 1e-9); }

// The highest of a node and its eight neighbours: what a node left standing
// beside a cut would stand as.
double HighestAround(const WorkModel& w, int ix, int iy) {
    double h = w.height[NodeIndex(w, ix, iy)];
    for (int ny = std::max(iy - 1, 0); ny <= std::min(iy + 1, w.lastY); ++ny) {
        for (int nx = std::max(ix - 1, 0); nx <= std::min(ix + 1, w.lastX); ++nx) {
            h = std::max(h, static_cast<double>(w.height[NodeIndex(w, nx, ny)]));
        }
    }
    return h;
}

}  // namespace

double RapidFloor(const CuttingRun& run, const WorkModel& work, const Point& exact, const Point& written, double slack,
                  double margin, bool cleared, const CutEdgeMarks* edges, bool stood) {
    if (run.settle) run.settle();
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    const WorkModel& w = work;
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || !(slack >= 0.0)) return kNone;
    const ToolProfile& rapid = run.rapidTool;
    const double outer = std::max({run.tool.rho3, rapid.rho3, 0.0}) + slack;
    // A tool that cleared nothing there yet (just changed) has no ring.
    const double cutter = cleared ? std::max(run.tool.rho3, 0.0) : -1.0;
    // Run frame to the work's coordinates, relative to its first node.
    const double wx = written[0] + run.frameOffset[0] - w.xMin, wy = written[1] + run.frameOffset[1] - w.yMin;
    const double ex = exact[0] + run.frameOffset[0] - w.xMin, ey = exact[1] + run.frameOffset[1] - w.yMin;
    if (!std::isfinite(wx) || !std::isfinite(wy) || !std::isfinite(ex) || !std::isfinite(ey) || !std::isfinite(outer)) {
        return kNone;
    }
    // The same tool at (nearly) the same place meets nothing it did not
    // clear, but for marks within the cutter's reach of `exact` where the
    // written program's tool never stood.
    const double moved = std::hypot(wx - ex, wy - ey);
    const bool marksInside = edges != nullptr && !edges->bits.empty() && !stood;
    const bool onlyMarked = !(rapid.rho3 > cutter) && moved <= slack;
    if (onlyMarked && !marksInside) return kNone;
    const double inv = 1.0 / w.pitch;
    const int iy0 = static_cast<int>(std::clamp(std::floor((wy - outer) * inv), 0.0, static_cast<double>(w.ny)));
    const int iy1 = static_cast<int>(std::clamp(std::ceil((wy + outer) * inv), -1.0, static_cast<double>(w.lastY)));
    // The swept steps not yet told whose box meets the nodes looked at, in
    // the work's coordinates.
    static thread_local std::vector<SweptStep> near;
    UntoldStepsNear(run, run.frameOffset[0] - w.xMin, run.frameOffset[1] - w.yMin, wx, wy, outer, near);
    // Highest first: a node's search ends at the first step over it, or at
    // the first no higher than the node (a height that is not a number
    // last: it never counts).
    const auto key = [](const SweptStep& s) {
        return s.highestCut == s.highestCut ? s.highestCut : -std::numeric_limits<float>::infinity();
    };
    // Sorted at the first node looked at: many calls look at none.
    bool sorted = false;
    double top = kNone;
    const double inner = cutter - slack;
    const double last = static_cast<double>(w.lastX);
    for (int iy = iy0; iy <= iy1; ++iy) {
        const double y = iy * w.pitch;
        // The row's nodes within reach of `written`, but for those well
        // inside the cutter's reach of `exact`: the ring alone is looked at.
        const double dy = y - wy, de2 = inner * inner - (y - ey) * (y - ey);
        if (!(dy * dy <= outer * outer)) continue;
        const double chord = std::sqrt(outer * outer - dy * dy);
        const int ix0 = static_cast<int>(std::clamp(std::floor((wx - chord) * inv), 0.0, last + 1.0));
        const int ix1 = static_cast<int>(std::clamp(std::ceil((wx + chord) * inv), -1.0, last));
        int skip0 = 0, skip1 = -1;
        if (inner > 0.0 && de2 > 0.0) {
            const double half = std::sqrt(de2);
            skip0 = static_cast<int>(std::clamp(std::ceil((ex - half) * inv) + 1.0, 0.0, last + 1.0));
            skip1 = static_cast<int>(std::clamp(std::floor((ex + half) * inv) - 1.0, -1.0, last));
        }
        for (int ix = ix0; ix <= ix1; ++ix) {
            const bool inside = ix >= skip0 && ix <= skip1;
            if (inside && !marksInside) {
                ix = skip1;
                continue;
            }
            const bool marked = edges != nullptr && EdgeMarked(*edges, ix, iy);
            if ((inside || onlyMarked) && !marked) continue;
            const double x = ix * w.pitch;
            double dw2 = 0.0;
            if (inside) {
                // Marked, well inside the cutter's reach of `exact`.
                dw2 = (x - wx) * (x - wx) + (y - wy) * (y - wy);
                if (!(dw2 <= outer * outer)) continue;
            } else {
                if (SurelyBeyond(x - wx, y - wy, outer)) continue;
                const double dw = std::hypot(x - wx, y - wy), de = std::hypot(x - ex, y - ey);
                // Reached at `written`, and surely not by the cutter at
                // `exact`, or at the edge of its reach there with `written`
                // nearer.
                if (!(dw <= outer)) continue;
                const bool beyond = de > cutter + slack;
                if (!beyond && !(marked && marksInside) && !(de >= cutter - slack && dw < de - slack)) continue;
                dw2 = dw * dw;
            }
            // A sliver the written path left standing would stand as the
            // material just beyond the cut it missed: as high as the
            // highest node around it.
            double h = marked ? HighestAround(w, ix, iy) : w.height[NodeIndex(w, ix, iy)];
            if (!sorted) {
                std::sort(near.begin(), near.end(),
                          [&](const SweptStep& a, const SweptStep& b) { return key(a) > key(b); });
                sorted = true;
            }
            for (const SweptStep& s : near) {
                if (!(s.highestCut > h)) break;
                if (x >= s.box[0] && x <= s.box[2] && y >= s.box[1] && y <= s.box[3]) {
                    h = s.highestCut;
                    break;
                }
            }
            // The rapid profile stands this far above its tip there.
            const double lift = ToolProfileHeight(rapid, 0.0, std::min(dw2, rapid.T3));
            top = std::max(top, h - (std::isfinite(lift) ? std::max(lift, 0.0) : 0.0));
        }
    }
    if (top == kNone) return kNone;
    return top + margin + run.tool.shift - run.frameOffset[2];
}

void MarkWrittenCut(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, double shift,
                    CutEdgeMarks& edges) {
    const double dx = run.frameOffset[0] - work.xMin, dy = run.frameOffset[1] - work.yMin;
    MarkCutEdges(edges, work, from[0] + dx, from[1] + dy, to[0] + dx, to[1] + dy, std::max(run.tool.rho3, 0.0), shift);
}

// The marks keep the work's own heights: a tool of another length, changed
// in later, finds the material where it stands.
void MarkLeftCut(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, double top,
                 LeftStanding& left) {
    const double dx = run.frameOffset[0] - work.xMin, dy = run.frameOffset[1] - work.yMin;
    MarkLeftStanding(left, work, from[0] + dx, from[1] + dy, to[0] + dx, to[1] + dy, std::max(run.tool.rho3, 0.0),
                     static_cast<float>(top - run.tool.shift + run.frameOffset[2]));
}

double LeftCutTop(const CuttingRun& run, const WorkModel& work, const Point& from, const Point& to, bool straight,
                  const LeftStanding& left) {
    const double dx = run.frameOffset[0] - work.xMin, dy = run.frameOffset[1] - work.yMin;
    const double reach = std::max({run.tool.rho3, run.rapidTool.rho3, 0.0});
    return LeftStandingTop(left, work, from[0] + dx, from[1] + dy, to[0] + dx, to[1] + dy, reach, straight) +
           run.tool.shift - run.frameOffset[2];
}

double SliverFloor(const CuttingRun& run, const WorkModel& work, const Point& cutExact, const Point& cutWritten,
                   const Point& written, double slack, double margin) {
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    if (run.settle) run.settle();
    const WorkModel& w = work;
    const double cutter = run.tool.rho3;
    if (w.height == nullptr || w.nx < 2 || w.ny < 2 || !(w.pitch > 0.0) || !(cutter > 0.0) || !(slack >= 0.0)) {
        return kNone;
    }
    const ToolProfile& rapid = run.rapidTool;
    const double outer = std::max(cutter, rapid.rho3) + slack;
    // Run frame to the work's coordinates, relative to its first node.
    const double fx = run.frameOffset[0] - w.xMin, fy = run.frameOffset[1] - w.yMin;
    const double ex = cutExact[0] + fx, ey = cutExact[1] + fy;
    const double cx = cutWritten[0] + fx, cy = cutWritten[1] + fy;
    const double wx = written[0] + fx, wy = written[1] + fy;
    if (!std::isfinite(ex + ey + cx + cy + wx + wy) || !std::isfinite(outer)) return kNone;
    // The same place written: nothing was missed.
    if (ex == cx && ey == cy) return kNone;
    // The swept steps not yet told whose box meets the nodes looked at (a
    // pitch around them), in the work's coordinates.
    static thread_local std::vector<SweptStep> near;
    UntoldStepsNear(run, fx, fy, wx, wy, outer + w.pitch, near);
    const double inv = 1.0 / w.pitch;
    // Rows within the cutter's reach of the exact cut and the rapid's reach of `written`.
    const double ylo = std::max(ey - cutter, wy - outer) - slack;
    const double yhi = std::min(ey + cutter, wy + outer) + slack;
    const int iy0 = static_cast<int>(std::clamp(std::ceil(ylo * inv), 0.0, static_cast<double>(w.ny)));
    const int iy1 = static_cast<int>(std::clamp(std::floor(yhi * inv), -1.0, static_cast<double>(w.lastY)));
    const double last = static_cast<double>(w.lastX);
    double top = kNone;
    for (int iy = iy0; iy <= iy1; ++iy) {
        const double y = iy * w.pitch;
        const double de2 = cutter * cutter - (y - ey) * (y - ey);
        if (!(de2 >= 0.0)) continue;
        const double half = std::sqrt(de2) + slack;
        const int ix0 = static_cast<int>(std::clamp(std::ceil((ex - half) * inv), 0.0, last + 1.0));
        const int ix1 = static_cast<int>(std::clamp(std::floor((ex + half) * inv), -1.0, last));
        for (int ix = ix0; ix <= ix1; ++ix) {
            const double x = ix * w.pitch;
            // Reached from the exact cut, missed from the written one, and
            // within the rapid's reach at `written`.
            if (SurelyWithin(x - cx, y - cy, cutter - slack) || SurelyBeyond(x - ex, y - ey, cutter + slack) ||
                SurelyBeyond(x - wx, y - wy, outer)) {
                continue;
            }
            if (!(std::hypot(x - ex, y - ey) <= cutter + slack)) continue;
            if (!(std::hypot(x - cx, y - cy) > cutter - slack)) continue;
            const double dw = std::hypot(x - wx, y - wy);
            if (!(dw <= outer)) continue;
            // As high as the material beside it, as that stood before the
            // steps not yet told cut it.
            double h = HighestAround(w, ix, iy);
            for (const SweptStep& s : near) {
                if (x + w.pitch >= s.box[0] && x - w.pitch <= s.box[2] && y + w.pitch >= s.box[1] &&
                    y - w.pitch <= s.box[3]) {
                    h = std::max(h, static_cast<double>(s.highestCut));
                }
            }
            const double lift = ToolProfileHeight(rapid, 0.0, std::min(dw * dw, rapid.T3));
            top = std::max(top, h - (std::isfinite(lift) ? std::max(lift, 0.0) : 0.0));
        }
    }
    if (top == kNone) return kNone;
    return top + margin + run.tool.shift - run.frameOffset[2];
}

}  // namespace morvex
