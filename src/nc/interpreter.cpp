// The interpreter's drive: program start, the motion queues, reading the next
// block with the program start and end marks, and the tool-frame conversion.
#include "nc/interpreter.h"

#include <cmath>

#include "nc/motion_expansion.h"
#include "nc/plane.h"
#include "nc/radius_compensation.h"

namespace morvex {
namespace {

void Shift(Point& p, const Point& delta) {
    for (int a = 0; a < 3; ++a) p[a] += delta[a];
}

void Shift(PathRecord& e, const Point& delta) {
    Shift(e.start, delta);
    Shift(e.end, delta);
    Shift(e.centre, delta);
}

// A new local shift: every point still to be handed out, and the points
// the next motions start from, are expressed in the shifted system.
void ApplyPendingOffsetChange(Interpreter& interp) {
    if (!interp.offsetChangePending) return;
    ShiftProgramPoints(interp, interp.offsetChange);
    interp.offsetChange = Point{};
    interp.offsetChangePending = false;
}

// Made in the work system before a pending change (a motion handed out
// while it waits, or the one whose hand-out applies it): converted into
// the system in force, which the run places it with.
Point FrameShiftOf(const Interpreter& interp) { return interp.offsetChangePending ? interp.offsetChange : Point{}; }

}  // namespace

void ShiftProgramPoints(Interpreter& interp, const Point& d) {
    Shift(interp.current, d);
    Shift(interp.lastProgrammed, d);
    Shift(interp.queuedEnd, d);
    Shift(interp.scaling.centre, d);
    CompensationRun& comp = interp.comp;
    Shift(comp.position, d);
    Shift(comp.held, d);
    Shift(comp.heldProgrammed, d);
    for (PathRecord& e : comp.toolAxis) Shift(e, d);
    for (LookAheadElement& x : comp.ahead) {
        Shift(x.programmed, d);
        Shift(x.offset, d);
    }
}

void ShiftToolPoints(Interpreter& interp, const Point& d) {
    Shift(interp.lastToolEnd, d);
    Shift(interp.rotation.centre, d);
    Shift(interp.mirror.coordinate, d);
}

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
    const InterpreterSetup setup = interp.setup;
    interp = Interpreter{};
    interp.reader = std::move(reader);
    interp.trackCodes = track;
    interp.setup = setup;
    ResetBlockReader(interp.reader, ctl);
    const ModuleSession& module = interp.reader.module;
    const Point begin = module.reading() && module.hasStart()
                            ? Point{module.start()[0], module.start()[1], module.start()[2]}
                            : start;

    const PlaneAxes axes = PlaneOf(ctl, ctl.initialPlane);
    interp.plane = axes.plane;
    interp.first = axes.first;
    interp.second = axes.second;
    interp.third = axes.third;
    interp.workSystem = ctl.product == ProductFamily::Standard ? 1 : 0;
    interp.workOffset = WorkOffsetOf(interp, ctl, interp.workSystem);
    interp.returnLevel = ctl.returnLevel;
    interp.rotation.angle = ctl.rotationAngle;
    interp.startPosition = begin;
    interp.current = begin;
    interp.lastProgrammed = begin;
    interp.lastToolEnd = begin;
    interp.queuedEnd = begin;
    interp.path = PathRecord{};
    interp.path.start = begin;
    interp.path.end = begin;
    interp.path.toolEnd = begin;
}

void QueueMotion(Interpreter& interp, const PathRecord& motion) {
    interp.queuedEnd = motion.end;
    interp.queue.push_back(motion);
}

