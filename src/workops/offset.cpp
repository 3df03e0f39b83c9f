// Implementation notes:
// - The kernel is the disc of index offsets (di, dj) with (di² + dj²) ×
//   pitch² <= r², each with its lift: sqrt(r² - (di² + dj²) × pitch²) for
//   the normal offset (negated for r < 0), 0 for the horizontal one. A
//   node's new height is the maximum (r > 0) or minimum (r < 0) over the
//   kernel of neighbour + lift.
// - The input is copied once into a grid padded by the kernel's radius on
//   every side, where the padding and the no-model nodes hold -inf for a
//   maximum (+inf for a minimum): the inner loops then run over whole rows
//   without bounds tests or branches, and the compiler vectorises them.
// - Bands of rows, band i from ny·i/n to ny·(i+1)/n, run on threads of
//   their own; each writes only its rows of the result and reads only the
//   padded copy. The caller waits on a condition variable in slices of
//   100 ms (pollEvery), polling between them; a stop is a flag the bands test before
//   each row, so every row is either done or untouched.
#include "workops/offset.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace morvex {
namespace {

struct KernelRow {
    int dj = 0;
    std::vector<float> lift;  // for di = -half .. half
    int half = 0;
};

struct Kernel {
    int radius = 0;
    std::vector<KernelRow> rows;
    double entries = 0.0;
};

Kernel MakeKernel(OffsetKind kind, double r, double pitch, int limit) {
    Kernel k;
    const double r2 = r * r, p2 = pitch * pitch;
    const double reach = std::floor(std::fabs(r) / pitch * (1.0 + 1e-12));
    k.radius = static_cast<int>(std::min(reach, static_cast<double>(limit)));
    // A neighbour exactly r away belongs to the disc whatever the rounding
    // of r² and pitch² (1 mm at 0.1 mm is such a case).
    auto within = [&](double di, double dj) { return (di * di + dj * dj) * p2 <= r2 * (1.0 + 1e-12); };
    for (int dj = -k.radius; dj <= k.radius; ++dj) {
        KernelRow row;
        row.dj = dj;
        if (!within(0.0, dj)) continue;
        while (row.half < k.radius && within(row.half + 1.0, dj)) ++row.half;
        for (int di = -row.half; di <= row.half; ++di) {
            double lift = 0.0;
            if (kind == OffsetKind::Normal) {
                lift = std::sqrt(std::max(0.0, r2 - (1.0 * di * di + 1.0 * dj * dj) * p2));
                if (r < 0.0) lift = -lift;
            }
            row.lift.push_back(static_cast<float>(lift));
        }
        k.entries += static_cast<double>(row.lift.size());
        k.rows.push_back(std::move(row));
    }
    return k;
}

struct Padded {
    std::vector<float> v;
    int width = 0, pad = 0;
    const float* Row(int iy) const { return v.data() + static_cast<std::size_t>(iy + pad) * width + pad; }
};

// One output row from the padded input.
void OffsetRow(const Padded& in, const Kernel& k, bool upward, int nx, int iy, float* __restrict out,
               float* __restrict acc) {
    const float start = upward ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    std::fill_n(acc, nx, start);
    for (const KernelRow& row : k.rows) {
        const float* src = in.Row(iy + row.dj);
        for (int d = 0; d < static_cast<int>(row.lift.size()); ++d) {
            const float lift = row.lift[static_cast<std::size_t>(d)];
            const float* __restrict s = src + (d - row.half);
            if (upward) {
                for (int ix = 0; ix < nx; ++ix) acc[ix] = std::max(acc[ix], s[ix] + lift);
            } else {
                for (int ix = 0; ix < nx; ++ix) acc[ix] = std::min(acc[ix], s[ix] + lift);
            }
        }
    }
    const float* self = in.Row(iy);
    for (int ix = 0; ix < nx; ++ix) {
        // Nodes without a model keep their height.
        out[ix] = std::isfinite(self[ix]) ? acc[ix] : out[ix];
    }
}

}  // namespace

