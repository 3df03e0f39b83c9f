// Normal and horizontal offsets: against a node-by-node reference on a
// rough surface for both signs, the same bit for bit on 0 to 4 threads,
// nodes without a model left out, and stops from the caller that leave
// every row done or untouched (under a watchdog).
#include "workops/offset.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace morvex {
namespace {

std::vector<float> Rough(int nx, int ny, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 3.0f);
    std::vector<float> h(static_cast<std::size_t>(nx) * ny);
    for (float& v : h) v = d(rng);
    return h;
}

// The offset as written down: every neighbour within |r|, one by one.
float Reference(const std::vector<float>& h, int nx, int ny, double pitch, OffsetKind kind, double r, int ix, int iy) {
    const int reach = static_cast<int>(std::floor(std::fabs(r) / pitch * (1.0 + 1e-12)));
    double best = r > 0.0 ? -HUGE_VAL : HUGE_VAL;
    for (int dj = -reach; dj <= reach; ++dj) {
        for (int di = -reach; di <= reach; ++di) {
            const int jx = ix + di, jy = iy + dj;
            const double d2 = (1.0 * di * di + 1.0 * dj * dj) * pitch * pitch;
            // At most r away, up to rounding.
            if (jx < 0 || jy < 0 || jx >= nx || jy >= ny || d2 > r * r * (1.0 + 1e-12)) continue;
            const float v = h[static_cast<std::size_t>(jy) * nx + jx];
            if (v <= kNoModelHeight) continue;
            const double lift = kind == OffsetKind::Normal ? std::copysign(std::sqrt(std::max(0.0, r * r - d2)), r) : 0.0;
            best = r > 0.0 ? std::max(best, v + lift) : std::min(best, v + lift);
        }
    }
    return static_cast<float>(best);
}

TEST(Offset, MatchesTheNodeByNodeRuleOnEveryThreadCount) {
    const int nx = 37, ny = 23;
    const double pitch = 0.1;
    std::vector<float> h = Rough(nx, ny, 7);
    h[5 * nx + 9] = -100000.0f;  // no model here
    for (OffsetKind kind : {OffsetKind::Normal, OffsetKind::Horizontal}) {
        for (double r : {0.35, -0.42, 1.0}) {
            std::vector<float> first;
            for (int threads = 0; threads <= 4; ++threads) {
                std::vector<float> out = h;
                OffsetRun run;
                run.kind = kind;
                run.value = r;
                run.threads = threads;
                int rows = 0;
                ASSERT_EQ(OffsetHeights(out.data(), nx, ny, pitch, run, rows), OffsetStatus::Ok);
                ASSERT_EQ(rows, ny);
                if (threads == 0) {
                    for (int iy = 0; iy < ny; ++iy) {
                        for (int ix = 0; ix < nx; ++ix) {
                            const float want = (ix == 9 && iy == 5) ? -100000.0f
                                                                    : Reference(h, nx, ny, pitch, kind, r, ix, iy);
                            ASSERT_NEAR(out[static_cast<std::size_t>(iy) * nx + ix], want, 2e-6)
                                << ix << "," << iy << " r " << r;
                        }
                    }
                    first = out;
                } else {
                    ASSERT_EQ(out, first) << threads << " threads";
                }
            }
        }
    }
    // A plane offset along its normal by r lies r higher everywhere.
    std::vector<float> plane(static_cast<std::size_t>(nx) * ny, 4.0f);
    OffsetRun run;
    run.value = 0.5;
    run.threads = 2;
    int rows = 0;
    ASSERT_EQ(OffsetHeights(plane.data(), nx, ny, pitch, run, rows), OffsetStatus::Ok);
    for (float v : plane) ASSERT_EQ(v, 4.5f);
}

