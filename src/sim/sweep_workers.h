// Worker threads of the sweepers: the rows of each step's node box, or of a
// whole motion, are split into bands of interleaved rows; the calling
// thread and the workers take bands one by one until none is left, so a
// worker the system has not yet woken costs the caller nothing but the
// bands it sweeps itself. Each band has its own flags, merged so that they
// say what one pass over the rows says. Workers are started once per run
// and wait on a condition variable between jobs (after a short watch, since
// the next job usually follows within microseconds).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "sim/sweep.h"

namespace morvex {

struct SweepWorker {
    std::thread thread;
};

// The most batches of motions in flight at once (StartBatchOnWorkers). With
// the caller sweeping later batches' bands while it waits for the oldest,
// six leave both threads something to sweep through the caller's bursts of
// planning. (With three, and the caller only watching, the raster
// benchmark's caller spent about a fifth of its time waiting at hand-overs.)
inline constexpr int kBatchesInFlight = 6;

// A batch of motions handed to the workers: cuts[0 .. count), every one of
// them on every band's rows in turn; band b sweeps the rows iy with
// iy % bands == b up to `last`.
struct SweepBatch {
    const struct BatchedCut* cuts = nullptr;
    std::size_t count = 0;
    int last = -1;
    int bands = 0;
    std::vector<SweepFlags> bandFlags;
    // Each band's folds of the observed cuts' steps (see CutFindings),
    // handed to the cuts when the batch is finished.
    std::vector<std::vector<ClassFold>> bandFound;
    std::vector<int> bandState;  // 0 waiting, 1 being swept, 2 swept
    int bandsLeft = 0;
};

// The job (steps or a whole motion) is written by the caller before it sets
// the workers running, its bands under the mutex.
struct SweepWorkers {
    SweepWorkers() = default;
    SweepWorkers(const SweepWorkers&) = delete;
    SweepWorkers& operator=(const SweepWorkers&) = delete;
    // Workers hold the address of their record: a move stops the workers of
    // both sides, and the record starts without any.
    SweepWorkers(SweepWorkers&& other) noexcept;
    SweepWorkers& operator=(SweepWorkers&& other) noexcept;
    ~SweepWorkers();  // a run that never reached its end still joins its workers