OffsetStatus OffsetHeights(float* heights, int nx, int ny, double pitch, const OffsetRun& run, int& rowsDone) {
    rowsDone = 0;
    if (heights == nullptr || nx < 1 || ny < 1 || !(pitch > 0.0) || !std::isfinite(run.value)) return OffsetStatus::Ok;
    if (run.value == 0.0 && run.kind == OffsetKind::Normal) {
        rowsDone = ny;
        return OffsetStatus::Ok;
    }
    const bool upward = run.value > 0.0;
    // Neighbours further than the grid is wide are none.
    const Kernel k = MakeKernel(run.kind, run.value, pitch, std::max(nx, ny));
    if (k.entries * static_cast<double>(nx) * static_cast<double>(ny) > kMaxOffsetWork) return OffsetStatus::TooLarge;
    Padded in;
    try {
        in.pad = k.radius;
        in.width = nx + 2 * k.radius;
        const float fill = upward ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
        in.v.assign(static_cast<std::size_t>(in.width) * static_cast<std::size_t>(ny + 2 * k.radius), fill);
    } catch (const std::bad_alloc&) {
        return OffsetStatus::MemoryOver;
    }
    for (int iy = 0; iy < ny; ++iy) {
        float* dst = in.v.data() + static_cast<std::size_t>(iy + in.pad) * in.width + in.pad;
        const float* src = heights + static_cast<std::size_t>(iy) * nx;
        for (int ix = 0; ix < nx; ++ix) dst[ix] = src[ix] <= kNoModelHeight ? in.v[0] : src[ix];
    }
    const int bands = std::max(1, run.threads);
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};  // rows done by all bands, for the progress bar only
    std::vector<int> done(static_cast<std::size_t>(bands), 0);
    auto band = [&](int b) {
        std::vector<float> acc(static_cast<std::size_t>(nx));
        const int from = static_cast<int>(static_cast<long long>(ny) * b / bands);
        const int to = static_cast<int>(static_cast<long long>(ny) * (b + 1) / bands);
        for (int iy = from; iy < to; ++iy) {
            if (stop.load(std::memory_order_relaxed)) break;
            OffsetRow(in, k, upward, nx, iy, heights + static_cast<std::size_t>(iy) * nx, acc.data());
            ++done[static_cast<std::size_t>(b)];
            finished.fetch_add(1, std::memory_order_relaxed);
        }
    };
    if (run.threads <= 0) {
        // One band on the caller: the poll between rows, every 100 ms.
        std::vector<float> acc(static_cast<std::size_t>(nx));
        auto next = std::chrono::steady_clock::now() + run.pollEvery;
        for (int iy = 0; iy < ny; ++iy) {
            if ((run.poll || run.progress != nullptr) && std::chrono::steady_clock::now() >= next) {
                AdvanceOf(run.progress, static_cast<double>(iy) / ny);
                if (run.poll && run.poll()) return OffsetStatus::Stopped;
                next = std::chrono::steady_clock::now() + run.pollEvery;
            }
            OffsetRow(in, k, upward, nx, iy, heights + static_cast<std::size_t>(iy) * nx, acc.data());
            ++rowsDone;
        }
        return OffsetStatus::Ok;
    }
    std::mutex m;
    std::condition_variable cv;
    int running = bands;
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(bands));
    for (int b = 0; b < bands; ++b) {
        workers.emplace_back([&, b] {
            band(b);
            {
                std::lock_guard<std::mutex> lock(m);
                --running;
            }
            cv.notify_all();
        });
    }
    bool stopped = false;
    {
        std::unique_lock<std::mutex> lock(m);
        while (!cv.wait_for(lock, run.pollEvery, [&] { return running == 0; })) {
            lock.unlock();
            AdvanceOf(run.progress, static_cast<double>(finished.load(std::memory_order_relaxed)) / ny);
            if (!stopped && run.poll && run.poll()) {
                stop.store(true, std::memory_order_relaxed);
                stopped = true;
            }
            lock.lock();
        }
    }
    for (std::thread& t : workers) t.join();
    for (int d : done) rowsDone += d;
    return stopped && rowsDone < ny ? OffsetStatus::Stopped : OffsetStatus::Ok;
}

OffsetStatus OffsetWork(WorkModel& w, const OffsetRun& run, bool onlyPaint) {
    if (w.height == nullptr || w.attr == nullptr || w.nx < 2 || w.ny < 2) return OffsetStatus::Ok;
    std::vector<float> before;
    try {
        before.assign(w.height, w.height + w.cellCount);
    } catch (const std::bad_alloc&) {
        return OffsetStatus::MemoryOver;
    }
    int rows = 0;
    const OffsetStatus status = OffsetHeights(w.height, w.nx, w.ny, w.pitch, run, rows);
    if (status == OffsetStatus::TooLarge || status == OffsetStatus::MemoryOver) return status;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        if (onlyPaint && (w.attr[i] & kAttrPaint) == 0) {
            w.height[i] = before[i];
            continue;
        }
        if (w.height[i] != before[i]) {
            w.attr[i] = 0;
            if (w.lineNo != nullptr) w.lineNo[i] = 0;
        }
    }
    if (run.value < 0.0) {
        float lowest = std::numeric_limits<float>::infinity();
        for (std::uint32_t i = 0; i < w.cellCount; ++i) {
            if (w.height[i] > kNoModelHeight) lowest = std::min(lowest, w.height[i]);
        }
        if (lowest < w.zMin) w.zMin = lowest;
    }
    RecomputeZMax(w);
    w.workState = 2;
    return status;
}

}  // namespace morvex
