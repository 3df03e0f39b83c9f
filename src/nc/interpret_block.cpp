// Acting on the words of one block: coordinates, arc centres, G codes and the
// other addresses, then the end-of-block steps (rotation, arc centre and
// quantities, coordinate setting, offsets and the feed check).
//
// Implementation notes: words act at once, left to right, so a G code that
// changes how coordinates are taken (G52, G92, G51, G68, G10) acts on the
// axis words after it in the block, as NC programs write them. Positions are
// kept per machine axis; the plane axes index into them.
#include <algorithm>
#include <cmath>

#include "nc/plane.h"
#include "nc/definition_reader.h"
#include "nc/interpreter.h"
#include "nc/word_reader.h"

namespace morvex {
namespace {

constexpr double kDegToRad = 0.0174532925199433;

struct Scan {
    Interpreter& in;
    ControllerDef& ctl;
    const ToolWordForm& tools;
    std::string_view block;
    std::size_t cursor = 0;
};

bool IsStandard(const ControllerDef& ctl) { return ctl.product == ProductFamily::Standard; }
bool IsOsp(const ControllerDef& ctl) { return ctl.product == ProductFamily::Osp; }
bool IsHeidenhain(const ControllerDef& ctl) { return ctl.product == ProductFamily::Heidenhain; }

// Machine axis driven by an axis letter, or -1.
int AxisOfLetter(const ControllerDef& ctl, char c) {
    for (int m = 0; m < 3; ++m) {
        if (ctl.axisLetters[static_cast<std::size_t>(m)] == c) return m;
    }
    return -1;
}

int AxisOfCentreLetter(const ControllerDef& ctl, char c) {
    for (int m = 0; m < 3; ++m) {
        if (ctl.centreLetters[static_cast<std::size_t>(m)] == c) return m;
    }
    return -1;
}

// The sign flag of the NC code (X, Y or Z) whose letter drives machine axis m.
bool Reversed(const ControllerDef& ctl, int m) {
    const char letter = ctl.axisLetters[static_cast<std::size_t>(m)];
    if (letter < 'X' || letter > 'Z') return false;
    return ctl.axisReversed[static_cast<std::size_t>(letter - 'X')];
}

double Coordinate(Scan& s) {
    return ReadCoordinateWord(s.block, s.cursor, s.in.reader.decimalPoint, s.ctl.lengthIncrement);
}

bool CycleActive(const Interpreter& in) { return in.cycle.code != kCycleNone; }

void SetPlane(Interpreter& in, const ControllerDef& ctl, int code) {
    const PlaneAxes axes = PlaneOf(ctl, code);
    in.plane = axes.plane;
    in.first = axes.first;
    in.second = axes.second;
    in.third = axes.third;
}

// What a kept point's coordinates change by when the work offset in force
// becomes `next` and the tool stays where it is.
Point RenamingTo(const Interpreter& in, const Point& next) {
    return {in.workOffset[0] - next[0], in.workOffset[1] - next[1], in.workOffset[2] - next[2]};
}

// Selects a work system and converts the current point into it.
void SelectWorkSystem(Interpreter& in, const ControllerDef& ctl, int workSystem) {
    if (workSystem < 0 || workSystem >= kWorkEntries) return;
    const Point next = WorkOffsetOf(in, ctl, workSystem);
    const Point delta = RenamingTo(in, next);
    ShiftProgramPoints(in, delta);
    ShiftToolPoints(in, delta);  // the tool stays where it is
    for (int a = 0; a < 3; ++a) {
        in.path.start[a] += delta[a];
        if (!in.words.axisGiven[static_cast<std::size_t>(a)]) in.path.end[a] += delta[a];
    }
    in.workOffset = next;
    in.workSystem = workSystem;
}

void CancelCycle(Interpreter& in) {
    in.cycle.code = kCycleNone;
    in.cycle.rPoint = 0.0;
    in.cycle.rGiven = false;
}

void StartCycle(Interpreter& in, int code) {
    in.cycle.code = code;
    in.cycle.initialLevel = in.current[in.third];
    in.cycle.repeat = 1;
    in.cycle.incremental = in.incremental;
}

double OffsetOf(const OffsetValue& v) { return static_cast<double>(v.value) + v.second; }

void ActOnG(Scan& s) {
    Interpreter& in = s.in;
    const ControllerDef& ctl = s.ctl;
    int code = 0;
    int suffix = 0;
    ReadGCodeWord(s.block, s.cursor, code, suffix);
    if (IsOsp(ctl) && (code == 274 || code == 283 || code == 284)) code -= 200;
    if (in.trackCodes && code >= 0 && code < kTrackedCodes) in.usedG[static_cast<std::size_t>(code)] = true;
    BlockWords& w = in.words;
    switch (code) {
    case 0:
    case 1:
    case 2:
    case 3:
        in.motionMode = code;
        if (in.plane < 0 && (code == kArcCw || code == kArcCcw)) in.motionMode = 5 - code;
        CancelCycle(in);
        break;
    case 4: w.nonModalG = 4; break;
    case 6:
    case 132:
        if (code == 132 || suffix == 2) {
            in.motionMode = kSpline;
            in.knotLetter = code == 132 ? 'Q' : 'K';
            CancelCycle(in);
        }
        break;
    case 10:
        if (IsStandard(ctl) && ctl.g10Mode != 0) {
            w.g10 = true;
            w.nonModalG = 10;
        }
        break;
    case 15:
    case 16:
        if (IsOsp(ctl)) in.ospWorkSelect = true;
        break;
    case 17:
    case 18:
    case 19: SetPlane(in, ctl, code); break;
    case 39: in.cornerArcRequested = true; break;
    case 40:
        in.radiusSign = 0;
        in.comp.request = 40;
        break;
    case 41:
    case 42:
        in.comp.request = code;
        in.radiusSign = code == 41 ? 1 : -1;
        if (in.plane < 0) in.radiusSign = -in.radiusSign;
        if (IsHeidenhain(ctl) && in.tool >= 0 && in.tool < kOffsetNumbers) {
            in.radiusOffset = OffsetOf(ctl.dOffsets[static_cast<std::size_t>(in.tool)]);
        }
        break;
    case 43:
    case 44:
        if (IsStandard(ctl)) in.lengthSign = code == 43 ? 1 : -1;
        break;
    case 49:
        if (IsStandard(ctl)) {
            w.g49 = true;
            if (ctl.g49Mode == 1 && in.lengthSign != 0) in.keptOffset = 1;
            in.lengthSign = 0;
        }
        break;
    case 50:
        if (suffix == 1) {
            if (IsStandard(ctl)) w.g50_1 = true;
        } else {
            in.scaling.on = false;
        }
        break;
    case 51:
        if (suffix == 1) {
            if (IsStandard(ctl)) w.g51_1 = true;
            break;
        }
        w.g51 = true;
        in.scaling.on = true;
        in.scaling.centre = in.current;
        for (int a = 0; a < 3; ++a) {
            const bool effect = ctl.scaleEffect[static_cast<std::size_t>(a)];
            in.scaling.factor[a] = IsOsp(ctl) ? 1.0 : (effect ? ctl.scale[static_cast<std::size_t>(a)] : 1.0);
        }
        break;
    case 52:
        if (IsStandard(ctl)) w.nonModalG = 52;
        break;
    case 53:
        if (IsOsp(ctl)) {
            in.lengthSign = 0;
        } else if (IsStandard(ctl)) {
            w.nonModalG = 53;
            // Machine coordinates have no incremental form: the block ends here.
            if (in.incremental) w.stopReading = true;
        }
        break;
    case 54:
    case 55:
    case 57:
    case 58:
    case 59:
    case 56:
        if (code == 56 && IsOsp(ctl)) {
            in.lengthSign = 1;
        } else if (IsStandard(ctl)) {
            if (code == 54 && suffix == 1) {
                SelectWorkSystem(in, ctl, 7);
            } else {
                SelectWorkSystem(in, ctl, code - 53);
                w.g54 = code == 54;
            }
        }
        break;
    case 65:
    case 66:
    case 67: w.stopReading = true; break;
    case 68:
        if (IsStandard(ctl)) {
            w.g68 = true;
            in.rotation.mode = RotationMode::Requested;
            in.rotation.centre = in.current;  // the angle stays the last one given
        }
        break;
    case 69:
        if (IsStandard(ctl)) {
            in.rotation.mode = in.rotation.mode == RotationMode::Active ? RotationMode::Cancelling
                                                                       : RotationMode::Off;
        }
        break;
    case 73:
    case 74:
    case 76:
    case 81:
    case 82:
    case 83:
    case 84:
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
        // The HEIDENHAIN family only defines the cycle here; M99 calls it.
        StartCycle(in, code);
        break;
    case 70:
    case 71:
    case 72:
    case 75:
    case 77:
    case 78:
    case 79:
        if (code == 71 && IsOsp(ctl)) {
            in.g71Pending = true;
        } else {
            CancelCycle(in);
        }
        break;
    case 80: CancelCycle(in); break;
    case 90: in.incremental = false; break;
    case 91: in.incremental = true; break;
    case 92: w.nonModalG = 92; break;
    case 98: in.returnLevel = 1; break;
    case 99: in.returnLevel = 0; break;
    default: break;
    }
}

void ActOnAxis(Scan& s, int m) {
    Interpreter& in = s.in;
    BlockWords& w = in.words;
    double v = Coordinate(s);
    if (Reversed(s.ctl, m)) v = -v;
    const auto mi = static_cast<std::size_t>(m);
    w.axisGiven[mi] = true;
    w.axisValue[m] = v;
    if (w.nonModalG == 52) {
        Point& shift = in.localShift[static_cast<std::size_t>(in.workSystem)];
        shift[m] = in.incremental ? shift[m] + v : v;
        return;
    }
    if (w.g51) {
        in.scaling.centre[m] = v;
        return;
    }
    if (w.g68) {
        in.rotation.centre[m] = v;
        return;
    }
    if (w.g10 || w.nonModalG == 53) return;  // taken at the end of the block
    if (w.g51_1 || w.g50_1) {
        in.mirror.axis[mi] = w.g51_1;
        in.mirror.coordinate[m] = v;
        in.mirror.on = in.mirror.axis[0] || in.mirror.axis[1] || in.mirror.axis[2];
        return;
    }
    if (in.g71Pending && m == in.third) {
        in.g71Level = v;
        in.g71Pending = false;
        return;
    }
    if (CycleActive(in) && m == in.third) {
        in.cycle.bottom = v;
        in.cycle.bottomGiven = true;
        return;
    }
    const bool g92 = w.nonModalG == 92;
    if (in.incremental && !g92) v += in.lastProgrammed[m];
    in.lastProgrammed[m] = v;
    if (in.scaling.on && !g92) v = in.scaling.centre[m] + (v - in.scaling.centre[m]) * in.scaling.factor[m];
    in.path.end[m] = v;
}

void ActOnCentre(Scan& s, int m) {
    Interpreter& in = s.in;
    double v = Coordinate(s);
    if (Reversed(s.ctl, m)) v = -v;
    if (in.scaling.on) v *= in.scaling.factor[m];
    in.words.ijk[m] = v;
    in.words.ijkGiven = true;
}

double FeedOf(Scan& s) {
    int characters = 0;
    const double value = ReadFeedWord(s.block, s.cursor, characters);
    const int mode = s.ctl.feedMode;
    const bool fromTable = mode == 1 || (mode == 2 && characters <= 1) || (mode == 3 && characters <= 2);
    if (!fromTable) return value;
    const int index = TruncateToInt(value);
    return index >= 0 && index < kOffsetNumbers ? s.ctl.fTable[static_cast<std::size_t>(index)] : 0.0;
}

int OffsetNumber(Scan& s) {
    const int n = ReadIntegerWord(s.block, s.cursor);
    return n >= 0 && n < kOffsetNumbers ? n : 0;
}

void ActOnToolWord(Scan& s) {
    Interpreter& in = s.in;
    const int word = ReadIntegerWord(s.block, s.cursor);
    in.path.toolWord = word;
    if (!s.tools.withOffsetDigits) {
        in.tool = word;
        return;
    }
    int divisor = 1;
    for (int i = 0; i < s.tools.offsetDigits && i < 9; ++i) divisor *= 10;
    in.tool = word / divisor;
    const int h = word % divisor;
    if (h > 0 && h < kOffsetNumbers) {
        in.lengthSign = 1;
        in.lengthNumber = h;
    } else {
        if (s.ctl.g49Mode == 1 && in.lengthSign != 0) in.keptOffset = 1;
        in.lengthSign = 0;
        in.lengthNumber = 0;
    }
}

void ActOnM(Scan& s) {
    Interpreter& in = s.in;
    const int m = ReadIntegerWord(s.block, s.cursor);
    in.mCode = m;
    if (in.trackCodes && m >= 0 && m < kTrackedCodes) in.usedM[static_cast<std::size_t>(m)] = true;
    if (IsOsp(s.ctl)) {
        if (m == 52) in.returnLevel = 1;
        if (m == 53) in.returnLevel = 2;
        if (m == 54) in.returnLevel = 0;
    }
    if (IsHeidenhain(s.ctl) && m == 99) in.words.heidenhainCycleCall = true;
}

// The weight, knot and order words of a spline block.
bool ActOnSplineWord(Scan& s, char letter) {
    BlockWords& w = s.in.words;
    if (letter == 'R') {
        w.splineWeight = ReadScaledWord(s.block, s.cursor, 1);
        w.splineWeightGiven = true;
        return true;
    }
    if (letter == s.in.knotLetter) {
        w.knot = ReadScaledWord(s.block, s.cursor, 1);
        w.knotGiven = true;
        return true;
    }
    if (letter == 'P' && w.nonModalG != 4) {  // G04 P is still a dwell
        w.order = ReadIntegerWord(s.block, s.cursor);
        w.orderGiven = true;
        return true;
    }
    return false;
}

void ActOnWord(Scan& s, char letter) {
    Interpreter& in = s.in;
    ControllerDef& ctl = s.ctl;
    BlockWords& w = in.words;
    if (letter == 'G') return ActOnG(s);
    if (in.motionMode == kSpline && ActOnSplineWord(s, letter)) return;
    if (letter == 'X' && w.nonModalG == 4 && IsStandard(ctl)) {
        in.path.dwell = ReadTimeWord(s.block, s.cursor);  // G04 X: dwell, not a move
        return;
    }
    if (const int m = AxisOfLetter(ctl, letter); m >= 0) return ActOnAxis(s, m);
    if (letter == 'K' && CycleActive(in)) {
        const double v = Coordinate(s);
        if (IsOsp(ctl) && in.cycle.code == 73) ctl.g73Return = ClampToFloat(v);
        else if (IsOsp(ctl) && in.cycle.code == 83) ctl.g83Clearance = ClampToFloat(v);
        else if (!(v == 0.0 && ctl.ignoreK0)) in.cycle.repeat = TruncateToInt(v);
        return;
    }
    if (const int m = AxisOfCentreLetter(ctl, letter); m >= 0) return ActOnCentre(s, m);
    switch (letter) {
    case 'R':
        if (w.g68) {
            in.rotation.angle = ReadScaledWord(s.block, s.cursor, ctl.angleIncrement);
        } else if (w.g10) {
            w.r = Coordinate(s);
            w.hasR = true;
        } else if (!CycleActive(in)) {
            w.radius = Coordinate(s);
            w.rGiven = true;
        } else {
            in.cycle.rPoint = Coordinate(s);
            in.cycle.rGiven = true;
        }
        break;
    case 'P':
        if (w.g54) {
            // G54 P n is entry n + 6; numbers past the table select nothing.
            const int n = ReadIntegerWord(s.block, s.cursor);
            if (n >= 0 && n < kWorkEntries - 6) SelectWorkSystem(in, ctl, n + 6);
        } else if (w.g51) {
            const double factor = ReadScaledWord(s.block, s.cursor, ctl.scaleIncrement);
            in.scaling.factor = Point{factor, factor, factor};
        } else if (w.g10 || (w.hasL && (w.l == 2 || w.l == 20))) {
            w.p = ReadIntegerWord(s.block, s.cursor);
            w.hasP = true;
        } else if (w.nonModalG == 4 && !CycleActive(in)) {
            in.path.dwell = ReadTimeWord(s.block, s.cursor);
        } else if (IsHeidenhain(ctl)) {
            in.cycle.dwell = ReadIntegerWord(s.block, s.cursor);
        } else {
            in.cycle.dwell = ReadTimeWord(s.block, s.cursor);
        }
        break;
    case 'Q': {
        const double q = Coordinate(s);
        in.cycle.q = (IsHeidenhain(ctl) && CycleActive(in)) ? std::fabs(q) : q;
        break;
    }
    case 'L': {
        const int l = ReadIntegerWord(s.block, s.cursor);
        if (w.g10 || w.nonModalG == 10 || l == 2 || l == 20) {
            w.hasL = true;
            w.l = l;
        } else if (IsHeidenhain(ctl)) {
            in.cycle.repeat = 1;
        } else {
            in.cycle.repeat = (l == 0 && ctl.ignoreL0 && CycleActive(in)) ? 1 : l;
        }
        break;
    }
    case 'F':
        if (IsOsp(ctl) && w.nonModalG == 4) {
            in.path.dwell = ReadTimeWord(s.block, s.cursor);
            break;
        }
        in.commandedFeed = FeedOf(s);
        in.path.feed = in.commandedFeed;
        break;
    case 'D': {
        in.radiusNumber = OffsetNumber(s);
        in.radiusOffset = OffsetOf(ctl.dOffsets[static_cast<std::size_t>(in.radiusNumber)]);
        break;
    }
    case 'H': {
        const int n = OffsetNumber(s);
        if (in.ospWorkSelect) {
            SelectWorkSystem(in, ctl, n);
        } else {
            in.lengthNumber = n;
            if (n == 0) in.lengthSign = 0;
        }
        break;
    }
    case 'T': ActOnToolWord(s); break;
    case 'M': ActOnM(s); break;
    case 'N':
        if (IsOsp(ctl) && s.block.substr(s.cursor, 3) == "CYL") {
            s.cursor += 3;
        } else {
            in.sequenceNumber = ReadIntegerWord(s.block, s.cursor);
        }
        break;
    case 'O': in.programNumber = ReadIntegerWord(s.block, s.cursor); break;
    case 'S':
        in.spindle = ReadIntegerWord(s.block, s.cursor);
        in.maxSpindle = std::max(in.maxSpindle, in.spindle);
        break;
    default: break;
    }
}

// Arc centre from a radius: half chord m, h = sqrt(R^2 - |m|^2) (0 when not
// positive), n = m turned by -90 degrees and normalised (to the right of the
// chord), reversed for clockwise with R < 0 or counter-clockwise with R > 0;
// centre = start + m + h n.
void CentreFromRadius(PathRecord& p, double radius) {
    const int a = p.first;
    const int b = p.second;
    const double ma = (p.end[a] - p.start[a]) * 0.5;
    const double mb = (p.end[b] - p.start[b]) * 0.5;
    const double d = std::hypot(ma, mb);
    p.centre = p.start;
    if (d == 0.0) return;
    const double h2 = radius * radius - d * d;
    const double h = h2 > 0.0 ? std::sqrt(h2) : 0.0;
    double na = mb / d;
    double nb = -ma / d;
    if ((p.type == kArcCw && radius < 0.0) || (p.type == kArcCcw && radius > 0.0)) {
        na = -na;
        nb = -nb;
    }
    p.centre[a] = p.start[a] + ma + h * na;
    p.centre[b] = p.start[b] + mb + h * nb;
}

void ApplyG10(Interpreter& in, ControllerDef& ctl) {
    const BlockWords& w = in.words;
    int l = w.hasL ? w.l : 0;
    int p = w.p;
    if (l == 20) {
        if (p < 0 || p >= kWorkEntries - 6) return;
        l = 2;
        p += 6;
    }
    if (l == 2) {
        if (p < 0 || p >= kWorkEntries) return;
        WorkCoordinate& entry = ctl.work[static_cast<std::size_t>(p)];
        float* fields[3] = {&entry.x, &entry.y, &entry.z};
        for (int a = 0; a < 3; ++a) {
            if (!w.axisGiven[static_cast<std::size_t>(a)]) continue;
            const float v = ClampToFloat(w.axisValue[a]);
            *fields[a] = in.incremental ? *fields[a] + v : v;
        }
        // A new value for the system in force: the tool stays, its point
        // (and this block's, which does not move) is renamed.
        const Point next = WorkOffsetOf(in, ctl, in.workSystem);
        const Point d = RenamingTo(in, next);
        ShiftProgramPoints(in, d);
        ShiftToolPoints(in, d);
        for (int a = 0; a < 3; ++a) {
            in.path.start[a] += d[a];
            in.path.end[a] += d[a];
        }
        in.workOffset = next;
        return;
    }
    if (!w.hasP || !w.hasR || p < 0 || p >= kOffsetNumbers) return;
    const float value = ClampToFloat(w.r);
    auto set = [&](float& field) { field = in.incremental ? field + value : value; };
    OffsetValue& h = ctl.hOffsets[static_cast<std::size_t>(p)];
    OffsetValue& d = ctl.dOffsets[static_cast<std::size_t>(p)];
    switch (ctl.g10Mode) {
    case 1:
        set(h.value);
        set(d.value);
        break;
    case 2:
        if (l == 10) {
            set(h.value);
            set(d.value);
        } else {
            set(h.second);
            set(d.second);
        }
        break;
    case 3:
        if (l == 10) set(h.value);
        else if (l == 11 || l == 1) set(h.second);
        else if (l == 12) set(d.value);
        else set(d.second);
        break;
    default: break;
    }
}

void EndOfBlock(Interpreter& in, ControllerDef& ctl) {
    PathRecord& p = in.path;
    BlockWords& w = in.words;
    RotationState& rot = in.rotation;
    if (rot.mode == RotationMode::Requested) {
        if (rot.angle == 0.0) {
            rot.mode = RotationMode::Off;
        } else {
            rot.mode = RotationMode::Active;
            rot.first = in.first;
            rot.second = in.second;
            rot.sine = std::sin(rot.angle * kDegToRad);
            rot.cosine = std::cos(rot.angle * kDegToRad);
        }
    }
    if (w.g10) ApplyG10(in, ctl);

    p.type = in.motionMode;
    if (CycleActive(in) && p.type != kRapid) {
        // The hole motions come from the cycle expander; until it exists the
        // block moves to the hole position.
        p.type = kRapid;
    }
    p.first = in.first;
    p.second = in.second;
    p.third = in.third;
    p.plane = in.plane;
    if (p.type == kArcCw || p.type == kArcCcw) {
        if (w.ijkGiven) {
            for (int a = 0; a < 3; ++a) {
                p.centre[a] = (IsHeidenhain(ctl) && !in.incremental) ? w.ijk[a] : p.start[a] + w.ijk[a];
            }
        } else if (w.rGiven) {
            CentreFromRadius(p, w.radius);
        } else {
            p.centre = p.start;
        }
        ComputeArcQuantities(p);
        if (!w.ijkGiven && p.start[p.first] == p.end[p.first] && p.start[p.second] == p.end[p.second]) {
            // Only a given centre makes a full circle of an arc that ends where
            // it starts. Without one (an R arc, or a block of no axis word such
            // as a lone M05 while G02 is modal) the tool does not turn: zero
            // sweep and zero length.
            p.sweep = 0.0;
            p.arcLength = 0.0;
        }
        if (std::fabs(p.startRadius - p.endRadius) >= ctl.rTolerance) {
            in.reader.pendingError = kNcArcRadius;
        }
    }

    // The length offset of the H number in force.
    in.lengthOffset = in.lengthSign == 0
                          ? 0.0
                          : in.lengthSign * OffsetOf(ctl.hOffsets[static_cast<std::size_t>(in.lengthNumber)]);
    if (in.keptOffset == 1 && !w.g49 && (w.axisGiven[0] || w.axisGiven[1] || w.axisGiven[2])) {
        in.keptOffset = 2;
    }

    if (w.nonModalG == 92) {
        const bool first = !in.g92Seen;
        if (!(ctl.g92Mode == 1 && first)) {
            Point renamed{};  // the tool stays: its point is renamed
            for (int a = 0; a < 3; ++a) {
                if (!w.axisGiven[static_cast<std::size_t>(a)]) continue;
                const double shift = p.start[a] - p.end[a];
                in.workOffset[a] += shift;
                renamed[a] = -shift;
                if (IsStandard(ctl)) {
                    float* common[3] = {&ctl.work[0].x, &ctl.work[0].y, &ctl.work[0].z};
                    *common[a] += ClampToFloat(shift);
                }
            }
            ShiftProgramPoints(in, renamed);
            ShiftToolPoints(in, renamed);
        }
        if (first) {
            for (int a = 0; a < 3; ++a) in.g92Machine[a] = p.start[a] + in.workOffset[a];
        }
        in.g92Seen = true;
        p.start = p.end;
        in.lastProgrammed = p.end;
    }
    if (w.nonModalG == 52) {
        // The new local shift moves the current point once queued motions
        // are done; the motions made before it are placed with it at once
        // (Interpreter::frameShift), and so is the tool.
        const Point next = WorkOffsetOf(in, ctl, in.workSystem);
        const Point d = RenamingTo(in, next);
        for (int a = 0; a < 3; ++a) in.offsetChange[a] += d[a];
        ShiftToolPoints(in, d);
        in.offsetChangePending = true;
        in.workOffset = next;
    }
    if (w.nonModalG == 53 && !in.incremental) {
        // Machine coordinates: the programmed point is the machine point less
        // the work offset in force.
        for (int a = 0; a < 3; ++a) {
            if (!w.axisGiven[static_cast<std::size_t>(a)]) continue;
            p.end[a] = w.axisValue[a] - in.workOffset[a];
            in.lastProgrammed[a] = p.end[a];
        }
    }
    if (ctl.checkF0 && p.type != kRapid && p.feed == 0.0 && p.end != p.start) {
        in.reader.pendingError = kNcZeroFeed;
    }
    // The block's words stay readable until the next block: the motion
    // expansion looks at which axes and codes it gave.
}

}  // namespace

void InterpretBlock(Interpreter& in, ControllerDef& ctl, const ToolWordForm& tools) {
    PathRecord& p = in.path;
    p.start = in.current;
    p.end = in.current;
    p.centre = in.current;
    p.feed = in.commandedFeed;
    p.dwell = 0.0;
    p.mCode = -1;
    p.toolWord = -1;
    p.compensated = false;
    in.mCode = -1;
    in.words = BlockWords{};
    in.comp.request = 0;
    p.spline = nullptr;
    p.error = kNcNoError;

    Scan s{in, ctl, tools, in.reader.block};
    const std::string_view b = s.block;
    bool commentOffered = false;
    while (s.cursor < b.size() && b[s.cursor] != '\n' && !in.words.stopReading) {
        const char c = b[s.cursor];
        if (c == '(') {
            if (in.setup.commentHook && !commentOffered) {
                commentOffered = true;
                in.setup.commentHook(b);
            }
            const std::size_t close = b.find(')', s.cursor + 1);
            s.cursor = close == std::string_view::npos ? b.size() : close + 1;
        } else if (c == ';' && IsHeidenhain(ctl)) {
            break;
        } else if (IsAddressLetter(c)) {
            ++s.cursor;
            ActOnWord(s, c);
        } else {
            ++s.cursor;
        }
    }
    p.mCode = in.mCode;
    EndOfBlock(in, ctl);
}

}  // namespace morvex
