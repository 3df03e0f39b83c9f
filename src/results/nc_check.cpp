// The NC check run.
//
// Implementation notes: the check holds one motion at a time; nothing of the
// program is kept, so its memory does not grow with the program. Extents are
// taken in machine coordinates (tool frame plus the work offset) with the tip
// lowered by the current tool's length along Z: end points of rapids and
// lines, the bounding box of arcs (ends plus every axis extreme the sweep
// passes), and the points of splines. The cut extents take whole feed
// motions below RAPID FEEDRATE, start included. Tool changes follow the
// machine's ATC type: DIRECT changes on the T word, WAIT on M06 with the
// tool preselected by T, WAIT2 like WAIT but an M06 block with a T word
// changes to that tool at once.
#include "results/nc_check.h"

#include <algorithm>
#include <cmath>

#include "nc/interpreter.h"
#include "nc/spline.h"
#include "nc/tool_change.h"
#include "sim/module_tool.h"

namespace morvex {
namespace {

struct CheckRun {
    const CheckInput& input;
    ControllerDef& ctl;
    const MachineDef& machine;
    CheckTools tools;  // a reader module may change a tool's length
    CheckResult& result;
    Interpreter interp;
    MachiningTimer timer;
    ToolWordForm form;
    int tool = 0;
    int preselected = 0;
    double toolLength = 0.0;
    std::vector<bool> usedTools, usedD, usedH;
    std::vector<Point> points;  // spline points, reused
};

bool Defined(const CheckTools& tools, int n) {
    if (n <= 0) return false;
    if (!tools.haveTable) return true;
    return static_cast<std::size_t>(n) < tools.defined.size() && tools.defined[static_cast<std::size_t>(n)];
}

double LengthOf(const CheckTools& tools, int n) {
    if (!tools.haveTable || n <= 0 || static_cast<std::size_t>(n) >= tools.length.size()) return 0.0;
    return tools.length[static_cast<std::size_t>(n)];
}

void Mark(std::vector<bool>& flags, int n) {
    if (n < 0 || n >= 100000) return;
    if (static_cast<std::size_t>(n) >= flags.size()) flags.resize(static_cast<std::size_t>(n) + 1);
    flags[static_cast<std::size_t>(n)] = true;
}

std::vector<int> Listed(const std::vector<bool>& flags) {
    std::vector<int> out;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (flags[i]) out.push_back(static_cast<int>(i));
    }
    return out;
}

void Include(CheckExtents& e, const Point& p) {
    for (int a = 0; a < 3; ++a) {
        e.min[a] = std::min(e.min[a], p[a]);
        e.max[a] = std::max(e.max[a], p[a]);
    }
}

void ChangeTool(CheckRun& run, int n) {
    if (!Defined(run.tools, n)) return;
    run.tool = n;
    run.toolLength = LengthOf(run.tools, n);
    if (run.input.mode == kCheckData) {
        FlushFeedSegment(run.timer);
        AddToolChange(run.timer);
    }
}

// A reader module's data for tool n: only whether it is defined and its
// length matter here.
void TakeReaderTool(CheckRun& run, int n) {
    CheckTools& t = run.tools;
    if (!t.haveTable || n <= 0 || static_cast<std::size_t>(n) >= t.defined.size()) return;
    const auto i = static_cast<std::size_t>(n);
    ToolDef def;
    def.defined = t.defined[i];
    def.shift = static_cast<float>(t.length[i]);
    ApplyReaderTool(run.input.reader, n, def, run.result.notes);
    t.defined[i] = def.defined;
    t.length[i] = def.shift;
}

void FollowToolChange(CheckRun& run, const PathRecord& p) {
    if (p.toolWord >= 0) Mark(run.usedTools, ToolNumberOfWord(run.form, p.toolWord));
    if (p.moduleTool > 0) {
        Mark(run.usedTools, p.moduleTool);
        TakeReaderTool(run, p.moduleTool);
    }
    const int next = ToolChangeOf(static_cast<int>(run.machine.atcType), run.form, p, run.preselected);
    if (next >= 0) ChangeTool(run, next);
}

// A work point of the tool frame in machine coordinates, tip lowered.
Point Machine(const CheckRun& run, const Point& p) {
    Point m{};
    for (int a = 0; a < 3; ++a) m[a] = p[a] + run.interp.workOffset[a];
    m[2] -= run.toolLength;
    return m;
}

// Ends of the arc and every axis extreme its sweep passes.
void IncludeArc(CheckRun& run, const PathRecord& p, CheckExtents& e) {
    const int a = p.first;
    const int b = p.second;
    Include(e, Machine(run, p.toolStart));
    Include(e, Machine(run, p.toolEnd));
    const double start = std::atan2(p.toolStart[b] - p.toolCentre[b], p.toolStart[a] - p.toolCentre[a]);
    const double sign = p.type == kArcCw ? -1.0 : 1.0;
    for (int k = 0; k < 4; ++k) {
        const double angle = k * 0.5 * kPi;
        double delta = std::fmod(sign * (angle - start), 2.0 * kPi);
        if (delta < 0.0) delta += 2.0 * kPi;
        if (delta > p.sweep || p.sweep <= 0.0) continue;
        const double fraction = delta / p.sweep;
        const double radius = p.startRadius + (p.endRadius - p.startRadius) * fraction;
        Point q = p.toolStart;
        q[a] = p.toolCentre[a] + radius * std::cos(angle);
        q[b] = p.toolCentre[b] + radius * std::sin(angle);
        q[p.third] = p.toolStart[p.third] + (p.toolEnd[p.third] - p.toolStart[p.third]) * fraction;
        Include(e, Machine(run, q));
    }
}

void TakeMotion(CheckRun& run) {
    Interpreter& in = run.interp;
    PathRecord& p = in.path;
    FollowToolChange(run, p);
    ToToolFrame(in);
    if (in.radiusNumber > 0) Mark(run.usedD, in.radiusNumber);
    if (in.lengthNumber > 0) Mark(run.usedH, in.lengthNumber);

    const bool rapid = p.type == kRapid;
    const bool arc = p.type == kArcCw || p.type == kArcCcw;
    const bool spline = p.type == kSpline;
    const bool cut = !rapid && p.feed < run.input.rapidFeedrate;
    double splineLength = 0.0;
    if (spline) splineLength = SplinePathLength(p, run.points);

    // Extents.
    // A feed motion straight up (a retract at feed, a tapping cycle's way
    // out) leaves the material and says nothing about where its top is.
    const bool retract = p.toolEnd[2] > p.toolStart[2] && p.toolEnd[0] == p.toolStart[0] &&
                         p.toolEnd[1] == p.toolStart[1];
    if (cut && !retract) {
        run.result.cutTop = std::max(run.result.cutTop, Machine(run, p.toolEnd)[2]);
    }
    if (arc) {
        IncludeArc(run, p, run.result.all);
        if (cut) IncludeArc(run, p, run.result.cut);
    } else {
        Include(run.result.all, Machine(run, p.toolEnd));
        for (const Point& q : run.points) Include(run.result.all, Machine(run, q));
        if (cut) {
            Include(run.result.cut, Machine(run, p.toolStart));
            Include(run.result.cut, Machine(run, p.toolEnd));
            for (const Point& q : run.points) Include(run.result.cut, Machine(run, q));
        }
    }
    run.points.clear();
    if (run.input.mode != kCheckData) return;

    // Lengths and times.
    BookPathMotion(run.timer, p, splineLength, CycleBottomDwell(in.cycle.code, in.cycle.dwell));
}

void Finish(CheckRun& run) {
    CheckResult& r = run.result;
    r.lines = run.interp.reader.programLine;
    r.maxSpindle = run.interp.maxSpindle;
    if (run.input.mode == kCheckData) {
        FlushFeedSegment(run.timer);
        r.totals = run.timer.totals;
        r.tools = Listed(run.usedTools);
        r.d = Listed(run.usedD);
        r.h = Listed(run.usedH);
        for (int i = 0; i < kTrackedCodes; ++i) {
            if (run.interp.usedG[static_cast<std::size_t>(i)]) r.g.push_back(i);
            if (run.interp.usedM[static_cast<std::size_t>(i)]) r.m.push_back(i);
        }
    }
}

}  // namespace

