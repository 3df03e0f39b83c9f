// Cutting one motion of the interpreter: the choice between sweeping it
// whole and stepping it at the moving pitch, and the steps themselves.
#pragma once

#include <functional>
#include <vector>

#include "nc/path_record.h"
#include "sim/sweep.h"

namespace morvex {

struct SweepWorkers;

struct CutOptions {
    double movingPitch = 1.0;    // mm
    double minimumLength = 0.0;  // motions shorter than this cut nothing, mm
    bool fast = false;           // the fast run versions: always stepped, no directions
    bool cutting = true;         // a feed motion below RAPID FEEDRATE (the scribing marker needs one)
    bool alwaysStep = false;     // step every motion (the load check looks at every step)
    SweepWorkers* workers = nullptr;  // strips of the step sweeper; null: the calling thread alone
    // Called after every step with that step's own flags, length and end
    // (grid-relative); false ends the motion there (an overload that stops
    // the run).
    std::function<bool(const SweepFlags& step, double stepLength, const Point& stepEnd)> afterStep;
    // The observer only looks (it never ends a motion): the steps may then
    // be swept together and told afterwards, each with its own cut flag,
    // loads and class.
    bool observeOnly = false;
    // When steps are swept together: called with a hand-over's steps as
    // soon as they are swept, before afterStep hears the first of them (the
    // points grid-relative, one more than the folds).
    std::function<void(const std::vector<Point>& points, const std::vector<ClassFold>& folds)> sweptAhead;
};

// Steps a long motion may take at most; a tiny moving pitch on a long motion
// is held to this count so that a run always ends.
inline constexpr long long kMaxStepsPerMotion = 4'000'000;

// The motion of the interpreter (tool frame) in the grid's coordinates: the
// work offset in force added (the work lies in machine coordinates), the
// tip lowered by the tool's length shift.
SweepMotionInput SweepInputOf(const PathRecord& path, const WorkModel& work, const Point& workOffset, double shift);

// The point after `fraction` of a line or an arc (angle, radius and normal
// coordinate following linearly).
Point MotionPointAt(const SweepMotionInput& m, double fraction);

// The length of a motion (an arc's along its helix).
double MotionLength(const SweepMotionInput& m);

// Number of steps for a motion of length `length`.
long long StepCount(double length, const CutOptions& options);

// The scribing marker (KEGAKI): follows the surface from before the run at
// the tool's depth h along the motion; see kegaki.cpp.
int SweepKegaki(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options, SweepFlags& flags);

// Cuts the motion: sweeps it whole where that is exact, else steps it.
// Returns 0 when nothing could be touched, 1 otherwise.
int CutMotion(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options, SweepFlags& flags);

// What the sweep found of a batched cut whose steps are observed, filled
// when its batch is finished: a fold per step (its class, loads and highest
// cut, merged over the bands), or for a motion swept whole one fold with
// its loads and highest cut, whose class is set (general) when it cut.
struct CutFindings {
    std::vector<ClassFold> folds;
    bool done = false;
};

// A motion planned for sweeping together with the motions around it in one
// hand-over (SweepBatchOnWorkers): swept whole, or its steps at once.
struct BatchedCut {
    SweepContext ctx;
    SweepMotionInput motion;
    bool whole = false;
    bool backwards = false;          // steps swept last first (StepsBackwards)
    // Steps points[i] -> points[i + 1]; their boxes are made by the bands
    // that sweep them, not by the planning thread.
    std::vector<Point> points;
    int first = 0, last = -1;        // rows it can touch (a superset); none when last < first
    // Where the findings of an observed cut go (its context sums the loads);
    // null for the others.
    CutFindings* findings = nullptr;
    long long Steps() const { return whole ? 1 : static_cast<long long>(points.size()) - 1; }
};

// Plans the motion as CutMotion would cut it, for a batch. False when it
// must be cut on its own: its nodes may need more than height, attribute
// and line number (a check, a paint mark, a part beyond the flank within
// reach: its flags may stop the run), a fast run, an observer of its steps,
// the scribing marker, or more than maxSteps steps. An `observed` cut may
// sum its loads (its steps are told later, from its findings): it is then
// planned forwards, as CutMotion steps for an observer, and the options'
// afterStep is not looked at.
bool PlanBatchedCut(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options, long long maxSteps,
                    BatchedCut& cut, bool observed = false);

// The ends of the steps (grid-relative) CutMotion tells an observer of
// motion m, the motion's start first, and their length; empty (length 0)
// when it tells none: a motion too short to cut, or one it sweeps whole.
double ObservedStepPoints(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options,
                          std::vector<Point>& points);

// Where the tool's surface is known to lie on or above every node within
// its reach: the tip position (grid-relative) the last motion left the
// tool at, and whether that motion was swept with the rapid check's wider
// profile. Every sweeper cuts a motion on the assumption that the motion
// before left the tool's disc at its start cut (a level or rising motion
// does not meet the nodes behind its start), so a motion swept from where
// the disc is known, with the same profile, leaves it known at its end. A
// line wholly at or above the work's top, and a vertical line (swept in
// steps, each of which meets every node of its disc), leave it known from
// nothing.
struct CutDisc {
    bool known = false;
    bool rapidProfile = false;
    Point at{};
};

// What is known after motion m was cut as CutMotion cuts it, or passed by
// MotionCutsNothing; `rapidProfile` says which profile ctx.tool is.
CutDisc DiscAfter(const CutDisc& before, const SweepContext& ctx, const SweepMotionInput& m, bool rapidProfile,
                  const CutOptions& options);

// Whether cutting motion m would change no node and raise no flag, known
// without looking at the work: a line wholly at or above the work's top, or
// a straight rise from where `disc` knows the tool's disc cut, with the
// same profile and nothing beyond the flank within reach. A rise's lowest
// step stands its own height above that disc, far more than the sweepers'
// rounding, so no node can stand above the tool's surface. Never for the
// fast versions or the scribing marker.
bool MotionCutsNothing(const CutDisc& disc, const SweepContext& ctx, const SweepMotionInput& m, bool rapidProfile,
                       const CutOptions& options);

// Tells options.afterStep (an observer, the load check) the steps CutMotion
// would tell it for motion m, each with the flags of a step that cut
// nothing: for a motion MotionCutsNothing passes.
void TellUncutSteps(const SweepContext& ctx, const SweepMotionInput& m, const CutOptions& options);

}  // namespace morvex
