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
// Batches of motions (an unattended run's) do not wait for each other as a
// whole: every batch has the same bands, and band b of a batch may start
// as soon as band b of the batch before is swept, since no plain cut
// changes another row. The caller finishes the oldest batch only when it
// hands out one more than kBatchesInFlight allows, so the threads sweep on
// while it plans; while it waits there, it sweeps bands of later batches.
// Jobs come every few microseconds during a run, while waking a sleeping
// thread costs about as much: before it sleeps on its condition variable,
// each side watches the counter it waits for for a bounded while, yielding
// the processor at each look (loads only; the decision is always taken
// again under the mutex).
#include "sim/sweep_workers.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

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
// Every band sets up every motion of the batch for its own rows, and a
// thread done with its band goes on with the next batch's, so finer bands
// buy no balance worth their set-up (on the raster benchmark two bands per
// strip were no faster, four slower).
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
    if (all.wholeMotion) {
        SweepMotionRows(*all.ctx, all.motion, band, all.last + 1, all.bandCount, flags);
    } else {
        const std::size_t steps = all.boxes.size();
        ClassFold* classes = all.stepClasses.data() + static_cast<std::size_t>(band) * steps;
        SweepStepsRows(*all.ctx, all.points.data(), all.boxes.data(), static_cast<int>(steps), all.backwards, band,
                       all.last + 1, all.bandCount, flags, classes);
    }
    all.bandFlags[static_cast<std::size_t>(band)] = std::move(flags);
}

// The steps of a cut in its findings: a motion swept whole counts one.
std::size_t FoundSteps(const BatchedCut& cut) { return static_cast<std::size_t>(std::max(cut.Steps(), 0LL)); }

// Every cut of a batch on the rows of one band, in order. Step classes are
// kept only of the observed cuts: `found` gets, cut after cut, a fold per
// step of each (one per motion swept whole: its loads, highest cut and the
// class of the sides it cut on), as this band's rows saw them.
void SweepBatchBand(const SweepBatch& batch, int band, SweepFlags& flags, std::vector<ClassFold>& found) {
    static thread_local std::vector<ClassFold> classes;
    static thread_local std::vector<StepBox> boxes;
    found.clear();
    for (std::size_t c = 0; c < batch.count; ++c) {
        const BatchedCut& cut = batch.cuts[c];
        const bool observed = cut.findings != nullptr;
        const std::size_t at = found.size();
        if (observed) found.resize(at + FoundSteps(cut));
        if (cut.last < cut.first) continue;
        if (cut.whole && !observed) {
            SweepMotionRows(cut.ctx, cut.motion, band, cut.last + 1, batch.bands, flags);
            continue;
        }
        if (cut.whole) {
            SweepFlags own;
            SweepMotionRows(cut.ctx, cut.motion, band, cut.last + 1, batch.bands, own);
            ClassFold& fold = found[at];
            fold.loadVolume = own.loadVolume;
            fold.loadTorque = own.loadTorque;
            fold.highestCut = own.highestCut;
            if (own.cutDone != 0) {
                const bool known = own.stepClass != kStepClassUnknown;
                sweep_detail::NoteClassAt(fold, known ? own.stepClass : kStepClassGeneral, 0);
            }
            MergeSweepFlags(flags, own);
            continue;
        }
        int first = 0, last = -1;
        if (!StepBoxes(cut.ctx, cut.points, boxes, first, last)) continue;
        ClassFold* folds = found.data() + at;
        if (!observed) {
            classes.assign(boxes.size(), ClassFold{});
            folds = classes.data();
        }
        SweepStepsRows(cut.ctx, cut.points.data(), boxes.data(), static_cast<int>(boxes.size()), cut.backwards, band,
                       last + 1, batch.bands, flags, folds);
    }
}

// Hands the bands' findings to the observed cuts of a finished batch: each
// step's folds merged in band order, as one pass over the rows folds them.
void TakeFindings(const BatchedCut* cuts, std::size_t count, const std::vector<std::vector<ClassFold>>& bands) {
    std::size_t at = 0;
    for (std::size_t c = 0; c < count; ++c) {
        CutFindings* findings = cuts[c].findings;
        if (findings == nullptr) continue;
        const std::size_t steps = FoundSteps(cuts[c]);
        findings->folds.assign(steps, ClassFold{});
        for (const std::vector<ClassFold>& band : bands) {
            for (std::size_t k = 0; k < steps && at + k < band.size(); ++k) {
                MergeClassFold(findings->folds[k], band[at + k]);
            }
        }
        findings->done = true;
        at += steps;
    }
}

