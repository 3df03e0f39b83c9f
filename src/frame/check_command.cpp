// The --check command.
#include "frame/check_command.h"

#include <nlohmann/json.hpp>

#include "base/messages.h"
#include "base/paths.h"
#include "integration/nccom_tools.h"
#include "integration/reader_source.h"
#include "nc/nc_alarms.h"
#include "platform/host.h"

namespace morvex {

std::string CheckResultJson(const CheckResult& r) {
    const MachiningTotals& t = r.totals;
    // The keys keep the order in which they are documented.
    nlohmann::ordered_json j;
    j["error"] = r.error == 0 ? 0 : r.error + kNcAlarmBase;
    j["error_line"] = r.errorLine;
    j["lines"] = r.lines;
    j["min"] = r.all.min;
    j["max"] = r.all.max;
    j["cut_min"] = r.cut.min;
    j["cut_max"] = r.cut.max;
    j["rapidLength"] = t.rapidLength;
    j["feedLength"] = t.feedLength;
    j["rapidClassLength"] = t.rapidClassLength;
    j["cutClassLength"] = t.cutClassLength;
    j["rapidTime"] = t.rapidTime;
    j["feedTime"] = t.feedTime;
    j["rapidClassTime"] = t.rapidClassTime;
    j["cutClassTime"] = t.cutClassTime;
    j["maxProgramFeed"] = t.maxProgramFeed;
    j["maxCutFeed"] = t.maxCutFeed;
    j["minProgramFeed"] = t.minProgramFeed;
    j["tools"] = r.tools;
    j["g"] = r.g;
    j["m"] = r.m;
    j["d"] = r.d;
    j["h"] = r.h;
    return j.dump();
}

CheckInput CheckInputOf(const App& app, int mode) {
    CheckInput input;
    input.ncPath = app.launch.ncProgram;
    input.mode = mode;
    const Vec3& c = app.settings.work.controlPoint;
    input.start = Point{c.x, c.y, c.z};
    input.rapidFeedrate = app.settings.work.rapidFeedrate;
    input.workPitch = app.settings.work.workPitch;
    if (app.tools.status == 1) input.initialTool = app.tools.initialTool;
    input.reader = ModuleReaderFor(app.plugins, input.ncPath);
    if (HasNcCom(app.plugins) && app.plugins.nccom.entry.tool != nullptr && app.tools.status == 1) {
        // The check's own copy of the table, for the tools comments define.
        input.commentTools = [entries = app.plugins.nccom.entry, table = app.tools](
                                 std::string_view block, int tool, bool& defined, double& length) mutable {
            std::vector<std::string> notes;
            const int n = ApplyNcComComment(entries, block, tool, table, notes);
            for (const std::string& note : notes) std::fprintf(stderr, "morvex: plug-in %s\n", note.c_str());
            if (n < 1) return -1;
            const ToolDef& t = table.tools[static_cast<std::size_t>(n)];
            defined = t.defined;
            length = t.shift;
            return n;
        };
    }
    return input;
}

CheckTools CheckToolsOf(const App& app) {
    // Without a table every tool number counts as defined.
    CheckTools tools;
    if (app.tools.status != 1) return tools;
    tools.haveTable = true;
    for (const ToolDef& t : app.tools.tools) {
        tools.defined.push_back(t.defined);
        tools.length.push_back(t.shift);
    }
    return tools;
}

int RunCheckCommand(App& app, Host& host, std::FILE* out) {
    ControllerDef& ctl = app.controller;
    if (ctl.readStatus != 1) {
        ShowError(host, std::string(Msg(MsgId::CtlNotFound)) + " " + app.settings.table.controllerTable);
        return 2;
    }
    const CheckInput input = CheckInputOf(app, kCheckData);
    const CheckTools tools = CheckToolsOf(app);
    CheckResult result;
    if (input.ncPath.empty() || CheckProgram(input, ctl, app.machine, tools, result) != 0) {
        ShowError(host, std::string(Msg(MsgId::NcProgramNotOpened)) + input.ncPath);
        return 2;
    }
    for (const std::string& note : result.notes) std::fprintf(stderr, "morvex: plug-in %s\n", note.c_str());
    std::fprintf(out, "%s\n", CheckResultJson(result).c_str());
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        ShowError(host, Msg(MsgId::ResultNotWritten));
        return 2;
    }
    if (result.error == 0) return 0;
    ShowCheckAlarm(app, host, result);
    return 1;
}

void ShowCheckAlarm(const App& app, Host& host, const CheckResult& result, bool batch) {
    AlarmDelivery delivery;
    delivery.batch = batch;
    delivery.ncPath = app.launch.ncProgram;
    delivery.logDir = app.settings.output.logDir;
    delivery.ncName = FileTitle(app.launch.ncProgram);
    AlarmDetail detail;
    detail.programLine = result.errorLine;
    detail.column = result.errorColumn;
    detail.character = result.errorChar;
    detail.endOfRecord = app.controller.endOfRecord;
    detail.reason = result.errorReason;
    ShowAlarm(host, delivery, result.error + kNcAlarmBase, detail);
}

}  // namespace morvex
