// Replay of the program's path with the cutting run's interpreter set-up.
#include "sim/program_path.h"

#include <utility>

#include "nc/block_reader.h"
#include "nc/tool_change.h"

namespace morvex {
namespace {

constexpr long long kMaxMotions = 50'000'000;  // a replay always ends

}  // namespace

PathSource PathSourceOf(const RunSetup& setup, const ControllerDef& controller, const ToolTable* tools) {
    PathSource s;
    s.ncPath = setup.ncPath;
    s.controller = controller;
    s.toolWords = setup.toolWords;
    s.atcType = setup.atcType;
    s.tools = tools;
    s.initialTool = setup.initialTool;
    s.start = setup.start;
    s.rapidFeedrate = setup.checks.rapidFeedrate;
    s.interpreter = RunInterpreterSetup(setup);
    s.reader = setup.reader;
    return s;
}

double ToolShiftOf(const ToolTable* tools, int tool) {
    if (tools == nullptr || tool < 1 || tool >= static_cast<int>(tools->tools.size())) return 0.0;
    const ToolDef& t = tools->tools[static_cast<std::size_t>(tool)];
    return t.defined ? t.shift : 0.0;
}

int ReplayProgramPath(PathSource source, const PathMotion& motion) {
    Interpreter in;
    if (!OpenNcProgram(in.reader, source.ncPath, source.reader)) return -1;
    in.setup = source.interpreter;
    // Nothing is written while a path is only drawn, and no work decides a rapid's corner.
    in.setup.alarms = nullptr;
    in.setup.rapidCorner = nullptr;
    StartProgram(in, source.controller, source.start);
    int tool = source.initialTool, preselected = source.initialTool;
    int count = 0;
    for (long long guard = 0; guard < kMaxMotions; ++guard) {
        if (source.maxMotions >= 0 && count >= source.maxMotions) break;
        if (NextMotion(in, source.controller, source.toolWords) != MotionResult::Motion) break;
        PathRecord& p = in.path;
        const int change = ToolChangeOf(source.atcType, source.toolWords, p, preselected);
        if (change >= 0) tool = change;
        ToToolFrame(in);
        if (in.reader.pendingError != kNcNoError && p.error == kNcNoError) break;
        // The run moves nothing for a coordinate setting.
        const bool g92 = in.words.nonModalG == 92 && in.queue.empty();
        if (!g92 && p.error == kNcNoError) {
            motion(p, in.workOffset, tool);
            ++count;
        }
        if (in.reader.pendingError != kNcNoError) break;
    }
    return count;
}

}  // namespace morvex