int CheckProgram(const CheckInput& input, ControllerDef& ctl, const MachineDef& machine,
                 const CheckTools& tools, CheckResult& result) {
    result = CheckResult{};
    CheckRun run{input, ctl, machine, tools, result, {}, {}, {}, 0, 0, 0.0, {}, {}, {}, {}};
    run.form.withOffsetDigits = machine.toolCodeMode != ToolCodeMode::Plain;
    run.form.offsetDigits = machine.offsetDigits;
    run.tool = input.initialTool;
    run.toolLength = LengthOf(tools, input.initialTool);
    if (!OpenNcProgram(run.interp.reader, input.ncPath, input.reader)) return -1;
    run.interp.trackCodes = input.mode == kCheckData;
    run.interp.setup.checkOnly = true;
    run.interp.setup.runMode = 0;
    run.interp.setup.workPitch = input.workPitch;
    if (input.commentTools) {
        // A tool a comment defines counts as defined, with its length.
        run.interp.setup.commentHook = [&run](std::string_view block) {
            bool defined = false;
            double length = 0.0;
            const int n = run.input.commentTools(block, run.tool, defined, length);
            CheckTools& t = run.tools;
            if (!t.haveTable || n <= 0 || static_cast<std::size_t>(n) >= t.defined.size()) return;
            t.defined[static_cast<std::size_t>(n)] = defined;
            t.length[static_cast<std::size_t>(n)] = length;
            if (n == run.tool) run.toolLength = length;
        };
    }
    StartProgram(run.interp, ctl, input.start);
    StartMachiningTimer(run.timer, machine, input.rapidFeedrate, ctl.smoothAngle);
    while (true) {
        const MotionResult step = NextMotion(run.interp, ctl, run.form);
        if (step == MotionResult::Motion) {
            const bool g92 = run.interp.words.nonModalG == 92 && run.interp.queue.empty();
            if (!g92) TakeMotion(run);
        }
        const int error = run.interp.reader.pendingError;
        if (error != kNcNoError) {
            result.error = error;
            result.errorLine = run.interp.reader.programLine;
            result.errorColumn = run.interp.reader.errorColumn;
            result.errorChar = run.interp.reader.errorChar;
            result.errorReason = run.interp.reader.module.error;
            break;
        }
        if (step != MotionResult::Motion) break;
    }
    Finish(run);
    result.work.assign(ctl.work.begin(), ctl.work.end());
    return 0;
}

}  // namespace morvex