BlockRead ReadProgrammedBlock(Interpreter& interp, ControllerDef& ctl, const ToolWordForm& tools) {
    BlockReader& reader = interp.reader;
    if (reader.endState == EndState::EndReached) return BlockRead::End;
    if (IsReadError(reader.pendingError)) return BlockRead::Error;
    if (reader.module.reading()) {
        const int read = ReadModuleBlock(interp, ctl);
        if (read < 0) return BlockRead::Error;
        if (read == 0) return BlockRead::End;
        if (reader.pendingError == kNcArcRadius || reader.pendingError == kNcZeroFeed) {
            interp.path.error = reader.pendingError;
            reader.pendingError = kNcNoError;
        }
        return BlockRead::Block;
    }
    while (true) {
        if (!ReadNextBlock(reader, ctl)) {
            if (reader.pendingError != kNcNoError) return BlockRead::Error;
            if (reader.programState == ProgramState::WaitingForStart) {
                reader.pendingError = kNcNoStartCode;
                return BlockRead::Error;
            }
            reader.endState = EndState::EndReached;
            return BlockRead::End;
        }
        const bool mark = IsRecordMark(reader.block, ctl.endOfRecord);
        if (reader.programState == ProgramState::WaitingForStart) {
            if (mark) reader.programState = ProgramState::InProgram;
            continue;
        }
        if (mark) {
            reader.endState = EndState::EndReached;
            return BlockRead::End;
        }
        break;
    }
    InterpretBlock(interp, ctl, tools);
    reader.motionLine = reader.programLine;
    interp.path.line = reader.motionLine;
    interp.path.stopMarks = StopMarksOf(reader.block, ctl);
    // An arc or feed error travels with the block's motion, which may be
    // handed out later (radius compensation holds it back).
    if (reader.pendingError == kNcArcRadius || reader.pendingError == kNcZeroFeed) {
        interp.path.error = reader.pendingError;
        reader.pendingError = kNcNoError;
    }
    return BlockRead::Block;
}

MotionResult NextMotion(Interpreter& interp, ControllerDef& ctl, const ToolWordForm& tools) {
    // The error of the motion handed out last has been seen by the caller.
    if (!IsReadError(interp.reader.pendingError)) interp.reader.pendingError = kNcNoError;
    while (true) {
        if (interp.pathQueued) {
            interp.pathQueued = false;
            interp.reader.pendingError = interp.path.error;
            interp.frameShift = FrameShiftOf(interp);
            ApplyPendingOffsetChange(interp);
            return MotionResult::Motion;
        }
        if (!interp.queue.empty()) {
            interp.path = interp.queue.front();
            interp.queue.pop_front();
            interp.reader.pendingError = interp.path.error;
            interp.frameShift = FrameShiftOf(interp);
            if (interp.queue.empty()) ApplyPendingOffsetChange(interp);
            return MotionResult::Motion;
        }
        ApplyPendingOffsetChange(interp);
        if (interp.endAfterQueue) return MotionResult::End;
        const BlockRead read = ReadProgrammedBlock(interp, ctl, tools);
        if (read == BlockRead::Error) return MotionResult::Error;
        if (read == BlockRead::End) {
            FinishAtProgramEnd(interp, ctl);
            interp.endAfterQueue = true;
            continue;
        }
        ExpandBlock(interp, ctl);
    }
}

void ToToolFrame(Interpreter& interp) {
    PathRecord& p = interp.path;
    p.toolStart = interp.lastToolEnd;
    RotationState& rot = interp.rotation;
    const Point& shift = interp.frameShift;
    if (rot.mode == RotationMode::Cancelling) {
        // The tool stays where the rotated program left it: the programmed
        // point follows the tool instead (in the system the motion was made
        // in; the current point in the one it is in now).
        for (const int a : {rot.first, rot.second}) {
            p.end[a] = p.toolStart[a] - shift[a];
            interp.current[a] = interp.offsetChangePending ? p.end[a] : p.toolStart[a];
            interp.lastProgrammed[a] = interp.current[a];
        }
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
    Shift(e, shift);
    Shift(c, shift);
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
            // One plane axis mirrored turns the arc the other way round. The
            // compensated and rotated path is mirrored as a whole, so the
            // offset side and the rotation need no change of their own.
            p.type = p.type == kArcCw ? kArcCcw : kArcCw;
        }
    }
    p.toolEnd = e;
    p.toolCentre = c;
    interp.lastToolEnd = e;
}

}  // namespace morvex
