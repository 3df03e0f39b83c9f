// The optimised NC program and the cut data.
//
// Implementation notes: steps arrive one by one; the optimised NC holds one
// pending run (consecutive steps of one motion that keep the same feed, or
// consecutive escape steps) and writes it when a step cannot join it. The
// last written X, Y, Z (in counts), F, motion word and plane make every
// word modal, as the controller reads them. Both files are written through
// temporary files renamed at the end, so an aborted or failed run never
// leaves a half file under the final name.
#include "results/optimized_nc.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/paths.h"

namespace morvex {
namespace {

template <class... A>
std::string Format(const char* format, A... args) {
    char buf[192];
    const int n = std::snprintf(buf, sizeof buf, format, args...);
    return n <= 0 ? std::string() : std::string(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)));
}

// How far above the highest material near an escape's end its rapid down
// stops at the least (mm): a rapid may not touch it.
constexpr double kDescentMargin = 0.01;
// Distances the sweeps and the floor of a rapid may round differently (mm).
constexpr double kFloorTolerance = 1e-6;

// Steps escaped one after the other along one line are marked together
// up to this length (mm): a mark costs the nodes within the cutter's reach
// of its path, so a step a tenth of a millimetre long costs nearly a whole
// disc of them. Their material counts as high as the highest of them.
constexpr double kLeftMarkLength = 1.0;

void FlushLeftMark(OptimizedOutput& out) {
    if (!out.leftPending) return;
    out.leftPending = false;
    out.markLeft(out.leftFrom, out.leftTo, out.leftPendingTop);
}

// The highest material the cuts escaped so far left within the tool's
// reach of from..to (see OptimizedOutput::leftNear), -infinity for none.
double LeftNear(OptimizedOutput& out, const Point& from, const Point& to, bool rapid) {
    if (!out.leftAny || !out.leftNear) return -std::numeric_limits<double>::infinity();
    FlushLeftMark(out);
    return out.leftNear(from, to, rapid);
}

// A cutting step escaped: what it took away stays in the written program.
void MarkLeft(OptimizedOutput& out, const Point& from, const OptimizeStep& step) {
    if (!out.markLeft) return;
    out.leftAny = true;
    if (out.leftPending && from == out.leftTo) {
        // Goes on along the same line in XY (or stands over the same point).
        const double ax = out.leftTo[0] - out.leftFrom[0], ay = out.leftTo[1] - out.leftFrom[1];
        const double bx = step.end[0] - from[0], by = step.end[1] - from[1];
        const bool still = ax == 0.0 && ay == 0.0 && bx == 0.0 && by == 0.0;
        // (Parallel to far below the marks' own margin.)
        const bool along = std::fabs(ax * by - ay * bx) <= 1e-9 * std::hypot(ax, ay) * std::hypot(bx, by) &&
                           ax * bx + ay * by > 0.0;
        if ((still || along) && std::hypot(step.end[0] - out.leftFrom[0], step.end[1] - out.leftFrom[1]) <=
                                    kLeftMarkLength) {
            out.leftTo = step.end;
            out.leftPendingTop = std::max(out.leftPendingTop, step.highestCut);
            return;
        }
    }
    FlushLeftMark(out);
    out.leftPending = true;
    out.leftFrom = from;
    out.leftTo = step.end;
    out.leftPendingTop = step.highestCut;
}

long long Truncated(double v) {
    if (!(v == v)) return 0;
    return static_cast<long long>(std::clamp(v, -9.0e15, 9.0e15));
}

void Flush(OptimizedOutput& out) {
    if (out.writeNc && !out.ncText.empty() && !WriteBytes(out.nc, out.ncText.data(), out.ncText.size())) {
        out.ncFailed = true;
    }
    out.ncText.clear();
    if (out.writeData && !out.dataBytes.empty() && !WriteBytes(out.data, out.dataBytes.data(), out.dataBytes.size())) {
        out.dataFailed = true;
    }
    out.dataBytes.clear();
}

void Text(OptimizedOutput& out, const std::string& s) {
    if (!out.writeNc) return;
    out.ncText += s;
    if (out.ncText.size() >= (1u << 16)) Flush(out);
}

// Writes an axis word when its count differs from the last written one.
bool Axis(OptimizedOutput& out, const char* letter, long long counts, long long& last) {
    if (out.haveLast && counts == last) return false;
    Text(out, FormatCounts(letter, counts, out.format));
    last = counts;
    return true;
}

bool Feed(OptimizedOutput& out, long long f) {
    if (f < 0 || f == out.lastF) return false;
    Text(out, Format("F%lld", f));
    out.lastF = f;
    return true;
}

long long C(const OptimizedOutput& out, double mm) { return ToCounts(mm, out.format.units); }

