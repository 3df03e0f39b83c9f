// Radius compensation as a small state machine over the blocks read.
//
// Implementation notes: the element of the newest block that moves in the
// plane is held back (comp.held) until the next such block is read, because
// its end depends on the corner after it. Blocks in between that do not move
// in the plane are kept in comp.toolAxis and handed out after the held
// element, at its end point. When the next element arrives the corner is
// resolved: outside corners get connecting lines (or a G39 arc), inside
// corners cut both elements back to their meeting point, or get a connecting
// line and a radius-offset alarm when they do not meet.
//
// The over-offset alarm (error 7), with CHECK OVER OFFSET YES, is raised when
// a compensated line ends up running against its programmed direction: the
// start-up or cancelling line is shorter than the offset, so the tool would
// move back into the wall.
//
// With PRE READ n the states 3 and 4 stand for on and cancelling, and an
// inside corner whose elements do not meet is not closed at once: up to n
// following elements are read, and the first that meets the held element
// takes over from it; the elements in between would be cut away by the tool
// and are left out (no connecting line, no alarm). When none meets, or a
// block that does not move in the plane, G40 or the end comes first, the
// corners are resolved as without look-ahead. Rapids under compensation are offset like lines
// and not split. A cycle hole or a spline breaks the chain: the held element
// is handed out with its own offset end, and the next element is joined to
// the tool position by a straight line.
#include "nc/radius_compensation.h"

#include <algorithm>
#include <cmath>

#include "nc/nc_alarms.h"
#include "nc/offset_geometry.h"