TEST(Offset, WorkOffsetClearsChangedNodesAndTheBottomFollows) {
    WorkModel w;
    w.pitch = 0.5;
    ASSERT_TRUE(AllocateWork(w, 6, 5, kDataLevelFull, true));
    w.zMin = 0.0;
    std::fill_n(w.height, w.cellCount, 2.0f);
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0x21});
    std::fill_n(w.lineNo, w.cellCount, 7);
    w.height[8] = 0.25f;
    OffsetRun run;
    run.value = -1.0;
    run.threads = 2;
    ASSERT_EQ(OffsetWork(w, run, false), OffsetStatus::Ok);
    EXPECT_EQ(w.height[29], 1.0f);  // more than r from the pit
    EXPECT_EQ(w.height[20], 0.25f);  // exactly r below it: the ball's side
    EXPECT_NEAR(w.height[1], 0.25 - std::sqrt(0.5), 1e-6);
    EXPECT_EQ(w.height[8], -0.75f);
    EXPECT_DOUBLE_EQ(w.zMin, -0.75);
    EXPECT_EQ(w.attr[29], 0);
    EXPECT_EQ(w.lineNo[29], 0);
    EXPECT_DOUBLE_EQ(w.zMax, 1.0);
    // Only painted nodes take the offset.
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0});
    w.attr[0] = kAttrPaint;
    run.kind = OffsetKind::Horizontal;
    run.value = 2.0;
    ASSERT_EQ(OffsetWork(w, run, true), OffsetStatus::Ok);
    EXPECT_EQ(w.height[0], 1.0f);
    EXPECT_EQ(w.height[8], -0.75f);
    // Absurd radii are refused before any work.
    run.value = 1e9;
    EXPECT_EQ(OffsetWork(w, run, false), OffsetStatus::Ok);  // the kernel stops at the grid's size
    w.pitch = 1e-6;
    EXPECT_EQ(OffsetWork(w, run, false), OffsetStatus::Ok);
}

// Stops at any moment: every row is either all new or all old, the rows
// reported done hold the full result, and no offset outlives its call.
TEST(Offset, StopsLeaveWholeRowsAndNeverHang) {
    std::atomic<long long> progress{0};
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        long long seen = -1;
        auto last = std::chrono::steady_clock::now();
        while (!finished.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const long long now = progress.load();
            if (now != seen) {
                seen = now;
                last = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - last > std::chrono::seconds(10)) {
                std::fprintf(stderr, "an offset hung after %lld runs\n", now);
                std::abort();
            }
        }
    });
    const int nx = 300, ny = 90;
    const std::vector<float> h = Rough(nx, ny, 11);
    std::vector<float> full = h;
    OffsetRun whole;
    whole.value = 0.8;
    whole.threads = 1;
    int rows = 0;
    ASSERT_EQ(OffsetHeights(full.data(), nx, ny, 0.05, whole, rows), OffsetStatus::Ok);
    int stopped = 0;
    for (int i = 0; i < 200; ++i) {
        std::vector<float> out = h;
        OffsetRun run = whole;
        run.threads = i % 5;
        run.pollEvery = std::chrono::milliseconds(i % 2);
        int polls = 0;
        const int stopAt = i % 7;  // at one of the first polls
        run.poll = [&] { return polls++ >= stopAt; };
        const OffsetStatus status = OffsetHeights(out.data(), nx, ny, 0.05, run, rows);
        ASSERT_TRUE(status == OffsetStatus::Ok || status == OffsetStatus::Stopped);
        int newRows = 0;
        for (int iy = 0; iy < ny; ++iy) {
            const auto row = static_cast<std::size_t>(iy) * nx;
            const bool isNew = std::equal(out.begin() + row, out.begin() + row + nx, full.begin() + row);
            const bool isOld = std::equal(out.begin() + row, out.begin() + row + nx, h.begin() + row);
            ASSERT_TRUE(isNew || isOld) << "row " << iy << " half done";
            newRows += isNew && !isOld;
        }
        EXPECT_EQ(newRows, rows);
        if (status == OffsetStatus::Stopped) ++stopped;
        progress.fetch_add(1);
    }
    finished.store(true);
    watchdog.join();
    std::printf("%d of 200 offsets were stopped before their end\n", stopped);
    EXPECT_GT(stopped, 0);
}

}  // namespace
}  // namespace morvex
