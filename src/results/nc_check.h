// The NC check: a whole program run through the interpreter without cutting,
// for its extents in machine coordinates and, in the data mode, its path
// lengths, machining times, feed extremes and the codes it uses.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "nc/controller_def.h"
#include "nc/module_reader.h"
#include "nc/path_record.h"
#include "results/machine_def.h"
#include "results/machining_time.h"

namespace morvex {

inline constexpr int kCheckData = 1;    // extents and statistics
inline constexpr int kCheckMinMax = 2;  // extents only

// The tools the check can change to, by tool number: whether the tool table
// defines it and how far its tip lies below the point the program controls.
// Without a table every tool number above 0 counts as defined, with length 0.
struct CheckTools {
    bool haveTable = false;
    std::vector<bool> defined;
    std::vector<double> length;  // mm
};

struct CheckExtents {
    Point min{9999999.0, 9999999.0, 9999999.0};
    Point max{-9999999.0, -9999999.0, -9999999.0};
};

struct CheckResult {
    int error = 0;      // the pending NC error that stopped the check, 0 none
    int errorLine = 0;  // program line counter at that error
    int errorColumn = 0;   // the character check's column (from 1) and byte, for its message
    char errorChar = 0;
    std::string errorReason;  // what the reader module did wrong (error 8)
    std::vector<std::string> notes;  // what a module handed over that was refused
    int lines = 0;      // NC lines read
    CheckExtents all;   // every motion, machine coordinates
    CheckExtents cut;   // feed motions below RAPID FEEDRATE
    // The highest end point of those feed motions, straight retracts left
    // out (machine Z): the stock top the program implies, as a plunge onto
    // it ends there.
    double cutTop = -9999999.0;
    MachiningTotals totals;
    double maxSpindle = 0.0;  // the largest S value read
    std::vector<int> tools, g, m, d, h;  // codes used, ascending
    // The controller's work coordinate table as the check left it (G10 may
    // have changed entries): what a report of this check shows.
    std::vector<WorkCoordinate> work;
};

struct CheckInput {
    std::string ncPath;
    int mode = kCheckData;
    Point start{};                       // where the program starts, work coordinates
    double rapidFeedrate = 999999999.0;  // mm/min
    double workPitch = 1.0;              // mm
    int initialTool = 1;
    ModuleReader reader;  // reads the program when active
    // The network tool data module's comment hook (see InterpreterSetup):
    // gets a block's text and the tool in use; returns the tool number it
    // defined with that tool's definition and length, or -1. Unset when
    // there is no such module.
    std::function<int(std::string_view block, int tool, bool& defined, double& length)> commentTools;
};

// Runs the check. Returns 0 when the program was read to its end or to an
// NC error (then result.error is set), -1 when the NC file cannot be opened.
// The controller's G10-set offsets change in memory as a run would change them.
[[nodiscard]] int CheckProgram(const CheckInput& input, ControllerDef& ctl, const MachineDef& machine,
                               const CheckTools& tools, CheckResult& result);

}  // namespace morvex
