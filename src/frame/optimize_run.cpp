// The optimised run.
#include "frame/optimize_run.h"

#include <system_error>

#include "base/messages.h"
#include "base/paths.h"
#include "nc/rapid_split.h"
#include "platform/host.h"

namespace morvex {
namespace {

std::string Folder(const std::string& folder, const App& app) {
    if (!folder.empty()) return folder;
    return app.settings.nc.ncDir.empty() ? DirectoryPart(app.launch.ncProgram) : app.settings.nc.ncDir;
}

// The file (or files) that could not be written.
std::string FailedPath(const OptimizeSession& session) {
    const bool nc = session.out.ncFailed && !session.ncPath.empty();
    const bool data = session.out.dataFailed && !session.dataPath.empty();
    if (nc && data) return session.ncPath + ", " + session.dataPath;
    return data ? session.dataPath : session.ncPath.empty() ? session.dataPath : session.ncPath;
}

// The run has ended: the outputs no longer look at its work.
void LeaveRun(OptimizeSession& session, const CuttingRun& run) {
    session.open = false;
    session.aborted = run.state != RunState::Finished;
    session.out.clearance = nullptr;
    session.out.rapidFloor = nullptr;
    session.out.markCut = nullptr;
    session.out.sliverFloor = nullptr;
    session.out.markLeft = nullptr;
    session.out.leftNear = nullptr;
    session.clearanceRun = nullptr;
}

}  // namespace

OptimizeOptions OptimizeOptionsOf(const App& app) {
    const OptimizeSettings& s = app.settings.optimize;
    OptimizeOptions o;
    o.optCut = s.optCut;
    o.optAircut = s.optAircut;
    o.cutData = s.cutData;
    o.optNc = s.optNc;
    o.torque = s.torqueValue;
    o.escapeWidth = s.escapeWidth > 0.0 ? s.escapeWidth : 3.0 * app.work.pitch;
    o.escapeHeight = s.escapeHeight;
    o.nodePitch = app.work.pitch;
    return o;
}

std::string OptimizedNcPath(const App& app) {
    const OptimizeSettings& s = app.settings.optimize;
    if (s.optNc == kOptNcNo) return {};
    return OptimizedFileName(Folder(s.optNcDir, app), s.optNcNameMode == 1, app.launch.ncProgram, "OPTNC.NC",
                             s.optNcSuffix);
}

std::string CutDataPath(const App& app) {
    const OptimizeSettings& s = app.settings.optimize;
    if (s.cutData == kCutDataNo) return {};
    const bool binary = s.cutData == kCutDataBinary || s.cutData == kCutDataBinaryOpen;
    return OptimizedFileName(Folder(s.cutDataDir, app), s.cutDataNameMode == 1, app.launch.ncProgram,
                             binary ? "CUTDATA.BIN" : "CUTDATA.TXT", binary ? s.cutDataSuffixBin : s.cutDataSuffixTxt);
}

bool PrepareOptimizedRun(App& app, Host& host, OptimizeSession& session, RunSetup& setup, WorkModel& work) {
    session = OptimizeSession{};
    session.ncPath = OptimizedNcPath(app);
    session.dataPath = CutDataPath(app);
    if (session.ncPath.empty() && session.dataPath.empty()) return true;
    // Neither may replace the program being cut (AUTO naming with the
    // program's own suffix, or an optimised program optimised again).
    for (const std::string* path : {&session.ncPath, &session.dataPath}) {
        if (SameFile(*path, app.launch.ncProgram)) {
            ShowError(host, std::string(Msg(MsgId::OutputWouldReplaceNc)) + *path);
            return false;
        }
    }
    if (SameFile(session.ncPath, session.dataPath)) {
        // Both under one name (AUTO naming with one suffix in one folder):
        // either would overwrite the other.
        ShowError(host, std::string(Msg(MsgId::OptimizedNotWritten)) + session.ncPath);
        return false;
    }
    OptimizeFormat format;
    format.units = app.controller.lengthIncrement;
    format.decimalPoint = app.controller.decimalPoint == 1 || app.controller.decimalPoint == 3;
    format.delimiter = app.controller.endOfRecord;
    if (app.machine.toolCodeMode != ToolCodeMode::Plain) {
        for (int d = 0; d < app.machine.offsetDigits && d < 9; ++d) format.toolWordScale *= 10;
    }
    format.toolChangeM06 = app.machine.atcType != AtcType::Direct;
    if (!OpenOptimisedOutputs(session.out, OptimizeOptionsOf(app), format, session.ncPath, session.dataPath,
                              setup.initialTool)) {
        ShowError(host, std::string(Msg(MsgId::OptimizedNotWritten)) + FailedPath(session));
        return false;
    }
    session.open = true;
    const std::array<float, 3>& maxFeed = app.machine.maxFeed;
    for (std::size_t n = 0; n < app.tools.tools.size(); ++n) {
        session.feeds.push_back(OptimizeFeedsOf(static_cast<int>(n), app.tools.tools[n], maxFeed));
    }
    OptimizedOutput& out = session.out;
    setup.observeStart = [&out](const CuttingRun&, const Point& start) { BeginOptimisedOutput(out, start); };
    // Escapes are rapids: straight only where the controller moves G00 so.
    const bool straight = app.controller.g00Mode == kG00Line;
    // Before each motion: a pending escape's height with the work as the
    // motion finds it (the hook above is this run's once a step was told).
    setup.observeMotion = [&session](const CuttingRun& run) {
        if (session.clearanceRun != &run) return;
        OptimizedOutput& o = session.out;
        // A first step through air moves a pending escape's end on before
        // anything could end the escape where it is now: its heights
        // would never be used.
        if (run.firstStepAir && run.firstStepEnd != o.pending.end) {
            o.clearanceKnown = false;
            return;
        }
        PrepareEscapeClearance(o);
    };
    setup.observeToolChange = [&session, &work](const CuttingRun& run, int tool) {
        session.out.workTop = WorkTopInRunFrame(run, work);
        ChangeOptimisedTool(session.out, tool);
    };
    setup.observeStep = [&session, &work, straight](const CuttingRun& run, const RunStep& s) {
        OptimizedOutput& o = session.out;
        o.workTop = WorkTopInRunFrame(run, work);
        // Made once per run: a new hook at every step costs an allocation.
        if (session.clearanceRun != &run || !o.clearance) {
            o.clearance = [&run, &work, straight](const Point& a, const Point& b, double margin) {
                return ClearanceHeight(run, work, a, b, margin, straight);
            };
            o.rapidFloor = [&run, &work, &session](const Point& exact, const Point& written, double slack,
                                                   double margin, bool cleared, bool stood) {
                return RapidFloor(run, work, exact, written, slack, margin, cleared, &session.edges, stood);
            };
            o.markCut = [&run, &work, &session](const Point& from, const Point& to, double shift) {
                MarkWrittenCut(run, work, from, to, shift, session.edges);
            };
            o.sliverFloor = [&run, &work](const Point& cutExact, const Point& cutWritten, const Point& written,
                                          double slack, double margin) {
                return SliverFloor(run, work, cutExact, cutWritten, written, slack, margin);
            };
            o.markLeft = [&run, &work, &session](const Point& from, const Point& to, double top) {
                MarkLeftCut(run, work, from, to, top, session.left);
            };
            o.leftNear = [&run, &work, &session, straight](const Point& from, const Point& to, bool rapid) {
                return LeftCutTop(run, work, from, to, straight || !rapid, session.left);
            };
            session.clearanceRun = &run;
        }
        OptimizeStep step;
        step.cut = s.cut;
        step.blockEnd = s.blockEnd;
        step.type = s.type;
        step.nurbs = s.spline;
        step.line = s.line;
        step.motion = s.motion;
        step.plane = s.plane;
        step.end = s.end;
        step.centre = s.centre;
        step.feed = s.feed;
        step.cutClass = s.cutClass;
        step.load = o.options.torque ? s.torqueLoad : s.volumeLoad;
        step.length = s.length;
        step.highestCut = s.highestCut;
        step.tool = run.toolNumber;
        const std::size_t tool = static_cast<std::size_t>(std::max(run.toolNumber, 0));
        static const OptimizeFeeds kNone;
        AddOptimisedStep(o, step, tool < session.feeds.size() ? session.feeds[tool] : kNone);
    };
    return true;
}

void BeginClosingOptimizedRun(OptimizeSession& session, const CuttingRun& run) {
    if (!session.open) return;
    LeaveRun(session, run);
    try {
        session.closing = std::jthread(
            [&session] { session.closed = CloseOptimisedOutputs(session.out, session.aborted); });
    } catch (const std::system_error&) {
        session.closed = CloseOptimisedOutputs(session.out, session.aborted);  // no thread to be had
    }
}

bool FinishOptimizedRun(App& app, Host& host, OptimizeSession& session, const CuttingRun& run, bool openViewers) {
    if (session.closing.joinable()) {
        session.closing.join();
    } else {
        if (!session.open) return true;
        LeaveRun(session, run);
        session.closed = CloseOptimisedOutputs(session.out, session.aborted);
    }
    const bool aborted = session.aborted;
    const bool ok = session.closed;
    const bool ncLeftOut = aborted && !session.ncPath.empty();
    // A file already under the name stays as it is: it may be anything.
    if (ncLeftOut) ShowError(host, std::string(Msg(MsgId::OptimizedNotWrittenAborted)) + session.ncPath);
    if (!ok) ShowError(host, std::string(Msg(MsgId::OptimizedNotWritten)) + FailedPath(session));
    if (openViewers) {
        const OptimizeSettings& s = app.settings.optimize;
        const bool ncWritten = !ncLeftOut && !session.out.ncFailed && !session.ncPath.empty();
        const bool dataWritten = !session.out.dataFailed && !session.dataPath.empty();
        if (s.optNc == kOptNcWriteOpen && ncWritten) host.OpenWithViewer(session.ncPath);
        if ((s.cutData == kCutDataTextOpen || s.cutData == kCutDataBinaryOpen) && dataWritten) {
            host.OpenWithViewer(session.dataPath);
        }
    }
    return ok;
}

}  // namespace morvex
