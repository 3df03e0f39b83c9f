// The simulation, modifier and network-switch commands of plug-in modules.
//
// Implementation notes: the simulation command is a run of the program's own
// (interpreter, tool changes, stop and escape keys) whose sweep is replaced
// by the module through RunSetup::cutInstead. It runs from the program's
// start to its end in one go: the module holds the work's arrays from
// GETWORK to END, so the run does not stay paused or wait for a wait file
// with the window free. The heights are checked once, after END, against a
// copy taken before the module saw them (one pass over the grid, against
// one pass per motion).
#include "frame/plugin_commands.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "frame/run_command.h"
#include "frame/startup.h"
#include "nc/spline.h"
#include "platform/host.h"
#include "sim/module_tool.h"

namespace morvex {
namespace {

constexpr double kSplineTolerance = 0.001;  // mm, chord error of a spline handed to a module

// A copy of the heights (and the attributes and lines when asked), false
// when there is no memory for it.
struct WorkCopy {
    std::vector<float> height;
    std::vector<std::uint8_t> attr;
    std::vector<std::int32_t> lineNo;
};

bool CopyWork(const WorkModel& w, bool all, WorkCopy& copy) {
    try {
        copy.height.assign(w.height, w.height + w.cellCount);
        if (all) {
            copy.attr.assign(w.attr, w.attr + w.cellCount);
            if (w.lineNo != nullptr) copy.lineNo.assign(w.lineNo, w.lineNo + w.cellCount);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool HeightsDiffer(const WorkModel& w, const std::vector<float>& before) {
    if (before.size() != w.cellCount) return true;
    for (std::size_t i = 0; i < before.size(); ++i) {
        // Bitwise: a NaN the module left counts as a change too.
        if (std::memcmp(&before[i], &w.height[i], sizeof(float)) != 0) return true;
    }
    return false;
}

// The tool in the spindle, handed to the module at each tool change.
void TellTool(const SimEntries& e, const ToolDef& t, int number) {
    if (e.getTool != nullptr) {
        const MvTool m = ModuleToolOf(t, number);
        e.getTool(&m.number, &m.shape, &m.d, &m.r, &m.e, &m.f, &m.alpha, &m.beta, &m.tipWidth, &m.h, &m.shift);
    }
    if (e.getToolLen != nullptr) {
        const std::int32_t lengthKind = t.length.kind, limitKind = t.limit.kind, pen = t.pen;
        e.getToolLen(&lengthKind, t.length.len.data(), &limitKind, t.limit.value.data(), &pen);
    }
    if (e.getArbor != nullptr) {
        const ArborDef& a = t.holder;
        const std::int32_t defined = a.defined ? 1 : 0, kind = a.kind, count = a.count;
        std::int32_t cone[MV_ARBOR_SEGMENTS];
        for (int i = 0; i < MV_ARBOR_SEGMENTS; ++i) cone[i] = a.cone[static_cast<std::size_t>(i)];
        e.getArbor(&defined, &kind, &count, a.dia.data(), a.hgt.data(), cone);
    }
}

// The module's side of one run.
struct SimSession {
    const SimModule* module = nullptr;
    const PluginSet* plugins = nullptr;
    WorkModel* work = nullptr;
    std::int32_t param = 1;
    bool rapid = true, line = true, arc = true;
    int toolTold = -1;
    bool cut = false;
    bool stopped = false;  // a negative result
    int stopLine = 0;
    std::vector<Point> chords;

    // One motion (work coordinates) to CUTWORK; false when the module
    // stops. `cutNow` is set when it reports a cut.
    bool Cut(const CuttingRun& run, const MvMotion& motion, bool& cutNow) {
        const MvTool tool = ModuleToolOf(run.tool.tool, run.toolNumber);
        const std::int32_t nx = work->nx, ny = work->ny;
        std::int32_t result = 0;
        module->entry.cutWork(&param, &motion, &tool, work->height, work->attr, work->lineNo, &nx, &ny, &result);
        if (result < 0) {
            stopped = true;
            stopLine = motion.line;
            return false;
        }
        if (result > 0) cutNow = true;
        return true;
    }

    bool Motion(const CuttingRun& run, SweepFlags& flags) {
        // The window closed meanwhile: the modules have been told to free.
        if (plugins->freed) return false;
        if (run.toolNumber != toolTold) {
            toolTold = run.toolNumber;
            TellTool(module->entry, run.tool.tool, run.toolNumber);
        }
        const PathRecord& p = run.interp.path;
        const bool isArc = p.type == kArcCw || p.type == kArcCcw;
        const bool chosen = p.type == kRapid ? rapid : isArc ? arc : line;
        if (!chosen) return true;
        const int line = p.compensated ? -p.line : p.line;
        const Point& offset = run.interp.workOffset;
        const double shift = run.tool.shift;
        bool cutNow = false;
        bool goOn = true;
        if (p.type == kSpline && p.spline != nullptr) {
            // The curve as its chords, each a line.
            SplinePolyline(*p.spline, kSplineTolerance, kMaxSplinePolylinePoints, chords);
            const double lift = p.toolEnd[2] - p.end[2];  // the length offset in force
            Point from = p.toolStart;
            for (Point q : chords) {
                q[2] += lift;
                goOn = Cut(run, MvMotionOf(MV_LINE, from, q, q, p.plane, line, p.feed, offset, shift), cutNow);
                if (!goOn) break;
                from = q;
            }
        } else {
            const int type = p.type == kSpline ? MV_LINE : p.type;
            goOn = Cut(run, MvMotionOf(type, p.toolStart, p.toolEnd, p.toolCentre, p.plane, line, p.feed, offset,
                                       shift), cutNow);
        }
        if (cutNow) {
            flags.cutDone = 1;
            cut = true;
        }
        return goOn;
    }
};

// The setup of a simulation run: result display, no checks and no stops of
// its own, one thread, every rapid handed over (the module chooses).
void MakeSimulationSetup(RunSetup& s) {
    s.runMode = kRunResult;
    s.fast = false;
    s.interactive = true;  // the escape key ends it
    s.stopMode = kStopNone;
    s.stopKey = -1;        // never down: the run does not pause for it
    s.checks.rapid = 0;
    s.checks.arbor = 0;
    s.checks.length = 0;
    s.checks.chip = 0;
    s.ignoreRapids = false;
    s.strips = 1;
    s.sound = false;
    s.watchedNode = -1;
    s.afterMotion = nullptr;
    s.observeStart = nullptr;
    s.observeStep = nullptr;
    s.groupStep = nullptr;
    s.pauseGroup = nullptr;
    s.stopGroup = nullptr;
    s.waitOver = nullptr;
}

void ShowRepair(Host& host, const HeightRepair& repair) {
    if (repair.Any()) ShowWarning(host, HeightRepairText(repair));
}

}  // namespace

std::string ModuleStoppedText(int line) {
    return IsEnglish() ? Format("The simulation module stopped the run at line %d.", line)
                       : Format("シミュレーションモジュールが%d行目で加工を中止しました。", line);
}

std::string HeightRepairText(const HeightRepair& r) {
    return IsEnglish()
               ? Format("The module left heights that cannot be used: %lld that were not numbers were put back, "
                        "%lld below the bottom of the work were raised to it.",
                        r.notNumbers, r.belowBottom)
               : Format("モジュールが使えない高さを残しました。数値でない%lld点を元に戻し、"
                        "被切削材の底より下の%lld点を底まで上げました。",
                        r.notNumbers, r.belowBottom);
}

PluginCommandResult RunSimulationCommand(App& app, Host& host, int index, const SimulationHooks& hooks) {
    PluginCommandResult result;
    if (index < 0 || index >= static_cast<int>(app.plugins.sims.size()) || app.plugins.freed) return result;
    const SimModule& module = app.plugins.sims[static_cast<std::size_t>(index)];
    const SimEntries& e = module.entry;
    if (e.getWork == nullptr || e.cutWork == nullptr || app.launch.ncProgram.empty()) return result;
    WorkModel& work = app.work;
    if (work.workState <= 0 || work.nx < 2 || work.ny < 2) {
        ShowWarning(host, Msg(MsgId::PleaseLoadWork));
        result.end = PluginCommandEnd::NoWork;
        return result;
    }
    SimSession session;
    session.module = &module;
    session.plugins = &app.plugins;
    session.work = &work;
    if (e.parameter != nullptr) {
        std::int32_t flag = 0;
        e.parameter(&flag);
        if (flag == 0) {
            result.end = PluginCommandEnd::Cancelled;
            return result;
        }
        session.param = flag;
    }
    if (e.pathType != nullptr) {
        std::int32_t rapid = 0, line = 0, arc = 0;
        e.pathType(&rapid, &line, &arc);
        session.rapid = rapid != 0;
        session.line = line != 0;
        session.arc = arc != 0;
    }
    WorkCopy before;
    if (!CopyWork(work, false, before)) {
        ShowError(host, Msg(MsgId::MemoryOver));
        result.end = PluginCommandEnd::NotStarted;
        return result;
    }
    // The run record is large and the interpreter keeps a reference to it.
    auto run = std::make_unique<CuttingRun>();
    auto adjust = [&](RunSetup& s) {
        if (hooks.adjust) hooks.adjust(s);
        MakeSimulationSetup(s);
        s.cutInstead = [&session](const CuttingRun& r, SweepFlags& flags) { return session.Motion(r, flags); };
    };
    // Backs the work up, opens the program and selects the first tool.
    if (!StartRunFromApp(app, host, *run, kRunResult, false, false, adjust)) {
        ShowError(host, std::string(Msg(MsgId::NcProgramNotOpened)) + app.launch.ncProgram);
        result.end = PluginCommandEnd::NotStarted;
        return result;
    }
    const std::int32_t nx = work.nx, ny = work.ny;
    const double pitch = work.pitch;
    const double origin[3] = {work.xMin, work.yMin, work.zMin};
    const double extent[3] = {work.xMax, work.yMax, work.zMax};
    std::int32_t param = session.param;
    e.getWork(&param, work.height, work.attr, work.lineNo, &nx, &ny, &pitch, origin, extent);
    if (e.start != nullptr) {
        param = session.param;
        e.start(&param);
    }
    session.toolTold = run->toolNumber;
    TellTool(e, run->tool.tool, run->toolNumber);
    if (hooks.started) hooks.started();
    RunLoop(*run, work, app.controller, app.tools, host);
    // Stops of the program (M00, the offset mark) and wait M-codes do not
    // hold a simulation command: it goes on to the end.
    while (run->state == RunState::Paused || run->state == RunState::Waiting) {
        if (run->state == RunState::Waiting) {
            std::error_code ec;
            std::filesystem::remove(run->waitFile, ec);
            run->waitFile.clear();
            run->state = RunState::Running;
        } else {
            ResumeRun(*run);
        }
        RunLoop(*run, work, app.controller, app.tools, host);
    }
    EndRun(*run, host);
    if (!app.plugins.freed && e.end != nullptr) e.end();
    if (hooks.ended) hooks.ended();

    result.repair = RepairHeights(work, before.height);
    result.changed = session.cut || HeightsDiffer(work, before.height);
    if (result.changed) work.workState = 2;
    result.end = run->state == RunState::Finished ? PluginCommandEnd::Done : PluginCommandEnd::Stopped;
    if (session.stopped) {
        result.stopLine = session.stopLine;
        ShowWarning(host, ModuleStoppedText(std::abs(session.stopLine)));
    }
    ShowRepair(host, result.repair);
    return result;
}

PluginCommandResult RunModifierCommand(App& app, Host& host, int index) {
    PluginCommandResult result;
    if (index < 0 || index >= static_cast<int>(app.plugins.modifiers.size()) || app.plugins.freed) return result;
    const ModifierModule& module = app.plugins.modifiers[static_cast<std::size_t>(index)];
    const ModifierEntries& e = module.entry;
    if (e.modWork == nullptr) return result;
    WorkModel& work = app.work;
    if (work.workState <= 0 || work.nx < 2 || work.ny < 2) {
        ShowWarning(host, Msg(MsgId::PleaseLoadWork));
        result.end = PluginCommandEnd::NoWork;
        return result;
    }
    if (e.parameter != nullptr) {
        std::int32_t flag = 0;
        e.parameter(&flag);
        if (flag == 0) {
            result.end = PluginCommandEnd::Cancelled;
            return result;
        }
    }
    WorkCopy before;
    if (!CopyWork(work, true, before)) {
        ShowError(host, Msg(MsgId::MemoryOver));
        result.end = PluginCommandEnd::NotStarted;
        return result;
    }
    Backup(work, Point{}, Point{});
    // Only a module that asked for it at INIT is handed the basic model.
    if (module.wantsBasicModel && e.getBasicModel != nullptr) {
        const bool present = work.basicHeight.size() == work.cellCount && work.cellCount > 0;
        const std::int32_t flag = present ? 1 : 0;
        e.getBasicModel(present ? work.basicHeight.data() : nullptr, &flag);
    }
    MvWork view = MvWorkOf(work);
    std::int32_t flag = 0;
    e.modWork(&view, &flag);
    if (flag == 0) {
        // Nothing changed, as the module says: whatever it wrote goes.
        std::copy(before.height.begin(), before.height.end(), work.height);
        std::copy(before.attr.begin(), before.attr.end(), work.attr);
        if (work.lineNo != nullptr && !before.lineNo.empty()) {
            std::copy(before.lineNo.begin(), before.lineNo.end(), work.lineNo);
        }
        result.end = PluginCommandEnd::Cancelled;
        return result;
    }
    result.repair = RepairHeights(work, before.height);
    RecomputeZMax(work);
    work.workState = 2;
    result.changed = true;
    result.end = PluginCommandEnd::Done;
    ShowRepair(host, result.repair);
    return result;
}

void ToggleNcCom(App& app, Host& host) {
    if (app.plugins.nccom.module.handle == nullptr) return;
    app.plugins.nccomEnabled = !app.plugins.nccomEnabled;
    ReloadDefinitionFile(app, host, DefinitionKind::ToolTable);
}

}  // namespace morvex