// Tells out.markCut of kept run `run` when it was written off its exact
// place: from where the written program stands (out.lastX, out.lastY) to
// its end as written (in counts); an arc as chords of its exact path, the
// shift grown by what its centre, written as rounded offsets, moves it; an
// arc outside the XY plane as the straight reach of its whole circle
// across the plane.
void MarkWrittenRun(OptimizedOutput& out, const OptimizeRun& run, long long endCountsX, long long endCountsY) {
    if (!out.markCut) return;
    const double units = out.format.units;
    const auto off = [&](const Point& exact, double x, double y) { return std::hypot(x - exact[0], y - exact[1]); };
    const double startX = static_cast<double>(out.lastX) / units, startY = static_cast<double>(out.lastY) / units;
    const double endX = static_cast<double>(endCountsX) / units, endY = static_cast<double>(endCountsY) / units;
    double shift = std::max(off(run.start, startX, startY), off(run.end, endX, endY));
    const bool arc = run.type == kArcCw || run.type == kArcCcw;
    if (!arc) {
        if (shift > 1e-9) out.markCut(run.start, run.end, shift);
        return;
    }
    const double cx = startX + static_cast<double>(C(out, run.centre[0] - run.start[0])) / units;
    const double cy = startY + static_cast<double>(C(out, run.centre[1] - run.start[1])) / units;
    shift = off(run.start, startX, startY) + off(run.end, endX, endY) + 2.0 * off(run.centre, cx, cy);
    if (!(shift > 1e-9)) return;
    const double radius = std::hypot(run.start[0] - run.centre[0], run.start[1] - run.centre[1]);
    if (run.plane != 17) {
        // Across the plane the circle reaches its centre's coordinate plus
        // or minus its radius (in 3D).
        const double r = std::hypot(radius, run.start[2] - run.centre[2]);
        const bool alongX = run.plane == 18;
        Point a = run.start, b = run.end;
        (alongX ? a[0] : a[1]) = run.centre[alongX ? 0 : 1] - r;
        (alongX ? b[0] : b[1]) = run.centre[alongX ? 0 : 1] + r;
        out.markCut(a, b, shift + 1e-3);
        return;
    }
    // Chords whose sagitta stays within a micron.
    constexpr double kSagitta = 1e-3;
    const double a0 = std::atan2(run.start[1] - run.centre[1], run.start[0] - run.centre[0]);
    const double a1 = std::atan2(run.end[1] - run.centre[1], run.end[0] - run.centre[0]);
    constexpr double kTurn = 2.0 * kPi;
    double sweep = a1 - a0;
    if (run.type == kArcCw && !(sweep < 0.0)) sweep -= kTurn;
    if (run.type == kArcCcw && !(sweep > 0.0)) sweep += kTurn;
    const double chord = std::sqrt(8.0 * std::max(radius, 1e-9) * kSagitta);
    const int n = static_cast<int>(std::clamp(std::ceil(std::fabs(sweep) * radius / chord), 1.0, 4096.0));
    Point from = run.start;
    for (int i = 1; i <= n; ++i) {
        const double t = static_cast<double>(i) / n, a = a0 + sweep * t;
        const Point to = i == n ? run.end
                                : Point{run.centre[0] + radius * std::cos(a), run.centre[1] + radius * std::sin(a),
                                        run.start[2] + (run.end[2] - run.start[2]) * t};
        out.markCut(from, to, shift + kSagitta);
        from = to;
    }
}

void WriteKept(OptimizedOutput& out, const OptimizeRun& run) {
    const long long sx = C(out, run.start[0]), sy = C(out, run.start[1]), sz = C(out, run.start[2]);
    // Back down after an escape: over the start, 2 mm above it at rapid, then at the feed.
    if (out.lastMode == kRapid && out.previousEscape) {
        bool any = Axis(out, "X", sx, out.lastX);
        any = Axis(out, "Y", sy, out.lastY) || any;
        if (any) Text(out, "\n");
        if (sz != out.lastZ) {
            // The escape stopped 2 mm above (or lower, where it travelled;
            // higher where material stands near): no rapid up and down
            // again, and never below where it stopped.
            const long long above = std::max(C(out, run.start[2] + 2.0), out.escapeFloor);
            if (above < out.lastZ && Axis(out, "Z", above, out.lastZ)) Text(out, "\n");
            Text(out, "G01");
            Axis(out, "Z", sz, out.lastZ);
            // Into material the escape left standing (cuts it skipped): at
            // a cutting feed, not at an air run's.
            const bool intoLeft =
                out.escapeCutFeed > 0 && (run.start[2] < out.leftTop + kDescentMargin ||
                                          LeftNear(out, run.start, run.start, false) > run.start[2] - kDescentMargin);
            Feed(out, intoLeft ? std::min(run.feed, out.escapeCutFeed) : run.feed);
            Text(out, "\n");
            out.lastMode = kLine;
        }
    }
    const bool arc = run.type == kArcCw || run.type == kArcCcw;
    // A rapid in a kept run is a feed move at the run's feed.
    const int mode = run.type == kRapid ? kLine : run.type;
    if (arc && run.plane != out.lastPlane) {
        Text(out, Format("G%d", run.plane));
        out.lastPlane = run.plane;
    }
    // The motion word whenever the mode in force is another (an escape
    // leaves G00 in force).
    if (mode != out.lastMode) {
        Text(out, mode == kRapid ? "G00" : mode == kArcCw ? "G02" : mode == kArcCcw ? "G03" : "G01");
        out.lastMode = mode;
    }
    const long long ex = C(out, run.end[0]), ey = C(out, run.end[1]);
    MarkWrittenRun(out, run, ex, ey);
    bool any = Axis(out, "X", ex, out.lastX);
    any = Axis(out, "Y", ey, out.lastY) || any;
    any = Axis(out, "Z", C(out, run.end[2]), out.lastZ) || any;
    if (arc) {
        // Centre offsets from the run's start, in the plane's order.
        static constexpr int kAxes[3][2] = {{0, 1}, {2, 0}, {1, 2}};
        static constexpr const char* kLetters = "IJK";
        const int p = run.plane == 18 ? 1 : run.plane == 19 ? 2 : 0;
        for (const int a : kAxes[p]) {
            const double offset = run.centre[static_cast<std::size_t>(a)] - run.start[static_cast<std::size_t>(a)];
            const long long d = C(out, offset);
            if (d == 0) continue;
            const char letter[2] = {kLetters[a], '\0'};
            Text(out, FormatCounts(letter, d, out.format));
            any = true;
        }
    }
    any = Feed(out, run.feed) || any;
    if (any) Text(out, "\n");
    out.haveLast = true;
    out.previousEscape = false;
    out.leftTop = -std::numeric_limits<double>::infinity();
}

