// The normal offset of a 1000 x 1000 work at 0.1 mm pitch, by radius (1 and
// 3 mm) and thread count (the bands of threadno).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "workops/offset.h"

namespace {

using namespace morvex;

void BM_NormalOffset(benchmark::State& state) {
    const int n = 1000;
    std::vector<float> surface(static_cast<std::size_t>(n) * n);
    for (int iy = 0; iy < n; ++iy) {
        for (int ix = 0; ix < n; ++ix) {
            surface[static_cast<std::size_t>(iy) * n + ix] =
                static_cast<float>(15.0 + 2.0 * std::sin(ix * 0.01) * std::cos(iy * 0.01));
        }
    }
    OffsetRun run;
    run.value = static_cast<double>(state.range(0));
    run.threads = static_cast<int>(state.range(1));
    std::vector<float> heights;
    for (auto _ : state) {
        state.PauseTiming();
        heights = surface;
        state.ResumeTiming();
        int rows = 0;
        if (OffsetHeights(heights.data(), n, n, 0.1, run, rows) != OffsetStatus::Ok) std::abort();
        benchmark::DoNotOptimize(heights[500500]);
    }
}
BENCHMARK(BM_NormalOffset)
    ->ArgNames({"mm", "threads"})
    ->Args({1, 0})
    ->Args({1, 2})
    ->Args({3, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
