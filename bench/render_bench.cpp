// Full redraw of a cut work: 1000 x 1000 and 2000 x 2000 nodes under the
// default view (A 315, B 45, perspective) fitted into 1200 x 900 pixels,
// with the drawing step of OPTIMIZE DOTS 3 and with every node drawn.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>

#include "view/offscreen_bitmap.h"
#include "view/surface_bands.h"
#include "view/work_picture.h"
#include "view/work_render.h"

namespace morvex {
namespace {

WorkModel CutWork(int nodes) {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 100.0 / (nodes - 1);
    if (DefineBoxWork(w, BoxRequest{0, 0, 0, 100, 100, 20}, pitch, kDataLevelMinimal) != DefineWorkStatus::Ok) {
        return w;
    }
    for (int iy = 0; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) {
            const double x = ix * w.pitch, y = iy * w.pitch;
            w.height[NodeIndex(w, ix, iy)] = static_cast<float>(15.0 + 2.0 * std::sin(x * 0.1) * std::cos(y * 0.1));
            w.attr[NodeIndex(w, ix, iy)] = 6;
        }
    }
    return w;
}

void BM_FullRedraw(benchmark::State& state) {
    const WorkModel w = CutWork(static_cast<int>(state.range(0)));
    ViewSettings st;
    st.display.displayGuidance = 0;  // keep the drawing step of OPTIMIZE DOTS
    ViewState v = PictureView(st, w, std::nullopt, 1200, 900);
    if (state.range(1) == 1) v.step = 1;
    QImage image = CreateOffscreenBitmap(1200, 900, st.colors[ColorKey::Background]);
    const RenderStyle style = RenderStyleOf(st, false);
    ProjectedGrid grid;
    ProjectGrid(w, v, grid);
    for (auto _ : state) {
        DrawWork(image, w, v, style, grid);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["step"] = v.step;
    state.counters["cells"] = static_cast<double>((grid.rows.size() - 1) * (grid.columns.size() - 1));
}
BENCHMARK(BM_FullRedraw)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3);

// The surface alone at step 1 on the 1000 x 1000 work, on the calling
// thread and on as many threads as the processors allow: what the drawing
// threads win where there are processors to spare.
void BM_SurfaceBands(benchmark::State& state) {
    const WorkModel w = CutWork(1000);
    ViewSettings st;
    st.display.displayGuidance = 0;
    ViewState v = PictureView(st, w, std::nullopt, 1200, 900);
    v.step = 1;
    QImage image = CreateOffscreenBitmap(1200, 900, st.colors[ColorKey::Background]);
    const RenderStyle style = RenderStyleOf(st, false);
    ProjectedGrid grid;
    ProjectGrid(w, v, grid);
    const int threads = state.range(0) == 1 ? 1 : SurfaceThreads(grid, image.rect());
    for (auto _ : state) {
        FillSurfaceInBands(image, image.rect(), w, v, style, grid, threads);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["threads"] = threads;
}
BENCHMARK(BM_SurfaceBands)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(3);

// The partial redraw after one motion: a ball D6 step at 0.1 mm pitch
// changes about 60 x 60 nodes of the 1000 x 1000 work.
void BM_PartialRedraw(benchmark::State& state) {
    WorkModel w = CutWork(1000);
    ViewSettings st;
    st.display.displayGuidance = 0;
    ViewState v = PictureView(st, w, std::nullopt, 1200, 900);
    if (state.range(0) == 1) v.step = 1;
    QImage image = CreateOffscreenBitmap(1200, 900, st.colors[ColorKey::Background]);
    const RenderStyle style = RenderStyleOf(st, false);
    ProjectedGrid grid;
    DrawWork(image, w, v, style, grid);
    const NodeRect changed{470, 470, 530, 530};
    float depth = 14.0f;
    for (auto _ : state) {
        for (int iy = changed.iy0; iy <= changed.iy1; ++iy) {
            for (int ix = changed.ix0; ix <= changed.ix1; ++ix) w.height[NodeIndex(w, ix, iy)] = depth;
        }
        depth -= 0.01f;
        benchmark::DoNotOptimize(RedrawRegion(image, w, v, style, grid, changed));
    }
    state.counters["step"] = v.step;
}
BENCHMARK(BM_PartialRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(3);

}  // namespace
}  // namespace morvex

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