namespace morvex {
namespace {

constexpr double kAlarmDeviation = 0.01;  // mm in a plane axis

bool On(int state) { return state == 1 || state == 3; }
bool Cancelling(int state) { return state == 2 || state == 4; }

// Elements the look-ahead may keep; PRE READ beyond the cap is held to it.
std::size_t LookAheadLimit(const ControllerDef& ctl) {
    return ctl.preRead > 0 ? std::min(static_cast<std::size_t>(ctl.preRead), kMaxQueuedPerBlock) : 0;
}

OffsetOptions OptionsOf(const ControllerDef& ctl) {
    return OffsetOptions{ctl.concaveArcFeed, ctl.lengthIncrement};
}

// Flags error 7 when a compensated line runs against its programmed direction.
void CheckDirection(const ControllerDef& ctl, const PathRecord& prog, PathRecord& comp) {
    if (!ctl.checkOverOffset || (comp.type != kLine && comp.type != kRapid)) return;
    const int a = prog.first;
    const int b = prog.second;
    const double dot = (comp.end[a] - comp.start[a]) * (prog.end[a] - prog.start[a]) +
                       (comp.end[b] - comp.start[b]) * (prog.end[b] - prog.start[b]);
    if (dot < 0.0 && comp.error == kNcNoError) comp.error = kNcOverOffset;
}

// A motion made by compensation itself carries none of the block's words.
void ClearBlockWords(PathRecord& e) {
    e.dwell = 0.0;
    e.mCode = -1;
    e.toolWord = -1;
    e.error = kNcNoError;
}

// A block that stays where it is in the plane, at the tool's offset position.
PathRecord AtToolPosition(const PathRecord& block, const Point& position) {
    PathRecord e = block;
    if (e.type == kArcCw || e.type == kArcCcw) e.type = kLine;  // an arc of no length
    e.start = position;
    e.end = position;
    e.end[block.third] = block.end[block.third];
    e.compensated = true;
    return e;
}

// Queues the held element and the blocks kept after it.
void ReleaseHeld(Interpreter& interp, const ControllerDef& ctl) {
    CompensationRun& comp = interp.comp;
    if (!comp.holding) return;
    CheckDirection(ctl, comp.heldProgrammed, comp.held);
    QueueMotion(interp, comp.held);
    for (const PathRecord& e : comp.toolAxis) QueueMotion(interp, AtToolPosition(e, interp.queuedEnd));
    comp.toolAxis.clear();
    comp.holding = false;
    comp.heldStartsUp = false;
}

// A connecting motion of the compensated path from the last queued point.
void QueueConnection(Interpreter& interp, const PathRecord& like, const Point& to, int type) {
    PathRecord e = like;
    ClearBlockWords(e);
    e.type = type;
    e.start = interp.queuedEnd;
    e.end = to;
    e.compensated = true;
    if (e.start != e.end) QueueMotion(interp, e);
}

void ListOffsetAlarm(Interpreter& interp, const ControllerDef& ctl, const Point& p, const Point& q, int a, int b,
                     int programLine, std::string_view block) {
    if (!ctl.radiusCheck || interp.setup.checkOnly) return;
    if (std::fabs(p[a] - q[a]) <= kAlarmDeviation && std::fabs(p[b] - q[b]) <= kAlarmDeviation) return;
    if (interp.setup.alarms == nullptr) return;
    WriteOffsetAlarm(*interp.setup.alarms, ctl.radiusCheckList, interp.comp.r, programLine, block);
}

// The corner between the held element and `cur` (both compensated). With
// look-ahead an inside corner that does not meet may defer `cur` into the
// look-ahead list instead (returns false: `cur` is not to be held).
bool ResolveCorner(Interpreter& interp, const ControllerDef& ctl, const PathRecord& curProgrammed, PathRecord& cur,
                   bool mayDefer, int programLine, std::string_view block) {
    CompensationRun& comp = interp.comp;
    const Point corner = comp.heldProgrammed.end;
    const int a = cur.first;
    const int b = cur.second;
    const bool arcRequested = interp.cornerArcRequested;
    interp.cornerArcRequested = false;
    if (comp.heldStartsUp && (comp.held.type == kLine || comp.held.type == kRapid)) {
        // The start-up line runs straight to where the next element starts.
        comp.held.end[a] = cur.start[a];
        comp.held.end[b] = cur.start[b];
        ReleaseHeld(interp, ctl);
        return true;
    }
    if (CornerIsOutside(comp.held, cur, comp.r)) {
        ReleaseHeld(interp, ctl);
        const double toolAxis = interp.queuedEnd[cur.third];
        if (arcRequested) {
            PathRecord arc = cur;
            ClearBlockWords(arc);
            arc.type = comp.r > 0.0 ? kArcCw : kArcCcw;
            arc.start = interp.queuedEnd;
            arc.end = cur.start;
            arc.end[cur.third] = toolAxis;
            arc.centre = corner;
            arc.compensated = true;
            ComputeArcQuantities(arc);
            QueueMotion(interp, arc);
            return true;
        }
        std::vector<Point> points;
        OutsideCornerPoints(interp.queuedEnd, cur.start, corner, comp.r, a, b, toolAxis, points);
        for (const Point& p : points) QueueConnection(interp, cur, p, kLine);
        return true;
    }
    if (SameInIncrements(comp.held.end, cur.start, a, b, ctl.lengthIncrement)) {
        ReleaseHeld(interp, ctl);
        return true;
    }
    if (MeetAtInsideCorner(comp.held, cur, corner)) {
        ReleaseHeld(interp, ctl);
        return true;
    }
    if (mayDefer && LookAheadLimit(ctl) > 0) {
        comp.ahead.push_back({curProgrammed, cur, programLine, std::string(block)});
        return false;
    }
    const Point p = comp.held.end;
    ReleaseHeld(interp, ctl);
    QueueConnection(interp, cur, cur.start, kLine);
    ListOffsetAlarm(interp, ctl, p, cur.start, a, b, programLine, block);
    return true;
}

void Hold(CompensationRun& comp, const PathRecord& programmed, const PathRecord& offset) {
    comp.heldProgrammed = programmed;
    comp.held = offset;
    comp.holding = true;
    comp.heldStartsUp = false;
}

// Gives up the look-ahead: the deferred elements follow the held one with
// their corners resolved as read, the first by a connecting line.
void Unwind(Interpreter& interp, const ControllerDef& ctl) {
    std::vector<LookAheadElement> pending;
    pending.swap(interp.comp.ahead);
    for (LookAheadElement& x : pending) {
        ResolveCorner(interp, ctl, x.programmed, x.offset, false, x.programLine, x.block);
        Hold(interp.comp, x.programmed, x.offset);
    }
}

// With elements deferred: when `e` meets the held element, the deferred
// ones lie inside the tool and are left out. Returns true when they met.
bool MeetPastDeferred(Interpreter& interp, const ControllerDef& ctl, const PathRecord& cur, PathRecord& e) {
    CompensationRun& comp = interp.comp;
    PathRecord held = comp.held;
    PathRecord next = e;
    if (!MeetAtInsideCorner(held, next, cur.start)) {
        comp.ahead.push_back({cur, e, interp.reader.programLine, interp.reader.block});
        if (comp.ahead.size() > LookAheadLimit(ctl)) Unwind(interp, ctl);
        return false;
    }
    comp.held = held;
    ReleaseHeld(interp, ctl);
    // The elements left out still say what their blocks said.
    for (const LookAheadElement& x : comp.ahead) {
        if (x.programmed.dwell > 0.0 || x.programmed.mCode >= 0 || x.programmed.toolWord >= 0 ||
            x.programmed.error != kNcNoError) {
            PathRecord stay = AtToolPosition(x.programmed, interp.queuedEnd);
            stay.end[stay.third] = interp.queuedEnd[stay.third];
            QueueMotion(interp, stay);
        }
    }
    comp.ahead.clear();
    e = next;
    return true;
}

// Offsets `prog` and flags a turned-over arc.
PathRecord Offset(Interpreter& interp, const ControllerDef& ctl, const PathRecord& prog, int mode,
                  const Point& previousEnd) {
    PathRecord comp;
    const bool reversed = OffsetElement(prog, interp.comp.r, mode, previousEnd, OptionsOf(ctl), comp);
    if (reversed && ctl.checkReverseArc && comp.error == kNcNoError) comp.error = kNcReverseArc;
    return comp;
}

bool MovesOnlyToolAxis(const PathRecord& e) {
    return !MovesInPlane(e) && e.start[e.third] != e.end[e.third];
}

// The cancelling element from the tool position to the programmed end.
void Cancel(Interpreter& interp, const ControllerDef& ctl, const PathRecord& prog) {
    CompensationRun& comp = interp.comp;
    PathRecord e = Offset(interp, ctl, prog, kOffsetCancel, comp.position);
    e.start = comp.position;
    CheckDirection(ctl, prog, e);
    QueueMotion(interp, e);
    comp.state = 0;
}

bool TakeWhileCancelling(Interpreter& interp, const ControllerDef& ctl, PathRecord& cur) {
    CompensationRun& comp = interp.comp;
    const int g = interp.words.nonModalG;
    if (MovesInPlane(cur) || (ctl.g40Mode == 2 && MovesOnlyToolAxis(cur)) || g == 52 || g == 53) {
        Cancel(interp, ctl, cur);
        return true;
    }
    // Still offset: the tool moves along its axis where it stands.
    const PathRecord e = AtToolPosition(cur, comp.position);
    QueueMotion(interp, e);
    comp.position = e.end;
    return true;
}

bool TakeWhileOn(Interpreter& interp, const ControllerDef& ctl, PathRecord& cur) {
    CompensationRun& comp = interp.comp;
    const int cancelling = ctl.preRead > 0 ? 4 : 2;
    if (comp.request == 40) {
        comp.state = cancelling;
        if (MovesInPlane(cur)) {
            const Point previousEnd = comp.holding ? comp.held.end : interp.queuedEnd;
            PathRecord e = Offset(interp, ctl, cur, kOffsetCancel, previousEnd);
            if (comp.holding && (e.type == kArcCw || e.type == kArcCcw)) {
                ResolveCorner(interp, ctl, cur, e, false, interp.reader.programLine, interp.reader.block);
            } else {
                ReleaseHeld(interp, ctl);
            }
            e.start = interp.queuedEnd;
            CheckDirection(ctl, cur, e);
            QueueMotion(interp, e);
            comp.state = 0;
            return true;
        }
        ReleaseHeld(interp, ctl);
        comp.position = interp.queuedEnd;
        return TakeWhileCancelling(interp, ctl, cur);
    }
    if (!MovesInPlane(cur)) {
        if (comp.holding) {
            if (comp.toolAxis.size() < kMaxQueuedPerBlock) {
                comp.toolAxis.push_back(cur);
                return true;
            }
            ReleaseHeld(interp, ctl);
        }
        if (comp.startPending) return false;
        QueueMotion(interp, AtToolPosition(cur, interp.queuedEnd));  // the tool stays offset
        return true;
    }
    const int mode = comp.startPending ? kOffsetStart : kOffsetInside;
    PathRecord e = Offset(interp, ctl, cur, mode, interp.queuedEnd);
    if (!comp.ahead.empty()) {
        if (!MeetPastDeferred(interp, ctl, cur, e)) return true;
    } else if (comp.holding) {
        if (!ResolveCorner(interp, ctl, cur, e, true, interp.reader.programLine, interp.reader.block)) return true;
    } else if (!comp.startPending) {
        QueueConnection(interp, e, e.start, e.type == kRapid ? kRapid : kLine);
    }
    Hold(comp, cur, e);
    comp.heldStartsUp = comp.startPending;
    comp.startPending = false;
    return true;
}

}  // namespace

bool CompensateBlock(Interpreter& interp, ControllerDef& ctl, bool chainBreak) {
    CompensationRun& comp = interp.comp;
    PathRecord& cur = interp.path;
    const int request = comp.request;
    if (comp.state == 0) {
        if (request != 41 && request != 42) return false;
        comp.state = ctl.preRead > 0 ? 3 : 1;
        comp.startPending = true;
    } else if (Cancelling(comp.state) && (request == 41 || request == 42)) {
        // Back on before the cancellation finished: the next element is
        // joined from where the tool stands.
        comp.state = ctl.preRead > 0 ? 3 : 1;
        comp.startPending = false;
    } else if (!On(comp.state) && !Cancelling(comp.state)) {
        return false;
    }
    if (On(comp.state) && request != 40) comp.r = interp.radiusSign * interp.radiusOffset;
    if (!comp.ahead.empty() && (chainBreak || request == 40 || !MovesInPlane(cur))) Unwind(interp, ctl);
    if (chainBreak) {
        // A cycle or a spline starts from where the tool stands; a
        // cancellation still waiting for its element ends there.
        ReleaseHeld(interp, ctl);
        if (Cancelling(comp.state)) comp.state = 0;
        return false;
    }
    bool taken = false;
    if (On(comp.state)) {
        taken = TakeWhileOn(interp, ctl, cur);
    } else {
        taken = TakeWhileCancelling(interp, ctl, cur);
    }
    if (taken) interp.current = cur.end;
    return taken;
}

void FinishCompensation(Interpreter& interp, const ControllerDef& ctl) {
    CompensationRun& comp = interp.comp;
    Unwind(interp, ctl);
    ReleaseHeld(interp, ctl);
    if (Cancelling(comp.state) && ctl.g40Mode == 1) {
        PathRecord e = interp.path;
        e.type = interp.motionMode == kRapid ? kRapid : kLine;
        e.start = interp.queuedEnd;
        e.end = interp.current;
        e.dwell = 0.0;
        e.mCode = -1;
        e.toolWord = -1;
        if (e.start != e.end) QueueMotion(interp, e);
    }
    comp.state = 0;
}

}  // namespace morvex