// The lowest tip height (program frame) a vertical rapid of escape `run`
// may reach at its start (written where the tool stands, `fromX`, `fromY`
// in counts) or at its end (written rounded), see
// OptimizedOutput::rapidFloor; -infinity for none.
double EscapeFloor(const OptimizedOutput& out, const OptimizeRun& run, bool atEnd, long long fromX, long long fromY) {
    if (!out.rapidFloor) return -std::numeric_limits<double>::infinity();
    const auto written = [&](long long x, long long y, double z) {
        return Point{static_cast<double>(x) / out.format.units, static_cast<double>(y) / out.format.units, z};
    };
    if (atEnd) {
        // Down where the tool stood at run.end. It came there through air,
        // over what earlier cuts cleared; the written program's tool never
        // stood there, and its earlier cuts may have left slivers where
        // they were written off their place.
        const Point down = written(C(out, run.end[0]), C(out, run.end[1]), run.end[2]);
        const double floor = out.rapidFloor(run.end, down, kFloorTolerance, kDescentMargin, true, false);
        if (!out.sliverFloor || out.toolChanged) return floor;
        // The air the escape replaces cut nothing: what stands at its end
        // the last run written cleared, up to its end, written rounded.
        // What the exact end reached and the written one does not may stand
        // in the written program, within reach of a short escape's descent.
        const Point cut = written(fromX, fromY, run.start[2]);
        return std::max(floor, out.sliverFloor(run.start, cut, down, kFloorTolerance, kDescentMargin));
    }
    // At the start the tool stands where the last run written ended: it
    // cleared what lies within its reach of the written position, unless it
    // was just changed there. A wider rapid profile meets what lies beside,
    // slivers of earlier cuts as well.
    const Point start = written(fromX, fromY, run.start[2]);
    return out.rapidFloor(start, start, kFloorTolerance, kDescentMargin, !out.toolChanged, true);
}

