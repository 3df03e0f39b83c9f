// One mouse-move step of a hand tool, 5 mm wide, on a 1000 x 1000 work
// (100 mm at pitch 0.1) under the default view fitted into 1200 x 900
// pixels, drawn at step 1: the node under the pointer, the stroke from the
// last point's node and the partial redraw of what it changed (in the alarm
// colour for welding). The pointer moves 8 pixels per step; the work is put
// back after each step so that every step starts from the same surface.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <vector>

#include "sim/hand_tools.h"
#include "view/offscreen_bitmap.h"
#include "view/work_pick.h"
#include "view/work_picture.h"
#include "view/work_render.h"

namespace morvex {
namespace {

WorkModel WavyWork() {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 100.0 / 999.0;
    if (DefineBoxWork(w, BoxRequest{0, 0, 0, 100, 100, 20}, pitch, kDataLevelFull) != DefineWorkStatus::Ok) return w;
    for (int iy = 0; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) {
            const double x = ix * w.pitch, y = iy * w.pitch;
            w.height[NodeIndex(w, ix, iy)] = static_cast<float>(15.0 + 2.0 * std::sin(x * 0.1) * std::cos(y * 0.1));
        }
    }
    return w;
}

void BM_HandToolStep(benchmark::State& state) {
    WorkModel w = WavyWork();
    const std::vector<float> heights(w.height, w.height + w.cellCount);
    const std::vector<std::uint8_t> attrs(w.attr, w.attr + w.cellCount);
    ViewSettings st;
    st.display.displayGuidance = 0;
    ViewState v = PictureView(st, w, std::nullopt, 1200, 900);
    v.step = 1;
    QImage image = CreateOffscreenBitmap(1200, 900, st.colors[ColorKey::Background]);
    const HandTool tool = static_cast<HandTool>(state.range(0));
    RenderStyle style = RenderStyleOf(st, tool == HandTool::Welding);
    ProjectedGrid grid;
    DrawWork(image, w, v, style, grid);
    const HandToolParams params{tool, tool == HandTool::Welding ? 0.5f : 0.1f, 5.0f, 3};
    const ScreenPoint mid = Project(v, 50.0, 50.0, w.height[NodeIndex(w, 500, 500)]);
    const std::optional<GridCell> from = CellUnderPixel(v, w, mid.x, mid.y);
    if (!from) {
        state.SkipWithError("no node under the middle of the picture");
        return;
    }
    std::size_t nodes = 0;
    for (auto _ : state) {
        HandStroke stroke;
        BeginStroke(stroke, tool);
        stroke.continues = true;
        stroke.lastX = from->ix;
        stroke.lastY = from->iy;
        const std::optional<GridCell> to = CellUnderPixel(v, w, mid.x + 8, mid.y);
        const StrokeResult r = StrokeTo(w, stroke, params, to, nullptr);
        benchmark::DoNotOptimize(RedrawRegion(image, w, v, style, grid, NodeRect{r.ix0, r.iy0, r.ix1, r.iy1}));
        for (int iy = r.iy0; iy <= r.iy1; ++iy) {
            const std::size_t i = NodeIndex(w, r.ix0, iy), n = static_cast<std::size_t>(r.ix1 - r.ix0 + 1);
            std::copy_n(heights.begin() + static_cast<std::ptrdiff_t>(i), n, w.height + i);
            std::copy_n(attrs.begin() + static_cast<std::ptrdiff_t>(i), n, w.attr + i);
        }
        nodes = static_cast<std::size_t>(r.ix1 - r.ix0 + 1) * static_cast<std::size_t>(r.iy1 - r.iy0 + 1);
    }
    state.counters["changedNodes"] = static_cast<double>(nodes);
    state.counters["step"] = v.step;
}
BENCHMARK(BM_HandToolStep)
    ->Arg(static_cast<int>(HandTool::Welding))
    ->Arg(static_cast<int>(HandTool::Grinder))
    ->Arg(static_cast<int>(HandTool::Paper))
    ->Arg(static_cast<int>(HandTool::Brush))
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace morvex
