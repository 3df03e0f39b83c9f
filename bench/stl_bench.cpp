// STL models: loading a binary model of about a million facets onto a
// 1001 x 1001 grid (two passes over the file and the rasterisation), and
// writing a 1000 x 1000 work as a binary STL. Files go to the temporary
// folder; the write includes its flush to the disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "workio/stl_file.h"

namespace {

using namespace morvex;

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("morvex-bench-") + std::to_string(::getpid()) + "-" + name))
        .string();
}

// A wavy work of n x n nodes over 100 x 100 mm.
WorkModel WavyWork(int n) {
    WorkModel w;
    w.pitch = 100.0 / (n - 1);
    if (!AllocateWork(w, n, n, kDataLevelMinimal, true)) std::abort();
    w.zMin = 0.0;
    for (int iy = 0; iy < n; ++iy) {
        for (int ix = 0; ix < n; ++ix) {
            w.height[NodeIndex(w, ix, iy)] = static_cast<float>(15.0 + 2.0 * std::sin(ix * w.pitch * 0.1) *
                                                                            std::cos(iy * w.pitch * 0.1));
        }
    }
    return w;
}

void BM_StlLoadBinary(benchmark::State& state) {
    // 708 x 708 nodes: 2 x 707^2 = 999,698 top facets and the walls.
    const std::string path = TempPath("model.stl");
    if (WriteStl(path, WavyWork(708), kStlBinaryLittle) != kFileSaved) std::abort();
    StlLoadOptions options;
    options.pitch = 0.1;
    options.dataLevel = kDataLevelMinimal;
    for (auto _ : state) {
        WorkModel w;
        if (LoadStlWork(path, options, w) != StlStatus::Ok || w.nx != 1001) std::abort();
        benchmark::DoNotOptimize(w.height[500]);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_StlLoadBinary)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StlWriteBinary(benchmark::State& state) {
    const WorkModel w = WavyWork(1000);
    const std::string path = TempPath("work.stl");
    for (auto _ : state) {
        if (WriteStl(path, w, kStlBinaryLittle) != kFileSaved) std::abort();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_StlWriteBinary)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
