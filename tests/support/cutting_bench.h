// A small cutting run for tests: a box work 20 x 20 x 10 at pitch 0.5, tool 1
// a 4 mm flat standing at X10 Y10 Z20, all checks off, messages to the batch
// log; the run's files go to one temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/run_control.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex::test {

constexpr float kBenchTop = 10.0f;

// The work spans 0..20 in X and Y at pitch 0.5: node (ix, iy) stands at (ix / 2, iy / 2).
inline std::size_t At(const WorkModel& w, double x, double y) {
    return NodeIndex(w, static_cast<int>(x * 2.0), static_cast<int>(y * 2.0));
}
inline float HeightAt(const WorkModel& w, double x, double y) {
    return w.height[At(w, x, y)];
}
inline bool PaintedAt(const WorkModel& w, double x, double y) {
    return (w.attr[At(w, x, y)] & kAttrPaint) != 0;
}

inline ToolDef Flat(float d, const char* name) {
    ToolDef t;
    t.defined = true;
    t.shape = kShapeFlat;
    t.d = d;
    t.h = 30.0f;
    t.pen = 2;
    t.name = name;
    return t;
}

struct Bench {
    TempDir dir;
    WorkModel work;
    ControllerDef ctl;
    ToolTable tools;
    RecordingHost host;
    RunSetup setup;
    CuttingRun run;

    Bench() {
        PitchSettings pitch;
        pitch.workPitch = 0.5;
        EXPECT_EQ(DefineBoxWork(work, BoxRequest{0, 0, 0, 20, 20, 10}, pitch, kDataLevelFull),
                  DefineWorkStatus::Ok);
        ctl.decimalPoint = 3;  // numbers as written
        ctl.readStatus = 1;
        tools.tools.resize(4);
        tools.tools[1] = Flat(4.0f, "FLAT4");
        setup.workPitch = 0.5;
        setup.checks = RunChecks{0, 0, 0, 0};
        setup.start = {10, 10, 20};
        setup.listFolder = dir.Dir();
        setup.delivery.batch = true;
        setup.delivery.logDir = dir.Dir();
        setup.lengthReport.folder = dir.Dir();
        setup.lengthReport.english = true;
    }
    ~Bench() { EndRun(run, host); }

    // Tool 1 sticks out 5 mm from a holder 20 mm across.
    void WithHolder() {
        ToolDef& t = tools.tools[1];
        t.length.kind = 1;
        t.length.len = {5.0f, 0, 0, 0, 0, 0};
        t.holder.defined = true;
        t.holder.count = 1;
        t.holder.dia[0] = 20.0f;
        t.holder.hgt[0] = 30.0f;
    }
    void Vertical(float tipWidth) {
        tools.tools[1].shape = kShapeVertical;
        tools.tools[1].tipWidth = tipWidth;
        tools.tools[1].name = "V4";
    }

    bool Start(const std::string& program) {
        setup.ncPath = dir.Write("p.nc", program);
        return StartRun(run, setup, work, ctl, tools);
    }
    RunState Loop() { return RunLoop(run, work, ctl, tools, host); }
    void End() { EndRun(run, host); }

    // Runs to an end state, resuming every pause; the program lines it paused after.
    std::vector<int> RunThrough() {
        std::vector<int> pausedAt;
        while (Loop() == RunState::Paused && pausedAt.size() < 1000) {
            pausedAt.push_back(run.interp.path.line);
            ResumeRun(run);
        }
        return pausedAt;
    }

    int Count(bool (*what)(float, std::uint8_t)) const {
        int n = 0;
        for (std::uint32_t i = 0; i < work.cellCount; ++i)
            n += what(work.height[i], work.attr[i]);
        return n;
    }
    int Lowered() const {
        return Count([](float h, std::uint8_t) { return h < kBenchTop; });
    }
    int Painted() const {
        return Count([](float, std::uint8_t a) { return (a & kAttrPaint) != 0; });
    }
    std::string List() const { return TempDir::Read(dir.Path("interference.txt")); }
};

}  // namespace morvex::test
