// Sweeper workers.
//
// Implementation notes: the hand-over is a mutex with two condition
// variables. The caller writes the job (context, steps or a whole motion),
// then, under the mutex, its bands, resets `nextBand` and bumps
// `generation`, and wakes the workers. Every thread, the caller first, takes
// the next band under the mutex (and counts `busy` up), sweeps it into the
// band's own flags, and counts `busy` down under the mutex; the last one out
// wakes the caller, which waits until every band is taken and none is busy
// before it merges the flags. A worker takes bands only of the generation
// it woke for, so one that wakes late finds nothing left. Everything a
// thread reads was written before the mutex was released to it, and
// everything it writes before it takes the mutex again, so the mutex orders
// all of it. Bands are disjoint sets of rows (every bandCount-th row); paint
// marks on other rows wait in the flags.
// A job of several steps (one motion's, when no step can leave a mark) has
// every band sweep its rows step after step: each node still sees the steps
// in order. Each band folds the classes of each step with the node where
// the fold began, so the bands' folds merge into what one pass over the
// rows finds (ClassFold).
// Jobs come every few microseconds during a run, while waking a sleeping
// thread costs about as much: before it sleeps on its condition variable,
// each side watches the counter it waits for for a bounded while, yielding
// the processor at each look (loads only; the decision is always taken
// again under the mutex).
#include "sim/sweep_workers.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "sim/cut_motion.h"
#include "sim/sweep_node.h"
#include "sim/sweep_rows.h"

