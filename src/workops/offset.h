// The normal and horizontal offsets: every node's new height from its
// neighbours within the offset radius, computed in row bands on worker
// threads that the caller can stop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "base/progress.h"
#include "sim/work_model.h"

namespace morvex {

enum class OffsetKind {
    Normal,      // the envelope of balls of radius |r| on the surface nodes
    Horizontal,  // the highest (r > 0) or lowest (r <= 0) height within |r|
};

// Heights at or below this mark nodes no model covers: they keep their
// value and are no neighbour of any node.
inline constexpr float kNoModelHeight = -100000.0f;

// Kernel entries times nodes above which an offset is refused: hours of
// work that nobody asked for knowingly.
inline constexpr double kMaxOffsetWork = 4e11;

enum class OffsetStatus { Ok, Stopped, TooLarge, MemoryOver };

struct OffsetRun {
    OffsetKind kind = OffsetKind::Normal;
    double value = 0.0;  // r, mm
    int threads = 0;     // bands on worker threads; 0: one band on the caller
    // Called on the calling thread every pollEvery while bands run;
    // returning true stops the offset with the rows done so far.
    std::function<bool()> poll;
    std::chrono::milliseconds pollEvery{100};
    // Hears the share of rows done at every poll (on the calling thread).
    const Progress* progress = nullptr;
};

// Offsets heights[] (nx x ny at the pitch) in place from an unmodified
// copy. rowsDone gets the rows that hold their new heights (all of them
// unless stopped).
[[nodiscard]] OffsetStatus OffsetHeights(float* heights, int nx, int ny, double pitch, const OffsetRun& run,
                                         int& rowsDone);

// The offset applied to the work: heights (with onlyPaint, only those of
// painted nodes), attribute bytes and line numbers of the changed nodes 0,
// the bottom following a lowered surface, zMax recomputed.
[[nodiscard]] OffsetStatus OffsetWork(WorkModel& work, const OffsetRun& run, bool onlyPaint);

}  // namespace morvex
