// The NC program's path as a cutting run moves it, replayed without cutting:
// the same interpreter set-up as the run (rapids split by G00MODE, canned
// cycles by the run mode), the same tool changes, so that the path drawn is
// the path that is cut.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "nc/controller_def.h"
#include "nc/interpreter.h"
#include "sim/run_control.h"
#include "sim/tool_def.h"

namespace morvex {

// What the path replay needs: the program, its controller (a copy: the
// replay may change offsets), how T words and tool changes read, the tool
// table for the tip positions, where the program starts and the run's
// interpreter set-up.
struct PathSource {
    std::string ncPath;
    ControllerDef controller;
    ToolWordForm toolWords;
    int atcType = 1;
    const ToolTable* tools = nullptr;
    int initialTool = 1;
    Point start{};
    double rapidFeedrate = 999999999.0;
    InterpreterSetup interpreter;
    ModuleReader reader;  // reads the program when active
    // The reader module's own path colours (0xRRGGBB: rapid, cutting and arc
    // motions, three each for the tool-tip, command-point and cutting path).
    bool useModuleColors = false;
    std::array<std::uint32_t, MV_PATH_COLORS> moduleColors{};
    long long maxMotions = -1;  // the replay ends after this many motions; all when negative
};

// The path source of a run of `setup` under `controller`.
PathSource PathSourceOf(const RunSetup& setup, const ControllerDef& controller, const ToolTable* tools);

// The tip's distance below the command point for `tool` of the table (0
// for no tool or no table).
double ToolShiftOf(const ToolTable* tools, int tool);

// One replayed motion: the record (tool frame filled), the work offset in
// force and the tool in the spindle.
using PathMotion = std::function<void(const PathRecord& motion, const Point& workOffset, int tool)>;

// Replays the program and calls `motion` for every motion the run moves
// (coordinate settings, which move nothing, are left out); the number of
// motions, -1 when the program cannot be opened. Stops at the first NC error.
int ReplayProgramPath(PathSource source, const PathMotion& motion);

}  // namespace morvex