namespace morvex {
namespace {

// Boxes with fewer rows per band than this are swept on the caller alone:
// the handover would cost more than the rows. Heights and marks are the
// same either way.
constexpr int kMinRowsPerStrip = 4;
// Bands per strip of a batch of motions (see StartBatchOnWorkers): one.
// Every band sets up every motion of the batch for its own rows, which
// costs more than the balance finer bands would buy (on the raster
// benchmark, two bands per strip were 2 to 5 % slower, four 3 to 7 %).
constexpr int kBatchBandsPerStrip = 1;

// How long a side watches before it sleeps: a few microseconds of busy
// looks (the other side usually answers within one or two), then up to a
// millisecond yielding the processor at every look. A batch's bands take a
// few hundred microseconds, so a worker that finished its bands first
// still watches when the caller hands out the next batch: waking a thread
// asleep on its condition variable costs tens of microseconds on a virtual
// machine, at every batch. Yielding at each look, the watch takes next to
// nothing from the thread it waits for or from anybody else on a busy
// machine.
constexpr int kBusyRounds = 64;
constexpr std::chrono::microseconds kYieldWatch{1000};

inline void CpuPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// True as soon as `ready` holds, false when the watch ran out.
template <class Ready>
bool WatchFor(Ready&& ready) {
    for (int i = 0; i < kBusyRounds; ++i) {
        if (ready()) return true;
        CpuPause();
    }
    const auto until = std::chrono::steady_clock::now() + kYieldWatch;
    do {
        if (ready()) return true;
        std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

// The band's flags are gathered on the sweeping thread's own stack: flags
// of neighbouring bands side by side in memory would bounce their cache
// line between the threads at every lowered node.
void SweepBand(SweepWorkers& all, int band) {
    SweepFlags flags;
    if (all.cuts != nullptr) {
        // Every cut of the batch on this band's rows, in order; step
        // classes are not asked for.
        static thread_local std::vector<ClassFold> classes;
        for (std::size_t c = 0; c < all.cutCount; ++c) {
            const BatchedCut& cut = all.cuts[c];
            if (cut.last < cut.first) continue;
            if (cut.whole) {
                SweepMotionRows(cut.ctx, cut.motion, band, cut.last + 1, all.bandCount, flags);
                continue;
            }
            classes.assign(cut.boxes.size(), ClassFold{});
            SweepStepsRows(cut.ctx, cut.points.data(), cut.boxes.data(), static_cast<int>(cut.boxes.size()),
                           cut.backwards, band, cut.last + 1, all.bandCount, flags, classes.data());
        }
    } else if (all.wholeMotion) {
        SweepMotionRows(*all.ctx, all.motion, band, all.last + 1, all.bandCount, flags);
    } else {
        const std::size_t steps = all.boxes.size();
        ClassFold* classes = all.stepClasses.data() + static_cast<std::size_t>(band) * steps;
        SweepStepsRows(*all.ctx, all.points.data(), all.boxes.data(), static_cast<int>(steps), all.backwards, band,
                       all.last + 1, all.bandCount, flags, classes);
    }
    all.bandFlags[static_cast<std::size_t>(band)] = std::move(flags);
}

// Takes and sweeps bands of generation `job` until none is left. The lock
// is held on entry and on return.
void SweepBands(SweepWorkers& all, std::unique_lock<std::mutex>& lock, long long job) {
    while (all.generation == job && all.nextBand < all.bandCount) {
        const int band = all.nextBand++;
        ++all.busy;
        lock.unlock();
        SweepBand(all, band);
        lock.lock();
        if (--all.busy == 0 && all.nextBand >= all.bandCount) all.finished.notify_one();
    }
}

// `swept` starts at the generation in force when the worker was made, so a
// job handed out before the thread first takes the mutex is not missed.
void WorkerLoop(SweepWorkers* all, long long swept) {
    while (true) {
        WatchFor([&] { return all->exit.load(std::memory_order_relaxed) ||
                              all->generation.load(std::memory_order_relaxed) != swept; });
        std::unique_lock lock(all->mutex);
        all->started.wait(lock, [&] { return all->exit || all->generation != swept; });
        if (all->exit) return;
        swept = all->generation;
        SweepBands(*all, lock, swept);
    }
}

// Hands the current job, rows first..last in `count` bands, to the workers
// and returns at once; its generation.
long long StartJob(SweepWorkers& w, int first, int last, int count) {
    const std::size_t steps = w.wholeMotion || w.cuts != nullptr ? 0 : w.boxes.size();
    // The bands change together with the generation: a worker that woke
    // for the job before looks at them under the mutex.
    std::unique_lock lock(w.mutex);
    w.first = first;
    w.last = last;
    w.bandCount = count;
    w.bandFlags.resize(static_cast<std::size_t>(count));
    for (SweepFlags& band : w.bandFlags) band = SweepFlags{};
    w.stepClasses.assign(static_cast<std::size_t>(count) * steps, ClassFold{});
    w.nextBand = 0;
    const long long job = ++w.generation;
    ++w.handOvers;
    lock.unlock();
    w.started.notify_all();
    return job;
}

// Sweeps the bands of job `job` no worker has taken, waits for the others
// and merges the flags of its bands: a step's class from the band that met
// its first node, the last chip-zone node the one furthest on in row
// order, the rest as one pass over the rows leaves it.
void FinishJob(SweepWorkers& w, long long job, SweepFlags& flags) {
    std::unique_lock lock(w.mutex);
    SweepBands(w, lock, job);
    if (w.busy != 0) {
        lock.unlock();
        WatchFor([&w] { return w.busy.load(std::memory_order_relaxed) == 0; });
        lock.lock();
        w.finished.wait(lock, [&w] { return w.busy == 0; });
    }
    lock.unlock();
    const int count = w.bandCount;
    const std::size_t steps = w.wholeMotion || w.cuts != nullptr ? 0 : w.boxes.size();
    // Classes fold step by step in the order swept.
    if (w.stepFolds != nullptr) w.stepFolds->assign(steps, ClassFold{});
    for (std::size_t k = 0; k < steps; ++k) {
        const std::size_t i = w.backwards ? steps - 1 - k : k;
        ClassFold step;
        for (int b = 0; b < count; ++b) MergeClassFold(step, w.stepClasses[static_cast<std::size_t>(b) * steps + i]);
        sweep_detail::NoteClass(flags.stepClass, ResolveClass(step));
        if (w.stepFolds != nullptr) (*w.stepFolds)[i] = step;
    }
    w.stepFolds = nullptr;
    long long chipNode = -1;
    for (SweepFlags& band : w.bandFlags) {
        chipNode = std::max(chipNode, band.chipNode);
        MergeSweepFlags(flags, band);
    }
    if (chipNode >= 0) flags.chipNode = chipNode;
}

// One job, rows first..last, one band per strip: the caller takes band 0
// and a waiting worker the next, so a row stays with one thread from job
// to job.
void RunOnWorkers(SweepWorkers& w, int first, int last, SweepFlags& flags) {
    const int count = std::clamp((last - first + 1) / kMinRowsPerStrip, 1, w.strips);
    FinishJob(w, StartJob(w, first, last, count), flags);
}

// The steps on the calling thread, their classes folded step by step in
// the order swept, as one SweepStep after the other leaves them.
void StepsHere(const SweepContext& ctx, const std::vector<Point>& points, const std::vector<StepBox>& boxes,
               bool backwards, int first, int last, SweepFlags& flags, std::vector<ClassFold>* folds) {
    static thread_local std::vector<ClassFold> classes;
    const std::size_t steps = boxes.size();
    classes.assign(steps, ClassFold{});
    SweepStepsRows(ctx, points.data(), boxes.data(), static_cast<int>(steps), backwards, first, last + 1, 1, flags,
                   classes.data());
    for (std::size_t k = 0; k < steps; ++k) {
        sweep_detail::NoteClass(flags.stepClass, ResolveClass(classes[backwards ? steps - 1 - k : k]));
    }
    if (folds != nullptr) folds->assign(classes.begin(), classes.end());
    ApplyDeferredPaint(*ctx.work, flags);
}

}  // namespace

bool StepBoxes(const SweepContext& ctx, const std::vector<Point>& points, std::vector<StepBox>& boxes, int& first,
               int& last) {
    if (points.size() < 2) return false;
    const std::size_t steps = points.size() - 1;
    boxes.resize(steps);
    first = std::numeric_limits<int>::max(), last = -1;
    bool touched = false;
    for (std::size_t i = 0; i < steps; ++i) {
        const StepBox& box = boxes[i] = StepNodeBox(ctx, points[i], points[i + 1]);
        if (box.ixEnd <= box.ixBegin || box.iyEnd <= box.iyBegin) continue;
        touched = true;
        first = std::min(first, box.iyBegin);
        last = std::max(last, box.iyEnd - 1);
    }
    return touched;
}

bool SweepStepsHere(const SweepContext& ctx, const std::vector<Point>& points, SweepFlags& flags, bool backwards,
                    std::vector<ClassFold>* folds) {
    static thread_local std::vector<StepBox> boxes;
    int first = 0, last = -1;
    if (!StepBoxes(ctx, points, boxes, first, last)) {
        if (folds != nullptr) folds->assign(points.size() > 0 ? points.size() - 1 : 0, ClassFold{});
        return false;
    }
    StepsHere(ctx, points, boxes, backwards, first, last, flags, folds);
    return true;
}

void StartWorkers(SweepWorkers& w, int strips) {
    StopWorkers(w);
    w.strips = std::max(1, strips);
    long long generation = 0;
    {
        std::lock_guard lock(w.mutex);
        w.exit = false;
        w.busy = 0;
        w.nextBand = 0;
        w.bandCount = 0;
        generation = w.generation.load();
    }
    for (int i = 0; i + 1 < w.strips; ++i) {
        auto worker = std::make_unique<SweepWorker>();
        worker->thread = std::thread(WorkerLoop, &w, generation);
        w.workers.push_back(std::move(worker));
    }
}

bool SweepStepOnWorkers(SweepWorkers& w, const SweepContext& ctx, const Point& p0, const Point& p1,
                        SweepFlags& flags) {
    return SweepStepsOnWorkers(w, ctx, {p0, p1}, flags);
}

bool StepsBatchable(const SweepContext& ctx, double reach) {
    if (ctx.tool == nullptr || ctx.markPaint || ctx.chipMode != 0 || ctx.lengthMode >= 2) return false;
    const bool marksBeyondFlank = ctx.arborMode == kArborAbort || ctx.arborMode == kArborPause;
    return !marksBeyondFlank || reach * reach <= ctx.tool->T3;
}

bool StepsBackwards(const SweepContext& ctx, const SweepMotionInput& m) {
    return m.type == kLine && m.p1[2] < m.p0[2] && sweep_detail::PlainLowering(ctx);
}

bool SweepStepsOnWorkers(SweepWorkers& w, const SweepContext& ctx, const std::vector<Point>& points,
                         SweepFlags& flags, bool backwards, std::vector<ClassFold>* folds) {
    int first = 0, last = -1;
    if (!StepBoxes(ctx, points, w.boxes, first, last)) {
        if (folds != nullptr) folds->assign(points.size() > 0 ? points.size() - 1 : 0, ClassFold{});
        return false;
    }
    // A single step that rises meets no more than the edge its tool moves
    // into, less than a hand-over costs (a retract is such steps one by one).
    const bool rising = points.size() == 2 && points[1][2] > points[0][2];
    if (w.workers.empty() || rising || last - first + 1 < w.strips * kMinRowsPerStrip) {
        StepsHere(ctx, points, w.boxes, backwards, first, last, flags, folds);
        return true;
    }
    w.ctx = &ctx;
    w.cuts = nullptr;
    w.wholeMotion = false;
    w.backwards = backwards;
    w.points = points;
    w.stepFolds = folds;
    RunOnWorkers(w, first, last, flags);
    ApplyDeferredPaint(*ctx.work, flags);
    return true;
}

int SweepMotionOnWorkers(SweepWorkers& w, const SweepContext& ctx, const SweepMotionInput& m, SweepFlags& flags) {
    int first = 0, last = -1;
    if (w.workers.empty() || WholeMotionRows(ctx, m, first, last) != 1 ||
        last - first + 1 < w.strips * kMinRowsPerStrip) {
        return SweepMotion(ctx, m, flags);
    }
    w.ctx = &ctx;
    w.cuts = nullptr;
    w.wholeMotion = true;
    w.motion = m;
    RunOnWorkers(w, first, last, flags);
    ApplyDeferredPaint(*ctx.work, flags);
    return 1;
}

bool StartBatchOnWorkers(SweepWorkers& w, const BatchedCut* cuts, std::size_t count, SweepFlags& flags) {
    int first = std::numeric_limits<int>::max(), last = -1;
    for (std::size_t c = 0; c < count; ++c) {
        if (cuts[c].last < cuts[c].first) continue;
        first = std::min(first, cuts[c].first);
        last = std::max(last, cuts[c].last);
    }
    if (last < 0) return false;
    w.cuts = cuts;
    w.cutCount = count;
    if (w.workers.empty() || last - first + 1 < w.strips * kMinRowsPerStrip) {
        // One band of every row, here (the workers, if any, wait for a
        // new generation and look at nothing of this).
        w.bandCount = 1;
        w.last = last;
        w.bandFlags.assign(1, SweepFlags{});
        SweepBand(w, 0);
        MergeSweepFlags(flags, w.bandFlags[0]);
        w.cuts = nullptr;
        ApplyDeferredPaint(*cuts[0].ctx.work, flags);
        return false;
    }
    // Bands taken as they come: the workers start at once while the caller
    // plans the next batch, and the caller takes what is left when it is
    // done.
    const int bands = std::clamp((last - first + 1) / kMinRowsPerStrip, 1, w.strips * kBatchBandsPerStrip);
    w.batchJob = StartJob(w, first, last, bands);
    return true;
}

void FinishBatchOnWorkers(SweepWorkers& w, SweepFlags& flags) {
    if (w.cuts == nullptr) return;
    FinishJob(w, w.batchJob, flags);
    ApplyDeferredPaint(*w.cuts[0].ctx.work, flags);
    w.cuts = nullptr;
    w.cutCount = 0;
}

void SweepBatchOnWorkers(SweepWorkers& w, const BatchedCut* cuts, std::size_t count, SweepFlags& flags) {
    if (StartBatchOnWorkers(w, cuts, count, flags)) FinishBatchOnWorkers(w, flags);
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
