// Step-sweeper workers.
//
// Implementation notes: the hand-over is a mutex with two condition
// variables. The caller writes the step (context, ends, box) and every
// worker's band, then, under the mutex, sets `pending` to the worker count
// and bumps `generation`, and wakes the workers. A worker that sees a
// generation it has not swept sweeps its rows into its own flags and, under
// the mutex, counts `pending` down; the last one wakes the caller, which
// waits for `pending` 0 before it merges the flags. Everything a worker reads
// was written before the mutex was released to it, and everything it writes
// before it takes the mutex again, so the mutex orders all of it. Workers
// write only their own rows; paint marks on other rows wait in their flags.
#include "sim/sweep_workers.h"

#include <algorithm>

namespace morvex {
namespace {

// Boxes with fewer rows per strip than this are swept on the caller alone:
// the handover would cost more than the rows. Heights and marks are the
// same either way.
constexpr int kMinRowsPerStrip = 4;

// `swept` starts at the generation in force when the worker was made, so a
// step handed out before the thread first takes the mutex is not missed.
void WorkerLoop(SweepWorkers* all, SweepWorker* self, long long swept) {
    std::unique_lock lock(all->mutex);
    while (true) {
        all->started.wait(lock, [&] { return all->exit || all->generation != swept; });
        if (all->exit) return;
        swept = all->generation;
        lock.unlock();
        if (self->first <= self->last) {
            SweepStepRows(*all->ctx, all->p0, all->p1, all->box, self->first, self->last + 1, self->flags);
        }
        lock.lock();
        if (--all->pending == 0) all->finished.notify_one();
    }
}

}  // namespace

std::vector<std::pair<int, int>> StripBands(int first, int last, int strips) {
    std::vector<std::pair<int, int>> bands;
    strips = std::max(1, strips);
    int begin = first;
    for (int i = 0; i < strips; ++i) {
        const int end = first + static_cast<int>((static_cast<long long>(last - first) * (i + 1)) / strips);
        bands.emplace_back(begin, end);
        begin = end + 1;
    }
    return bands;
}

void StartWorkers(SweepWorkers& w, int strips) {
    StopWorkers(w);
    w.strips = std::max(1, strips);
    long long generation = 0;
    {
        std::lock_guard lock(w.mutex);
        w.exit = false;
        w.pending = 0;
        generation = w.generation;
    }
    for (int i = 0; i + 1 < w.strips; ++i) {
        auto worker = std::make_unique<SweepWorker>();
        worker->thread = std::thread(WorkerLoop, &w, worker.get(), generation);
        w.workers.push_back(std::move(worker));
    }
}

bool SweepStepOnWorkers(SweepWorkers& w, const SweepContext& ctx, const Point& p0, const Point& p1,
                        SweepFlags& flags) {
    const StepBox box = StepNodeBox(ctx, p0, p1);
    if (box.ixEnd <= box.ixBegin || box.iyEnd <= box.iyBegin) return false;
    const int rows = box.iyEnd - box.iyBegin;
    if (w.workers.empty() || rows < w.strips * kMinRowsPerStrip) {
        SweepStepRows(ctx, p0, p1, box, box.iyBegin, box.iyEnd, flags);
        ApplyDeferredPaint(*ctx.work, flags);
        return true;
    }
    const auto bands = StripBands(box.iyBegin, box.iyEnd - 1, w.strips);
    w.ctx = &ctx;
    w.p0 = p0;
    w.p1 = p1;
    w.box = box;
    for (std::size_t i = 0; i < w.workers.size(); ++i) {
        SweepWorker& worker = *w.workers[i];
        worker.first = bands[i].first;
        worker.last = bands[i].second;
        worker.flags = SweepFlags{};
    }
    {
        std::lock_guard lock(w.mutex);
        w.pending = static_cast<int>(w.workers.size());
        ++w.generation;
    }
    w.started.notify_all();
    // The caller's band is the last; flags fold in band order so that the
    // step's class comes out as from one pass over the rows.
    SweepFlags own;
    const auto& band = bands.back();
    if (band.first <= band.second) SweepStepRows(ctx, p0, p1, box, band.first, band.second + 1, own);
    {
        std::unique_lock lock(w.mutex);
        w.finished.wait(lock, [&w] { return w.pending == 0; });
    }
    for (auto& worker : w.workers) MergeSweepFlags(flags, worker->flags);
    MergeSweepFlags(flags, own);
    ApplyDeferredPaint(*ctx.work, flags);
    return true;
}

SweepWorkers::SweepWorkers(SweepWorkers&& other) noexcept { StopWorkers(other); }

SweepWorkers& SweepWorkers::operator=(SweepWorkers&& other) noexcept {
    StopWorkers(*this);
    StopWorkers(other);
    strips = 1;
    return *this;
}

SweepWorkers::~SweepWorkers() { StopWorkers(*this); }

void StopWorkers(SweepWorkers& w) {
    {
        std::lock_guard lock(w.mutex);
        w.exit = true;
    }
    w.started.notify_all();
    for (auto& worker : w.workers) {
        if (worker->thread.joinable()) worker->thread.join();
    }
    w.workers.clear();
}

}  // namespace morvex