    std::vector<std::unique_ptr<SweepWorker>> workers;
    int strips = 1;
    // The hand-over: the caller bumps `generation` to start a job; every
    // thread takes the band `nextBand` (counting it up) while one is left,
    // counting `busy` up until it has swept it; the job is done when every
    // band is taken and `busy` is 0. `exit` ends the workers. All of these
    // change only under the mutex; the atomic ones so that a waiting side
    // may watch them for a moment before it sleeps.
    std::mutex mutex;
    std::condition_variable started;
    std::condition_variable finished;
    std::atomic<long long> generation{0};
    std::atomic<int> busy{0};
    std::atomic<bool> exit{false};
    int nextBand = 0;
    // The rows first..last of the job in `bandCount` interleaved bands: band
    // b sweeps the rows iy with iy % bandCount == b. Neighbouring rows cost
    // about the same, so the bands do too, whatever the tool meets; and as
    // the caller takes band 0 and a waiting worker the next, a row stays
    // with one thread from job to job, its nodes in that processor's cache.
    int first = 0, last = -1;
    int bandCount = 0;
    std::vector<SweepFlags> bandFlags;
    const SweepContext* ctx = nullptr;
    bool wholeMotion = false;  // the job: a whole motion, or steps
    SweepMotionInput motion;
    // Steps i = 0 .. boxes - 1 from points[i] to points[i + 1]; each band
    // sweeps them in order and folds each step's class in stepClasses
    // (band-major), which the caller merges and folds step by step.
    std::vector<Point> points;
    std::vector<StepBox> boxes;
    std::vector<ClassFold> stepClasses;
    std::vector<ClassFold>* stepFolds = nullptr;  // where FinishJob leaves each step's merged fold
    bool backwards = false;  // steps swept last first
    long long handOvers = 0;  // jobs shared with the workers so far
    // Batches of motions in flight, oldest first from `batchHead`, apart
    // from the jobs above (a batch is never in flight with one of them).
    // Band b of a batch waits only for band b of the batch before (the
    // same rows), so a thread done with its band of one batch goes on with
    // the next while another still sweeps its band of the first. Changed
    // under the mutex; `batchEvents` counts every batch started and every
    // band swept, so that a waiting side may watch it before it sleeps.
    std::array<SweepBatch, kBatchesInFlight> batches;
    int batchHead = 0, batchCount = 0;
    std::atomic<long long> batchEvents{0};
};

// Strips of the `threadnc` setting: "NO"/"OFF" 1, "ON"/"YES" one per
// processor, a number n gives n; workers = strips - 1.


// Starts strips - 1 workers (after ending any the record still has).
void StartWorkers(SweepWorkers& workers, int strips);

// One step, its bands on the workers and the last on the calling thread;
// the same heights, attributes and flags as SweepStep.
bool SweepStepOnWorkers(SweepWorkers& workers, const SweepContext& ctx, const Point& p0, const Point& p1,
                        SweepFlags& flags);

// Whether the steps of a motion may be handed over all at once
// (SweepStepsOnWorkers): nothing in them can leave a paint mark (a later
// step that lowers a marked node clears its mark, so marks must be set
// step by step) or note a chip-zone node (the last one counts).
bool StepsBatchable(const SweepContext& ctx, double reach);

// The steps points[0] -> points[1] -> ... of one motion, each as
// SweepStepOnWorkers would cut it, in one hand-over; true when any step's
// box met the grid. Only where StepsBatchable holds for every step.
// `backwards` sweeps the last step first (see StepsBackwards); each step
// still runs from points[i] to points[i + 1].
// `folds` (when given) receives each step's own class fold and load sums, in
// step order.
bool SweepStepsOnWorkers(SweepWorkers& workers, const SweepContext& ctx, const std::vector<Point>& points,
                         SweepFlags& flags, bool backwards = false, std::vector<ClassFold>* folds = nullptr);

// The boxes of the steps points[i] -> points[i + 1] and the rows
// first..last they span; false when no box met the grid.
bool StepBoxes(const SweepContext& ctx, const std::vector<Point>& points, std::vector<StepBox>& boxes, int& first,
               int& last);

// The same on the calling thread alone.
bool SweepStepsHere(const SweepContext& ctx, const std::vector<Point>& points, SweepFlags& flags,
                    bool backwards = false, std::vector<ClassFold>* folds = nullptr);

// Whether the steps of a motion from p0 to p1 are swept last step first: a
// descending line whose nodes need nothing but height, attribute and line
// number. Every node ends at the lowest of the steps' profiles in either
// order, and its cutting side is that of the line; backwards, the lower
// later steps come first and the earlier ones find most nodes already
// below them, instead of lowering the whole tool disc again at every step.
bool StepsBackwards(const SweepContext& ctx, const SweepMotionInput& m);

// A whole motion (SweepMotion), its rows in bands shared by the workers and
// the calling thread; small motions on the caller alone. The same heights,
// attributes, flags and result as SweepMotion.
int SweepMotionOnWorkers(SweepWorkers& workers, const SweepContext& ctx, const SweepMotionInput& m,
                         SweepFlags& flags);

// The motions cuts[0 .. count), planned by PlanBatchedCut, in one
// hand-over (on the calling thread alone without workers): every node
// meets them in order, so the work comes out as CutMotion one after the
// other leaves it. Their flags (nothing but cutDone can be set) go into
// `flags`.
void SweepBatchOnWorkers(SweepWorkers& workers, const BatchedCut* cuts, std::size_t count, SweepFlags& flags);

// The same in two halves: StartBatchOnWorkers hands the batch to the
// workers and returns at once, so that the caller can plan the next batch
// meanwhile. Up to kBatchesInFlight batches may be in flight: with that
// many, StartBatchOnWorkers first finishes the oldest. FinishBatchOnWorkers
// sweeps what the workers have not taken of every batch in flight, waits
// for them and gives the flags. Until then the cuts, the tools they point
// at and the work's nodes are the workers'. Without workers, or for a batch
// of few rows, the batch is swept at once after the ones in flight. Flags
// of every batch finished on the way go into `flags`; true when batches are
// still in flight.
bool StartBatchOnWorkers(SweepWorkers& workers, const BatchedCut* cuts, std::size_t count, SweepFlags& flags);
void FinishBatchOnWorkers(SweepWorkers& workers, SweepFlags& flags);
// Finishes the oldest batch in flight alone (its flags into `flags`), while
// the workers sweep on with the next; false when none is in flight. An
// observed cut's findings are filled when its batch is finished.
bool FinishOldestBatchOnWorkers(SweepWorkers& workers, SweepFlags& flags);

// Ends every worker and joins it; safe to call twice.
void StopWorkers(SweepWorkers& workers);

}  // namespace morvex