// The i-th batch in flight, oldest first.
SweepBatch& BatchAt(SweepWorkers& w, int i) {
    return w.batches[static_cast<std::size_t>((w.batchHead + i) % kBatchesInFlight)];
}

// The first band of the batches [0, upTo) in flight that may be swept now:
// not taken, and its rows swept by the batch before; {-1, -1} when none.
// Under the mutex.
std::pair<int, int> FreeBatchBand(SweepWorkers& w, int upTo) {
    for (int i = 0; i < std::min(w.batchCount, upTo); ++i) {
        const SweepBatch& batch = BatchAt(w, i);
        for (int band = 0; band < batch.bands; ++band) {
            if (batch.bandState[static_cast<std::size_t>(band)] != 0) continue;
            if (i > 0 && BatchAt(w, i - 1).bandState[static_cast<std::size_t>(band)] != 2) continue;
            return {i, band};
        }
    }
    return {-1, -1};
}

// Takes and sweeps the first free band of the batches [0, upTo); false when
// none is free. The lock is held on entry and on return. A band is written
// only by the thread that took it, and read after its state says swept,
// both under the mutex; the batch stays in its slot until the caller has
// seen every band swept.
bool SweepOneFreeBatchBand(SweepWorkers& w, std::unique_lock<std::mutex>& lock, int upTo) {
    const auto [i, band] = FreeBatchBand(w, upTo);
    if (i < 0) return false;
    SweepBatch& batch = BatchAt(w, i);
    const auto b = static_cast<std::size_t>(band);
    batch.bandState[b] = 1;
    lock.unlock();
    SweepFlags flags;
    // The band's folds trade places with the slot's from an earlier
    // batch, so that neither side allocates again.
    static thread_local std::vector<ClassFold> found;
    SweepBatchBand(batch, band, flags, found);
    lock.lock();
    batch.bandFlags[b] = std::move(flags);
    std::swap(batch.bandFound[b], found);
    batch.bandState[b] = 2;
    --batch.bandsLeft;
    ++w.batchEvents;
    // The caller may wait for this batch, a worker for the band after it.
    w.finished.notify_all();
    w.started.notify_all();
    return true;
}

