// The setup of a machining run.
#include "frame/run_command.h"

#include "base/messages.h"
#include "base/paths.h"
#include "frame/startup.h"
#include "frame/sync_run.h"
#include "integration/nccom_tools.h"
#include "integration/reader_source.h"
#include "platform/host.h"

namespace morvex {

RunSetup MakeRunSetup(const App& app, int runMode, bool fast, bool batch) {
    const Settings& st = app.settings;
    const WorkSettings& w = st.work;
    RunSetup s;
    s.runMode = runMode;
    s.fast = fast;
    s.interactive = !batch;
    s.stopMode = batch ? kStopNone : app.controller.stopOption;
    s.checks.rapid = w.rapidInterferenceMode;
    s.checks.arbor = w.arborMode;
    s.checks.length = w.lengthMode;
    s.checks.chip = w.chipMode;
    s.checks.rapidFeedrate = w.rapidFeedrate;
    s.torqueLoad = st.optimize.torqueValue;
    s.workPitch = app.work.pitch;
    s.ignoreRapids = w.ignoreG00;
    s.movingPitch = w.autoMovePitch ? app.work.pitch * w.movePitchFactor : w.movePitch;
    s.strips = std::max(1, w.sweepThreads.count);
    // Clearances in SelectTool's form: a value, or the automatic one for the pitch.
    const double pitch = app.work.pitch;
    s.toolClearance = w.toolClearanceMode == 1 ? -pitch : (w.toolClearanceMode == 2 ? w.toolClearance : 0.0);
    s.arborClearance = w.arborClearanceMode == 1 ? -pitch : (w.arborClearanceMode == 2 ? w.arborClearance : 0.0);
    const MachineDef& m = app.machine;
    s.atcType = static_cast<int>(m.atcType);
    s.toolWords.withOffsetDigits = m.toolCodeMode != ToolCodeMode::Plain;
    s.toolWords.offsetDigits = m.offsetDigits;
    for (int a = 0; a < 3; ++a) {
        s.rapidRate[static_cast<std::size_t>(a)] = m.rapid[static_cast<std::size_t>(a)];
        s.rapidAccel[static_cast<std::size_t>(a)] = m.rapidAccel[static_cast<std::size_t>(a)];
    }
    const Vec3& c = w.controlPoint;
    s.start = Point{c.x, c.y, c.z};
    s.initialTool = app.tools.status == 1 ? app.tools.initialTool : 1;
    s.ncPath = app.launch.ncProgram;
    s.reader = ModuleReaderFor(app.plugins, app.launch.ncProgram);
    if (HasNcCom(app.plugins) && app.plugins.nccom.entry.tool != nullptr) {
        s.commentTools = [entries = app.plugins.nccom.entry](std::string_view block, int tool, ToolTable& table,
                                                             std::vector<std::string>& notes) {
            return ApplyNcComComment(entries, block, tool, table, notes);
        };
    }
    s.delivery.batch = batch;
    s.delivery.ncPath = app.launch.ncProgram;
    s.delivery.logDir = st.output.logDir;
    s.delivery.ncName = FileTitle(app.launch.ncProgram);
    s.lengthReport.folder = st.output.lengthDir;
    s.lengthReport.append = st.output.lengthAppend;
    s.lengthReport.namingMode = st.output.lengthNamingMode;
    s.lengthReport.english = IsEnglish();
    s.offsetListOption = app.controller.radiusCheckList;
    s.sound = w.sound && !batch;
    s.stopKey = w.stopKey;
    s.escapeKey = w.escapeKey;
    s.displayEvery = batch ? 0 : st.dmf.syncDisplay;
    return s;
}

bool StartRunFromApp(App& app, Host& host, CuttingRun& run, int runMode, bool fast, bool batch,
                     const std::function<void(RunSetup&)>& adjust) {
    if (app.work.workState <= 0) return false;
    RefreshDefinitionsForRun(app, host);
    RunSetup setup = MakeRunSetup(app, runMode, fast, batch);
    AttachSyncToRun(app, host, setup);
    if (adjust) adjust(setup);
    if (!StartRun(run, setup, app.work, app.controller, app.tools)) {
        if (setup.ended) setup.ended();  // what the run's start changed is put back
        run.setup.ended = nullptr;
        return false;
    }
    host.ShowStatus(std::string(Msg(MsgId::StatusCutting)));
    return true;
}

void RefreshDefinitionsForRun(App& app, Host& host) {
    DefinitionReload reload;
    reload.read = [&](DefinitionKind kind) { ReloadDefinitionFile(app, host, kind); };
    reload.refresh = [] {};
    CheckDefinitionFiles(app.definitions, host, reload, app.settings.work.sound, app.locations.startDir);
}

}  // namespace morvex
