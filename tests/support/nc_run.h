// Runs a small NC program through the interpreter for tests: every motion
// (also converted to the tool frame), the curve of every spline motion and
// how the run ended.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nc/interpreter.h"
#include "support/temp_dir.h"

namespace morvex::test {

struct Interpreted {
    std::vector<PathRecord> motions;  // spline pointers cleared; see `curves`
    std::vector<Point> offsets;       // the work offset each motion is placed with
    std::vector<SplineCurve> curves;
    MotionResult last = MotionResult::End;
    int error = 0;  // the pending error that stopped the run
};

struct RunOptions {
    InterpreterSetup setup;
    ToolWordForm tools;
    Point start{};
};

inline RunOptions WithSetup(const InterpreterSetup& setup) {
    RunOptions o;
    o.setup = setup;
    return o;
}

inline RunOptions WithTools(const ToolWordForm& tools) {
    RunOptions o;
    o.tools = tools;
    return o;
}

// Interprets `program` from `options.start` to its end or first error.
inline Interpreted Interpret(const std::string& program, ControllerDef& ctl, const RunOptions& options = {}) {
    TempDir dir;
    Interpreter in;
    in.setup = options.setup;
    EXPECT_TRUE(OpenNcProgram(in.reader, dir.Write("p.nc", program)));
    StartProgram(in, ctl, options.start);
    Interpreted run;
    for (int guard = 0; guard < 10000; ++guard) {
        run.last = NextMotion(in, ctl, options.tools);
        if (run.last != MotionResult::Motion) break;
        ToToolFrame(in);
        if (in.path.type == kSpline && in.path.spline != nullptr) run.curves.push_back(*in.path.spline);
        run.motions.push_back(in.path);
        run.motions.back().spline = nullptr;
        run.offsets.push_back(in.workOffset);
        if (in.reader.pendingError != kNcNoError) break;
    }
    run.error = in.reader.pendingError;
    return run;
}

}  // namespace morvex::test
