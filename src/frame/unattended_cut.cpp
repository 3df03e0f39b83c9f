// The unattended cutting run.
//
// Implementation notes: nobody can answer a pause, so a run without a user
// goes on after each pause (its interference-list entry is written) and
// takes no stop mode; a wait M-code still waits, polling every 100 ms, for
// the outside program to delete its wait file.
#include "frame/unattended_cut.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "frame/check_command.h"
#include "frame/run_command.h"
#include "nc/nc_alarms.h"
#include "platform/batch_log.h"
#include "platform/host.h"
#include "results/nc_check.h"
#include "workio/dmf_file.h"

namespace morvex {
namespace {

constexpr std::chrono::milliseconds kWaitPoll{100};

int Fail(Host& host, std::string_view text, const std::string& detail = {}) {
    ShowText(host, std::string(text) + detail);
    return 2;
}

PitchSettings PitchOf(const Settings& st) {
    PitchSettings p;
    p.workPitch = st.work.workPitch;
    p.autoWork = st.work.autoPitch;
    p.maximum = st.work.autoPitchCells;
    p.minimumPitch = st.work.minimumPitch;
    p.movePitch = st.work.movePitch;
    p.autoMove = st.work.autoMovePitch;
    p.moveRate = st.work.movePitchFactor;
    return p;
}

DmfContext DmfContextOf(const Settings& st) {
    DmfContext ctx;
    ctx.saveLevel = st.dmf.saveLevel;
    ctx.intHeights = st.dmf.valueTypeInt;
    ctx.shareMode = st.dmf.shareMode;
    return ctx;
}

// Where the tool stands before the first motion: /S, else the NEW CONTROL
// POINT rule of a loaded work (the start keys) or of a defined box.
void PlaceStart(App& app, bool loaded) {
    WorkSettings& w = app.settings.work;
    if (app.launch.controlPoint) return;  // CONTROL POINT already holds /S
    const int mode = loaded ? w.newControlPointStart : w.newControlPoint;
    const Vec3& sp = loaded ? w.specifiedPointStart : w.specifiedPoint;
    const Point current{w.controlPoint.x, w.controlPoint.y, w.controlPoint.z};
    const Point p = PlaceControlPoint(static_cast<ControlPointMode>(mode), app.work, current, Point{sp.x, sp.y, sp.z});
    w.controlPoint = Vec3{p[0], p[1], p[2]};
}

}  // namespace

int PrepareLaunchWork(App& app, Host& host) {
    const Settings& st = app.settings;
    const LaunchOptions& launch = app.launch;
    if (!launch.workFile.empty()) {
        if (!EndsWithNoCase(launch.workFile, ".dmf")) {
            return Fail(host, Msg(MsgId::WorkFormatNotAvailable), launch.workFile);
        }
        DmfContext ctx = DmfContextOf(st);
        const DmfStatus status = LoadDmf(launch.workFile, app.work, ctx);
        if (const auto message = DmfLoadMessage(status)) return Fail(host, Msg(*message), " " + launch.workFile);
        PlaceStart(app, true);
        return 0;
    }
    BoxRequest box;
    box.xMin = st.dmf.initialMin.x;
    box.yMin = st.dmf.initialMin.y;
    box.zMin = st.dmf.initialMin.z;
    box.xMax = st.dmf.initialMax.x;
    box.yMax = st.dmf.initialMax.y;
    box.zMax = st.dmf.initialMax.z;
    if (!launch.dNumbers.empty()) {
        if (launch.dNumbers.size() != 6) return Fail(host, Msg(MsgId::WorkDefinitionNumbers));
        const auto& d = launch.dNumbers;
        box = BoxRequest{d[0], d[1], d[2], d[3], d[4], d[5]};
    } else if (launch.dOption) {
        CheckResult check;
        ControllerDef ctl = app.controller;  // the check may change offsets; the run starts afresh
        if (CheckProgram(CheckInputOf(app, kCheckMinMax), ctl, app.machine, CheckToolsOf(app), check) != 0) {
            return Fail(host, Msg(MsgId::NcProgramNotOpened), launch.ncProgram);
        }
        const Vec3& m = st.work.workMargin;
        box = OptimumBoxFromExtents(check.cut.min, check.cut.max, Point{m.x, m.y, m.z}, box);
    }
    PitchSettings pitch = PitchOf(st);
    const DefineWorkStatus status = DefineBoxWork(app.work, box, pitch, st.dmf.dataLevel);
    if (const auto message = DefineWorkMessage(status)) return Fail(host, Msg(*message));
    app.workBox = box;
    app.settings.work.movePitch = pitch.movePitch;
    PlaceStart(app, false);
    return 0;
}

namespace {

// "\rline N  M motions" on a terminal.
void ShowProgress(const CuttingRun& run) {
    std::fprintf(stderr, "\rmorvex: line %d, %lld motions", run.interp.reader.programLine, run.motions);
    std::fflush(stderr);
}

}  // namespace

int RunUnattendedCut(App& app, Host& host) {
    LaunchOptions& launch = app.launch;
    if (!launch.ncProgramOpened) {
        AppendBatchLog(app.settings.output.logDir, FileTitle(launch.ncProgram),
                       launch.ncProgram + std::string(Msg(MsgId::NcDataMissing)));
        std::fprintf(stderr, "morvex: %s%s", launch.ncProgram.c_str(), std::string(Msg(MsgId::NcDataMissing)).c_str());
        return 2;
    }
    if (app.controller.readStatus != 1) {
        return Fail(host, Msg(MsgId::CtlNotFound), " " + app.settings.table.controllerTable);
    }
    // A run without its tools or holders would check nothing and say so
    // nowhere: both files are needed.
    if (app.tools.status != 1) return Fail(host, Msg(MsgId::TtlNotFound), " " + app.settings.table.toolTable);
    if (app.tools.arborStatus == -1) return Fail(host, Msg(MsgId::AtlNotFound), " " + app.tools.arborFile);
    if (!launch.outputWork.empty() && launch.outputFormat != OutputFormat::Dmf) {
        return Fail(host, Msg(MsgId::OutputFormatNotAvailable), launch.outputWork);
    }
    if (launch.reportMode != 0) ShowText(host, Msg(MsgId::ReportNotAvailable));
    if (const int status = PrepareLaunchWork(app, host); status != 0) return status;

    CuttingRun run;
    if (!StartRunFromApp(app, host, run, kRunResult, launch.autoRunMode == 7, true)) {
        return Fail(host, Msg(MsgId::NcProgramNotOpened), launch.ncProgram);
    }
    const bool progress = isatty(STDERR_FILENO) != 0;
    if (progress) run.setup.progress = ShowProgress;
    while (true) {
        const RunState state = RunLoop(run, app.work, app.controller, app.tools, host);
        if (state == RunState::Paused) {
            ResumeRun(run);
        } else if (state == RunState::Waiting) {
            ShowText(host, std::string(Msg(MsgId::WaitingForFile)) + run.waitFile);
            while (!WaitEnded(run)) std::this_thread::sleep_for(kWaitPoll);
        } else {
            break;
        }
    }
    EndRun(run, host);
    if (progress) {
        ShowProgress(run);
        std::fputc('\n', stderr);
    }
    int status = run.state == RunState::Finished ? 0 : 1;
    if (!launch.outputWork.empty()) {
        DmfContext ctx = DmfContextOf(app.settings);
        const int saved = SaveDmf(launch.outputWork, app.work, ctx);
        if (saved != kDmfSaved) {
            ShowText(host, std::string(Msg(MsgId::OutputNotWritten)) + launch.outputWork);
            status = 2;
        }
    }
    return status;
}

}  // namespace morvex
