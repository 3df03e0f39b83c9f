// The interpreter's drive: program start, the motion queues, reading the next
// block with the program start and end marks, and the tool-frame conversion.
#include "nc/interpreter.h"

#include <cmath>

#include "nc/plane.h"

namespace morvex {
namespace {

// Hands out a queued motion from the current point.
void HandOut(Interpreter& interp, const QueuedMotion& q, int type) {
    PathRecord& p = interp.path;
    p.start = interp.current;
    p.end = q.end;
    p.type = type;
    p.compensated = false;
    p.dwell = 0.0;
    p.mCode = -1;
    p.toolWord = -1;
    if (type == kArcCw || type == kArcCcw) {
        p.centre = q.centre;
        ComputeArcQuantities(p);
    }
    interp.current = p.end;
}

void ApplyPendingOffsetChange(Interpreter& interp) {
    if (!interp.offsetChangePending) return;
    for (int a = 0; a < 3; ++a) {
        interp.current[a] += interp.offsetChange[a];
        interp.lastProgrammed[a] += interp.offsetChange[a];
    }
    interp.offsetChange = Point{};
    interp.offsetChangePending = false;
}

}  // namespace

Point WorkOffsetOf(const Interpreter& interp, const ControllerDef& ctl, int workSystem) {
    Point offset{ctl.work[0].x, ctl.work[0].y, ctl.work[0].z};
    if (workSystem > 0 && workSystem < kWorkEntries) {
        const WorkCoordinate& w = ctl.work[static_cast<std::size_t>(workSystem)];
        offset[0] += w.x;
        offset[1] += w.y;
        offset[2] += w.z;
    }
    if (workSystem >= 0 && workSystem < kWorkEntries) {
        const Point& shift = interp.localShift[static_cast<std::size_t>(workSystem)];
        for (int a = 0; a < 3; ++a) offset[a] += shift[a];
    }
    return offset;
}

void StartProgram(Interpreter& interp, const ControllerDef& ctl, const Point& start) {
    BlockReader reader = std::move(interp.reader);
    const bool track = interp.trackCodes;
    interp = Interpreter{};
    interp.reader = std::move(reader);
    interp.trackCodes = track;
    ResetBlockReader(interp.reader, ctl);

    const PlaneAxes axes = PlaneOf(ctl, ctl.initialPlane);
    interp.plane = axes.plane;
    interp.first = axes.first;
    interp.second = axes.second;
    interp.third = axes.third;
    interp.workSystem = ctl.product == ProductFamily::Standard ? 1 : 0;
    interp.workOffset = WorkOffsetOf(interp, ctl, interp.workSystem);
    interp.returnLevel = ctl.returnLevel;
    interp.rotation.angle = ctl.rotationAngle;
    interp.startPosition = start;
    interp.current = start;
    interp.lastProgrammed = start;
    interp.lastToolEnd = start;
    interp.path = PathRecord{};
    interp.path.start = start;
    interp.path.end = start;
    interp.path.toolEnd = start;
}

MotionResult NextMotion(Interpreter& interp, ControllerDef& ctl, const ToolWordForm& tools) {
    BlockReader& reader = interp.reader;
    if (!interp.rapidQueue.empty()) {
        HandOut(interp, interp.rapidQueue.front(), kRapid);
        interp.rapidQueue.pop_front();
        return MotionResult::Motion;
    }
    if (!interp.toolAxisQueue.empty()) {
        HandOut(interp, interp.toolAxisQueue.front(), interp.toolAxisQueue.front().type);
        interp.toolAxisQueue.pop_front();
        if (interp.toolAxisQueue.empty()) ApplyPendingOffsetChange(interp);
        return MotionResult::Motion;
    }
    if (!interp.compensationQueue.empty()) {
        HandOut(interp, interp.compensationQueue.front(), interp.compensationQueue.front().type);
        interp.compensationQueue.pop_front();
        if (interp.compensationQueue.empty()) ApplyPendingOffsetChange(interp);
        return MotionResult::Motion;
    }
    ApplyPendingOffsetChange(interp);
    reader.motionsQueued = false;
    if (reader.endState == EndState::EndPending) reader.endState = EndState::EndReached;
    if (reader.endState == EndState::EndReached) return MotionResult::End;
    if (reader.pendingError >= kNcNoStartCode) return MotionResult::Error;

    while (true) {
        if (!ReadNextBlock(reader, ctl)) {
            if (reader.pendingError != kNcNoError) return MotionResult::Error;
            if (reader.programState == ProgramState::WaitingForStart) {
                reader.pendingError = kNcNoStartCode;
                return MotionResult::Error;
            }
            return MotionResult::End;
        }
        const bool mark = IsRecordMark(reader.block, ctl.endOfRecord);
        if (reader.programState == ProgramState::WaitingForStart) {
            if (mark) reader.programState = ProgramState::InProgram;
            continue;
        }
        if (mark) {
            reader.endState = EndState::EndReached;
            return MotionResult::End;
        }
        break;
    }
    // A pending arc or feed error of the previous motion does not outlive it.
    if (reader.pendingError == kNcArcRadius || reader.pendingError == kNcZeroFeed) {
        reader.pendingError = kNcNoError;
    }
    InterpretBlock(interp, ctl, tools);
    reader.motionLine = reader.programLine;
    interp.path.line = reader.motionLine;
    interp.current = interp.path.end;
    return MotionResult::Motion;
}

void ToToolFrame(Interpreter& interp) {
    PathRecord& p = interp.path;
    p.toolStart = interp.lastToolEnd;
    RotationState& rot = interp.rotation;
    if (rot.mode == RotationMode::Cancelling) {
        // The tool stays where the rotated program left it: the programmed
        // point follows the tool instead.
        p.end[rot.first] = p.toolStart[rot.first];
        p.end[rot.second] = p.toolStart[rot.second];
        interp.current[rot.first] = p.end[rot.first];
        interp.current[rot.second] = p.end[rot.second];
        interp.lastProgrammed[rot.first] = p.end[rot.first];
        interp.lastProgrammed[rot.second] = p.end[rot.second];
        p.toolEnd = p.toolStart;
        rot.mode = RotationMode::Off;
        interp.lastToolEnd = p.toolEnd;
        return;
    }
    constexpr double kZero = 0.000001;
    Point e = p.end;
    Point c = p.centre;
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(e[a]) < kZero) e[a] = 0.0;
    }
    if (interp.lengthSign != 0) {
        e[p.third] += interp.lengthOffset;
        c[p.third] += interp.lengthOffset;
    }
    const bool arc = p.type == kArcCw || p.type == kArcCcw;
    if (rot.mode == RotationMode::Active) {
        const int a = rot.first;
        const int b = rot.second;
        auto rotate = [&](Point& q) {
            const double da = q[a] - rot.centre[a];
            const double db = q[b] - rot.centre[b];
            q[a] = rot.centre[a] + da * rot.cosine - db * rot.sine;
            q[b] = rot.centre[b] + da * rot.sine + db * rot.cosine;
        };
        rotate(e);
        if (arc) {
            rotate(c);
            const double da = p.startDir[a];
            const double db = p.startDir[b];
            p.startDir[a] = da * rot.cosine - db * rot.sine;
            p.startDir[b] = da * rot.sine + db * rot.cosine;
        }
    }
    if (interp.mirror.on) {
        for (int m = 0; m < 3; ++m) {
            if (!interp.mirror.axis[static_cast<std::size_t>(m)]) continue;
            e[m] = 2.0 * interp.mirror.coordinate[m] - e[m];
            if (arc) {
                c[m] = 2.0 * interp.mirror.coordinate[m] - c[m];
                p.startDir[m] = -p.startDir[m];
            }
        }
        const bool mirrorFirst = interp.mirror.axis[static_cast<std::size_t>(p.first)];
        const bool mirrorSecond = interp.mirror.axis[static_cast<std::size_t>(p.second)];
        if (arc && mirrorFirst != mirrorSecond) {
            // One plane axis mirrored turns the arc the other way round.
            p.type = p.type == kArcCw ? kArcCcw : kArcCw;
            interp.radiusSign = -interp.radiusSign;
            rot.angle = -rot.angle;
            rot.sine = -rot.sine;
        }
    }
    p.toolEnd = e;
    p.toolCentre = c;
    interp.lastToolEnd = e;
}

}  // namespace morvex
