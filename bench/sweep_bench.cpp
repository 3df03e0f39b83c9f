// Cutting-sweep throughput. Counters: "nodes/s" is the number of grid nodes
// the sweep evaluated (inside the node box of the motion, quick-rejected or
// not) per second; "lowered/s" the nodes actually lowered per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "sim/cut_motion.h"
#include "sim/sweep_workers.h"

namespace morvex {
namespace {

constexpr double kTop = 20.0;

WorkModel MakeWork(double size, double pitch) {
    WorkModel w;
    w.nx = w.ny = static_cast<int>(size / pitch + 1.5);
    w.lastX = w.nx - 1;
    w.lastY = w.ny - 1;
    w.pitch = pitch;
    w.cellCount = static_cast<std::uint32_t>(w.nx * w.ny);
    w.zMax = kTop;
    w.heightA.assign(w.cellCount, static_cast<float>(kTop));
    w.attrA.assign(w.cellCount, 0);
    w.height = w.heightA.data();
    w.attr = w.attrA.data();
    for (int i = 0; i < w.nx; ++i) w.nodeOffset.push_back(i * pitch);
    return w;
}

ToolProfile Tool(int shape, float d, float r) {
    ToolTable table;
    table.tools.resize(2);
    ToolDef& t = table.tools[1];
    t.defined = true;
    t.shape = shape;
    t.d = d;
    t.r = r;
    t.f = r;
    t.e = d / 2 - r;
    t.h = 40.0f;
    ToolProfile p;
    SelectTool(table, 1, 0.0, 0.0, nullptr, p);
    return p;
}

void Reset(WorkModel& w) { std::fill(w.heightA.begin(), w.heightA.end(), static_cast<float>(kTop)); }

std::size_t Lowered(const WorkModel& w) {
    std::size_t n = 0;
    for (float h : w.heightA) n += h < static_cast<float>(kTop);
    return n;
}

void Report(benchmark::State& state, double evaluated, double lowered) {
    state.counters["nodes/s"] = benchmark::Counter(evaluated, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["lowered/s"] = benchmark::Counter(lowered, benchmark::Counter::kIsIterationInvariantRate);
}

// Times one motion on a fresh 100 x 100 mm work at 0.1 mm: swept whole, or
// through the dispatch (stepped) when `options` is given.
void TimeMotion(benchmark::State& state, const ToolProfile& tool, const SweepMotionInput& m,
                const CutOptions* options, double evaluated) {
    WorkModel w = MakeWork(100.0, 0.1);
    SweepContext ctx;
    ctx.work = &w;
    ctx.tool = &tool;
    std::size_t lowered = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Reset(w);
        state.ResumeTiming();
        SweepFlags flags;
        if (options != nullptr) {
            CutMotion(ctx, m, *options, flags);
        } else {
            SweepMotion(ctx, m, flags);
        }
        state.PauseTiming();
        lowered = Lowered(w);
        state.ResumeTiming();
    }
    Report(state, evaluated, static_cast<double>(lowered));
}

// A 50 mm horizontal line with a 10 mm ball on a 0.1 mm grid, 3 mm deep.
void BM_HorizontalLineBall(benchmark::State& state) {
    SweepMotionInput m;
    m.type = kLine;
    m.p0 = {25, 50, 17};
    m.p1 = {75, 50, 17};
    TimeMotion(state, Tool(kShapeBall, 10.0f, 5.0f), m, nullptr, (60.0 / 0.1 + 1) * (10.0 / 0.1 + 1));
}
BENCHMARK(BM_HorizontalLineBall)->Unit(benchmark::kMillisecond);

// A half circle of radius 20 with a 10 mm ball on a 0.1 mm grid, 3 mm deep.
void BM_ArcBall(benchmark::State& state) {
    SweepMotionInput m;
    m.type = kArcCcw;
    m.centre = {50, 50, 17};
    m.p0 = {70, 50, 17};
    m.p1 = {30, 50, 17};
    m.startDir = {1, 0, 0};
    m.startRadius = m.endRadius = 20.0;
    m.sweep = kPi;
    m.arcLength = 20.0 * kPi;
    TimeMotion(state, Tool(kShapeBall, 10.0f, 5.0f), m, nullptr, 501.0 * 501.0);
}
BENCHMARK(BM_ArcBall)->Unit(benchmark::kMillisecond);

// A 40 mm inclined line with a 10 mm flat end mill, stepped at 0.1 mm.
void BM_SteppedInclinedFlat(benchmark::State& state) {
    SweepMotionInput m;
    m.type = kLine;
    m.p0 = {30, 50, 19};
    m.p1 = {70, 50, 15};
    CutOptions options;
    options.movingPitch = 0.1;
    const double steps = 400.0;
    TimeMotion(state, Tool(kShapeFlat, 10.0f, 0.0f), m, &options, steps * (10.2 / 0.1 + 1) * (10.0 / 0.1 + 1));
}
BENCHMARK(BM_SteppedInclinedFlat)->Unit(benchmark::kMillisecond);

// A 3-D raster finishing pass: 6 mm ball (argument 0) or flat end mill
// (1) over 100 x 100 mm at 0.1 mm pitch, 0.3 mm step-over, segments of
// 0.5 mm following a wavy surface, on one strip or several (argument 2):
// the sweep alone, without reading the program. With loads (argument 3)
// the motions are stepped and each step's removed volume summed, as for
// an observer such as the optimised output: what that costs the sweep.
void BM_RasterFinishing(benchmark::State& state) {
    WorkModel w = MakeWork(100.0, 0.1);
    const ToolProfile tool = state.range(0) == 0 ? Tool(kShapeBall, 6.0f, 3.0f) : Tool(kShapeFlat, 6.0f, 0.0f);
    SweepContext ctx;
    ctx.work = &w;
    ctx.tool = &tool;
    CutOptions options;
    options.movingPitch = 0.1;
    if (state.range(2) != 0) {
        ctx.sumLoad = true;
        options.observeOnly = true;
        options.afterStep = [](const SweepFlags&, double, const Point&) { return true; };
    }
    SweepWorkers workers;
    if (state.range(1) > 1) {
        StartWorkers(workers, static_cast<int>(state.range(1)));
        options.workers = &workers;
    }
    auto surface = [](double x, double y) { return 15.0 + 2.0 * std::sin(x * 0.1) * std::cos(y * 0.1); };
    long long motions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Reset(w);
        state.ResumeTiming();
        motions = 0;
        for (double y = 0.0; y <= 100.0; y += 0.3) {
            Point from{0.0, y, surface(0.0, y)};
            for (double x = 0.5; x <= 100.0; x += 0.5) {
                SweepMotionInput m;
                m.type = kLine;
                m.p0 = from;
                m.p1 = {x, y, surface(x, y)};
                SweepFlags flags;
                CutMotion(ctx, m, options, flags);
                from = m.p1;
                ++motions;
            }
        }
    }
    state.counters["motions/s"] = benchmark::Counter(static_cast<double>(motions),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RasterFinishing)
    ->ArgsProduct({{0, 1}, {1, 2}, {0, 1}})
    ->ArgNames({"flat", "strips", "loads"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace morvex