void WriteEscape(OptimizedOutput& out, const OptimizeRun& run, bool programEnd, int previousLine) {
    const long long ex = C(out, run.end[0]), ey = C(out, run.end[1]), ez = C(out, run.end[2]);
    // "G00" when another mode is in force; true when it was written.
    auto rapid = [&] {
        const bool word = out.lastMode != kRapid;
        if (word) Text(out, "G00");
        out.lastMode = kRapid;
        return word;
    };
    // The escape width bounds the X travel and the Y travel each.
    const double travel = std::max(std::fabs(run.end[0] - run.start[0]), std::fabs(run.end[1] - run.start[1]));
    if (!programEnd && run.line == previousLine && !(travel > out.options.escapeWidth) && !out.piecesLost) {
        // No escape within a line and the escape width: the moves as
        // programmed (the tool must still reach the next run's start).
        for (const OptimizeRun& piece : out.escapePieces) WriteKept(out, piece);
        return;
    }
    const double lastZ = static_cast<double>(out.lastZ) / out.format.units;
    // Where the escape starts as written (the moves below change the last words).
    const long long fromX = out.lastX, fromY = out.lastY;
    const bool known = out.clearanceKnown && out.clearanceFrom == run.start && out.clearanceTo == run.end;
    // Cutting steps escaped (OPT-CUT=ESCAPE) leave their material standing.
    const bool leftMaterial = out.escapeCutTop > -std::numeric_limits<double>::infinity();
    // The height to travel at: where the tip is when that is above the
    // work's top and nothing was left standing, else the retract height
    // over the path.
    // After a tool change the machine may have left the tool anywhere:
    // across above the work's top.
    auto travelHeight = [&] {
        const double above = out.toolChanged ? out.workTop + out.options.escapeHeight : lastZ;
        if (lastZ > out.workTop && !leftMaterial) return std::max(lastZ, above);
        double z = known           ? out.clearanceZ
                   : out.clearance ? out.clearance(run.start, run.end, out.options.escapeHeight)
                                   : out.workTop + out.options.escapeHeight;
        z = std::max(z, out.escapeCutTop + out.options.escapeHeight);
        // Over what the cuts escaped before left standing too.
        z = std::max(z, LeftNear(out, run.start, run.end, true) + out.options.escapeHeight);
        return std::max({z, lastZ, above});
    };
    // The lowest a vertical rapid may go at the escape's start or end, in counts.
    auto floorAt = [&](bool atEnd) {
        double z = known ? (atEnd ? out.clearanceEndZ : out.clearanceStartZ)
                         : EscapeFloor(out, run, atEnd, fromX, fromY);
        if (atEnd) z = std::max(z, out.escapeCutTop + kDescentMargin);
        const Point& at = atEnd ? run.end : run.start;
        z = std::max(z, LeftNear(out, at, at, true) + kDescentMargin);
        return z > -9.0e15 ? C(out, z) : std::numeric_limits<long long>::min();
    };
    // The feed in force, for moves at the feed an escape adds.
    const long long piece = out.escapePieces.empty() ? -1 : out.escapePieces.front().feed;
    const long long inForce = out.lastF > 0 ? out.lastF : piece > 0 ? piece : 1;
    // Up to z: at the feed in force first while a rapid profile wider than
    // the cutter (a tool clearance), or the rounding of the written start,
    // would meet material beside the tool.
    auto riseTo = [&](long long z) {
        if (z <= out.lastZ) return false;
        const long long floor = floorAt(false);
        if (floor > out.lastZ) {
            if (out.lastMode != kLine) Text(out, "G01");
            out.lastMode = kLine;
            Axis(out, "Z", std::min(z, floor), out.lastZ);
            Feed(out, inForce);
            Text(out, "\n");
        }
        if (z > out.lastZ) {
            rapid();
            Axis(out, "Z", z, out.lastZ);
            Text(out, "\n");
        }
        return true;
    };
    const bool over = ex == out.lastX && ey == out.lastY;
    if (programEnd) {
        // To the end's height first, unless the work lies above it: then
        // over the work at the travel height and down at the end (straight
        // there when it lies under the tool: the air above it is air too).
        const double end = static_cast<double>(ez) / out.format.units;
        // Cuts it (or an escape before) skipped stand under the tool too.
        const bool leftUnder = leftMaterial || LeftNear(out, run.end, run.end, true) > end - kDescentMargin;
        const long long z = end > out.workTop || (over && !leftUnder) ? ez : std::max(ez, C(out, travelHeight()));
        const bool rose = riseTo(z);
        const bool word = rapid();
        if ((!rose && Axis(out, "Z", z, out.lastZ)) || word) Text(out, "\n");
        bool any = Axis(out, "X", ex, out.lastX);
        any = Axis(out, "Y", ey, out.lastY) || any;
        if (any) Text(out, "\n");
        // Down to the end, at the feed in force below a floor there (at a
        // cutting feed into what the cuts it skipped left standing).
        const long long floor = floorAt(true);
        if (ez < out.lastZ && floor > ez) {
            if (floor < out.lastZ && Axis(out, "Z", floor, out.lastZ)) Text(out, "\n");
            Text(out, "G01");
            out.lastMode = kLine;
            Axis(out, "Z", ez, out.lastZ);
            Feed(out, leftUnder && out.escapeCutFeed > 0 ? std::min(inForce, out.escapeCutFeed) : inForce);
            Text(out, "\n");
        } else if (Axis(out, "Z", ez, out.lastZ)) {
            Text(out, "\n");
        }
        out.haveLast = true;
        out.previousEscape = true;
        out.leftTop = out.escapeCutTop;
        return;
    }
    // Over the end already: straight up or down there, the air between
    // being air to the tool (it stood at both heights).
    const long long travelZ = over ? std::max(out.lastZ, ez) : C(out, travelHeight());
    const bool rose = riseTo(travelZ);
    // "G00" on a line of its own when the tip already travels high enough;
    // nothing when the rise at the feed already took the tool to the end.
    if (!over || travelZ != out.lastZ || ez < out.lastZ) {
        const bool word = rapid();
        if ((!rose && Axis(out, "Z", travelZ, out.lastZ)) || word) Text(out, "\n");
        bool any = Axis(out, "X", ex, out.lastX);
        any = Axis(out, "Y", ey, out.lastY) || any;
        if (any) Text(out, "\n");
    }
    // Down at rapid to 2 mm above the end only: the run that follows
    // feeds the rest, as the end touches the work where cutting starts.
    // Higher where a vertical rapid there must stop above material.
    const long long above = std::max(C(out, run.end[2] + 2.0), floorAt(true));
    const long long z = ez >= out.lastZ ? ez : std::min(out.lastZ, above);
    if (z != out.lastZ) {
        rapid();
        Axis(out, "Z", z, out.lastZ);
        Text(out, "\n");
    }
    out.escapeFloor = z;
    out.haveLast = true;  // every word was written after a tool change
    out.previousEscape = true;
    out.leftTop = out.escapeCutTop;
}

