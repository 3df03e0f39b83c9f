// Step-sweeper workers.
//
// Implementation notes: the handshake is one atomic state word per worker.
// The caller writes the step (context, ends, box) and the worker's band, then
// stores kWorkerRun with release order and notifies; the worker sweeps its
// rows into its own flags and stores kWorkerDone. The caller waits for every
// worker to leave kWorkerRun before it merges the flags. A worker parks in
// std::atomic::wait on any state other than run or exit. Workers write only
// their own rows; paint marks on other rows wait in their flags.
#include "sim/sweep_workers.h"

#include <algorithm>

namespace morvex {
namespace {

// Boxes with fewer rows per strip than this are swept on the caller alone:
// the handover would cost more than the rows. Heights and marks are the
// same either way.
constexpr int kMinRowsPerStrip = 4;

void WorkerLoop(SweepWorkers* all, SweepWorker* self) {
    while (true) {
        int s = self->state.load(std::memory_order_acquire);
        while (s != kWorkerRun && s != kWorkerExit) {
            self->state.wait(s, std::memory_order_acquire);
            s = self->state.load(std::memory_order_acquire);
        }
        if (s == kWorkerExit) return;
        if (self->first <= self->last) {
            SweepStepRows(*all->ctx, all->p0, all->p1, all->box, self->first, self->last + 1, self->flags);
        }
        self->state.store(kWorkerDone, std::memory_order_release);
        self->state.notify_all();
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
    for (int i = 0; i + 1 < w.strips; ++i) {
        auto worker = std::make_unique<SweepWorker>();
        worker->state.store(kWorkerIdle);
        worker->alive = true;
        worker->thread = std::thread(WorkerLoop, &w, worker.get());
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
        worker.state.store(kWorkerRun, std::memory_order_release);
        worker.state.notify_one();
    }
    // The caller's band is the last; flags fold in band order so that the
    // step's class comes out as from one pass over the rows.
    SweepFlags own;
    const auto& band = bands.back();
    if (band.first <= band.second) SweepStepRows(ctx, p0, p1, box, band.first, band.second + 1, own);
    for (auto& worker : w.workers) {
        int s = worker->state.load(std::memory_order_acquire);
        while (s == kWorkerRun) {
            worker->state.wait(s, std::memory_order_acquire);
            s = worker->state.load(std::memory_order_acquire);
        }
        MergeSweepFlags(flags, worker->flags);
    }
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
    for (auto& worker : w.workers) {
        if (!worker->alive) continue;
        worker->state.store(kWorkerExit, std::memory_order_release);
        worker->state.notify_all();
        if (worker->thread.joinable()) worker->thread.join();
        worker->alive = false;
    }
    w.workers.clear();
}

}  // namespace morvex
