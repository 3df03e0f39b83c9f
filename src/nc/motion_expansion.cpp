// Expanding interpreted blocks into queued motions.
//
// Implementation notes: a spline starts with its G06.2 or G132 block and
// takes one control point (and knot) from every following block until a
// block without X, Y, Z and R; later blocks give only knots until there are
// order + n of them. A block with another motion G code, or the program end,
// closes the curve early (its knots are then completed by the curve's own
// rule). The curve is handed out as one motion from the point before it to
// its last control point; afterwards the motion mode is G01.
//
// Canned-cycle blocks take their hole motions from the cycle expander; the
// repeat count K/L holds for its own block only. Rapids are split by the
// controller's G00 mode except in check runs, under radius compensation and,
// with G00PATH LINE, in the fast run modes.
#include "nc/motion_expansion.h"

#include <vector>

#include "nc/canned_cycle.h"
#include "nc/radius_compensation.h"
#include "nc/rapid_split.h"

namespace morvex {
namespace {

bool AnyAxisGiven(const BlockWords& w) { return w.axisGiven[0] || w.axisGiven[1] || w.axisGiven[2]; }

bool IsCycleBlock(const Interpreter& in, const ControllerDef& ctl) {
    if (in.cycle.code == kCycleNone) return false;
    if (ctl.product == ProductFamily::Heidenhain) return in.words.heidenhainCycleCall;
    return AnyAxisGiven(in.words);
}

void QueueSpline(Interpreter& in) {
    SplineCurve& c = in.spline;
    PathRecord p = in.splineMotion;
    p.type = kSpline;
    p.start = in.queuedEnd;
    p.end = c.control.empty() ? p.start : c.control.back();
    p.spline = &in.spline;
    in.splineCollecting = false;
    if (in.motionMode == kSpline) in.motionMode = kLine;
    in.current = p.end;  // the curve's end, also when points past the cap were dropped
    QueueMotion(in, p);
}

enum class SplineStep { More, Complete, NotPart };

// Adds the spline words of the block to the curve being collected. A block
// after the control points that gives no knot is not part of the curve.
SplineStep CollectSplineBlock(Interpreter& in, bool first) {
    SplineCurve& c = in.spline;
    const BlockWords& w = in.words;
    const bool point = first || (!in.splineControlDone && (AnyAxisGiven(w) || w.splineWeightGiven));
    if (!point) {
        in.splineControlDone = true;
        if (!w.knotGiven) return SplineStep::NotPart;
    } else if (c.control.size() < kMaxSplinePoints) {
        c.control.push_back(in.path.end);
        c.weights.push_back(w.splineWeightGiven ? w.splineWeight : 1.0);
    }
    if (w.knotGiven && c.knots.size() < kMaxSplinePoints + kMaxSplineOrder) c.knots.push_back(w.knot);
    in.current = in.path.end;
    if (!first) {
        // What the curve's later blocks said goes with the curve.
        PathRecord& m = in.splineMotion;
        m.dwell += in.path.dwell;
        if (in.path.mCode >= 0) m.mCode = in.path.mCode;
        if (in.path.toolWord >= 0) m.toolWord = in.path.toolWord;
        if (m.error == kNcNoError) m.error = in.path.error;
    }
    if (!in.splineControlDone) return SplineStep::More;
    return c.knots.size() >= static_cast<std::size_t>(c.order) + c.control.size() ? SplineStep::Complete
                                                                                 : SplineStep::More;
}

void StartSpline(Interpreter& in) {
    in.spline = SplineCurve{};
    in.spline.order = in.words.orderGiven ? in.words.order : 4;
    in.splineCollecting = true;
    in.splineControlDone = false;
    in.splineMotion = in.path;
    in.splineMotion.start = in.queuedEnd;
    if (CollectSplineBlock(in, true) == SplineStep::Complete) QueueSpline(in);
}

void ExpandCycleBlock(Interpreter& in, const ControllerDef& ctl) {
    const PathRecord& p = in.path;
    CycleRequest req;
    req.code = in.cycle.code;
    req.first = p.first;
    req.second = p.second;
    req.third = p.third;
    req.current = p.start;
    req.hole = p.end;
    for (int a = 0; a < 3; ++a) req.planeIncrement[a] = p.end[a] - p.start[a];
    req.planeIncrement[p.third] = 0.0;
    req.rWord = in.cycle.rPoint;
    req.bottomWord = in.cycle.bottom;
    req.incremental = in.cycle.incremental;
    req.initialLevel = in.cycle.initialLevel;
    req.returnLevel = in.returnLevel;
    req.g71Level = in.g71Level;
    req.q = in.cycle.q;
    req.repeat = in.cycle.repeat;
    req.g73Return = ctl.g73Return;
    req.g83Clearance = ctl.g83Clearance;
    const int index = req.code - 70;
    req.clearance = index >= 0 && index < 20 ? ctl.cycleClearance[static_cast<std::size_t>(index)] : 0.0;
    req.singleFeed = in.setup.runMode == 2 || in.setup.runMode == 3;
    if (ctl.product == ProductFamily::Heidenhain) {
        // The cycle is called at the current point from its own initial level.
        req.hole = p.start;
        req.planeIncrement = Point{};
        req.rWord = in.cycle.initialLevel;
        req.incremental = false;
    }
    std::vector<QueuedMotion> holes;
    ExpandCycle(req, holes);
    in.cycle.repeat = 1;
    PathRecord e = p;
    for (const QueuedMotion& q : holes) {
        e.type = q.type;
        e.start = in.queuedEnd;
        e.end = q.end;
        QueueMotion(in, e);
        // Only the first piece carries the block's dwell, M code, T word and error.
        e.dwell = 0.0;
        e.mCode = -1;
        e.toolWord = -1;
        e.error = kNcNoError;
    }
    if (holes.empty()) {
        e.end = e.start;
        QueueMotion(in, e);
    }
    in.current = in.queuedEnd;
}

bool SplitsRapids(const Interpreter& in, const ControllerDef& ctl) {
    if (ctl.g00Mode == kG00Line || in.setup.checkOnly) return false;
    return !(ctl.g00PathLine && in.setup.runMode > 3);
}

void QueueRapid(Interpreter& in, const ControllerDef& ctl) {
    PathRecord e = in.path;
    const RapidAxes axes{in.setup.rapidRate, in.setup.rapidAccel};
    std::vector<Point> pieces;
    std::optional<Point> corner;
    if (ctl.g00Mode == kG00Unknown && in.setup.runMode < 4 && in.setup.rapidCorner) {
        corner = in.setup.rapidCorner(e.start, e.end);
    }
    SplitRapid(ctl.g00Mode, e.start, e.end, axes, in.setup.workPitch, corner ? &*corner : nullptr, pieces);
    // Without a corner both L-shaped routes are queued; the machine takes
    // one of them, so what their pieces meet is only possibly met. The
    // pieces that move Z alone are certain.
    const bool bothRoutes = ctl.g00Mode == kG00Unknown && !corner && e.start[0] != e.end[0] && e.start[1] != e.end[1];
    for (const Point& end : pieces) {
        e.possibleRoute = bothRoutes && (end[0] != e.start[0] || end[1] != e.start[1]);
        e.end = end;
        QueueMotion(in, e);
        e.start = end;
        e.dwell = 0.0;
        e.mCode = -1;
        e.toolWord = -1;
        e.error = kNcNoError;
    }
    e.possibleRoute = false;
}

}  // namespace

void ExpandBlock(Interpreter& in, ControllerDef& ctl) {
    PathRecord& p = in.path;
    if (in.splineCollecting) {
        const SplineStep step = in.motionMode == kSpline ? CollectSplineBlock(in, false) : SplineStep::NotPart;
        if (step == SplineStep::More) return;
        QueueSpline(in);
        if (step == SplineStep::Complete) return;
        // Another motion code, or a block of its own after the curve; it
        // starts where the curve ended.
        p.type = in.motionMode;
        p.start = in.queuedEnd;
    }
    const bool cycleBlock = IsCycleBlock(in, ctl);
    const bool spline = p.type == kSpline;
    if (CompensateBlock(in, ctl, cycleBlock || spline)) return;
    if (cycleBlock) {
        ExpandCycleBlock(in, ctl);
        return;
    }
    if (spline) {
        StartSpline(in);
        return;
    }
    in.current = p.end;
    if (p.type == kRapid && SplitsRapids(in, ctl) && in.cycle.code == kCycleNone) {
        QueueRapid(in, ctl);
        return;
    }
    if (in.queue.empty()) {
        // The usual block: its one motion is handed out from where it stands.
        in.queuedEnd = p.end;
        in.pathQueued = true;
        return;
    }
    QueueMotion(in, p);
}

void FinishAtProgramEnd(Interpreter& in, ControllerDef& ctl) {
    if (in.splineCollecting) QueueSpline(in);
    FinishCompensation(in, ctl);
}

}  // namespace morvex
