// Drawing the surface in bands on several threads: the picture is the one a
// single thread draws, bit for bit, for any number of threads, whole and
// within a rectangle, over hundreds of thread starts; under a watchdog that
// ends the process rather than let a thread that never returns hang the
// suite.
#include "view/surface_bands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "support/view_scene.h"

namespace morvex {
namespace {

// Waves, flat terraces, pens and paint: every kind of cell.
WorkModel Wavy() {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 0.25;
    EXPECT_EQ(DefineBoxWork(w, BoxRequest{0, 0, -10, 60, 45, 0}, pitch, kDataLevelFull), DefineWorkStatus::Ok);
    for (int iy = 0; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) {
            const double wave = -3.0 + 2.0 * std::sin(0.3 * ix * w.pitch) * std::cos(0.2 * iy * w.pitch);
            const bool terrace = (ix / 24 + iy / 20) % 3 == 0;
            w.height[NodeIndex(w, ix, iy)] = terrace ? -1.0f : static_cast<float>(wave);
            w.attr[NodeIndex(w, ix, iy)] = static_cast<std::uint8_t>((ix / 16) % 8 << 1 | ((ix + iy) % 9 == 0));
        }
    }
    return w;
}

TEST(SurfaceBands, ManyThreadsDrawWhatOneDraws) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, std::chrono::seconds(300), [&] { return done; })) {
            std::fputs("a drawing thread never returned\n", stderr);
            std::abort();
        }
    });
    const WorkModel w = Wavy();
    const RenderStyle style = RenderStyleOf(ViewSettings{}, false);
    const struct {
        float a, b;
        bool perspective;
        int step;
    } views[] = {{30, 35, false, 1}, {135, 70, true, 1}, {225, 50, false, 2}, {315, 45, true, 1}};
    const std::uint32_t background = 0xFF102030u;
    for (int round = 0; round < 5; ++round) {
        for (const auto& view : views) {
            ViewState v = test::MakeView(view.a, view.b, 5.0, 160, 120, 320, 240, view.perspective);
            v.centre = Vec3{30.0, 22.5, -5.0};
            v.step = view.step;
            ProjectedGrid grid;
            ProjectGrid(w, v, grid);
            for (const QRect reach : {QRect(0, 0, 320, 240), QRect(37, 51, 150, 101)}) {
                QImage one(320, 240, QImage::Format_RGB32);
                one.fill(background);
                FillSurfaceInBands(one, reach, w, v, style, grid, 1);
                EXPECT_NE(one.pixel(reach.center()), background) << view.a;  // something to compare
                for (int threads = 2; threads <= 7; ++threads) {
                    QImage many(320, 240, QImage::Format_RGB32);
                    many.fill(background);
                    FillSurfaceInBands(many, reach, w, v, style, grid, threads);
                    EXPECT_TRUE(many == one) << view.a << "/" << view.b << " by " << threads << " threads";
                }
            }
        }
    }
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
}

}  // namespace
}  // namespace morvex
