// The report command.
#include "frame/report_command.h"

#include <filesystem>
#include <system_error>

#include "base/messages.h"
#include "base/paths.h"
#include "frame/check_command.h"
#include "nc/nc_alarms.h"
#include "platform/host.h"
#include "results/report_file.h"

namespace morvex {

ReportValues ReportValuesOf(const App& app, const CheckResult& check) {
    ReportValues v;
    v.totals = check.totals;
    v.all = check.all;
    v.cut = check.cut;
    v.maxS = check.maxSpindle;
    v.g = check.g;
    v.m = check.m;
    v.tools = check.tools;
    v.h = check.h;
    v.d = check.d;
    v.lines = check.lines;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(app.launch.ncProgram, ec);
    v.nc = ec ? app.launch.ncProgram : full.lexically_normal().string();
    const auto size = std::filesystem::file_size(v.nc, ec);
    v.ncSize = ec ? 0 : static_cast<std::uint64_t>(size);
    v.ttl = app.settings.table.toolTable;
    v.ctl = app.settings.table.controllerTable;
    v.mtl = app.settings.table.machineTable;
    v.rapidFeedrate = app.settings.work.rapidFeedrate;
    for (int a = 0; a < 3; ++a) v.machineRapid[a] = app.machine.rapid[static_cast<std::size_t>(a)];
    // The table as the check left it: its G10 blocks count, as they did
    // for the check's own extents.
    if (check.work.empty()) {
        for (const WorkCoordinate& w : app.controller.work) v.workOffsets.push_back(Point{w.x, w.y, w.z});
    }
    for (const WorkCoordinate& w : check.work) v.workOffsets.push_back(Point{w.x, w.y, w.z});
    return v;
}

std::string WriteCuttingReport(const App& app, Host& host, const CheckResult& check) {
    const OutputSettings& o = app.settings.output;
    ReportFileSettings s;
    s.dir = o.verifyDir;
    s.suffix = o.verifySuffix;
    s.append = o.verifyAppend;
    s.automatic = o.verifyNamingMode == 2;
    const std::string path = ReportFileName(s, app.launch.ncProgram);
    // A report named like the program (FIXED naming) never replaces it.
    if (SameFile(path, app.launch.ncProgram)) {
        ShowError(host, std::string(Msg(MsgId::OutputWouldReplaceNc)) + path);
        return {};
    }
    ReportValues values = ReportValuesOf(app, check);
    const std::string settingsDir = app.locations.settingsFile.empty()
                                        ? app.locations.programDir
                                        : DirectoryPart(app.locations.settingsFile);
    const std::string templ = FindReportTemplate(app.locations.startDir, settingsDir);
    std::string text;
    if (templ.empty() || !ReadReportTemplate(templ, text)) {
        text = BuiltInReport(values, IsEnglish());
    } else {
        text = ExpandReport(text, values);
    }
    if (!WriteReportFile(path, text, s.append, s.automatic ? std::string() : s.dir)) {
        MessageRequest request;
        request.text = std::string(Msg(MsgId::WriteProtect));
        if (host.IsUnattended()) request.text += " " + path;
        request.caption = path;
        request.kind = MessageKind::Error;
        host.ShowMessage(request);
        return {};
    }
    return path;
}

namespace {

// The data check a report is written from; false (told) when the program
// cannot be checked.
bool CheckForReport(const App& app, Host& host, CheckResult& result) {
    if (app.controller.readStatus != 1) {
        ShowError(host, std::string(Msg(MsgId::CtlNotFound)) + " " + app.settings.table.controllerTable);
        return false;
    }
    ControllerDef ctl = app.controller;  // the check may change offsets
    if (app.launch.ncProgram.empty() ||
        CheckProgram(CheckInputOf(app, kCheckData), ctl, app.machine, CheckToolsOf(app), result) != 0) {
        ShowError(host, std::string(Msg(MsgId::NcProgramNotOpened)) + app.launch.ncProgram);
        return false;
    }
    return true;
}

}  // namespace

int WriteProgramReport(App& app, Host& host, bool batch, int toldAlarm, int toldLine) {
    CheckResult result;
    if (!CheckForReport(app, host, result)) return 2;
    // The check's NC error is told as the check found it, before the
    // report is written, and also when the report cannot be; not again
    // when a run just ended at that very error.
    const bool told = toldAlarm == result.error + kNcAlarmBase && toldLine == result.errorLine;
    if (result.error != 0 && !told) ShowCheckAlarm(app, host, result, batch);
    if (WriteCuttingReport(app, host, result).empty()) return 2;
    return result.error == 0 ? 0 : 1;
}

int RunReportCommand(App& app, Host& host) { return WriteProgramReport(app, host, true); }

}  // namespace morvex