// The same until none is left.
void SweepFreeBatchBands(SweepWorkers& w, std::unique_lock<std::mutex>& lock, int upTo) {
    while (SweepOneFreeBatchBand(w, lock, upTo)) {
    }
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
// Between jobs the worker watches the generation and the batch events; an
// event that leaves it nothing to sweep (another thread's band swept) sets
// it watching again, so that it is awake for the next batch.
void WorkerLoop(SweepWorkers* all, long long swept) {
    long long seen = -1;  // batch events
    while (true) {
        const bool changed = WatchFor([&] {
            return all->exit.load(std::memory_order_relaxed) ||
                   all->generation.load(std::memory_order_relaxed) != swept ||
                   all->batchEvents.load(std::memory_order_relaxed) != seen;
        });
        std::unique_lock lock(all->mutex);
        auto work = [&] {
            return all->exit || all->generation != swept || FreeBatchBand(*all, kBatchesInFlight).first >= 0;
        };
        if (!work()) {
            seen = all->batchEvents;
            if (changed) continue;
            all->started.wait(lock, work);
        }
        if (all->exit) return;
        if (all->generation != swept) {
            swept = all->generation;
            SweepBands(*all, lock, swept);
        }
        SweepFreeBatchBands(*all, lock, kBatchesInFlight);
        seen = all->batchEvents;
    }
}

// Hands the current job, rows first..last in `count` bands, to the workers
// and returns at once; its generation.
long long StartJob(SweepWorkers& w, int first, int last, int count) {
    const std::size_t steps = w.wholeMotion ? 0 : w.boxes.size();
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
    const std::size_t steps = w.wholeMotion ? 0 : w.boxes.size();
    // Classes fold step by step in the order swept.
    if (w.stepFolds != nullptr) w.stepFolds->assign(steps, ClassFold{});
    for (std::size_t k = 0; k < steps; ++k) {
        const std::size_t i = w.backwards ? steps - 1 - k : k;
        ClassFold step;
        for (int b = 0; b < count; ++b) MergeClassFold(step, w.stepClasses[static_cast<std::size_t>(b) * steps + i]);
        sweep_detail::NoteClass(flags.stepClass, ResolveClass(step));
        flags.highestCut = std::max(flags.highestCut, step.highestCut);
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
        flags.highestCut = std::max(flags.highestCut, classes[k].highestCut);
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
        w.batchHead = 0;
        w.batchCount = 0;
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
    w.wholeMotion = true;
    w.motion = m;
    RunOnWorkers(w, first, last, flags);
    ApplyDeferredPaint(*ctx.work, flags);
    return 1;
}

namespace {

// Finishes the oldest batch in flight: sweeps its free bands, waits for the
// others and merges its flags (paint marks not yet applied), then frees its
// slot. While a worker still sweeps a band of it, the caller sweeps free
// bands of the later batches, one at a time, instead of watching: those
// would otherwise wait for the worker too, which then has the run's whole
// sweep to itself while the caller idles at every hand-over.
void RetireOldestBatch(SweepWorkers& w, SweepFlags& flags) {
    std::unique_lock lock(w.mutex);
    SweepBatch& oldest = BatchAt(w, 0);
    // Free bands are taken oldest batch first.
    while (oldest.bandsLeft != 0) {
        if (SweepOneFreeBatchBand(w, lock, kBatchesInFlight)) continue;
        const long long seen = w.batchEvents;
        lock.unlock();
        WatchFor([&] { return w.batchEvents.load(std::memory_order_relaxed) != seen; });
        lock.lock();
        w.finished.wait(lock, [&] { return w.batchEvents != seen; });
    }
    for (SweepFlags& band : oldest.bandFlags) MergeSweepFlags(flags, band);
    TakeFindings(oldest.cuts, oldest.count, oldest.bandFound);
    oldest.cuts = nullptr;
    oldest.count = 0;
    w.batchHead = (w.batchHead + 1) % kBatchesInFlight;
    --w.batchCount;
}

}  // namespace

bool StartBatchOnWorkers(SweepWorkers& w, const BatchedCut* cuts, std::size_t count, SweepFlags& flags) {
    int first = std::numeric_limits<int>::max(), last = -1;
    for (std::size_t c = 0; c < count; ++c) {
        if (cuts[c].last < cuts[c].first) continue;
        first = std::min(first, cuts[c].first);
        last = std::max(last, cuts[c].last);
    }
    if (last < 0) return w.batchCount > 0;
    if (w.workers.empty() || last - first + 1 < w.strips * kMinRowsPerStrip) {
        // After the batches in flight, one band of every row, here.
        FinishBatchOnWorkers(w, flags);
        SweepBatch here;
        here.cuts = cuts;
        here.count = count;
        here.last = last;
        here.bands = 1;
        static thread_local std::vector<std::vector<ClassFold>> found(1);
        SweepBatchBand(here, 0, flags, found[0]);
        TakeFindings(cuts, count, found);
        ApplyDeferredPaint(*cuts[0].ctx.work, flags);
        return false;
    }
    const int bands = std::clamp((last - first + 1) / kMinRowsPerStrip, 1, w.strips * kBatchBandsPerStrip);
    // A band waits for the same band of the batch before: the same rows
    // only while the batches have as many bands.
    if (w.batchCount > 0 && BatchAt(w, w.batchCount - 1).bands != bands) FinishBatchOnWorkers(w, flags);
    if (w.batchCount == kBatchesInFlight) {
        RetireOldestBatch(w, flags);
        // Marks go on neighbouring rows, which another batch may be sweeping.
        if (!flags.deferredPaint.empty()) FinishBatchOnWorkers(w, flags);
    }
    {
        std::lock_guard lock(w.mutex);
        SweepBatch& batch = BatchAt(w, w.batchCount);
        batch.cuts = cuts;
        batch.count = count;
        batch.last = last;
        batch.bands = bands;
        batch.bandFlags.assign(static_cast<std::size_t>(bands), SweepFlags{});
        batch.bandFound.resize(static_cast<std::size_t>(bands));
        batch.bandState.assign(static_cast<std::size_t>(bands), 0);
        batch.bandsLeft = bands;
        ++w.batchCount;
        ++w.batchEvents;
        ++w.handOvers;
    }
    w.started.notify_all();
    return true;
}

bool FinishOldestBatchOnWorkers(SweepWorkers& w, SweepFlags& flags) {
    if (w.batchCount == 0) return false;
    WorkModel* work = BatchAt(w, 0).cuts[0].ctx.work;
    RetireOldestBatch(w, flags);
    // Marks wait until no batch may sweep the rows they go on.
    if (w.batchCount == 0) ApplyDeferredPaint(*work, flags);
    return true;
}

void FinishBatchOnWorkers(SweepWorkers& w, SweepFlags& flags) {
    WorkModel* work = nullptr;
    while (w.batchCount > 0) {
        work = BatchAt(w, 0).cuts[0].ctx.work;
        RetireOldestBatch(w, flags);
    }
    if (work != nullptr) ApplyDeferredPaint(*work, flags);
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