void WritePending(OptimizedOutput& out, bool programEnd) {
    OptimizeRun& run = out.pending;
    if (run.escape < 0) return;
    if (run.escape == 0) {
        WriteEscape(out, run, programEnd, out.lastWrittenLine);
    } else {
        WriteKept(out, run);
    }
    out.lastWrittenLine = run.line;
    run.escape = -1;
    out.clearanceKnown = false;  // the height taken held for this run alone
    out.toolChanged = false;
}

// Whether c lies on the ray from a through b, beyond b (to rounding).
bool Straight(const Point& a, const Point& b, const Point& c) {
    const Point u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v{c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    const Point cross{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double uu = u[0] * u[0] + u[1] * u[1] + u[2] * u[2], vv = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    const double cc = cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2];
    return uu == 0.0 || vv == 0.0 || (dot > 0.0 && cc <= 1e-18 * uu * vv);
}

void PutBytes(std::string& b, const void* p, std::size_t n) { b.append(static_cast<const char*>(p), n); }

void AppendInt(std::string& s, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

// Formats the records on this thread: no writer thread could be started.
void FormatCutRecords(OptimizedOutput& out) {
    for (const CutRecord& r : out.cutRecords) {
        AppendCutRecord(out.dataForm, r, out.dataBytes);
        if (out.dataBytes.size() >= (1u << 16)) Flush(out);
    }
    out.cutRecords.clear();
}

// A full chunk of records goes to the writer thread, which the first one
// starts (after the bytes written so far, which lead the file).
void HandOverCutRecords(OptimizedOutput& out) {
    if (!out.dataWriter && !out.dataFailed) {
        Flush(out);
        out.dataWriter = StartCutDataWriter(out.data, out.dataForm);
    }
    if (out.dataWriter) {
        HandCutRecords(*out.dataWriter, out.cutRecords);
    } else {
        FormatCutRecords(out);
    }
}

void Record(OptimizedOutput& out, const OptimizeStep& step, long long chosen, int tool) {
    CutRecord& r = out.cutRecords.emplace_back();
    r.x = step.end[0], r.y = step.end[1], r.z = step.end[2];
    r.load = step.load;
    r.line = step.line;
    // A spline's steps carry the spline's own motion type (the text form
    // writes "NURBS" for them).
    r.type = step.nurbs ? kSpline : step.type & 0xFF;
    r.cutClass = step.cutClass >= 0 && step.cutClass <= 3 ? step.cutClass : 255;
    r.feed = static_cast<int>(Truncated(step.feed));
    r.chosen = static_cast<int>(std::clamp<long long>(chosen, -2147483647LL, 2147483647LL));
    r.tool = tool;
    r.blockEnd = step.blockEnd;
    r.nurbs = step.nurbs;
    if (out.cutRecords.size() >= kCutRecordChunk) HandOverCutRecords(out);
}

}  // namespace

OptimizeFeeds OptimizeFeedsOf(int toolNumber, const ToolDef& tool, const std::array<float, 3>& maxFeed) {
    OptimizeFeeds f;
    f.tool = toolNumber;
    f.table = tool.optF;
    f.maxMachineF = std::max({maxFeed[0], maxFeed[1], maxFeed[2]});
    const OptFeedSlot& a = tool.optF[0];
    if (a.set) {
        f.minOptF = a.first;
        f.maxOptF = a.pairCount > 0 ? a.b[static_cast<std::size_t>(a.pairCount - 1)] : a.first;
    } else {
        f.minOptF = 50.0;
        f.maxOptF = f.maxMachineF;
    }
    return f;
}

long long OptimalFeed(const OptimizeFeeds& feeds, int cutClass, double load, double programmedFeed) {
    const OptFeedSlot* t = nullptr;
    if (cutClass >= 0 && cutClass <= 3 && feeds.table[static_cast<std::size_t>(cutClass)].set) {
        t = &feeds.table[static_cast<std::size_t>(cutClass)];
    } else if (feeds.table[0].set) {
        t = &feeds.table[0];
    }
    if (t == nullptr) return Truncated(programmedFeed);
    const int n = std::clamp(t->pairCount, 0, 19);
    auto feedAt = [&](int i) { return i == 0 ? t->first : t->b[static_cast<std::size_t>(i - 1)]; };
    for (int i = 0; i < n; ++i) {
        if (t->a[static_cast<std::size_t>(i)] < load) return Truncated(feedAt(i));
    }
    return Truncated(feedAt(n));
}

long long ToCounts(double mm, int units) {
    const double v = mm * units;
    if (!std::isfinite(v)) return 0;
    return static_cast<long long>(std::clamp(std::round(v), -9.0e15, 9.0e15));  // half away from zero
}

// Counts below this (in magnitude) have at most 15 digits.
constexpr long long kExactCounts = 1'000'000'000'000'000LL;

std::string FormatCounts(const char* letter, long long counts, const OptimizeFormat& format) {
    // Every output block has a few of these: to_chars, not printf, which
    // gives the same digits (both round the exact binary value).
    std::string text = letter;
    if (!format.decimalPoint) {
        AppendInt(text, counts);
        return text;
    }
    if (counts == 0) return text + "0.0";
    int decimals = 0;
    for (long long u = std::max(format.units, 1); u > 1; u /= 10) ++decimals;
    decimals = std::clamp(decimals, 1, 9);
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    char buf[64];
    if (scale == format.units && counts > -kExactCounts && counts < kExactCounts) {
        // A power of ten: the counts' own digits with the point put in,
        // which is what the value's fixed form rounds back to (15 digits
        // survive a double).
        char* p = buf;
        if (counts < 0) *p++ = '-';
        const auto magnitude = static_cast<unsigned long long>(counts < 0 ? -counts : counts);
        p = std::to_chars(p, buf + sizeof buf, magnitude / static_cast<unsigned long long>(scale)).ptr;
        *p++ = '.';
        unsigned long long fraction = magnitude % static_cast<unsigned long long>(scale);
        for (int i = decimals - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        // Trailing zeros go, down to one decimal.
        int kept = decimals;
        while (kept > 1 && p[kept - 1] == '0') --kept;
        return text.append(buf, static_cast<std::size_t>(p + kept - buf));
    }
    const double value = static_cast<double>(counts) / std::max(format.units, 1);
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string number = r.ec == std::errc() ? std::string(buf, r.ptr) : Format("%.*f", decimals, value);
    // Trailing zeros go, down to one decimal.
    const std::size_t dot = number.find('.');
    while (number.size() > dot + 2 && number.back() == '0') number.pop_back();
    return text + number;
}

bool OpenOptimisedOutputs(OptimizedOutput& out, const OptimizeOptions& options, const OptimizeFormat& format,
                          const std::string& ncPath, const std::string& dataPath, int tool) {
    out = OptimizedOutput{};
    out.options = options;
    out.format = format;
    if (out.format.units <= 0) out.format.units = 1000;
    out.binary = options.cutData == kCutDataBinary || options.cutData == kCutDataBinaryOpen;
    out.dataForm.binary = out.binary;
    out.dataForm.tool = tool;
    out.lastTool = tool;
    ResetNodeScaleWindow(out.window, options.nodePitch);
    if (!ncPath.empty()) {
        if (!BeginReplace(out.nc, ncPath)) {
            out.ncFailed = true;
            return false;
        }
        out.writeNc = true;
    }
    if (!dataPath.empty()) {
        if (!BeginReplace(out.data, dataPath)) {
            if (out.writeNc) FinishReplace(out.nc, false);
            out.writeNc = false;
            out.dataFailed = true;
            return false;
        }
        out.writeData = true;
        out.cutRecords.reserve(kCutRecordChunk);
    }
    if (format.delimiter != ' ' && format.delimiter != '\0') {
        Text(out, Format("%c\n", format.delimiter));
        if (!out.binary) out.dataBytes += Format("%c\n", format.delimiter);
    }
    return true;
}

void BeginOptimisedOutput(OptimizedOutput& out, const Point& start) {
    out.lastEnd = start;
    out.lastX = C(out, start[0]), out.lastY = C(out, start[1]), out.lastZ = C(out, start[2]);
    Text(out, "G92" + FormatCounts("X", out.lastX, out.format) + FormatCounts("Y", out.lastY, out.format) +
                  FormatCounts("Z", out.lastZ, out.format) + "\n");
    out.haveLast = true;
    out.dataForm.x = static_cast<float>(start[0]), out.dataForm.y = static_cast<float>(start[1]),
    out.dataForm.z = static_cast<float>(start[2]);
    if (out.binary) {
        const float head[3] = {out.dataForm.x, out.dataForm.y, out.dataForm.z};
        PutBytes(out.dataBytes, head, sizeof head);
    } else {
        out.dataBytes += Format("G92X%fY%fZ%f\n", start[0], start[1], start[2]);
    }
}

namespace {

constexpr std::size_t kMaxEscapePieces = 4096;

// Whether a kept run (or an escape's piece) goes on with the step: the same
// motion at the same feed, going on along it (a spline's chords turn), and
// the run's last step did not end its block.
bool GoesOn(const OptimizeRun& run, bool ended, const OptimizeStep& step, int type, long long f) {
    const bool arc = type == kArcCw || type == kArcCcw;
    return run.motion == step.motion && run.type == type && run.feed == f && !ended &&
           (arc ? run.plane == step.plane && run.centre == step.centre : Straight(run.start, run.end, step.end));
}

// The run the step starts, from `start`.
OptimizeRun RunOf(const OptimizeStep& step, int escape, int type, const Point& start, long long f) {
    OptimizeRun run;
    run.escape = escape;
    run.motion = step.motion;
    run.type = type;
    run.line = step.line;
    run.plane = step.plane;
    run.start = start;
    run.end = step.end;
    run.centre = step.centre;
    run.feed = f;
    return run;
}

// The feed of a rapid through air that is kept: the machine's highest
// feed, or the table's highest when that is asked for.
long long KeptRapidFeed(const OptimizeOptions& o, const OptimizeFeeds& feeds) {
    return o.optAircut == kOptAirMaxOptF ? Truncated(feeds.maxOptF) : Truncated(feeds.maxMachineF);
}

// The step of an escape as the program moves it (out.lastEnd: where the
// step before ended), at the feed given (the cut data's, or a kept rapid's
// for a rapid through air; never below the lowest optimised feed): a run
// of its own, or the last one's continuation where a kept run would go on.
void AddEscapePiece(OptimizedOutput& out, const OptimizeStep& step, int type, long long chosen,
                    const OptimizeFeeds& feeds) {
    std::vector<OptimizeRun>& pieces = out.escapePieces;
    if (out.piecesLost) return;
    const long long f = std::max(chosen, Truncated(feeds.minOptF));
    if (!pieces.empty() && GoesOn(pieces.back(), out.piecesEnded, step, type, f)) {
        pieces.back().end = step.end;
        out.piecesEnded = step.blockEnd;
        return;
    }
    if (pieces.size() >= kMaxEscapePieces) {
        pieces.clear();
        out.piecesLost = true;
        return;
    }
    pieces.push_back(RunOf(step, 1, type, out.lastEnd, f));
    out.piecesEnded = step.blockEnd;
}

// The step as judged over the last node spacing of travel.
OptimizeStep AtNodeScale(OptimizedOutput& out, const OptimizeStep& told) {
    OptimizeStep step = told;
    NodeScaleStep s;
    s.length = told.length;
    // How far it moved across the work: along the arc in the XY plane
    // (less its rise on a helix), else from where the step before ended.
    const bool xyArc = (told.type == kArcCw || told.type == kArcCcw) && told.plane == 17;
    const double dx = told.end[0] - out.lastEnd[0], dy = told.end[1] - out.lastEnd[1];
    const double dz = told.end[2] - out.lastEnd[2];
    s.lateral = xyArc ? std::sqrt(std::max(told.length * told.length - dz * dz, 0.0)) : std::sqrt(dx * dx + dy * dy);
    s.tipZ = told.end[2];
    s.load = told.load;
    s.cut = told.cut;
    s.cutClass = told.cutClass;
    s.highestCut = told.highestCut;
    JudgeAtNodeScale(out.window, s);
    step.cut = s.cut;
    step.load = s.load;
    step.cutClass = s.cutClass;
    step.highestCut = s.highestCut;
    return step;
}

}  // namespace

void ChangeOptimisedTool(OptimizedOutput& out, int tool) {
    WritePending(out, false);
    const long long word = static_cast<long long>(tool) * std::max(out.format.toolWordScale, 1);
    Text(out, Format("T%lld%s\n", word, out.format.toolChangeM06 ? "M06" : ""));
    out.lastTool = tool;
    out.haveLast = false;
    out.lastMode = -1;
    out.toolChanged = true;
    ResetNodeScaleWindow(out.window, out.options.nodePitch);
}

void PrepareEscapeClearance(OptimizedOutput& out) {
    out.clearanceKnown = false;
    const OptimizeRun& run = out.pending;
    if (run.escape != 0 || !out.clearance) return;
    // An escape from above the work's top travels at the tip's height.
    if (static_cast<double>(out.lastZ) / out.format.units > out.workTop) return;
    out.clearanceFrom = run.start;
    out.clearanceTo = run.end;
    out.clearanceZ = out.clearance(run.start, run.end, out.options.escapeHeight);
    out.clearanceStartZ = EscapeFloor(out, run, false, out.lastX, out.lastY);
    out.clearanceEndZ = EscapeFloor(out, run, true, out.lastX, out.lastY);
    out.clearanceKnown = true;
}

void AddOptimisedStep(OptimizedOutput& out, const OptimizeStep& told, const OptimizeFeeds& feeds) {
    if (told.tool >= 0 && told.tool != out.lastTool) ChangeOptimisedTool(out, told.tool);
    const OptimizeStep step = AtNodeScale(out, told);
    const OptimizeOptions& o = out.options;
    const bool rapid = step.type == kRapid;
    int e = 1;
    long long f = 0;
    if (step.cut) {
        e = o.optCut == kOptCutEscape ? 0 : 1;
        if (rapid) {
            // A rapid into material: never written as a rapid.
            f = e == 0 || o.optCut == kOptCutNo || out.pending.escape == 0
                    ? (e == 0 ? Truncated(step.feed) : Truncated(feeds.minOptF))
                    : OptimalFeed(feeds, step.cutClass, step.load, step.feed);
        } else if (e == 1) {
            f = o.optCut != kOptCutOptimize ? Truncated(step.feed)
                : out.pending.escape == 0   ? Truncated(feeds.minOptF)
                                            : OptimalFeed(feeds, step.cutClass, step.load, step.feed);
        } else {
            f = o.optAircut == kOptAirMaxOptF       ? Truncated(feeds.maxOptF)
                : o.optAircut == kOptAirMaxMachineF ? Truncated(feeds.maxMachineF)
                                                    : Truncated(step.feed);
        }
    } else {
        // Air: escaped, or kept at the feed the setting names. A kept rapid
        // becomes a feed move (the controller may split a rapid into axis
        // moves, a feed move goes straight), at the machine's highest feed
        // unless the table's highest is asked for.
        e = o.optAircut == kOptAirEscape ? 0 : 1;
        if (rapid) {
            f = e == 0 ? Truncated(step.feed) : KeptRapidFeed(o, feeds);
        } else {
            f = o.optAircut == kOptAirMaxOptF       ? Truncated(feeds.maxOptF)
                : o.optAircut == kOptAirMaxMachineF ? Truncated(feeds.maxMachineF)
                                                    : Truncated(step.feed);
        }
    }
    // Air where cuts escaped before left their material is air no more in
    // the written program: at the table's lowest feed.
    const bool throughLeft = !step.cut && out.escapeCutFeed > 0 &&
                             LeftNear(out, out.lastEnd, step.end, false) >
                                 std::min(out.lastEnd[2], step.end[2]) - kDescentMargin;
    if (throughLeft && e == 1) f = std::min(f, out.escapeCutFeed);
    if (out.writeData) Record(out, step, f, feeds.tool);

    OptimizeRun& run = out.pending;
    const int type = step.nurbs ? kLine : step.type;
    // An escape's pieces are written as kept steps would be: an air rapid
    // among them at a kept rapid's feed, a cutting feed step (OPT-CUT=ESCAPE)
    // at its programmed feed, not at the air's the feed choice gives it.
    long long pieceF = rapid && !step.cut ? KeptRapidFeed(o, feeds)
                       : step.cut && !rapid && e == 0 ? Truncated(step.feed)
                                                      : f;
    if (throughLeft) pieceF = std::min(pieceF, out.escapeCutFeed);
    if (run.escape >= 0 && run.escape == e) {
        if (e == 0) {
            AddEscapePiece(out, step, type, pieceF, feeds);
            if (step.cut) {
                out.escapeCutTop = std::max(out.escapeCutTop, step.highestCut);
                out.escapeCutFeed = Truncated(feeds.minOptF);
                MarkLeft(out, out.lastEnd, step);
            }
            run.end = step.end;
            out.lastEnd = step.end;
            return;
        }
        if (GoesOn(run, out.pendingEnded, step, type, f)) {
            run.end = step.end;
            out.pendingEnded = step.blockEnd;
            out.lastEnd = step.end;
            return;
        }
    }
    const Point start = out.lastEnd;
    WritePending(out, false);
    out.escapeCutTop = -std::numeric_limits<double>::infinity();
    if (e == 0) {
        if (step.cut) {
            out.escapeCutTop = step.highestCut;
            out.escapeCutFeed = Truncated(feeds.minOptF);
            MarkLeft(out, start, step);
        }
        out.escapePieces.clear();
        out.piecesLost = false;
        AddEscapePiece(out, step, type, pieceF, feeds);
    }
    run = RunOf(step, e, type, start, f);
    out.pendingEnded = step.blockEnd;
    out.lastEnd = step.end;
}

bool CloseOptimisedOutputs(OptimizedOutput& out, bool aborted) {
    WritePending(out, true);
    if (out.dataWriter) {
        if (!FinishCutDataWriter(*out.dataWriter, out.cutRecords, out.data, out.dataForm)) out.dataFailed = true;
        out.dataWriter.reset();
    }
    FormatCutRecords(out);
    if (out.format.delimiter != ' ' && out.format.delimiter != '\0') {
        Text(out, Format("%c\n", out.format.delimiter));
        if (!out.binary) out.dataBytes += Format("%c\n", out.format.delimiter);
    }
    Flush(out);
    // Each file on its own: a complete optimised NC is kept when only the
    // cut data could not be written, and the other way round.
    if (out.writeNc) {
        const int saved = FinishReplace(out.nc, !aborted && !out.ncFailed);
        // An aborted run's optimised NC is left out on purpose: not a failure.
        if (!aborted) out.ncFailed = saved != kFileSaved;
    }
    if (out.writeData) out.dataFailed = FinishReplace(out.data, !out.dataFailed) != kFileSaved;
    out.writeNc = out.writeData = false;
    return !out.ncFailed && !out.dataFailed;
}

std::string OptimizedFileName(const std::string& folder, bool automatic, const std::string& ncPath,
                              const std::string& fixedName, const std::string& suffix) {
    std::string name = fixedName;
    if (automatic) {
        name = FileTitle(ncPath);
        name = name.substr(0, name.find('.')) + "." + suffix;
    }
    return JoinPath(folder, name);
}

}  // namespace morvex
