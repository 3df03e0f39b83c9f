// Worker threads of the step sweeper: the rows of each step's node box are
// split into bands, one per strip; workers sweep all bands but the last,
// which the calling thread sweeps itself. Workers are started once per run
// and wait on a condition variable between steps.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "sim/sweep.h"

namespace morvex {

struct SweepWorker {
    int first = 0;  // rows first .. last of the current band
    int last = -1;
    SweepFlags flags;  // the band's own flags, merged by the caller
    std::thread thread;
};

// The band a worker sweeps is given by the step in `job*` fields, which the
// caller writes before it sets a worker running.
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
    // The hand-over: the caller bumps `generation` to start a step and waits
    // until `pending` workers have finished it; `exit` ends the workers.
    std::mutex mutex;
    std::condition_variable started;
    std::condition_variable finished;
    long long generation = 0;
    int pending = 0;
    bool exit = false;
    const SweepContext* ctx = nullptr;
    Point p0{};
    Point p1{};
    StepBox box;
};

// Strips of the `threadnc` setting: "NO"/"OFF" 1, "ON"/"YES" one per
// processor, a number n gives n; workers = strips - 1.
// Bands of rows first..last for `strips` strips: band i ends at
// first + ((last - first) * (i + 1)) / strips, band i + 1 starts one row
// later. Empty bands (more strips than rows) come out with first > last.
std::vector<std::pair<int, int>> StripBands(int first, int last, int strips);

// Starts strips - 1 workers (after ending any the record still has).
void StartWorkers(SweepWorkers& workers, int strips);

// One step, its bands on the workers and the last on the calling thread;
// the same heights, attributes and flags as SweepStep.
bool SweepStepOnWorkers(SweepWorkers& workers, const SweepContext& ctx, const Point& p0, const Point& p1,
                        SweepFlags& flags);

// Ends every worker and joins it; safe to call twice.
void StopWorkers(SweepWorkers& workers);

}  // namespace morvex
